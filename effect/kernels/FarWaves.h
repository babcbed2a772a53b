// The table for the vector kernels' chunks with huge phases, which they
// reduce (FarReduction.h) before their own sine and cosine. Built with the
// baseline flags, so that no instruction-set file lends it instructions
// another processor lacks.
#pragma once

namespace farWaves {

// 2^k mod 2π for the exponents of float phases from 2^20 up, and 2π itself,
// each in three parts: a multiple of 2^-25 below 8 (28 bits), a multiple of
// 2^-50 below 2^-25 (25 bits), and the rest rounded to double (within 2^-103).
// Row i holds k = i - 3, the exponent of floats whose biased exponent field
// is i + 147; rows past 107 are unused.
struct Turns {
    static constexpr int firstExponentField = 147;
    static constexpr int rows = 128;
    alignas(64) double high[rows];
    alignas(64) double middle[rows];
    alignas(64) double low[rows];
    double circleHigh, circleMiddle, circleLow;
};
// Made on first use, exactly, from 2π in fixed point with 256 bits of fraction.
const Turns& turns() noexcept;

}  // namespace farWaves
