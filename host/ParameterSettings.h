// Parameter values given by name on the command line.
#pragma once

#include "PluginInstance.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ondulaxis::host {

struct ParameterSetting {
    std::string name;
    float value = 0.0f;  // normalised, 0 to 1
    // When not empty: the value is the one whose display reads this text
    // ("8x"), found by asking the plug-in.
    std::string display = {};
};

struct ParameterAssignment {
    int32_t index;
    float value;
};

// Parses "NAME=VALUE". Throws HostError when the text has no '=', an empty
// name, a value that is not a number, or one outside 0 to 1.
ParameterSetting parseParameterSetting(std::string_view text);

// Finds each name among the plug-in's parameter names, ignoring case, and
// the value of each setting given by its display text. Throws HostError for
// an unknown name, listing the names there are, or a text no value of the
// parameter displays, listing what a stepped one shows.
std::vector<ParameterAssignment> resolveParameterSettings(PluginInstance& instance,
                                                          const std::vector<ParameterSetting>& settings);

// "ZeroX=0 FuncMix=0.25" style summary.
std::string describeSettings(const std::vector<ParameterSetting>& settings, bool bypass);

}  // namespace ondulaxis::host
