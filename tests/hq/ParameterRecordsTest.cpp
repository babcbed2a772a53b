// The one table of parameter records that every format reads: texts as users
// type them, and display values that carry a normalised value exactly.
#include <bit>
#include <cmath>
#include <cstdint>
#include <string>

#include <gtest/gtest.h>

#include "HQParameters.h"

namespace {

const ParameterRecord& recordNamed(const std::string& name) {
    for (int32_t index = 0; index < ondulaxisHQParameters.count(); ++index) {
        if (name == ondulaxisHQParameters.find(index)->name) return *ondulaxisHQParameters.find(index);
    }
    throw std::invalid_argument(name);
}

std::string shown(const ParameterRecord& record, float normalised) {
    char text[maxParameterText + 1] = {};
    record.format(normalised, text);
    return text;
}

struct Typed {
    const char* name;
    const char* text;
    const char* display;  // empty: refused
};

class TypedTextTest : public testing::TestWithParam<Typed> {};

TEST_P(TypedTextTest, ReadsAsTheDisplayShowsIt) {
    const auto& [name, text, display] = GetParam();
    const ParameterRecord& record = recordNamed(name);
    float value = -1.0f;
    const bool taken = parameterValues::normalisedFromText(record, text, value);
    if (*display == '\0') {
        EXPECT_FALSE(taken) << text << " gave " << value;
    } else {
        ASSERT_TRUE(taken) << text;
        EXPECT_EQ(shown(record, value), display) << text;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, TypedTextTest,
    testing::Values(Typed{"InGain", "12dB", "12.00"}, Typed{"InGain", " 12.004 db ", "12.00"},
                    Typed{"InGain", "48.16 dB", "48.16"}, Typed{"InGain", "48.2dB", ""},
                    Typed{"InGain", "12%", ""}, Typed{"InGain", "loud", ""}, Typed{"InGain", "", ""},
                    Typed{"InGain", "nan", ""}, Typed{"InGain", "1e999", ""},
                    Typed{"SlewLim", "Off", "Off"}, Typed{"SlewLim", "off %", "Off"}, Typed{"SlewLim", "99.90 %", "99.90"},
                    Typed{"SlewLim", "0.2%", "0.20"}, Typed{"SlewLim", "0.1%", ""},
                    Typed{"FuncMix", "37%", "37.000"}, Typed{"FuncMix", "+37.000 %", "37.000"},
                    Typed{"FuncMix", "on", ""}, Typed{"ZeroX", "yes", "Yes"}, Typed{"ZeroX", "OFF", "No"},
                    Typed{"ZeroX", "0", "No"}, Typed{"FreqMin", "4.44 cycle", "4.44"},
                    Typed{"FreqDif", "-0.00 cycles", "-0.00"}, Typed{"FreqDif", "-127cycles", "-127.00"},
                    Typed{"OutGain", "-6dB", "-6.00"}, Typed{"OutGain", "1dB", ""},
                    Typed{"Oversample", "8x", "8x"}, Typed{"Oversample", "16X", "16x"},
                    Typed{"Oversample", "8", "8x"}, Typed{"Oversample", "3x", ""},
                    Typed{"DryWet", "37%", "37.000"}, Typed{"DryWet", "101%", ""}),
    [](const testing::TestParamInfo<Typed>& info) { return std::to_string(info.index); });

// A CLAP value is the curve's double: every normalised value on a fine grid,
// and the floats next to the ends, come back exactly. (Within about 1e-6 of
// the low end, the double of a curve that does not start at 0 is too coarse.)
TEST(DisplayValues, CarryEveryNormalisedValueBack) {
    for (int32_t index = 0; index < ondulaxisHQParameters.count(); ++index) {
        const ParameterRecord& record = *ondulaxisHQParameters.find(index);
        if (record.steps > 0) continue;
        SCOPED_TRACE(record.name);
        for (int step = 0; step <= 100000; ++step) {
            const float v = static_cast<float>(step) / 100000.0f;
            ASSERT_EQ(parameterValues::toNormalised(record, parameterValues::displayOf(record, v)), v) << v;
        }
        for (const float v : {1e-6f, std::nextafter(1.0f, 0.0f), record.defaultValue}) {
            EXPECT_EQ(parameterValues::toNormalised(record, parameterValues::displayOf(record, v)), v) << v;
        }
    }
}

TEST(DisplayValues, SteppedParametersTakeTheirSteps) {
    const ParameterRecord& oversample = recordNamed("Oversample");
    // Fifths of the range select the factor; the steps are the quarters.
    const std::pair<float, int32_t> steps[] = {{0.0f, 0}, {0.2f, 1}, {0.38f, 1}, {0.5f, 2}, {0.79f, 3}, {1.0f, 4}};
    for (const auto& [value, step] : steps) EXPECT_EQ(parameterValues::stepOf(oversample, value), step) << value;
    const ParameterRecord& zeroX = recordNamed("ZeroX");
    EXPECT_EQ(parameterValues::stepOf(zeroX, 0.5f), 0);
    EXPECT_EQ(parameterValues::stepOf(zeroX, 0.5000001f), 1);
    EXPECT_EQ(parameterValues::stepOf(recordNamed("InGain"), 0.7f), 0);
}

// What hosts are told of each record, as the floats' bits: the normalised
// default, and in display units the default (derived from it unless stated
// off the curve) and the range's ends.
struct RecordFacts {
    const char* name;
    float defaultValue;
    float displayDefault;
    float displayMinimum;
    float displayMaximum;
};

void PrintTo(const RecordFacts& row, std::ostream* os) { *os << row.name; }

class RecordFactsTest : public testing::TestWithParam<RecordFacts> {};

TEST_P(RecordFactsTest, DefaultsAndRangesAsHostsReadThem) {
    const RecordFacts& facts = GetParam();
    const ParameterRecord& record = recordNamed(facts.name);
    const auto bits = [](float value) { return std::bit_cast<uint32_t>(value); };
    EXPECT_EQ(bits(record.defaultValue), bits(facts.defaultValue));
    EXPECT_EQ(bits(static_cast<float>(parameterValues::displayDefault(record))), bits(facts.displayDefault));
    EXPECT_EQ(bits(record.displayMinimum), bits(facts.displayMinimum));
    EXPECT_EQ(bits(record.displayMaximum), bits(facts.displayMaximum));
    // A default is stated apart only where the curve misses it.
    if (!std::isnan(record.displayDefaultOffCurve)) {
        EXPECT_NE(static_cast<float>(record.toDisplay(record.defaultValue)), record.displayDefaultOffCurve);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Records, RecordFactsTest,
    testing::Values(RecordFacts{"ZeroX", 1.0f, 1.0f, 0.0f, 1.0f},
                    RecordFacts{"InGain", 0.0f, 0.0f, 0.0f, 48.1648f},
                    RecordFacts{"SlewLim", 1.0f, 100.0f, 0.1953125f, 100.0f},
                    RecordFacts{"FuncMix", 0.5f, 50.0f, 0.0f, 100.0f}, RecordFacts{"AmpMin", 0.0f, 0.0f, 0.0f, 100.0f},
                    RecordFacts{"FreqMin", 0.2222222f, 2.0f, 0.5f, 256.0f},
                    RecordFacts{"FreqDif", 0.5f, 0.0f, -127.0f, 127.0f},
                    RecordFacts{"OutGain", 1.0f, 0.0f, -48.1648f, 0.0f},
                    RecordFacts{"Oversample", 0.5f, 4.0f, 1.0f, 16.0f},
                    RecordFacts{"DryWet", 1.0f, 100.0f, 0.0f, 100.0f}, RecordFacts{"Render", 0.0f, 0.0f, 0.0f, 2.0f}),
    [](const testing::TestParamInfo<RecordFacts>& info) { return std::string(info.param.name); });

TEST(ParameterTableTest, VariantExtendsTheEffectsRecords) {
    EXPECT_EQ(ondulaxisParameters.count(), 8);
    EXPECT_EQ(ondulaxisHQParameters.count(), 11);
    EXPECT_EQ(ondulaxisHQParameters.find(3), ondulaxisParameters.find(3));
    EXPECT_EQ(ondulaxisParameters.find(8), nullptr);
    EXPECT_EQ(ondulaxisHQParameters.find(11), nullptr);
    EXPECT_EQ(ondulaxisHQParameters.find(-1), nullptr);
}

}  // namespace
