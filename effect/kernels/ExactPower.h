// |a|^e rounded to double and then to float, as the kernels use it, the same
// bits on every build: base a float, exponent a float from 1 to about 7.02.
//
// a = m 2^k (m in [1, 2)), m = (1 + u) / r_i with r_i from a table by the
// top 7 bits of m, so that log2 a = k - log2 r_i + log2(1 + u), |u| < 2^-8.
// Then t = e log2 a, t = n + j/64 + g with |g| <= 1/128, and
// a^e = 2^n 2^(j/64) exp(g ln 2). A quick evaluation in double carries a
// stated error bound; where the bound leaves the float undecided, an accurate
// one in double-double decides it.
//
// What has to be decided is float(double(v)) for the exact v = a^e. That
// function of v steps only at B = M +- ulp/2 around each float midpoint M
// (ulp that of double at M), and an exact power never equals such a B: B's
// odd significand b is congruent to +-1 modulo 2^29, while a power
// c^p of an odd c < 2^24 with p <= 14 (p odd when e is not an integer) is
// congruent to +-1 modulo at most 2^27 unless c = 1 (2-adic valuations of
// c^p -+ 1). So exact cases, float midpoints included, need no special path:
// the error intervals below decide them.
#pragma once

#include <cstdint>
#include <cstring>
#include <limits>

#include "ExactWaves.h"

namespace {
namespace exactMath {

// r_i (29 bits, so that m r_i is exact), then -log2 r_i as double-double
// (within 2^-106 relative), for m in [1 + i/128, 1 + (i+1)/128).
alignas(64) constexpr double logTable[128][3] = {
    {0x1.fe01fe0000000p-1, 0x1.709c4848ff3ddp-8, -0x1.f86284455f0dfp-62},
    {0x1.fa11caa000000p-1, 0x1.136311805d02ap-6, -0x1.f9af6f22469e5p-62},
    {0x1.f6310ad000000p-1, 0x1.c9363a906ef6cp-6, -0x1.503cd773df889p-61},
    {0x1.f25f644000000p-1, 0x1.3ed3097a75830p-5, 0x1.7064984539c8fp-59},
    {0x1.ee9c7f8000000p-1, 0x1.985bfc9c74da9p-5, -0x1.1ea449ea48d0ep-60},
    {0x1.eae807b000000p-1, 0x1.f13897c9d4244p-5, -0x1.80ca5f620827cp-60},
    {0x1.e741aa6000000p-1, 0x1.24b5b791dc7e6p-4, -0x1.51820ee7a4b77p-59},
    {0x1.e3a917a000000p-1, 0x1.507b8344ca76ap-4, 0x1.4ef20ab4610c2p-58},
    {0x1.e01e01e000000p-1, 0x1.7beee96cfb7c9p-4, -0x1.7a485895e06b6p-58},
    {0x1.dca01dd000000p-1, 0x1.a7111da8fbcb7p-4, 0x1.87cafa7e25f42p-60},
    {0x1.d92f223000000p-1, 0x1.d1e34e4d861f4p-4, 0x1.4c76357449205p-58},
    {0x1.d5cac80000000p-1, 0x1.fc66a14d0527ep-4, -0x1.9476863d87a59p-60},
    {0x1.d272ca4000000p-1, 0x1.134e1b471f0e7p-3, -0x1.97d1b66646481p-57},
    {0x1.cf26e5c000000p-1, 0x1.284294cbe3a8cp-3, 0x1.1ba13a33fe50ap-59},
    {0x1.cbe6d96000000p-1, 0x1.3d1146da61508p-3, -0x1.757aac70ae2f4p-57},
    {0x1.c8b265b000000p-1, 0x1.51bab905d81f1p-3, 0x1.477cbdd6f0672p-60},
    {0x1.c5894d1000000p-1, 0x1.663f6fb1fa2e2p-3, 0x1.c21e4377c9b9ep-58},
    {0x1.c26b539000000p-1, 0x1.7a9fec90237d1p-3, -0x1.103e23bf4ce8dp-59},
    {0x1.bf583ef000000p-1, 0x1.8edcae51307fbp-3, -0x1.f8650756606f7p-58},
    {0x1.bc4fd66000000p-1, 0x1.a2f6320045a4cp-3, -0x1.45bddc8fd56e2p-57},
    {0x1.b951e2b000000p-1, 0x1.b6ecf1806f02fp-3, 0x1.369aecfcac5d2p-60},
    {0x1.b65e2e4000000p-1, 0x1.cac163ac0797cp-3, 0x1.692e197caa6d3p-59},
    {0x1.b37484b000000p-1, 0x1.de73fe2a20e08p-3, -0x1.1ce90c5bb4146p-62},
    {0x1.b094b32000000p-1, 0x1.f205338171a72p-3, 0x1.e5fc9efa197eap-58},
    {0x1.adbe880000000p-1, 0x1.02baba0dbb1edp-2, 0x1.ad0869df3855cp-56},
    {0x1.aaf1d30000000p-1, 0x1.0c62973b4ab8ap-2, -0x1.d1b4e1b85f444p-56},
    {0x1.a82e651000000p-1, 0x1.15fa6776545eep-2, -0x1.bc3f17ceeb8bbp-58},
    {0x1.a574107000000p-1, 0x1.1f825f846ffe1p-2, -0x1.acb6b75ad64bcp-56},
    {0x1.a2c2a88000000p-1, 0x1.28fab34e36701p-2, -0x1.54d2108d90664p-57},
    {0x1.a01a01a000000p-1, 0x1.326396370ed87p-2, 0x1.d0bbcaac07f8fp-56},
    {0x1.9d79f17000000p-1, 0x1.3bbd3a2219ebep-2, -0x1.d5b04716e0151p-56},
    {0x1.9ae24ea000000p-1, 0x1.4507d000f29b6p-2, -0x1.b2bd1b01f6c80p-56},
    {0x1.9852f0e000000p-1, 0x1.4e4387f4f41b7p-2, -0x1.11e73d569be77p-56},
    {0x1.95cbb0c000000p-1, 0x1.577091acb9909p-2, 0x1.a7f88848e98adp-56},
    {0x1.934c680000000p-1, 0x1.608f1b2b7f437p-2, 0x1.1c6a1e011a9d3p-56},
    {0x1.90d4f12000000p-1, 0x1.699f524929a0ap-2, 0x1.08415cf9257d2p-56},
    {0x1.8e6527b000000p-1, 0x1.72a163794eef9p-2, 0x1.fee47d00d919bp-61},
    {0x1.8bfce80000000p-1, 0x1.7b957adc2ff3bp-2, -0x1.4c06dd77b651ap-56},
    {0x1.899c0f6000000p-1, 0x1.847bc33de26e0p-2, -0x1.7bd1709c19214p-56},
    {0x1.87427bd000000p-1, 0x1.8d54672c646adp-2, -0x1.a5fa02ece4074p-59},
    {0x1.84f00c2000000p-1, 0x1.961f906ef24dep-2, -0x1.82262f9ecb422p-56},
    {0x1.82a4a02000000p-1, 0x1.9edd673bc2c56p-2, 0x1.a6e961dd1effdp-58},
    {0x1.8060180000000p-1, 0x1.a78e14869136bp-2, -0x1.5f8c8621ab322p-56},
    {0x1.7e22551000000p-1, 0x1.b031bf13d860cp-2, 0x1.0c992007f4276p-56},
    {0x1.7beb392000000p-1, 0x1.b8c88dcab6b63p-2, -0x1.80b9dac0b1ad6p-58},
    {0x1.79baa6c000000p-1, 0x1.c152a6b0440e9p-2, 0x1.4522f1f64874ap-56},
    {0x1.7790812000000p-1, 0x1.c9d02f53c18a4p-2, 0x1.16af25f86c453p-56},
    {0x1.756cac2000000p-1, 0x1.d2414c811b7cfp-2, 0x1.5b066df5efbcbp-57},
    {0x1.734f0c5000000p-1, 0x1.daa62230ce1c5p-2, 0x1.0b5ca054f7308p-57},
    {0x1.713786e000000p-1, 0x1.e2fed3b7b4389p-2, -0x1.ff8763394d260p-56},
    {0x1.6f26017000000p-1, 0x1.eb4b8479a8945p-2, -0x1.e28a35a4e8b11p-57},
    {0x1.6d1a627000000p-1, 0x1.f38c565be0e75p-2, 0x1.c0ffb940b9a3cp-57},
    {0x1.6b1490b000000p-1, 0x1.fbc16b7886b99p-2, 0x1.c0c129ebae8a3p-59},
    {0x1.691473b000000p-1, 0x1.01f57267e941ep-1, -0x1.3f2826fbdcdadp-56},
    {0x1.6719f36000000p-1, 0x1.0604719f5315bp-1, 0x1.59f534a21e9f4p-56},
    {0x1.6524f85000000p-1, 0x1.0a0dc35738307p-1, 0x1.44f266b30986bp-58},
    {0x1.63356b9000000p-1, 0x1.0e1177459ab4fp-1, -0x1.9a46244a0d16ep-59},
    {0x1.614b368000000p-1, 0x1.120f9d405f7c8p-1, 0x1.d40dea4481281p-55},
    {0x1.5f66434000000p-1, 0x1.1608444ec6fd2p-1, -0x1.e60700a15428cp-56},
    {0x1.5d867c4000000p-1, 0x1.19fb7b8cabee5p-1, -0x1.fe62d674fdc55p-55},
    {0x1.5babcc6000000p-1, 0x1.1de951e35a89fp-1, 0x1.7b7d8d689e186p-57},
    {0x1.59d61f1000000p-1, 0x1.21d1d5c034c17p-1, -0x1.3d3e5f28b8526p-55},
    {0x1.5805601000000p-1, 0x1.25b5159743b3dp-1, -0x1.ba25a22c3ef7dp-57},
    {0x1.56397ba000000p-1, 0x1.29931f7856cbep-1, 0x1.34662a4034d46p-55},
    {0x1.54725e7000000p-1, 0x1.2d6c012bb7a85p-1, -0x1.ad7d373076c39p-56},
    {0x1.52aff57000000p-1, 0x1.313fc895b5611p-1, -0x1.ebc5ba54b5b9ep-56},
    {0x1.50f22e1000000p-1, 0x1.350e8327dfbc1p-1, 0x1.8cda961adf33fp-55},
    {0x1.4f38f63000000p-1, 0x1.38d83dfe2e68dp-1, -0x1.5b13b81eb4c53p-55},
    {0x1.4d843bf000000p-1, 0x1.3c9d0644154edp-1, -0x1.22d52feaddc8cp-55},
    {0x1.4bd3ede000000p-1, 0x1.405ce8c71dd34p-1, 0x1.281984f81fab2p-56},
    {0x1.4a27fad000000p-1, 0x1.4417f25d024c5p-1, 0x1.171906b3f2677p-55},
    {0x1.4880522000000p-1, 0x1.47ce2f2d30830p-1, -0x1.80b73d10b03a8p-56},
    {0x1.46dce34000000p-1, 0x1.4b7fabcae91c6p-1, 0x1.9a77943a07ce9p-56},
    {0x1.453d9e3000000p-1, 0x1.4f2c741298ce1p-1, 0x1.550412fe8613cp-55},
    {0x1.43a2731000000p-1, 0x1.52d4942249828p-1, -0x1.43b2b0389a9eap-56},
    {0x1.420b526000000p-1, 0x1.567817c5f17aap-1, -0x1.73a9d5233d0f9p-56},
    {0x1.40782d1000000p-1, 0x1.5a170a4e0bbf3p-1, -0x1.95f82010f8f17p-56},
    {0x1.3ee8f43000000p-1, 0x1.5db1774371065p-1, 0x1.1b079ccf5ec17p-55},
    {0x1.3d5d992000000p-1, 0x1.614769f6a9981p-1, -0x1.68d8d52043d9fp-56},
    {0x1.3bd60d9000000p-1, 0x1.64d8ed7c3d7bep-1, -0x1.d9f9e25167096p-58},
    {0x1.3a52438000000p-1, 0x1.68660ca8ff984p-1, -0x1.513acd15bcfe3p-55},
    {0x1.38d22d3000000p-1, 0x1.6beed2341bbc7p-1, 0x1.efabe130cc626p-56},
    {0x1.3755bd2000000p-1, 0x1.6f7348b43ee66p-1, 0x1.c538edf3b0233p-58},
    {0x1.35dce60000000p-1, 0x1.72f37ac2df0e6p-1, -0x1.2ea79c2d8d167p-56},
    {0x1.34679ad000000p-1, 0x1.766f72ad9c771p-1, 0x1.3c079a72dae82p-55},
    {0x1.32f5ced000000p-1, 0x1.79e73a98f6186p-1, -0x1.a4ff6910e1b12p-55},
    {0x1.3187759000000p-1, 0x1.7d5adc56b176fp-1, 0x1.3363c7cdb7a9ep-56},
    {0x1.301c82b000000p-1, 0x1.80ca61fd797a6p-1, 0x1.b54eb2273c6e4p-57},
    {0x1.2eb4ea2000000p-1, 0x1.8435d54c754cbp-1, -0x1.a6b719f25015fp-56},
    {0x1.2d50a01000000p-1, 0x1.879d3fcea51d8p-1, 0x1.572c57f1a9ba9p-55},
    {0x1.2bef98e000000p-1, 0x1.8b00aaff50178p-1, 0x1.145f658f3f4c6p-57},
    {0x1.2a91c93000000p-1, 0x1.8e60202058a73p-1, -0x1.66a3569b5bf9ep-56},
    {0x1.293725c000000p-1, 0x1.91bba886c321fp-1, 0x1.97f06560f51ffp-55},
    {0x1.27dfa39000000p-1, 0x1.95134d499ba1cp-1, 0x1.2f81f1a7594b2p-57},
    {0x1.268b37d000000p-1, 0x1.986717670e719p-1, -0x1.be88012c2d524p-56},
    {0x1.2539d7f000000p-1, 0x1.9bb70f99f5d9fp-1, 0x1.4c5db1e6c55d8p-55},
    {0x1.23eb797000000p-1, 0x1.9f033ed040fddp-1, 0x1.14c8d4e860691p-55},
    {0x1.22a0123000000p-1, 0x1.a24bad5f42ab5p-1, -0x1.bcc6f1238a2d5p-55},
    {0x1.2157980000000p-1, 0x1.a590641cbbf9fp-1, 0x1.42cfaafa6c317p-55},
    {0x1.2012012000000p-1, 0x1.a8d16b18109eep-1, -0x1.8286b8adc2755p-55},
    {0x1.1ecf43c000000p-1, 0x1.ac0ecade20275p-1, -0x1.c60b90d76da0ep-55},
    {0x1.1d8f567000000p-1, 0x1.af488b58f5138p-1, 0x1.1c52209762a19p-58},
    {0x1.1c522fc000000p-1, 0x1.b27eb4c43f5b2p-1, 0x1.3f844082c2575p-55},
    {0x1.1b17c68000000p-1, 0x1.b5b14f06cf67bp-1, -0x1.896d5126ea124p-56},
    {0x1.19e011a000000p-1, 0x1.b8e062034c5e6p-1, 0x1.3b2154d09bd47p-55},
    {0x1.18ab084000000p-1, 0x1.bc0bf56cbe6b7p-1, 0x1.2e523563fcdabp-55},
    {0x1.1778a19000000p-1, 0x1.bf341118df87ap-1, 0x1.3e526c393dee7p-55},
    {0x1.1648d51000000p-1, 0x1.c258bc55c2ed9p-1, 0x1.bcef3fda1f2ccp-55},
    {0x1.151b9a4000000p-1, 0x1.c579febaff106p-1, -0x1.041dbc242b31fp-58},
    {0x1.13f0e8d000000p-1, 0x1.c897dfa99a68ep-1, 0x1.757d171b71ebfp-55},
    {0x1.12c8b8a000000p-1, 0x1.cbb26649befbep-1, -0x1.029d8a409d10dp-58},
    {0x1.11a301a000000p-1, 0x1.cec999decd53ep-1, 0x1.18b1d00708738p-55},
    {0x1.107fbbe000000p-1, 0x1.d1dd819b7a69ap-1, -0x1.28cd5651d3027p-55},
    {0x1.0f5edfb000000p-1, 0x1.d4ee244949554p-1, -0x1.4092ba890884fp-55},
    {0x1.0e40656000000p-1, 0x1.d7fb88f43cde6p-1, 0x1.2e972e405dcdcp-55},
    {0x1.0d24456000000p-1, 0x1.db05b6936230cp-1, -0x1.93014fc9973dep-56},
    {0x1.0c0a787000000p-1, 0x1.de0cb38318011p-1, 0x1.635f2d1074323p-55},
    {0x1.0af2f72000000p-1, 0x1.e11086e314c48p-1, -0x1.e240d7f5a8a2ep-56},
    {0x1.09ddba7000000p-1, 0x1.e41136dceb719p-1, 0x1.e3b426d1265f8p-55},
    {0x1.08cabb3000000p-1, 0x1.e70eca5c67654p-1, -0x1.4f8919b204170p-56},
    {0x1.07b9f2a000000p-1, 0x1.ea094752724b2p-1, 0x1.3a7eb5ee59b73p-56},
    {0x1.06ab59c000000p-1, 0x1.ed00b49e06600p-1, 0x1.c0e45368c0da1p-55},
    {0x1.059eea0000000p-1, 0x1.eff5181f2fdcbp-1, 0x1.4c6dc11180b7ep-55},
    {0x1.04949cc000000p-1, 0x1.f2e6781be32c9p-1, 0x1.8495ed3e1e643p-55},
    {0x1.038c6b8000000p-1, 0x1.f5d4dab896cecp-1, -0x1.ed5108fa836dap-56},
    {0x1.02864fc000000p-1, 0x1.f8c0465230646p-1, -0x1.6213ea4dbff7fp-55},
    {0x1.0182436000000p-1, 0x1.fba8c06aefc52p-1, 0x1.12b6752edb97cp-56},
    {0x1.0080402000000p-1, 0x1.fe8e4f15eb449p-1, 0x1.27f69b938af8ep-57},
};

// 2^(j/64), j = 0..63, as double-double.
alignas(64) constexpr double exp2Table[64][2] = {
    {0x1.0000000000000p+0, 0.0},
    {0x1.02c9a3e778061p+0, -0x1.19083535b085dp-56},
    {0x1.059b0d3158574p+0, 0x1.d73e2a475b465p-55},
    {0x1.0874518759bc8p+0, 0x1.186be4bb284ffp-57},
    {0x1.0b5586cf9890fp+0, 0x1.8a62e4adc610bp-54},
    {0x1.0e3ec32d3d1a2p+0, 0x1.03a1727c57b53p-59},
    {0x1.11301d0125b51p+0, -0x1.6c51039449b3ap-54},
    {0x1.1429aaea92de0p+0, -0x1.32fbf9af1369ep-54},
    {0x1.172b83c7d517bp+0, -0x1.19041b9d78a76p-55},
    {0x1.1a35beb6fcb75p+0, 0x1.e5b4c7b4968e4p-55},
    {0x1.1d4873168b9aap+0, 0x1.e016e00a2643cp-54},
    {0x1.2063b88628cd6p+0, 0x1.dc775814a8495p-55},
    {0x1.2387a6e756238p+0, 0x1.9b07eb6c70573p-54},
    {0x1.26b4565e27cddp+0, 0x1.2bd339940e9d9p-55},
    {0x1.29e9df51fdee1p+0, 0x1.612e8afad1255p-55},
    {0x1.2d285a6e4030bp+0, 0x1.0024754db41d5p-54},
    {0x1.306fe0a31b715p+0, 0x1.6f46ad23182e4p-55},
    {0x1.33c08b26416ffp+0, 0x1.32721843659a6p-54},
    {0x1.371a7373aa9cbp+0, -0x1.63aeabf42eae2p-54},
    {0x1.3a7db34e59ff7p+0, -0x1.5e436d661f5e3p-56},
    {0x1.3dea64c123422p+0, 0x1.ada0911f09ebcp-55},
    {0x1.4160a21f72e2ap+0, -0x1.ef3691c309278p-58},
    {0x1.44e086061892dp+0, 0x1.89b7a04ef80d0p-59},
    {0x1.486a2b5c13cd0p+0, 0x1.3c1a3b69062f0p-56},
    {0x1.4bfdad5362a27p+0, 0x1.d4397afec42e2p-56},
    {0x1.4f9b2769d2ca7p+0, -0x1.4b309d25957e3p-54},
    {0x1.5342b569d4f82p+0, -0x1.07abe1db13cadp-55},
    {0x1.56f4736b527dap+0, 0x1.9bb2c011d93adp-54},
    {0x1.5ab07dd485429p+0, 0x1.6324c054647adp-54},
    {0x1.5e76f15ad2148p+0, 0x1.ba6f93080e65ep-54},
    {0x1.6247eb03a5585p+0, -0x1.383c17e40b497p-54},
    {0x1.6623882552225p+0, -0x1.bb60987591c34p-54},
    {0x1.6a09e667f3bcdp+0, -0x1.bdd3413b26456p-54},
    {0x1.6dfb23c651a2fp+0, -0x1.bbe3a683c88abp-57},
    {0x1.71f75e8ec5f74p+0, -0x1.16e4786887a99p-55},
    {0x1.75feb564267c9p+0, -0x1.0245957316dd3p-54},
    {0x1.7a11473eb0187p+0, -0x1.41577ee04992fp-55},
    {0x1.7e2f336cf4e62p+0, 0x1.05d02ba15797ep-56},
    {0x1.82589994cce13p+0, -0x1.d4c1dd41532d8p-54},
    {0x1.868d99b4492edp+0, -0x1.fc6f89bd4f6bap-54},
    {0x1.8ace5422aa0dbp+0, 0x1.6e9f156864b27p-54},
    {0x1.8f1ae99157736p+0, 0x1.5cc13a2e3976cp-55},
    {0x1.93737b0cdc5e5p+0, -0x1.75fc781b57ebcp-57},
    {0x1.97d829fde4e50p+0, -0x1.d185b7c1b85d1p-54},
    {0x1.9c49182a3f090p+0, 0x1.c7c46b071f2bep-56},
    {0x1.a0c667b5de565p+0, -0x1.359495d1cd533p-54},
    {0x1.a5503b23e255dp+0, -0x1.d2f6edb8d41e1p-54},
    {0x1.a9e6b5579fdbfp+0, 0x1.0fac90ef7fd31p-54},
    {0x1.ae89f995ad3adp+0, 0x1.7a1cd345dcc81p-54},
    {0x1.b33a2b84f15fbp+0, -0x1.2805e3084d708p-57},
    {0x1.b7f76f2fb5e47p+0, -0x1.5584f7e54ac3bp-56},
    {0x1.bcc1e904bc1d2p+0, 0x1.23dd07a2d9e84p-55},
    {0x1.c199bdd85529cp+0, 0x1.11065895048ddp-55},
    {0x1.c67f12e57d14bp+0, 0x1.2884dff483cadp-54},
    {0x1.cb720dcef9069p+0, 0x1.503cbd1e949dbp-56},
    {0x1.d072d4a07897cp+0, -0x1.cbc3743797a9cp-54},
    {0x1.d5818dcfba487p+0, 0x1.2ed02d75b3707p-55},
    {0x1.da9e603db3285p+0, 0x1.c2300696db532p-54},
    {0x1.dfc97337b9b5fp+0, -0x1.1a5cd4f184b5cp-54},
    {0x1.e502ee78b3ff6p+0, 0x1.39e8980a9cc8fp-55},
    {0x1.ea4afa2a490dap+0, -0x1.e9c23179c2893p-54},
    {0x1.efa1bee615a27p+0, 0x1.dc7f486a4b6b0p-54},
    {0x1.f50765b6e4540p+0, 0x1.9d3e12dd8a18bp-54},
    {0x1.fa7c1819e90d8p+0, 0x1.74853f3a5931ep-55},
};

constexpr Double2 ln2{0x1.62e42fefa39efp-1, 0x1.abc9e3b39803fp-56};
constexpr Double2 inverseLn2{0x1.71547652b82fep+0, 0x1.777d0ffda0d24p-56};

struct PowerParts {
    double exponentPart;  // e k, exact (a 24-bit e times an integer below 2^8)
    double u;             // m r_i - 1, exact
    int row;
};

inline PowerParts splitBase(float a, float e) noexcept {
    uint32_t bits = bitsOf(a);
    int k = static_cast<int>(bits >> 23) - 127;
    uint32_t m = bits & 0x7FFFFF;
    if (k == -127) {  // subnormal: bring the leading one to bit 23
        const int shift = __builtin_clz(m) - 8;
        m <<= shift;
        k = -126 - shift;
    }
    m &= 0x7FFFFF;
    const uint64_t mantissaBits = 0x3FF0000000000000u | (static_cast<uint64_t>(m) << 29);  // 1 + m 2^-23
    double mantissa;
    std::memcpy(&mantissa, &mantissaBits, sizeof mantissa);
    const int row = static_cast<int>(m >> 16);
    return {static_cast<double>(e) * k, mantissa * logTable[row][0] - 1.0, row};
}

// The float nearest to double(v) when every v within `error` of hi + lo
// gives the same one; `decided` tells. The double roundings of hi + (lo -+
// margin) bracket double(v), the float conversion is monotone too; the margin
// covers the rounding of lo -+ margin itself.
inline float floatIfDecided(double hi, double lo, double error, bool& decided) noexcept {
    const double lo2 = lo < 0 ? -lo : lo;
    const double margin = error * 1.0001 + lo2 * 0x1p-52;
    const float down = static_cast<float>(hi + (lo - margin));
    const float up = static_cast<float>(hi + (lo + margin));
    decided = down == up;
    return down;
}

// e k + e log2 m within 2^-13.6 for e <= 7.02 (log(1 + u) taken as u),
// enough to tell the range and to choose N below.
inline double roughExponent(float e, const PowerParts& p) noexcept {
    return p.exponentPart + static_cast<double>(e) * (logTable[p.row][1] + p.u * inverseLn2.hi);
}

// Short path, all in plain double; decides all but about one float in 2^19.
// Errors, absolute unless said otherwise:
//   log(1 + u) to u^5: rest below u^6/6 < 2^-50.6; log2 m = L_hi + that /
//     ln 2, L_hi's low part (below 2^-54) left out: within 2^-49.6;
//   e log2 m (below 7.02) as e L_hi + (e/ln 2) log(1 + u), so that only one
//     product and one sum wait for the polynomial: within 7.02 * 2^-49.6 +
//     2^-50 < 2^-46.6 (two roundings of 2^-51, the rest below 2^-56);
//   N = round(64 r), r the rough exponent (within 2^-13.6 of e log2 a, so
//     that N need not wait for the polynomial): |g| <= 2^-7 + 2^-13.6 <
//     2^-6.9 for g = (e k - N/64) + e log2 m, the first difference exact
//     (multiples of 2^-23 below 2^4); g within 2^-46.6, so w = g ln 2 within
//     2^-47.1;
//   exp(w) - 1 to w^4: rest below 1.006 w^5/120 < 2^-44.47 (|w| <= (2^-7 +
//     2^-13.6) ln 2), roundings below 2^-59;
//   2^(j/64) + (2^(j/64) w + 2^(j/64) w^2 q), exp(w) = 1 + w + w^2 q: the
//     products and the inner sums below 2^-6.5 round to 2^-60 each, the
//     last sum to 2^-53 relative: below 2^-52 relative;
// so v is within 2^-44.2 relative (2^-44.36 seen on every 61st float at
// five exponents), taken as 2^-44. Both polynomials pair their terms
// (Estrin's scheme), and 2^(j/64) w need not wait for them: a shorter chain
// of dependent steps than Horner's, with roundings as small (the sum with u
// rounds to 2^-61, the rest is below 2^-17 with a few roundings of 2^-53
// relative each).
inline Estimate powerShortEstimate(float e, const PowerParts& p) noexcept {
    const double u = p.u;
    const double u2 = u * u;
    const double log1p =
        u + u2 * ((-0.5 + u * 0x1.5555555555555p-2) + u2 * (-0.25 + u * 0x1.999999999999ap-3));
    const double ed = e;
    const double part = ed * logTable[p.row][1] + (ed * inverseLn2.hi) * log1p;
    constexpr double shifter = 0x1.8p52;
    const double big = (roughExponent(e, p) * 64.0 + shifter) - shifter;
    const int whole = static_cast<int>(big);
    const double w = ((p.exponentPart - big * 0.015625) + part) * ln2.hi;
    const double w2 = w * w;
    const double q = (0.5 + w * 0x1.5555555555555p-3) + w2 * 0x1.5555555555555p-5;
    const double* power = exp2Table[whole & 63];
    const double v = power[0] + ((power[1] + power[0] * w) + power[0] * w2 * q);
    const double scale = powerOfTwo(whole >> 6);  // arithmetic shift: floor
    return {v * scale, 0.0, v * (scale * 0x1p-44)};
}

// Quick path. Errors, absolute unless said otherwise:
//   log(1 + u) to u^7: rest below 2^-67, the double Horner sum of the terms
//     after u (below 2^-17) within 2^-68;
//   log2 m = L_hi + u/ln2 (exact product) + small terms: within 2^-65.5;
//   t = e k + e log2 m: within 7.02 * 2^-65.5 < 2^-62.6;
//   g = t - N/64 (|g| < 2^-6.9) in double-double, w = g ln 2 likewise;
//   exp(w) - 1 - w to w^6: rest below 2^-65, sum within 2^-67;
// so v is within 2^-62 relative, taken as 2^-60.
// Beyond these bounds on t the float is infinity or zero, whatever t's error.
constexpr double powerAbove = 130.0;
constexpr double powerBelow = -153.0;
// Results from 2^-150 (exclusive) up round to the smallest float, not zero,
// and the rough exponent is within 2^-13.6 of the true one.
static_assert(powerBelow <= -150.0 - 0x1p-13, "a power that rounds to 2^-149 would give zero");

// 2^(whole/64) exp(g ln 2) for |g| <= 1/128 (plus the error g carries in),
// g.lo small beside g.hi: within 2^-62 relative, taken as 2^-60 (the terms
// below).
inline Estimate exp2QuickEstimate(int whole, const Double2& g) noexcept {
    const Double2 w = twoProduct(g.hi, ln2.hi);
    const double wl = w.lo + g.hi * ln2.lo + g.lo * ln2.hi;
    const double wh = w.hi;
    const double rest =
        wl + wh * wh *
                 (0.5 + wh * (0x1.5555555555555p-3 +
                              wh * (0x1.5555555555555p-5 + wh * (0x1.1111111111111p-7 + wh * 0x1.6c16c16c16c17p-10))));
    const double* power = exp2Table[whole & 63];
    const Double2 ph = twoProduct(power[0], wh);
    const Double2 s = fastTwoSum(power[0], ph.hi);
    const double lo = s.lo + ph.lo + power[1] + power[1] * wh + power[0] * rest;
    const double scale = powerOfTwo(whole >> 6);  // arithmetic shift: floor
    return {s.hi * scale, lo * scale, s.hi * scale * 0x1p-60};
}

// Only for powerBelow <= t <= powerAbove.
// log2 m = L_hi + u/ln2 + the rest, within 2^-65.5 absolute (bounds above).
inline Double2 log2MantissaQuick(const PowerParts& p) noexcept {
    const double* row = logTable[p.row];
    const double u = p.u;
    const double q =
        u * u *
        (-0.5 + u * (0x1.5555555555555p-2 +
                     u * (-0.25 + u * (0x1.999999999999ap-3 + u * (-0x1.5555555555555p-3 + u * 0x1.2492492492492p-3)))));
    const Double2 ul = twoProduct(u, inverseLn2.hi);
    const double small = ul.lo + u * inverseLn2.lo + q * inverseLn2.hi;
    const Double2 sum = twoSum(row[1], ul.hi);
    // Renormalised, so that the part left out of e l_hi below is tiny.
    const Double2 l = twoSum(sum.hi, sum.lo + row[2] + small);
    return l;
}

inline Estimate powerQuickEstimate(float e, const PowerParts& p) noexcept {
    const Double2 l = log2MantissaQuick(p);
    const double lRest = l.lo;
    const double ed = e;
    const Double2 b = twoProduct(ed, l.hi);
    const double c = b.lo + ed * lRest;
    const double t = p.exponentPart + b.hi;
    constexpr double shifter = 0x1.8p52;
    const double big = (t * 64.0 + shifter) - shifter;
    const int whole = static_cast<int>(big);
    const Double2 gRough = twoSum(p.exponentPart - big * 0.015625, b.hi);
    // Renormalised: c is small beside t, not beside g, and exp(wh + wl) is
    // taken as exp(wh) + wl below.
    const Double2 g = twoSum(gRough.hi, gRough.lo + c);
    return exp2QuickEstimate(whole, g);
}


// Accurate path, all in double-double: log(1 + u) to u^11 (the rest, times
// e / ln 2, below 2^-96.3 in t), exp(w) to w^9 (rest below 2^-96.8), every
// coefficient and table entry within 2^-106; t = e log2 a below 2^7.3 is
// carried within 2^-96.7, so v is within 2^-95 relative, taken as 2^-94.
constexpr Double2 logSeries[] = {  // (-1)^(k+1) / k, k = 1..11
    {0x1.0000000000000p+0, 0.0},
    {-0x1.0000000000000p-1, 0.0},
    {0x1.5555555555555p-2, 0x1.5555555555555p-56},
    {-0x1.0000000000000p-2, 0.0},
    {0x1.999999999999ap-3, -0x1.999999999999ap-57},
    {-0x1.5555555555555p-3, -0x1.5555555555555p-57},
    {0x1.2492492492492p-3, 0x1.2492492492492p-57},
    {-0x1.0000000000000p-3, 0.0},
    {0x1.c71c71c71c71cp-4, 0x1.c71c71c71c71cp-58},
    {-0x1.999999999999ap-4, 0x1.999999999999ap-58},
    {0x1.745d1745d1746p-4, -0x1.745d1745d1746p-59},
};
constexpr Double2 expSeries[] = {  // 1 / k!, k = 0..9
    {0x1.0000000000000p+0, 0.0},
    {0x1.0000000000000p+0, 0.0},
    {0x1.0000000000000p-1, 0.0},
    {0x1.5555555555555p-3, 0x1.5555555555555p-57},
    {0x1.5555555555555p-5, 0x1.5555555555555p-59},
    {0x1.1111111111111p-7, 0x1.1111111111111p-63},
    {0x1.6c16c16c16c17p-10, -0x1.f49f49f49f49fp-65},
    {0x1.a01a01a01a01ap-13, 0x1.a01a01a01a01ap-73},
    {0x1.a01a01a01a01ap-16, 0x1.a01a01a01a01ap-76},
    {0x1.71de3a556c734p-19, -0x1.c154f8ddc6c00p-73},
};

// log2 m, within 2^-100 absolute.
inline Double2 log2MantissaAccurate(const PowerParts& p) noexcept {
    const double* row = logTable[p.row];
    const Double2 u{p.u, 0.0};
    Double2 series = logSeries[10];
    for (int k = 9; k >= 0; --k) {
        series = add(mul(series, u), logSeries[k]);
    }
    return add(Double2{row[1], row[2]}, mul(mul(series, u), inverseLn2));
}

// 2^t for powerBelow <= t <= powerAbove.
inline Estimate exp2AccurateEstimate(const Double2& t) noexcept {
    constexpr double shifter = 0x1.8p52;
    const double big = (t.hi * 64.0 + shifter) - shifter;
    const int whole = static_cast<int>(big);
    const Double2 w = mul(add(t, Double2{-big * 0.015625, 0.0}), ln2);
    Double2 exp = expSeries[9];
    for (int k = 8; k >= 0; --k) {
        exp = add(mul(exp, w), expSeries[k]);
    }
    const double* power = exp2Table[whole & 63];
    const Double2 v = mul(exp, Double2{power[0], power[1]});
    const double scale = powerOfTwo(whole >> 6);
    return {v.hi * scale, v.lo * scale, v.hi * scale * 0x1p-94};
}

inline Estimate powerAccurateEstimate(float e, const PowerParts& p) noexcept {
    const Double2 log2m = log2MantissaAccurate(p);
    return exp2AccurateEstimate(add(Double2{p.exponentPart, 0.0}, mul(log2m, Double2{e, 0.0})));
}

// float(double(a^e)) for a >= 0 (a float) and 1 <= e <= 7.1, the exponents
// FreqDif gives. Parameter values far outside 0 to 1 give larger or
// non-finite exponents: up to 128 the same steps give a result that is the
// same on every build (not proven correctly rounded); beyond, and for NaN,
// the limits a power function gives.
inline float power(float a, float e) noexcept {
    if (e == 1.0f || !(a > 0.0f) || a - a != 0.0f) {
        return a;  // the identity; 0 (any e >= 1 gives +0), NaN and infinity
    }
    if (!(e >= 1.0f && e <= 128.0f)) {
        if (e != e || a == 1.0f) {
            return a == 1.0f ? 1.0f : e;
        }
        return a > 1.0f ? static_cast<float>(0x1p1000) : 0.0f;  // infinity or +0
    }
    const PowerParts parts = splitBase(a, e);
    const double rough = roughExponent(e, parts);
    if (rough > powerAbove) {
        return static_cast<float>(0x1p1000);  // infinity
    }
    if (rough < powerBelow) {
        return 0.0f;  // below half the smallest float
    }
    bool decided;
    const Estimate first = powerShortEstimate(e, parts);
    const float shortResult = floatIfDecided(first.hi, first.lo, first.error, decided);
    if (decided) {
        return shortResult;
    }
    const Estimate quick = powerQuickEstimate(e, parts);
    const float result = floatIfDecided(quick.hi, quick.lo, quick.error, decided);
    if (decided) {
        return result;
    }
    const Estimate accurate = powerAccurateEstimate(e, parts);
    return floatIfDecided(accurate.hi, accurate.lo, accurate.error, decided);
}

// float(double(2^t)) for any double t, as the parameter curves use it. An
// exact t makes g exact; 2^t is irrational unless t is an integer (then
// exact, a power of two), so it never equals a rounding boundary and the
// two error intervals decide every case.
inline float exp2Float(double t) noexcept {
    if (!(t <= powerAbove)) {
        return static_cast<float>(t + 0x1p1000);  // NaN stays NaN, else infinity
    }
    if (t < powerBelow) {
        return 0.0f;
    }
    constexpr double shifter = 0x1.8p52;
    const double big = (t * 64.0 + shifter) - shifter;
    const double g = (t * 64.0 - big) * 0.015625;  // exact: a double's fraction
    bool decided;
    const Estimate quick = exp2QuickEstimate(static_cast<int>(big), Double2{g, 0.0});
    const float result = floatIfDecided(quick.hi, quick.lo, quick.error, decided);
    if (decided) {
        return result;
    }
    const Estimate accurate = exp2AccurateEstimate(Double2{t, 0.0});
    return floatIfDecided(accurate.hi, accurate.lo, accurate.error, decided);
}

// ln x for a float x > 0 (parts from splitBase(x, 1)) as double-double:
// ln 2 (k + log2 m). Quick: log2 m within 2^-65.5, k exact, the sum and
// product in double-double add below 2^-98, so within 2^-65 absolute, taken
// as 2^-63. Accurate: log2 m within 2^-100, the rest as before, within
// 2^-95.
inline Estimate logQuickEstimate(const PowerParts& parts) noexcept {
    const Double2 log2x = add(Double2{parts.exponentPart, 0.0}, log2MantissaQuick(parts));
    const Double2 v = mul(log2x, ln2);
    return {v.hi, v.lo, 0x1p-63};
}

inline Estimate logAccurateEstimate(const PowerParts& parts) noexcept {
    const Double2 log2x = add(Double2{parts.exponentPart, 0.0}, log2MantissaAccurate(parts));
    const Double2 v = mul(log2x, ln2);
    return {v.hi, v.lo, 0x1p-95};
}

// double(ln x), the correctly rounded double, for finite x >= 2 (ln x is
// transcendental there, so never a rounding boundary, and 2^-95 absolute is
// decisive except within 2^-95 of a boundary: none among the floats from 2
// to 129, checked one by one, the quick path leaving only those within
// 2^-63 of one to the accurate path). Other x get a harmless, build-independent
// value: 0 at 1, -infinity at 0, NaN below, infinity at infinity.
inline double logDouble(float x) noexcept {
    using limits = std::numeric_limits<double>;
    if (!(x > 0.0f) || x == limits::infinity() || x == 1.0f) {
        return x == 1.0f ? 0.0
               : x == 0.0f ? -limits::infinity()
               : x > 0.0f  ? limits::infinity()
                           : limits::quiet_NaN();
    }
    const PowerParts parts = splitBase(x, 1.0f);
    const Estimate quick = logQuickEstimate(parts);
    bool decided;
    const double result = roundIfDecided(quick.hi, quick.lo, quick.error, decided);
    if (decided) {
        return result;
    }
    const Estimate e = logAccurateEstimate(parts);
    const double accurate = roundIfDecided(e.hi, e.lo, e.error, decided);
    return decided ? accurate : e.hi + e.lo;
}

}  // namespace exactMath
}  // namespace
