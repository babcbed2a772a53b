#include "DisplayUnits.h"

#include "HostError.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>
#include <strings.h>

namespace ondulaxis::host {

namespace {

// The effect's curves, from its documented parameter table: this command
// knows only the plug-in's interface, so they are restated here and checked
// against the plug-in's own displays by the tests.
constexpr double kGainDecibelsPerUnit = 8.0 * 6.020599913279624;  // 20·log10(2^8)
constexpr float kSlewOffStep = 0.999f;

enum class Unit { Decibels, Percent, Cycles, Switch };

struct DisplayCurve {
    const char* name;
    Unit unit;
    double lowest;    // display at the ends of the range
    double highest;
    int decimals;     // as the display prints it
    double (*normalised)(double display);
};

float slewStep(float normalised) {
    return static_cast<float>(std::exp2(9.0 * (static_cast<double>(normalised) - 1.0)));
}

double inGain(double decibels) { return decibels / kGainDecibelsPerUnit; }
double outGain(double decibels) { return 1.0 + decibels / kGainDecibelsPerUnit; }
double percent(double value) { return value / 100.0; }
double slewLimit(double percentStep) { return 1.0 + std::log2(percentStep / 100.0) / 9.0; }
double freqMin(double cycles) { return (std::log2(cycles) + 1.0) / 9.0; }
double freqDif(double cycles) {
    const double distance = std::log2(std::fabs(cycles) + 1.0) / 14.0;
    return cycles < 0.0 ? 0.5 - distance : 0.5 + distance;
}

// SlewLim's largest step below "Off" shows as 99.90 %.
const DisplayCurve kCurves[] = {
    {"ZeroX", Unit::Switch, 0.0, 1.0, 0, nullptr},
    {"InGain", Unit::Decibels, 0.0, 48.16, 2, inGain},
    {"SlewLim", Unit::Percent, 0.20, 99.90, 2, slewLimit},
    {"FuncMix", Unit::Percent, 0.0, 100.0, 3, percent},
    {"AmpMin", Unit::Percent, 0.0, 100.0, 3, percent},
    {"FreqMin", Unit::Cycles, 0.5, 256.0, 2, freqMin},
    {"FreqDif", Unit::Cycles, -127.0, 127.0, 2, freqDif},
    {"OutGain", Unit::Decibels, -48.16, 0.0, 2, outGain},
};

const DisplayCurve* findCurve(std::string_view name) {
    for (const DisplayCurve& curve : kCurves) {
        if (name.size() == std::strlen(curve.name) && strncasecmp(curve.name, name.data(), name.size()) == 0) {
            return &curve;
        }
    }
    return nullptr;
}

const char* unitName(Unit unit) {
    switch (unit) {
        case Unit::Decibels: return "dB";
        case Unit::Percent: return "%";
        case Unit::Cycles: return "cycles";
        case Unit::Switch: return "";
    }
    return "";
}

std::string rangeText(const DisplayCurve& curve) {
    if (curve.unit == Unit::Switch) return std::string(curve.name) + " is on or off";
    char text[128];
    std::snprintf(text, sizeof text, "%s runs from %.*f to %.*f %s%s", curve.name, curve.decimals, curve.lowest,
                  curve.decimals, curve.highest, unitName(curve.unit),
                  std::string_view(curve.name) == "SlewLim" ? ", or off" : "");
    return text;
}

bool equalsIgnoringCase(std::string_view text, const char* word) {
    return text.size() == std::strlen(word) && strncasecmp(text.data(), word, text.size()) == 0;
}

std::optional<Unit> unitOf(std::string_view text) {
    if (equalsIgnoringCase(text, "db")) return Unit::Decibels;
    if (text == "%") return Unit::Percent;
    if (equalsIgnoringCase(text, "cycles") || equalsIgnoringCase(text, "cycle")) return Unit::Cycles;
    return std::nullopt;
}

std::optional<bool> switchWord(std::string_view text) {
    if (equalsIgnoringCase(text, "on") || equalsIgnoringCase(text, "yes")) return true;
    if (equalsIgnoringCase(text, "off") || equalsIgnoringCase(text, "no")) return false;
    return std::nullopt;
}

// A value is a bare number when from_chars takes all of it.
bool isBareNumber(std::string_view value) {
    double number = 0.0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
    return !value.empty() && end == value.data() + value.size() &&
           (error == std::errc() || error == std::errc::result_out_of_range);
}

}  // namespace

float normalisedFromDisplay(std::string_view name, std::string_view value) {
    const std::string setting = std::string(name) + "=" + std::string(value);
    const DisplayCurve* curve = findCurve(name);
    if (curve == nullptr) {
        throw HostError(setting + ": display units are known only for ZeroX, InGain, SlewLim, FuncMix, AmpMin, "
                                  "FreqMin, FreqDif and OutGain; give a normalised value from 0 to 1");
    }
    if (const std::optional<bool> on = switchWord(value)) {
        if (curve->unit == Unit::Switch) return *on ? 1.0f : 0.0f;
        if (std::string_view(curve->name) == "SlewLim" && !*on) return 1.0f;
        throw HostError(setting + " is not a value of " + curve->name + ": " + rangeText(*curve));
    }
    // A number, optionally signed, then the unit, spaces allowed between.
    std::string_view digits = value;
    if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
    double number = 0.0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (end == digits.data() || std::isnan(number)) {
        throw HostError("value of " + std::string(name) + " is not a number: '" + std::string(value) + "'");
    }
    std::string_view unitText(end, static_cast<std::size_t>(digits.data() + digits.size() - end));
    while (!unitText.empty() && unitText.front() == ' ') unitText.remove_prefix(1);
    const std::optional<Unit> unit = unitOf(unitText);
    if (!unit) {
        throw HostError("value of " + std::string(name) + " is not a number: '" + std::string(value) + "'");
    }
    if (*unit != curve->unit) {
        throw HostError(setting + " has the wrong unit: " + rangeText(*curve) +
                        " (or give a normalised value from 0 to 1)");
    }
    // Values that display as the ends of the range are in it.
    const double slack = 0.5 * std::pow(10.0, -curve->decimals);
    if (error != std::errc() || !std::isfinite(number) || number < curve->lowest - slack ||
        number > curve->highest + slack) {
        throw HostError(setting + " is out of range: " + rangeText(*curve));
    }
    if (curve->unit == Unit::Percent && std::string_view(curve->name) == "SlewLim") {
        number = std::max(number, 100.0 * std::ldexp(1.0, -9));
    }
    float normalised = static_cast<float>(std::clamp(curve->normalised(number), 0.0, 1.0));
    // "-0.00" is what a value a hair below zero shows: one float step down.
    if (number == 0.0 && std::signbit(number) && curve->normalised(-1.0) < curve->normalised(0.0)) {
        normalised = std::nextafter(normalised, 0.0f);
    }
    if (std::string_view(curve->name) == "SlewLim") {
        // 99.90 % is also where "Off" begins: take the largest step below it.
        for (int step = 0; step < 64 && !(kSlewOffStep > slewStep(normalised)); ++step) {
            normalised = std::nextafter(normalised, 0.0f);
        }
    }
    return normalised;
}

TypedSetting parseTypedSetting(std::string_view text) {
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos || isBareNumber(text.substr(equals + 1)) || equals == 0) {
        return {parseParameterSetting(text), ""};
    }
    const std::string_view name = text.substr(0, equals);
    const std::string_view value = text.substr(equals + 1);
    if (findCurve(name) == nullptr && !value.empty()) {
        // Another plug-in's parameter: the plug-in itself says which value
        // shows this text, once it is loaded.
        return {{std::string(name), 0.0f, std::string(value)}, std::string(value)};
    }
    return {{std::string(name), normalisedFromDisplay(name, value)}, std::string(value)};
}

TypedSetting parsePluginSetting(std::string_view text) {
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos) throw HostError("--set needs NAME=VALUE, got '" + std::string(text) + "'");
    if (equals == 0) throw HostError("--set needs a parameter name before '=' in '" + std::string(text) + "'");
    if (equals + 1 == text.size()) throw HostError("--set needs a value after '=' in '" + std::string(text) + "'");
    const std::string value(text.substr(equals + 1));
    return {{std::string(text.substr(0, equals)), 0.0f, value}, value};
}

float slewLimitAtRate(float normalised, int factor, bool& clamped) {
    clamped = false;
    if (!(kSlewOffStep > slewStep(normalised)) || factor <= 1) return normalised;
    const double scaled = static_cast<double>(normalised) - std::log2(static_cast<double>(factor)) / 9.0;
    clamped = scaled < 0.0;
    return static_cast<float>(std::max(scaled, 0.0));
}

}  // namespace ondulaxis::host
