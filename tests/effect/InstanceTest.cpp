#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "EffectTestSupport.h"

namespace {

class InstanceTest : public ::testing::Test {
protected:
    Ondulaxis effect{&FakeHost::callback};
};

TEST_F(InstanceTest, ConstructionPublishesIdentityAndDefaults) {
    AEffect* record = effect.getRecord();
    EXPECT_TRUE(effect.isActive());
    EXPECT_EQ(record->numInputs, 2);
    EXPECT_EQ(record->numOutputs, 2);
    EXPECT_EQ(record->numPrograms, 1);
    EXPECT_EQ(record->numParams, 8);
    EXPECT_EQ(record->uniqueID, 0x4f646c78);
    EXPECT_EQ(record->flags, effFlagsCanReplacing);
    EXPECT_EQ(record->version, 1);
    const float defaults[] = {1.0f, 0.0f, 1.0f, 0.5f, 0.0f, 0.2222222f, 0.5f, 1.0f};
    for (int32_t index = 0; index < 8; ++index) {
        EXPECT_EQ(effect.getParameter(index), defaults[index]) << index;
    }
}

TEST_F(InstanceTest, IdentityStrings) {
    char text[64];
    EXPECT_TRUE(effect.getEffectName(text));
    EXPECT_STREQ(text, "Ondulaxis");
    EXPECT_TRUE(effect.getProductString(text));
    EXPECT_STREQ(text, "Ondulaxis - Sinusoidal distortion unit");
    EXPECT_TRUE(effect.getVendorString(text));
    EXPECT_STREQ(text, "Brakkenholtmark");
    EXPECT_EQ(effect.getVendorVersion(), 502);
    EXPECT_EQ(effect.getPlugCategory(), kPlugCategEffect);
}

TEST_F(InstanceTest, NullTextPointersWriteNothing) {
    EXPECT_EQ(effect.canDo(nullptr), 0);
    EXPECT_FALSE(effect.getProgramNameIndexed(0, 0, nullptr));
    effect.setProgramName(nullptr);
    effect.getProgramName(nullptr);
    effect.getParameterDisplay(0, nullptr);
    effect.getParameterName(0, nullptr);
    effect.getParameterLabel(0, nullptr);
    char name[32];
    effect.getProgramName(name);
    EXPECT_STREQ(name, "Default");
}

TEST_F(InstanceTest, SingleProgramStaysNumberZero) {
    effect.setProgram(0);
    EXPECT_EQ(effect.getProgram(), 0);
    effect.setProgram(5);
    EXPECT_EQ(effect.getProgram(), 0);
}

TEST_F(InstanceTest, ProgramNameRoundTrips) {
    char name[32];
    effect.getProgramName(name);
    EXPECT_STREQ(name, "Default");
    char renamed[] = "Crunchy lead";
    effect.setProgramName(renamed);
    effect.getProgramName(name);
    EXPECT_STREQ(name, "Crunchy lead");
    std::memset(name, 0, sizeof name);
    EXPECT_TRUE(effect.getProgramNameIndexed(-1, 0, name));
    EXPECT_STREQ(name, "Crunchy lead");
}

TEST_F(InstanceTest, LongProgramNameKeepsFirst31Characters) {
    std::string longName(40, 'a');
    longName.replace(30, 10, "0123456789");
    effect.setProgramName(longName.data());
    char name[64];
    std::memset(name, 'x', sizeof name);
    effect.getProgramName(name);
    EXPECT_EQ(std::string(name), longName.substr(0, 31));
}

TEST_F(InstanceTest, ProgramNameIndexedOnlyForProgramZero) {
    char name[32];
    EXPECT_TRUE(effect.getProgramNameIndexed(0, 0, name));
    EXPECT_STREQ(name, "Default");
    const int32_t rejected[][2] = {{1, 0}, {0, 1}, {-2, 0}};
    for (const auto& [category, index] : rejected) {
        std::strcpy(name, "untouched");
        EXPECT_FALSE(effect.getProgramNameIndexed(category, index, name));
        EXPECT_STREQ(name, "untouched");
    }
}

TEST_F(InstanceTest, SetBypassAcceptsEitherValueEveryTime) {
    EXPECT_TRUE(effect.setBypass(true));
    EXPECT_TRUE(effect.setBypass(true));
    EXPECT_TRUE(OndulaxisTestAccess::shared(effect).rerouteRequest);
    EXPECT_TRUE(OndulaxisTestAccess::shared(effect).bypass);
    EXPECT_TRUE(effect.setBypass(false));
    EXPECT_FALSE(OndulaxisTestAccess::shared(effect).bypass);
}

struct CanDoCase {
    const char* text;
    int32_t answer;
};

// Readable test names: the capability string itself.
void PrintTo(const CanDoCase& row, std::ostream* os) { *os << '"' << row.text << '"'; }

class CanDoTest : public ::testing::TestWithParam<CanDoCase> {};

TEST_P(CanDoTest, AnswersExactMatchesOnly) {
    Ondulaxis effect(&FakeHost::callback);
    std::string text = GetParam().text;
    EXPECT_EQ(effect.canDo(text.data()), GetParam().answer) << '"' << text << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Capabilities, CanDoTest,
    ::testing::Values(CanDoCase{"sendVstEvents", -1}, CanDoCase{"sendVstMidiEvent", -1},
                      CanDoCase{"sendVstTimeInfo", -1}, CanDoCase{"receiveVstEvents", -1},
                      CanDoCase{"receiveVstMidiEvent", -1}, CanDoCase{"receiveVstTimeInfo", -1},
                      CanDoCase{"offline", -1}, CanDoCase{"noRealTime", -1},
                      CanDoCase{"1in1out", 1}, CanDoCase{"2in2out", 1}, CanDoCase{"1in2out", -1},
                      CanDoCase{"2in1out", -1}, CanDoCase{"2in4out", -1},
                      CanDoCase{"4in2out", -1}, CanDoCase{"4in4out", -1},
                      CanDoCase{"4in8out", -1}, CanDoCase{"8in4out", -1},
                      CanDoCase{"8in8out", -1}, CanDoCase{"bypass", 1},
                      // Near misses: case, trailing blank, prefix, empty, extension.
                      CanDoCase{"Bypass", 0}, CanDoCase{"bypass ", 0}, CanDoCase{"2in2", 0},
                      CanDoCase{"", 0}, CanDoCase{"bypassing", 0},
                      CanDoCase{"receiveVstMidiEvents", 0}));

}  // namespace
