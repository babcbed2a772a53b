#include "kernels/Avx2Math.h"
#include "StageTiming.h"

StageTimes avx2Stages(const StageSetting& setting) { return timeStages<Avx2Math>(setting); }
