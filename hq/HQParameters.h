// Ondulaxis HQ's parameters: the effect's eight, then Oversample, DryWet and
// Render.
#pragma once

#include "ParameterRecords.h"

extern const ParameterRecord ondulaxisHQOwnRecords[3];
inline constexpr ParameterTable ondulaxisHQParameters{ondulaxisParameterRecords, paramCount,
                                                      ondulaxisHQOwnRecords, 3};
// LV2 tells a plug-in nothing of offline renders that it reads, so its ports
// stop before Render.
inline constexpr ParameterTable ondulaxisHQLv2Parameters{ondulaxisParameterRecords, paramCount,
                                                         ondulaxisHQOwnRecords, 2};
