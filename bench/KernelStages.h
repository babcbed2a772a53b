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

// Nanoseconds per sample. `pow` and `wave` time the pow and the sine or
// cosine alone on the same values, so that `phase` (the phase pass less the
// pow: the phase, its limits and the power's guard) and `mix` (the shape pass
// less the wave: envelope, mix and the output's guard) are differences; all
// add up to `total`.
struct StageTimes {
    double copy, slew, pow, phase, wave, mix, fallback, total;
    double redoneShare;  // the share of samples the guards sent to the reference arithmetic
};

StageTimes genericStages(const StageSetting& setting);
StageTimes avx2Stages(const StageSetting& setting);
StageTimes avx512Stages(const StageSetting& setting);
