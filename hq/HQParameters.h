// Ondulaxis HQ's parameters: the effect's eight, then Oversample and DryWet.
#pragma once

#include "ParameterRecords.h"

extern const ParameterRecord ondulaxisHQOwnRecords[2];
inline constexpr ParameterTable ondulaxisHQParameters{ondulaxisParameterRecords, paramCount,
                                                      ondulaxisHQOwnRecords, 2};
