// Port values in display units against the effect's own displays: the
// inverted curves must land where the display shows the port value, and the
// defaults and range ends exactly on the parameter table's values.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ostream>
#include <string>

#include <gtest/gtest.h>

#include "HQParameters.h"
#include "ParameterCurves.h"

namespace {

const ParameterRecord& recordOf(int32_t index) { return ondulaxisParameterRecords[index]; }

struct PortRange {
    float minimum;
    float maximum;
    float defaultValue;
};

PortRange rangeOf(int32_t index) {
    const ParameterRecord& record = recordOf(index);
    return {record.displayMinimum, record.displayMaximum, static_cast<float>(parameterValues::displayDefault(record))};
}

float toNormalised(int32_t index, float port) { return parameterValues::toNormalised(recordOf(index), port); }
float fromNormalised(int32_t index, float normalised) {
    return parameterValues::fromNormalised(recordOf(index), normalised);
}

std::string display(int32_t index, float normalised) {
    char text[maxParameterText + 1] = {};
    recordOf(index).format(normalised, text);
    return text;
}

TEST(PortValues, DefaultsAndRangeEndsMapExactly) {
    for (int32_t index = 0; index < paramCount; ++index) {
        SCOPED_TRACE(recordOf(index).name);
        const auto range = rangeOf(index);
        EXPECT_EQ(toNormalised(index, range.defaultValue), recordOf(index).defaultValue);
        EXPECT_EQ(toNormalised(index, range.minimum), 0.0f);
        EXPECT_EQ(toNormalised(index, range.maximum), 1.0f);
        // Beyond the ends, clamped; NaN is harmless.
        EXPECT_EQ(toNormalised(index, range.minimum - 1000.0f), 0.0f);
        EXPECT_EQ(toNormalised(index, range.maximum + 1000.0f), 1.0f);
        EXPECT_EQ(toNormalised(index, INFINITY), 1.0f);
        EXPECT_EQ(toNormalised(index, NAN), 0.0f);
    }
}

// Presets are written in port values: a port value given for a normalised
// value must bring it back exactly (where port floats are coarser, as for
// InGain above about 12 dB, some normalised values have none: NaN, and the
// build stops). The ends and the defaults always have one.
TEST(PortValues, PortValuesForPresetsMapBackExactly) {
    for (int32_t index = 0; index < paramCount; ++index) {
        for (int step = 0; step <= 1000; ++step) {
            const float normalised = static_cast<float>(step) / 1000.0f;
            const float port = fromNormalised(index, normalised);
            const bool required = step == 0 || step == 1000;
            if (required || !std::isnan(port)) {
                ASSERT_EQ(toNormalised(index, port), normalised) << recordOf(index).name << " " << normalised;
            }
        }
        const float defaultPort = fromNormalised(index, recordOf(index).defaultValue);
        EXPECT_EQ(toNormalised(index, defaultPort), recordOf(index).defaultValue);
    }
    EXPECT_TRUE(std::isnan(fromNormalised(ZeroX, 0.3f)));
    EXPECT_TRUE(std::isnan(fromNormalised(InGain, -0.1f)));
}

// The SlewLim comment in the Turtle: 99.9 still limits, the next float up
// does not.
TEST(PortValues, SlewLimiterIsOffJustAbove99Point9) {
    const auto limits = [](float percent) {
        return parameterCurves::slewStep(toNormalised(SlewLim, percent)) < parameterCurves::slewOffThreshold;
    };
    EXPECT_TRUE(limits(99.9f));
    EXPECT_FALSE(limits(std::nextafter(99.9f, 100.0f)));
}

// What a normalised value stands for, in the port's units, before the
// display rounds it.
double displayed(int32_t index, float v) {
    switch (index) {
        case InGain: return 20.0 * std::log10(static_cast<double>(parameterCurves::inGain(v)));
        case SlewLim: return 100.0 * static_cast<double>(parameterCurves::slewStep(v));
        case FreqMin: return parameterCurves::freqMinCycles(v);
        case FreqDif: return parameterCurves::freqDifCycles(v);
        case OutGain: return 20.0 * std::log10(static_cast<double>(parameterCurves::outGain(v)));
        default: return 100.0 * static_cast<double>(v);
    }
}

// Sweeps each numeric port across its range: the display of the normalised
// value must read back as the port value to the display's last digit, and
// the value before rounding must be the port value to about a float's
// precision (the float normalised value is the coarser step).
struct Sweep {
    int32_t index;
    int decimals;
    double relativeLimit;  // of the round trip, against max(|port value|, 1)
};

void PrintTo(const Sweep& sweep, std::ostream* out) { *out << recordOf(sweep.index).name; }

class PortValueSweep : public testing::TestWithParam<Sweep> {};

TEST_P(PortValueSweep, DisplayReadsBackThePortValue) {
    const auto [index, decimals, relativeLimit] = GetParam();
    const auto range = rangeOf(index);
    const double halfDigit = 0.5 * std::pow(10.0, -decimals);
    constexpr int steps = 20000;
    double worst = 0.0;
    double worstRoundTrip = 0.0;
    for (int step = 0; step <= steps; ++step) {
        // Geometric spacing for the ranges that start above zero, so that the
        // small values of the exponential curves get their share.
        const double position = static_cast<double>(step) / steps;
        const double value = range.minimum > 0.0f
                                 ? range.minimum * std::pow(range.maximum / range.minimum, position)
                                 : range.minimum + (range.maximum - range.minimum) * position;
        const float portValue = static_cast<float>(value);
        const float normalised = toNormalised(index, portValue);
        const std::string text = display(index, normalised);
        if (text == "Off") {
            EXPECT_GE(portValue, 99.9f) << "SlewLim shows Off only where the limiter is off";
            continue;
        }
        const double roundTrip = std::fabs(displayed(index, normalised) - portValue) /
                                 std::max(1.0, std::fabs(static_cast<double>(portValue)));
        worstRoundTrip = std::max(worstRoundTrip, roundTrip);
        ASSERT_LE(roundTrip, relativeLimit) << recordOf(index).name << " = " << portValue;
        const double shown = std::strtod(text.c_str(), nullptr);
        // A value on a rounding boundary may land on either side of it.
        const double error = std::fabs(shown - portValue);
        worst = std::max(worst, error);
        ASSERT_LE(error, halfDigit * (1.0 + 1e-4) + 1e-5 * std::fabs(portValue))
            << recordOf(index).name << " = " << portValue << " shows " << text;
    }
    RecordProperty("worst_display_error", std::to_string(worst));
    char roundTrip[32];
    std::snprintf(roundTrip, sizeof roundTrip, "%.3g", worstRoundTrip);
    RecordProperty("worst_relative_round_trip", roundTrip);
}

INSTANTIATE_TEST_SUITE_P(Ports, PortValueSweep,
                         testing::Values(Sweep{InGain, 2, 2e-6}, Sweep{SlewLim, 2, 1e-6},
                                         Sweep{FuncMix, 3, 1e-6}, Sweep{AmpMin, 3, 1e-6},
                                         Sweep{FreqMin, 2, 1e-6}, Sweep{FreqDif, 2, 1e-6},
                                         Sweep{OutGain, 2, 2.5e-6}),
                         [](const testing::TestParamInfo<Sweep>& info) {
                             return std::string(recordOf(info.param.index).name);
                         });

}  // namespace
