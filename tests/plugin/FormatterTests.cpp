// The five number-to-text formatters of AudioEffect, with their documented
// examples and the out-of-range cases.
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "PluginTestSupport.h"

namespace {

// Formats into a buffer whose bytes past the 8 characters and terminator are
// a sentinel, so a test also proves the formatter stayed within 9 bytes.
struct Buffer {
    char bytes[32];
    Buffer() { std::memset(bytes, '#', sizeof bytes); }
    std::string text() const { return std::string(bytes); }
    bool tailUntouched() const {
        for (size_t i = 9; i < sizeof bytes; ++i) {
            if (bytes[i] != '#') return false;
        }
        return true;
    }
};

template <typename Value>
struct FormatCase {
    Value value;
    const char* expected;
};

template <typename Value>
std::ostream& operator<<(std::ostream& out, const FormatCase<Value>& c) {
    return out << c.value << " -> \"" << c.expected << "\"";
}

// ---- long2string ----

class Long2String : public ::testing::TestWithParam<FormatCase<int32_t>> {};

TEST_P(Long2String, WritesExpectedText) {
    BareEffect effect(nullptr);
    Buffer buffer;
    effect.long2string(GetParam().value, buffer.bytes);
    EXPECT_EQ(buffer.text(), GetParam().expected);
    EXPECT_TRUE(buffer.tailUntouched());
}

INSTANTIATE_TEST_SUITE_P(
    DocumentedExamples, Long2String,
    ::testing::Values(FormatCase<int32_t>{5, "      5"}, FormatCase<int32_t>{0, "      0"},
                      FormatCase<int32_t>{-5, "     -5"},
                      FormatCase<int32_t>{1234567, "1234567"},
                      FormatCase<int32_t>{12345678, "12345678"},
                      FormatCase<int32_t>{99999999, "99999999"},
                      FormatCase<int32_t>{100000000, "Huge!"},
                      FormatCase<int32_t>{std::numeric_limits<int32_t>::max(), "Huge!"},
                      FormatCase<int32_t>{-9999999, "-9999999"}));

// Below -9999999 the eight-character cut would show another number.
INSTANTIATE_TEST_SUITE_P(
    MendedBelowRange, Long2String,
    ::testing::Values(FormatCase<int32_t>{-10000000, "Huge!"},
                      FormatCase<int32_t>{-12345678, "Huge!"},
                      FormatCase<int32_t>{std::numeric_limits<int32_t>::min(), "Huge!"}));

// ---- float2string ----

class Float2String : public ::testing::TestWithParam<FormatCase<float>> {};

TEST_P(Float2String, WritesExpectedText) {
    BareEffect effect(nullptr);
    Buffer buffer;
    effect.float2string(GetParam().value, buffer.bytes);
    EXPECT_EQ(buffer.text(), GetParam().expected);
    EXPECT_TRUE(buffer.tailUntouched());
}

INSTANTIATE_TEST_SUITE_P(
    DocumentedExamples, Float2String,
    ::testing::Values(FormatCase<float>{0.5f, "0.500000"},
                      FormatCase<float>{1234.5678f, "1234.567"},
                      FormatCase<float>{-3.25f, "-3.25000"},
                      FormatCase<float>{1234567.0f, "1234567."},
                      FormatCase<float>{9999999.0f, "9999999."},
                      FormatCase<float>{0.0f, "0.000000"},
                      FormatCase<float>{25.0f, "25.00000"},
                      FormatCase<float>{-10000000.0f, "Huge!"},
                      FormatCase<float>{-999999.0f, "-999999."}));

// Past seven digits (six behind a minus sign) the text would drop the
// leading digit and show another number; values that are not finite give the
// same harmless text.
INSTANTIATE_TEST_SUITE_P(
    MendedOutOfRange, Float2String,
    ::testing::Values(FormatCase<float>{12345678.0f, "Huge!"},
                      FormatCase<float>{10000000.0f, "Huge!"},
                      FormatCase<float>{-9999999.0f, "Huge!"},
                      FormatCase<float>{-1000000.0f, "Huge!"},
                      FormatCase<float>{1.0e20f, "Huge!"},
                      FormatCase<float>{std::numeric_limits<float>::infinity(), "Huge!"},
                      FormatCase<float>{-std::numeric_limits<float>::infinity(), "Huge!"},
                      FormatCase<float>{std::numeric_limits<float>::quiet_NaN(), "Huge!"}));

// ---- dB2string, Hz2string, ms2string ----

struct ConverterCase {
    const char* name;
    float value;
    const char* expected;
};

std::ostream& operator<<(std::ostream& out, const ConverterCase& c) {
    return out << c.name << "(" << c.value << ") -> \"" << c.expected << "\"";
}

class Converters : public ::testing::TestWithParam<ConverterCase> {};

TEST_P(Converters, WriteExpectedText) {
    BareEffect effect(nullptr);  // sample rate 44100
    Buffer buffer;
    const ConverterCase& c = GetParam();
    const std::string name = c.name;
    if (name == "dB") {
        effect.dB2string(c.value, buffer.bytes);
    } else if (name == "Hz") {
        effect.Hz2string(c.value, buffer.bytes);
    } else {
        effect.ms2string(c.value, buffer.bytes);
    }
    EXPECT_EQ(buffer.text(), c.expected);
    EXPECT_TRUE(buffer.tailUntouched());
}

INSTANTIATE_TEST_SUITE_P(
    Examples, Converters,
    ::testing::Values(ConverterCase{"dB", 0.0f, "-oo"}, ConverterCase{"dB", -1.0f, "-oo"},
                      ConverterCase{"dB", 1.0f, "0.000000"},
                      ConverterCase{"dB", 10.0f, "20.00000"},
                      ConverterCase{"dB", 0.1f, "-20.0000"},
                      ConverterCase{"dB", std::numeric_limits<float>::quiet_NaN(), "-oo"},
                      ConverterCase{"Hz", 0.0f, "0.000000"},
                      ConverterCase{"Hz", 100.0f, "441.0000"},
                      ConverterCase{"ms", 441.0f, "10.00000"},
                      ConverterCase{"ms", 44100.0f, "1000.000"},
                      ConverterCase{"ms", 0.0f, "0.000000"}));

// The converters reach getSampleRate and float2string as virtual operations.
class OverridingFormatter : public BareEffect {
public:
    OverridingFormatter() : BareEffect(nullptr) {}
    float getSampleRate() override { return 1000.0f; }
};

class MarkingFormatter : public BareEffect {
public:
    MarkingFormatter() : BareEffect(nullptr) {}
    void float2string(float /*value*/, char* text) override { std::strcpy(text, "marked"); }
};

TEST(ConverterOverrides, UseOverriddenSampleRate) {
    OverridingFormatter effect;
    Buffer buffer;
    effect.Hz2string(4.0f, buffer.bytes);
    EXPECT_EQ(buffer.text(), "250.0000");
    effect.ms2string(3.0f, buffer.bytes);
    EXPECT_EQ(buffer.text(), "3.000000");
}

TEST(ConverterOverrides, UseOverriddenFloat2string) {
    MarkingFormatter effect;
    Buffer buffer;
    effect.dB2string(1.0f, buffer.bytes);
    EXPECT_EQ(buffer.text(), "marked");
    effect.Hz2string(0.0f, buffer.bytes);
    EXPECT_EQ(buffer.text(), "marked");
    effect.ms2string(10.0f, buffer.bytes);
    EXPECT_EQ(buffer.text(), "marked");
    effect.dB2string(0.0f, buffer.bytes);
    EXPECT_EQ(buffer.text(), "-oo");
}

}  // namespace
