#include "PortValues.h"

#include <cmath>
#include <limits>

#include "ParameterTables.h"

namespace portValues {
namespace {

// 20 log10(256): the span of both gains in dB. The ports' ends are the float
// of this; values at or beyond an end are that end.
constexpr double gainSpanDb = 48.16479930623699;
constexpr float gainSpanPort = 48.1648f;
// The smallest slew step, 2^-9 of full scale, in percent.
constexpr float slewMinimumPercent = 0.1953125f;
constexpr float cyclesMinimum = 0.5f;
constexpr float cyclesMaximum = 256.0f;
constexpr float freqDifLimit = 127.0f;

float rounded(double normalised) noexcept { return static_cast<float>(normalised); }

// Each curve's inverse, for a value strictly inside the port's range.
float zeroX(double on) noexcept { return on > 0.5 ? 1.0f : 0.0f; }
float inGain(double db) noexcept { return rounded(db / gainSpanDb); }
float slewLim(double percent) noexcept { return rounded(1.0 + std::log2(percent / 100.0) / 9.0); }
float percent(double value) noexcept { return rounded(value / 100.0); }
float freqMin(double cycles) noexcept { return rounded((std::log2(cycles) + 1.0) / 9.0); }
// FreqDif's magnitude is 2^(14|v - 1/2|) - 1 cycles, its sign that of v - 1/2.
float freqDif(double cycles) noexcept {
    return rounded(0.5 + std::copysign(std::log2(1.0 + std::fabs(cycles)) / 14.0, cycles));
}
float outGain(double db) noexcept { return rounded(1.0 + db / gainSpanDb); }

// Each curve forward, in double, as the displays show it before rounding.
double zeroXPort(double v) noexcept { return v; }
double inGainPort(double v) noexcept { return v * gainSpanDb; }
double slewLimPort(double v) noexcept { return 100.0 * std::exp2(9.0 * (v - 1.0)); }
double percentPort(double v) noexcept { return 100.0 * v; }
double freqMinPort(double v) noexcept { return std::exp2(9.0 * v - 1.0); }
double freqDifPort(double v) noexcept {
    return std::copysign(std::exp2(14.0 * std::fabs(v - 0.5)) - 1.0, v - 0.5);
}
double outGainPort(double v) noexcept { return (v - 1.0) * gainSpanDb; }

using Inverse = float (*)(double) noexcept;
using Forward = double (*)(double) noexcept;

constexpr Forward forwards[paramCount] = {
    zeroXPort, inGainPort, slewLimPort, percentPort, percentPort, freqMinPort, freqDifPort, outGainPort,
};

// Every curve rises, so a port's minimum is 0 and its maximum 1.
constexpr Inverse inverses[paramCount] = {
    zeroX, inGain, slewLim, percent, percent, freqMin, freqDif, outGain,
};

}  // namespace

const PortRange portRanges[paramCount] = {
    {0.0f, 1.0f, 1.0f},                       // ZeroX, a toggle
    {0.0f, gainSpanPort, 0.0f},               // InGain, dB
    {slewMinimumPercent, 100.0f, 100.0f},     // SlewLim, %; 100 is off
    {0.0f, 100.0f, 50.0f},                    // FuncMix, %
    {0.0f, 100.0f, 0.0f},                     // AmpMin, %
    {cyclesMinimum, cyclesMaximum, 2.0f},     // FreqMin, cycles
    {-freqDifLimit, freqDifLimit, 0.0f},      // FreqDif, cycles
    {-gainSpanPort, 0.0f, 0.0f},              // OutGain, dB
};

float toNormalised(int32_t index, float portValue) noexcept {
    if (!isParameterIndex(index) || std::isnan(portValue)) {
        return 0.0f;
    }
    const PortRange& range = portRanges[index];
    if (portValue <= range.minimum) {
        return 0.0f;
    }
    if (portValue >= range.maximum) {
        return 1.0f;
    }
    // FreqMin's default is 0.2222222, two floats below 2/9, which its curve
    // would give for 2 cycles; a default maps to the table's value whatever
    // the curve says.
    if (portValue == range.defaultValue) {
        return paramDefaults[index];
    }
    return inverses[index](static_cast<double>(portValue));
}

float fromNormalised(int32_t index, float normalised) noexcept {
    if (!isParameterIndex(index) || !(normalised >= 0.0f && normalised <= 1.0f)) {
        return std::numeric_limits<float>::quiet_NaN();
    }
    const PortRange& range = portRanges[index];
    if (normalised == 0.0f) return range.minimum;
    if (normalised == 1.0f) return range.maximum;
    if (normalised == paramDefaults[index]) return range.defaultValue;
    // The float of the curve, then its neighbours outwards, nearest first.
    const float estimate = static_cast<float>(forwards[index](static_cast<double>(normalised)));
    float below = estimate;
    float above = estimate;
    for (int step = 0; step < 64; ++step) {
        if (toNormalised(index, above) == normalised) return above;
        if (toNormalised(index, below) == normalised) return below;
        above = std::nextafter(above, INFINITY);
        below = std::nextafter(below, -INFINITY);
    }
    return std::numeric_limits<float>::quiet_NaN();
}

}  // namespace portValues
