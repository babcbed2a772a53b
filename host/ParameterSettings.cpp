#include "ParameterSettings.h"

#include "HostError.h"

#include <charconv>
#include <cstdio>
#include <cmath>
#include <strings.h>

namespace ondulaxis::host {

ParameterSetting parseParameterSetting(std::string_view text) {
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos) {
        throw HostError("--set needs NAME=VALUE, got '" + std::string(text) + "'");
    }
    const std::string name(text.substr(0, equals));
    const std::string_view valueText = text.substr(equals + 1);
    if (name.empty()) throw HostError("--set needs a parameter name before '=' in '" + std::string(text) + "'");
    float value = 0.0f;
    const auto [end, error] = std::from_chars(valueText.data(), valueText.data() + valueText.size(), value);
    if (valueText.empty() || error != std::errc() || end != valueText.data() + valueText.size() ||
        !std::isfinite(value)) {
        throw HostError("value of " + name + " is not a number: '" + std::string(valueText) + "'");
    }
    if (value < 0.0f || value > 1.0f) {
        throw HostError("value of " + name + " must lie between 0 and 1, got " + std::string(valueText));
    }
    return {name, value};
}

std::vector<ParameterAssignment> resolveParameterSettings(PluginInstance& instance,
                                                          const std::vector<ParameterSetting>& settings) {
    std::vector<std::string> names;
    for (int32_t index = 0; index < instance.record().numParams; ++index) {
        names.push_back(instance.parameterName(index));
    }
    std::vector<ParameterAssignment> assignments;
    for (const ParameterSetting& setting : settings) {
        int32_t found = -1;
        for (std::size_t index = 0; index < names.size() && found < 0; ++index) {
            if (strcasecmp(names[index].c_str(), setting.name.c_str()) == 0) found = static_cast<int32_t>(index);
        }
        if (found < 0) {
            std::string known;
            for (const std::string& name : names) known += (known.empty() ? "" : ", ") + name;
            throw HostError("unknown parameter '" + setting.name + "'; the parameters are: " + known);
        }
        assignments.push_back({found, setting.value});
    }
    return assignments;
}

std::string describeSettings(const std::vector<ParameterSetting>& settings, bool bypass) {
    std::string text;
    for (const ParameterSetting& setting : settings) {
        char value[32];
        std::snprintf(value, sizeof value, "%g", static_cast<double>(setting.value));
        text += (text.empty() ? "" : " ") + setting.name + "=" + value;
    }
    if (bypass) text += text.empty() ? "bypass" : " bypass";
    return text.empty() ? "defaults" : text;
}

}  // namespace ondulaxis::host
