#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "EffectTestSupport.h"

namespace {

constexpr double pi = 3.14159265358979323846;

using CoefficientOf = float (*)(const Coefficients&);

struct DisplayCase {
    int32_t index;
    float value;
    const char* display;
    CoefficientOf coefficient;
    float expected;
};

void PrintTo(const DisplayCase& row, std::ostream* os) {
    *os << "parameter " << row.index << " at " << row.value;
}

float zeroCross(const Coefficients& c) { return c.zeroCrossMode ? 1.0f : 0.0f; }
float inGain(const Coefficients& c) { return c.inGain; }
float slewLimit(const Coefficients& c) { return c.slewLimit; }
float funcMix(const Coefficients& c) { return c.funcMix; }
float ampMin(const Coefficients& c) { return c.ampMin; }
float ampRange(const Coefficients& c) { return c.ampRange; }
float freqMin(const Coefficients& c) { return c.freqMin; }
float freqDif(const Coefficients& c) { return c.freqDif; }
float freqDifLog(const Coefficients& c) { return c.freqDifLog; }
float outGain(const Coefficients& c) { return c.outGain; }

std::string display(Ondulaxis& effect, int32_t index) {
    char text[64];
    std::memset(text, 'x', sizeof text);
    effect.getParameterDisplay(index, text);
    return text;
}

class ParameterDisplayTest : public ::testing::TestWithParam<DisplayCase> {};

TEST_P(ParameterDisplayTest, DisplayAndCoefficientAgree) {
    const DisplayCase& row = GetParam();
    Ondulaxis effect(&FakeHost::callback);
    effect.setParameter(row.index, row.value);
    runEmptyBlock(effect);
    EXPECT_EQ(display(effect, row.index), row.display);
    EXPECT_FLOAT_EQ(row.coefficient(OndulaxisTestAccess::coefficients(effect)), row.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ParameterDisplayTest,
    ::testing::Values(
        DisplayCase{ZeroX, 1.0f, "Yes", zeroCross, 1.0f},
        DisplayCase{ZeroX, 0.5f, "No", zeroCross, 0.0f},
        DisplayCase{ZeroX, 0.5000001f, "Yes", zeroCross, 1.0f},
        DisplayCase{InGain, 0.0f, "0.00", inGain, 1.0f},
        DisplayCase{InGain, 0.5f, "24.08", inGain, 16.0f},
        DisplayCase{InGain, 1.0f, "48.16", inGain, 256.0f},
        DisplayCase{SlewLim, 0.0f, "0.20", slewLimit, 0.001953125f},
        DisplayCase{SlewLim, 0.5f, "4.42", slewLimit, static_cast<float>(std::pow(2.0, -4.5))},
        DisplayCase{SlewLim, 0.9998f, "99.88", slewLimit,
                    static_cast<float>(std::pow(2.0, 9 * (static_cast<double>(0.9998f) - 1)))},
        DisplayCase{SlewLim, 0.99984f, "Off", slewLimit, 1000000.0f},
        DisplayCase{SlewLim, 1.0f, "Off", slewLimit, 1000000.0f},
        DisplayCase{FuncMix, 0.5f, "50.000", funcMix, 0.5f},
        DisplayCase{FuncMix, 0.25f, "25.000", funcMix, 0.25f},
        DisplayCase{AmpMin, 0.25f, "25.000", ampMin, 0.25f},
        DisplayCase{AmpMin, 0.25f, "25.000", ampRange, 0.75f},
        DisplayCase{AmpMin, 0.0f, "0.000", ampRange, 1.0f},
        DisplayCase{FreqMin, 0.0f, "0.50", freqMin, static_cast<float>(pi / 2)},
        DisplayCase{FreqMin, 0.2222222f, "2.00", freqMin, static_cast<float>(2 * pi)},
        DisplayCase{FreqMin, 1.0f, "256.00", freqMin, static_cast<float>(256 * pi)},
        DisplayCase{FreqDif, 0.0f, "-127.00", freqDif, static_cast<float>(-127 * pi)},
        DisplayCase{FreqDif, 0.0f, "-127.00", freqDifLog, static_cast<float>(std::log2(129.0))},
        DisplayCase{FreqDif, 0.25f, "-10.31", freqDif, static_cast<float>(-(std::pow(2.0, 3.5) - 1) * pi)},
        DisplayCase{FreqDif, 0.5f, "0.00", freqDif, 0.0f},
        DisplayCase{FreqDif, 0.5f, "0.00", freqDifLog, 1.0f},
        DisplayCase{FreqDif, 0.75f, "10.31", freqDifLog, static_cast<float>(std::log2(std::pow(2.0, 3.5) + 1))},
        DisplayCase{FreqDif, 1.0f, "127.00", freqDifLog, static_cast<float>(std::log2(129.0))},
        DisplayCase{OutGain, 0.0f, "-48.16", outGain, 1.0f / 256},
        DisplayCase{OutGain, 0.5f, "-24.08", outGain, 1.0f / 16},
        DisplayCase{OutGain, 1.0f, "0.00", outGain, 1.0f}));

TEST(ParameterTest, DefaultDisplaysAndLabels) {
    Ondulaxis effect(&FakeHost::callback);
    const char* displays[] = {"Yes", "0.00", "Off", "50.000", "0.000", "2.00", "0.00", "0.00"};
    const char* names[] = {"ZeroX",  "InGain",  "SlewLim", "FuncMix",
                           "AmpMin", "FreqMin", "FreqDif", "OutGain"};
    const char* labels[] = {"", "dB", "%", "%", "%", "cycles", "cycles", "dB"};
    char text[16];
    for (int32_t index = 0; index < 8; ++index) {
        EXPECT_EQ(display(effect, index), displays[index]) << index;
        effect.getParameterName(index, text);
        EXPECT_STREQ(text, names[index]);
        effect.getParameterLabel(index, text);
        EXPECT_STREQ(text, labels[index]);
    }
}

TEST(ParameterTest, BadIndexIsHarmless) {
    Ondulaxis effect(&FakeHost::callback);
    for (int32_t index : {-1, 8, 1000}) {
        effect.setParameter(index, 0.3f);
        EXPECT_EQ(effect.getParameter(index), 0.0f);
        for (auto query : {&Ondulaxis::getParameterName, &Ondulaxis::getParameterLabel,
                           &Ondulaxis::getParameterDisplay}) {
            char text[8] = "garbage";
            (effect.*query)(index, text);
            EXPECT_STREQ(text, "");
        }
    }
    runEmptyBlock(effect);
    EXPECT_EQ(effect.getParameter(FuncMix), 0.5f);
}

TEST(ParameterTest, OutOfRangeDisplayIsCutToSevenCharacters) {
    Ondulaxis effect(&FakeHost::callback);
    effect.setParameter(FuncMix, 10.0f);
    effect.setParameter(AmpMin, -1e20f);
    runEmptyBlock(effect);
    char text[16];
    std::memset(text, 'x', sizeof text);
    effect.getParameterDisplay(FuncMix, text);
    EXPECT_STREQ(text, "1000.00");
    EXPECT_EQ(text[8], 'x');
    effect.getParameterDisplay(AmpMin, text);
    EXPECT_EQ(std::strlen(text), 7u);
    EXPECT_EQ(text[0], '-');
}

TEST(ParameterTest, DisplaysIgnoreDecimalCommaLocale) {
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    // The same German locale under glibc's name and the Windows runtime's.
    bool german = false;
    for (const char* name : {"de_DE.UTF-8", "German_Germany.1252"}) {
        german = german || std::setlocale(LC_ALL, name) != nullptr;
    }
    if (!german) {
        GTEST_SKIP() << "no German locale installed";
    }
    Ondulaxis effect(&FakeHost::callback);
    effect.setParameter(InGain, 0.5f);
    runEmptyBlock(effect);
    const std::string inGainText = display(effect, InGain);
    const std::string funcMixText = display(effect, FuncMix);
    std::setlocale(LC_ALL, previous.c_str());
    EXPECT_EQ(inGainText, "24.08");
    EXPECT_EQ(funcMixText, "50.000");
}

}  // namespace
