#include "kernels/GenericMath.h"
#include "StageTiming.h"

StageTimes genericStages(const StageSetting& setting) { return timeStages<GenericMath>(setting); }
