#include "DisplayUnits.h"

#include "HostError.h"

#include <charconv>

namespace ondulaxis::tool {

namespace {

// Where the '=' of NAME=VALUE is; throws when there is none or no name.
std::size_t equalsOf(std::string_view text) {
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos) throw SettingError("--set needs NAME=VALUE, got '" + std::string(text) + "'");
    if (equals == 0) throw SettingError("--set needs a parameter name before '=' in '" + std::string(text) + "'");
    return equals;
}

// A value is a bare number when from_chars takes all of it.
bool isBareNumber(std::string_view value) {
    double number = 0.0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
    return !value.empty() && end == value.data() + value.size() &&
           (error == std::errc() || error == std::errc::result_out_of_range);
}

}  // namespace

TypedSetting parseTypedSetting(std::string_view text) {
    const std::size_t equals = equalsOf(text);
    if (isBareNumber(text.substr(equals + 1))) return {parseParameterSetting(text), ""};
    return parsePluginSetting(text);
}

TypedSetting parsePluginSetting(std::string_view text) {
    const std::size_t equals = equalsOf(text);
    if (equals + 1 == text.size()) throw SettingError("--set needs a value after '=' in '" + std::string(text) + "'");
    const std::string value(text.substr(equals + 1));
    return {{std::string(text.substr(0, equals)), 0.0f, value}, value};
}

}  // namespace ondulaxis::tool
