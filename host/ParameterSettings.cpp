#include "ParameterSettings.h"

#include "HostError.h"

#include <charconv>
#include <cstdio>
#include <cmath>
#include <limits>
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
    // Parsed as a double so that a value too small or too large for a float
    // is told apart from text that is no number at all.
    double value = 0.0;
    const auto [end, error] = std::from_chars(valueText.data(), valueText.data() + valueText.size(), value);
    const bool parsed = !valueText.empty() && end == valueText.data() + valueText.size() &&
                        (error == std::errc() || error == std::errc::result_out_of_range);
    if (!parsed || std::isnan(value)) {
        throw HostError("value of " + name + " is not a number: '" + std::string(valueText) + "'");
    }
    const bool representable = error == std::errc() && std::isfinite(value) &&
                               (value == 0.0 || std::fabs(value) >= std::numeric_limits<float>::min());
    if (!representable || value < 0.0 || value > 1.0) {
        throw HostError("value of " + name + " is out of range: " + std::string(valueText) +
                        "; it must lie between 0 and 1 (non-zero values from 1.2e-38)");
    }
    return {name, static_cast<float>(value)};
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
