// Parameter values given by name, found among a record-interface plug-in's
// parameters and, for a value typed as its display shows it, asked of it.
#pragma once

#include "PluginInstance.h"
#include "SessionSettings.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ondulaxis::host {

struct ParameterAssignment {
    int32_t index;
    float value;
};

// Finds each name among the plug-in's parameter names, ignoring case, and
// the value of each setting given by its display text. Throws HostError for
// an unknown name, listing the names there are, or a text no value of the
// parameter displays, listing what a stepped one shows.
std::vector<ParameterAssignment> resolveParameterSettings(PluginInstance& instance,
                                                          const std::vector<ParameterSetting>& settings);

}  // namespace ondulaxis::host
