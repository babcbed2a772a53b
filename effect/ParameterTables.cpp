#include "ParameterTables.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

#include "ParameterCurves.h"

namespace {

// Fixed-point text of a value, cut to what the host's buffer takes.
// std::to_chars ignores the locale and rounds like printf's "%1.Nf".
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

void writeText(const char* constant, char* text) noexcept { std::strcpy(text, constant); }

double decibels(float factor) noexcept { return 20.0 * std::log10(static_cast<double>(factor)); }

void formatZeroX(float v, char* text) noexcept { writeText(v > 0.5f ? "Yes" : "No", text); }

void formatInGain(float v, char* text) noexcept {
    writeFixed(decibels(parameterCurves::inGain(v)), 2, text);
}

// Percent of full scale the slewed input may move per sample.
void formatSlewLim(float v, char* text) noexcept {
    const float step = parameterCurves::slewStep(v);
    if (parameterCurves::slewOffThreshold > step) {
        writeFixed(100.0 * static_cast<double>(step), 2, text);
    } else {
        writeText("Off", text);
    }
}

void formatPercent(float v, char* text) noexcept {
    writeFixed(100.0 * static_cast<double>(v), 3, text);
}

void formatFreqMin(float v, char* text) noexcept {
    writeFixed(parameterCurves::freqMinCycles(v), 2, text);
}

void formatFreqDif(float v, char* text) noexcept {
    writeFixed(parameterCurves::freqDifCycles(v), 2, text);
}

void formatOutGain(float v, char* text) noexcept {
    writeFixed(decibels(parameterCurves::outGain(v)), 2, text);
}

}  // namespace

const char* const paramNames[paramCount] = {
    "ZeroX", "InGain", "SlewLim", "FuncMix", "AmpMin", "FreqMin", "FreqDif", "OutGain",
};

const char* const paramLabels[paramCount] = {
    "", "dB", "%", "%", "%", "cycles", "cycles", "dB",
};

// FreqMin's default is the float nearest 2/9: two sine cycles.
const float paramDefaults[paramCount] = {
    1.0f, 0.0f, 1.0f, 0.5f, 0.0f, 0.2222222f, 0.5f, 1.0f,
};

const ParameterFormatter paramFormatters[paramCount] = {
    formatZeroX,   formatInGain,  formatSlewLim, formatPercent,
    formatPercent, formatFreqMin, formatFreqDif, formatOutGain,
};
