#include "ParameterResolution.h"

#include "HostError.h"

#include <cctype>
#include <charconv>
#include <cstdio>
#include <cmath>
#include <algorithm>
#include <limits>
#include <optional>
#include <strings.h>

namespace ondulaxis::host {

namespace {

std::string normalisedText(std::string text) {
    std::string kept;
    for (const char c : text) {
        if (c != ' ') kept += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return kept;
}

// A text read as a number and what follows it ("37.000%" is 37 and "%",
// with 3 decimals).
struct NumberText {
    double number = 0.0;
    int decimals = 0;
    std::string unit;
};

std::optional<NumberText> numberText(const std::string& text) {
    const std::string kept = normalisedText(text);
    const char* begin = kept.data();
    const char* end = kept.data() + kept.size();
    if (begin != end && *begin == '+') ++begin;
    NumberText result;
    const auto [stop, error] = std::from_chars(begin, end, result.number, std::chars_format::fixed);
    if (stop == begin || error != std::errc() || !std::isfinite(result.number)) return std::nullopt;
    const char* point = std::find(begin, stop, '.');
    result.decimals = point == stop ? 0 : static_cast<int>(stop - point - 1);
    result.unit.assign(stop, end);
    return result;
}

// Whether a display (with its label) shows what the user typed: the same
// text ignoring case and spaces, or the same number at the display's
// precision ("37%" for "37.000" "%"), with the same unit or none.
bool displayShows(const std::string& display, const std::string& label, const std::string& typed) {
    const std::string wanted = normalisedText(typed);
    if (normalisedText(display) == wanted || normalisedText(display + label) == wanted) return true;
    const std::optional<NumberText> shown = numberText(display + label);
    const std::optional<NumberText> given = numberText(typed);
    if (!shown || !given || (!given->unit.empty() && given->unit != shown->unit)) return false;
    const double halfStep = 0.5 * std::pow(10.0, -shown->decimals);
    return std::fabs(given->number - shown->number) <= halfStep * (1.0 + 1e-9);
}

// The value of a parameter whose display (with or without its label) reads
// `text`. The plug-in's own reading of the text comes first, when it has
// one (it knows its words and curves). Otherwise a stepped parameter shows
// few distinct texts: its canonical values are then i/(steps - 1), tried
// first; otherwise the middle of the range of values that show the text.
// The parameter is left as it was.
float valueWithDisplay(PluginInstance& instance, int32_t index, const std::string& name, const std::string& text) {
    constexpr int kProbes = 1000;
    const float original = instance.getParameter(index);
    const std::string label = instance.parameterLabel(index);
    const auto shows = [&](float value) {
        instance.setParameter(index, value);
        return displayShows(instance.parameterDisplay(index), label, text);
    };
    if (instance.setParameterFromText(index, text)) {
        const float value = instance.getParameter(index);
        instance.setParameter(index, original);
        if (value >= 0.0f && value <= 1.0f) return value;
    }
    std::vector<std::string> distinct;
    int first = -1;
    int last = -1;
    for (int probe = 0; probe <= kProbes; ++probe) {
        const float value = static_cast<float>(probe) / kProbes;
        if (shows(value)) {
            if (first < 0) first = probe;
            last = probe;
        }
        const std::string display = instance.parameterDisplay(index);
        if (distinct.empty() || distinct.back() != display) distinct.push_back(display);
    }
    float found = -1.0f;
    const std::size_t steps = distinct.size();
    if (steps >= 2 && steps <= 32) {
        for (std::size_t step = 0; step < steps && found < 0.0f; ++step) {
            const float value = static_cast<float>(step) / static_cast<float>(steps - 1);
            if (shows(value)) found = value;
        }
    }
    if (found < 0.0f && first >= 0) found = static_cast<float>(first + last) / (2.0f * kProbes);
    instance.setParameter(index, original);
    if (found >= 0.0f) return found;
    std::string message = name + "=" + text + ": no value of " + name + " shows " + text;
    const std::string unit = label.empty() ? "" : " " + label;
    if (steps <= 32) {
        std::string shown;
        for (const std::string& display : distinct) shown += (shown.empty() ? "" : ", ") + display;
        message += "; it shows " + shown;
    } else {
        message += "; it shows " + distinct.front() + unit + " to " + distinct.back() + unit;
    }
    throw SettingError(message + " (or give a normalised value from 0 to 1)");
}

}  // namespace

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
            throw SettingError("unknown parameter '" + setting.name + "'; the parameters are: " + known);
        }
        const float value =
            setting.display.empty() ? setting.value : valueWithDisplay(instance, found, setting.name, setting.display);
        assignments.push_back({found, value});
    }
    return assignments;
}

}  // namespace ondulaxis::host
