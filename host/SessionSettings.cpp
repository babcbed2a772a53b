#include "SessionSettings.h"

#include "HostError.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <strings.h>

namespace ondulaxis::host {

ParameterSetting parseParameterSetting(std::string_view text) {
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos) {
        throw SettingError("a setting needs NAME=VALUE, got '" + std::string(text) + "'");
    }
    const std::string name(text.substr(0, equals));
    const std::string_view valueText = text.substr(equals + 1);
    if (name.empty()) throw SettingError("a setting needs a parameter name before '=' in '" + std::string(text) + "'");
    // Parsed as a double so that a value too small or too large for a float
    // is told apart from text that is no number at all.
    double value = 0.0;
    const auto [end, error] = std::from_chars(valueText.data(), valueText.data() + valueText.size(), value);
    const bool parsed = !valueText.empty() && end == valueText.data() + valueText.size() &&
                        (error == std::errc() || error == std::errc::result_out_of_range);
    if (!parsed || std::isnan(value)) {
        throw SettingError("value of " + name + " is not a number: '" + std::string(valueText) + "'");
    }
    const bool representable = error == std::errc() && std::isfinite(value) &&
                               (value == 0.0 || std::fabs(value) >= std::numeric_limits<float>::min());
    if (!representable || value < 0.0 || value > 1.0) {
        throw SettingError("value of " + name + " is out of range: " + std::string(valueText) +
                        "; it must lie between 0 and 1 (non-zero values from 1.2e-38)");
    }
    return {name, static_cast<float>(value)};
}

std::size_t parameterIndex(const std::vector<std::string>& names, const std::string& name) {
    for (std::size_t index = 0; index < names.size(); ++index) {
        if (strcasecmp(names[index].c_str(), name.c_str()) == 0) return index;
    }
    std::string known;
    for (const std::string& each : names) known += (known.empty() ? "" : ", ") + each;
    throw SettingError("unknown parameter '" + name + "'; the parameters are: " + known);
}

std::string describeSettings(const std::vector<ParameterSetting>& settings, bool bypass) {
    std::string text;
    for (const ParameterSetting& setting : settings) {
        char value[32];
        std::snprintf(value, sizeof value, "%g", static_cast<double>(setting.value));
        text += (text.empty() ? "" : " ") + setting.name + "=" + (setting.display.empty() ? value : setting.display);
    }
    if (bypass) text += text.empty() ? "bypass" : " bypass";
    return text.empty() ? "defaults" : text;
}

}  // namespace ondulaxis::host
