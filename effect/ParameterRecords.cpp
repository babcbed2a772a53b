#include "ParameterRecords.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "ParameterCurves.h"

namespace parameterText {

void writeFixed(double value, int precision, char* text) noexcept {
    // Large enough for any double in fixed notation with three decimals.
    char digits[400];
    const auto result =
        std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, precision);
    const auto length = (result.ec == std::errc())
                            ? std::min<std::ptrdiff_t>(result.ptr - digits, maxParameterText)
                            : 0;
    std::memcpy(text, digits, static_cast<size_t>(length));
    text[length] = '\0';
}

void formatPercent(float v, char* text) noexcept {
    writeFixed(100.0 * static_cast<double>(v), 3, text);
}

double percentDisplay(double v) noexcept { return 100.0 * v; }
float percentValue(double percent) noexcept { return static_cast<float>(percent / 100.0); }

}  // namespace parameterText

namespace {

using parameterText::writeFixed;
using parameterCurves::freqDifOctaves;
using parameterCurves::freqMinOctaves;
using parameterCurves::gainOctaves;
using parameterCurves::powerOfTwo;
using parameterCurves::slewOctaves;

void writeText(const char* constant, char* text) noexcept { std::strcpy(text, constant); }

double decibels(float factor) noexcept { return 20.0 * std::log10(static_cast<double>(factor)); }

// 20 log10(2^gainOctaves): the span of both gains in dB. The ranges' ends are
// the float of this; values at or beyond an end are that end.
constexpr double gainSpanDb = 48.16479930623699;
constexpr float gainSpanDisplay = static_cast<float>(gainSpanDb);

// Each parameter's display text, curve in display units and inverse. The
// inverses run in double and round once; the texts round like printf.

void formatZeroX(float v, char* text) noexcept { writeText(v > 0.5f ? "Yes" : "No", text); }
double zeroXDisplay(double v) noexcept { return v > 0.5 ? 1.0 : 0.0; }
float zeroXValue(double on) noexcept { return on > 0.5 ? 1.0f : 0.0f; }

void formatInGain(float v, char* text) noexcept {
    writeFixed(decibels(parameterCurves::inGain(v)), 2, text);
}
double inGainDisplay(double v) noexcept { return v * gainSpanDb; }
float inGainValue(double db) noexcept { return static_cast<float>(db / gainSpanDb); }

// Percent of full scale the slewed input may move per sample.
void formatSlewLim(float v, char* text) noexcept {
    const float step = parameterCurves::slewStep(v);
    if (parameterCurves::slewOffThreshold > step) {
        writeFixed(100.0 * static_cast<double>(step), 2, text);
    } else {
        writeText("Off", text);
    }
}
double slewLimDisplay(double v) noexcept { return 100.0 * std::exp2(slewOctaves * (v - 1.0)); }
float slewLimValue(double percent) noexcept {
    return static_cast<float>(1.0 + std::log2(percent / 100.0) / slewOctaves);
}
constexpr float slewLimSmallest = static_cast<float>(100.0 * powerOfTwo(-slewOctaves));

void formatFreqMin(float v, char* text) noexcept {
    writeFixed(parameterCurves::freqMinCycles(v), 2, text);
}
double freqMinDisplay(double v) noexcept { return std::exp2(freqMinOctaves * v - 1.0); }
float freqMinValue(double cycles) noexcept {
    return static_cast<float>((std::log2(cycles) + 1.0) / freqMinOctaves);
}
constexpr float freqMinLowest = static_cast<float>(powerOfTwo(-1));
constexpr float freqMinHighest = static_cast<float>(powerOfTwo(freqMinOctaves - 1));

// FreqDif's magnitude is 2^(freqDifOctaves |v - 1/2|) - 1 cycles, its sign
// that of v - 1/2.
void formatFreqDif(float v, char* text) noexcept {
    writeFixed(parameterCurves::freqDifCycles(v), 2, text);
}
double freqDifDisplay(double v) noexcept {
    return std::copysign(std::exp2(freqDifOctaves * std::fabs(v - 0.5)) - 1.0, v - 0.5);
}
float freqDifValue(double cycles) noexcept {
    return static_cast<float>(0.5 + std::copysign(std::log2(1.0 + std::fabs(cycles)) / freqDifOctaves, cycles));
}
constexpr float freqDifLargest = static_cast<float>(powerOfTwo(freqDifOctaves / 2) - 1.0);

void formatOutGain(float v, char* text) noexcept {
    writeFixed(decibels(parameterCurves::outGain(v)), 2, text);
}
double outGainDisplay(double v) noexcept { return (v - 1.0) * gainSpanDb; }
float outGainValue(double db) noexcept { return static_cast<float>(1.0 + db / gainSpanDb); }

using parameterText::formatPercent;
using parameterText::percentDisplay;
using parameterText::percentValue;

}  // namespace

// Every curve rises, so a range's minimum is 0 and its maximum 1. FreqMin's
// default is 0.2222222, two floats below 2/9: its curve gives a hair less
// than 2 cycles there and shows "2.00", and hosts are told 2.
const ParameterRecord ondulaxisParameterRecords[paramCount] = {
    {.name = "ZeroX", .steps = 1, .defaultValue = 1.0f, .displayMinimum = 0.0f, .displayMaximum = 1.0f,
     .format = formatZeroX, .toDisplay = zeroXDisplay, .fromDisplay = zeroXValue},
    {.name = "InGain", .label = "dB", .defaultValue = 0.0f, .displayMinimum = 0.0f,
     .displayMaximum = gainSpanDisplay, .format = formatInGain, .toDisplay = inGainDisplay,
     .fromDisplay = inGainValue},
    {.name = "SlewLim", .label = "%", .defaultValue = 1.0f, .displayMinimum = slewLimSmallest,
     .displayMaximum = 100.0f, .format = formatSlewLim, .toDisplay = slewLimDisplay, .fromDisplay = slewLimValue},
    {.name = "FuncMix", .label = "%", .defaultValue = 0.5f, .displayMinimum = 0.0f, .displayMaximum = 100.0f,
     .format = formatPercent, .toDisplay = percentDisplay, .fromDisplay = percentValue},
    {.name = "AmpMin", .label = "%", .defaultValue = 0.0f, .displayMinimum = 0.0f, .displayMaximum = 100.0f,
     .format = formatPercent, .toDisplay = percentDisplay, .fromDisplay = percentValue},
    {.name = "FreqMin", .label = "cycles", .defaultValue = 0.2222222f, .displayMinimum = freqMinLowest,
     .displayMaximum = freqMinHighest, .displayDefaultOffCurve = 2.0f, .format = formatFreqMin,
     .toDisplay = freqMinDisplay, .fromDisplay = freqMinValue},
    {.name = "FreqDif", .label = "cycles", .defaultValue = 0.5f, .displayMinimum = -freqDifLargest,
     .displayMaximum = freqDifLargest, .format = formatFreqDif, .toDisplay = freqDifDisplay,
     .fromDisplay = freqDifValue},
    {.name = "OutGain", .label = "dB", .defaultValue = 1.0f, .displayMinimum = -gainSpanDisplay,
     .displayMaximum = 0.0f, .format = formatOutGain, .toDisplay = outGainDisplay, .fromDisplay = outGainValue},
};

namespace parameterValues {

float toNormalised(const ParameterRecord& record, double display) noexcept {
    if (std::isnan(display)) {
        return 0.0f;
    }
    if (display <= static_cast<double>(record.displayMinimum)) {
        return 0.0f;
    }
    if (display >= static_cast<double>(record.displayMaximum)) {
        return 1.0f;
    }
    // A default stated off the curve maps to the record's default whatever
    // the curve says (FreqMin's 2 cycles would give 2/9). On the curve, the
    // inverse gives it anyway.
    if (display == static_cast<double>(record.displayDefaultOffCurve)) {
        return record.defaultValue;
    }
    return record.fromDisplay(display);
}

float fromNormalised(const ParameterRecord& record, float normalised) noexcept {
    if (!(normalised >= 0.0f && normalised <= 1.0f)) {
        return std::numeric_limits<float>::quiet_NaN();
    }
    if (normalised == 0.0f) return record.displayMinimum;
    if (normalised == 1.0f) return record.displayMaximum;
    if (normalised == record.defaultValue && !std::isnan(record.displayDefaultOffCurve)) {
        return record.displayDefaultOffCurve;
    }
    // The float of the curve, then its neighbours outwards, nearest first.
    const float estimate = static_cast<float>(record.toDisplay(static_cast<double>(normalised)));
    float below = estimate;
    float above = estimate;
    for (int step = 0; step < 64; ++step) {
        if (toNormalised(record, above) == normalised) return above;
        if (toNormalised(record, below) == normalised) return below;
        above = std::nextafter(above, INFINITY);
        below = std::nextafter(below, -INFINITY);
    }
    return std::numeric_limits<float>::quiet_NaN();
}

double displayOf(const ParameterRecord& record, float normalised) noexcept {
    if (std::isnan(normalised)) {
        return displayDefault(record);
    }
    const double clamped = std::clamp(static_cast<double>(normalised), 0.0, 1.0);
    if (clamped == 0.0) return static_cast<double>(record.displayMinimum);
    if (clamped == 1.0) return static_cast<double>(record.displayMaximum);
    if (normalised == record.defaultValue && !std::isnan(record.displayDefaultOffCurve)) {
        return static_cast<double>(record.displayDefaultOffCurve);
    }
    return record.toDisplay(clamped);
}

double displayDefault(const ParameterRecord& record) noexcept { return displayOf(record, record.defaultValue); }

int32_t stepOf(const ParameterRecord& record, float normalised) noexcept {
    if (record.steps <= 0) {
        return 0;
    }
    const float step = toNormalised(record, displayOf(record, normalised));
    return static_cast<int32_t>(std::lround(static_cast<double>(step) * record.steps));
}

namespace {

bool isSpace(char c) noexcept { return c == ' ' || c == '\t'; }

std::string_view trimmed(std::string_view text) noexcept {
    while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
    return text;
}

char lower(char c) noexcept { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Equal ignoring case and spaces: "99.90 %" reads as "99.90%".
bool sameText(std::string_view a, std::string_view b) noexcept {
    std::size_t i = 0;
    std::size_t j = 0;
    for (;;) {
        while (i < a.size() && isSpace(a[i])) ++i;
        while (j < b.size() && isSpace(b[j])) ++j;
        if (i == a.size() || j == b.size()) return i == a.size() && j == b.size();
        if (lower(a[i++]) != lower(b[j++])) return false;
    }
}

// The display text, alone or followed by the label.
bool showsText(const ParameterRecord& record, float normalised, std::string_view text) noexcept {
    char shown[maxParameterText + 1 + 32];
    record.format(normalised, shown);
    if (sameText(shown, text)) return true;
    const std::size_t length = std::strlen(shown);
    const std::size_t labelLength = std::strlen(record.label);
    if (labelLength == 0 || length + labelLength >= sizeof shown) return false;
    std::memcpy(shown + length, record.label, labelLength + 1);
    return sameText(shown, text);
}

// Switches also read as on and off.
bool switchWord(const ParameterRecord& record, std::string_view text, float& normalised) noexcept {
    if (record.steps != 1) return false;
    if (sameText(text, "on")) {
        normalised = 1.0f;
        return true;
    }
    if (sameText(text, "off")) {
        normalised = 0.0f;
        return true;
    }
    return false;
}

// Digits after the decimal point in the display text, for how far outside the
// range a typed value may lie and still show as an end.
int displayDecimals(const ParameterRecord& record) noexcept {
    char shown[maxParameterText + 1];
    record.format(0.0f, shown);
    const char* point = std::strchr(shown, '.');
    return point == nullptr ? 0 : static_cast<int>(std::strlen(point + 1));
}

bool showsNumber(const ParameterRecord& record, float normalised) noexcept {
    char shown[maxParameterText + 1];
    record.format(normalised, shown);
    return (shown[0] >= '0' && shown[0] <= '9') || shown[0] == '-';
}

bool showsSign(const ParameterRecord& record, float normalised) noexcept {
    char shown[maxParameterText + 1];
    record.format(normalised, shown);
    return shown[0] == '-';
}

}  // namespace

bool normalisedFromText(const ParameterRecord& record, std::string_view text, float& normalised) noexcept {
    text = trimmed(text);
    if (text.empty()) return false;
    // Texts the display shows at the ends and at every step ("Off", "Yes", "8x").
    const int32_t steps = record.steps > 0 ? record.steps : 1;
    for (int32_t k = 0; k <= steps; ++k) {
        const float value = static_cast<float>(k) / static_cast<float>(steps);
        if (showsText(record, value, text)) {
            normalised = value;
            return true;
        }
    }
    if (switchWord(record, text, normalised)) return true;
    // A number in display units, then nothing or the label.
    std::string_view digits = text;
    if (digits.front() == '+') digits.remove_prefix(1);
    double number = 0.0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (end == digits.data() || error != std::errc() || !std::isfinite(number)) return false;
    const std::string_view unit =
        trimmed(std::string_view(end, static_cast<std::size_t>(digits.data() + digits.size() - end)));
    const std::string_view label(record.label);
    const bool singular = label.size() > 1 && label.back() == 's' && sameText(unit, label.substr(0, label.size() - 1));
    if (!unit.empty() && !sameText(unit, label) && !singular) return false;
    // Values that display as the ends of the range are in it.
    const double slack = 0.5 * std::pow(10.0, -displayDecimals(record));
    if (number < static_cast<double>(record.displayMinimum) - slack ||
        number > static_cast<double>(record.displayMaximum) + slack) {
        return false;
    }
    normalised = toNormalised(record, number);
    // A number shows as a number: SlewLim's 99.90 % is the largest step
    // below "Off", which begins within the same display.
    for (int step = 0; step < 64 && record.steps == 0 && !showsNumber(record, normalised); ++step) {
        normalised = std::nextafter(normalised, 0.0f);
    }
    // "-0.00" is what a value a hair below the centre shows.
    for (int step = 0; step < 64 && std::signbit(number) && record.steps == 0 && !showsSign(record, normalised);
         ++step) {
        normalised = std::nextafter(normalised, 0.0f);
    }
    if (record.steps > 0) {
        normalised = static_cast<float>(stepOf(record, normalised)) / static_cast<float>(record.steps);
    }
    return true;
}

}  // namespace parameterValues
