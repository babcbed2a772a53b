#include "kernels/Avx512Math.h"
#include "StageTiming.h"

StageTimes avx512Stages(const StageSetting& setting) { return timeStages<Avx512Math>(setting); }
