// Where a distorting kernel's time goes, stage by stage, on one kernel path:
// the interface between kernel_stages' main file and its one file per
// instruction set (each built with that set's flags).
#pragma once

struct StageSetting {
    bool sine;
    float inGain, slewLimit, funcMix, ampMin, freqMin, freqDif, outGain, ampRange, freqDifLog;
    // Two channels of `length` samples, a whole number of chunks.
    const float* input[2];
    int length;
};

// Nanoseconds per sample: the pipeline's stages (copies, slew, the phase pass,
// the shape pass, fallback), and the pow and the sine or cosine timed alone
// on the same values, so that the phase pass less the pow (the phase, its
// limits, the power's guard) and the shape pass less the wave (envelope, mix,
// the output's guard) can be told apart.
struct StageTimes {
    double copy, slew, pow, phasePass, wave, shapePass, fallback;
    double redoneShare;  // the share of samples the guards sent to the reference arithmetic
};

StageTimes genericStages(const StageSetting& setting);
StageTimes avx2Stages(const StageSetting& setting);
StageTimes avx512Stages(const StageSetting& setting);
