#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>

#include "EffectTestSupport.h"

namespace {

class MailboxTest : public ::testing::Test {
protected:
    void SetUp() override {
        FakeHost::connect(true, false, true, false);
        runEmptyBlock(effect);
    }
    std::string display(int32_t index) {
        char text[16];
        effect.getParameterDisplay(index, text);
        return text;
    }
    Coefficients coefficients() { return OndulaxisTestAccess::coefficients(effect); }

    Ondulaxis effect{&FakeHost::callback};
};

TEST_F(MailboxTest, PendingValueAppliedOnlyAtNextBlockButReadBackAtOnce) {
    effect.setParameter(FuncMix, 0.25f);
    EXPECT_EQ(effect.getParameter(FuncMix), 0.25f);
    EXPECT_EQ(display(FuncMix), "25.000");
    EXPECT_EQ(coefficients().funcMix, 0.5f);
    runEmptyBlock(effect);
    EXPECT_EQ(effect.getParameter(FuncMix), 0.25f);
    EXPECT_EQ(display(FuncMix), "25.000");
    EXPECT_EQ(coefficients().funcMix, 0.25f);
}

TEST_F(MailboxTest, LastWriteBeforeBlockWins) {
    effect.setParameter(InGain, 0.1f);
    effect.setParameter(InGain, 0.9f);
    runEmptyBlock(effect);
    EXPECT_EQ(effect.getParameter(InGain), 0.9f);
    EXPECT_FLOAT_EQ(coefficients().inGain, static_cast<float>(std::pow(2.0, 7.2)));
}

TEST_F(MailboxTest, NanValueIsNoChange) {
    effect.setParameter(OutGain, std::numeric_limits<float>::quiet_NaN());
    effect.setParameter(AmpMin, -std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(effect.getParameter(OutGain), 1.0f);
    runEmptyBlock(effect);
    EXPECT_EQ(effect.getParameter(OutGain), 1.0f);
    EXPECT_EQ(effect.getParameter(AmpMin), 0.0f);
    EXPECT_EQ(coefficients().outGain, 1.0f);
    EXPECT_EQ(coefficients().ampRange, 1.0f);
}

TEST_F(MailboxTest, InfinityIsApplied) {
    effect.setParameter(InGain, std::numeric_limits<float>::infinity());
    runEmptyBlock(effect);
    EXPECT_EQ(effect.getParameter(InGain), std::numeric_limits<float>::infinity());
    EXPECT_EQ(coefficients().inGain, std::numeric_limits<float>::infinity());
}

TEST_F(MailboxTest, HandOverEmptiesTheMailbox) {
    effect.setParameter(FuncMix, 0.75f);
    effect.setBypass(true);
    AudioBlock block(4);
    effect.processReplacing(block.inputs(), block.outputs(), -5);
    const ControlState shared = OndulaxisTestAccess::shared(effect);
    EXPECT_FALSE(shared.resetRequest || shared.clearRequest || shared.rerouteRequest);
    // The empty marker is exactly the positive quiet NaN.
    for (float pending : shared.pendingValues) {
        EXPECT_EQ(bitsOf(pending), 0x7FC00000u);
    }
    EXPECT_EQ(shared.paramValues[FuncMix], 0.75f);
    EXPECT_EQ(OndulaxisTestAccess::kernelEntry(effect), 1);
}

// A host that reads while a block is between taking a value and publishing
// it must already see the value it set.
TEST(MailboxHandOverTest, TakenValueReadsBackBeforeTheBlockPublishesIt) {
    Ondulaxis effect(&FakeHost::callback);
    runEmptyBlock(effect);
    effect.setParameter(FuncMix, 0.25f);
    OndulaxisTestAccess::handOver(effect);
    EXPECT_TRUE(std::isnan(OndulaxisTestAccess::shared(effect).pendingValues[FuncMix]));
    EXPECT_EQ(effect.getParameter(FuncMix), 0.25f);
}

TEST(MailboxFirstBlockTest, FirstBlockResetsThenAppliesEveryPendingValue) {
    Ondulaxis effect(&FakeHost::callback);
    const float values[] = {0.0f, 0.5f, 0.0f, 0.0f, 0.25f, 1.0f, 0.5f, 0.5f};
    for (int32_t index = 0; index < 8; ++index) {
        effect.setParameter(index, values[index]);
    }
    runEmptyBlock(effect);
    const Coefficients c = OndulaxisTestAccess::coefficients(effect);
    EXPECT_FALSE(c.zeroCrossMode);
    EXPECT_EQ(c.inGain, 16.0f);
    EXPECT_EQ(c.slewLimit, 0.001953125f);
    EXPECT_EQ(c.funcMix, 0.0f);
    EXPECT_EQ(c.ampMin, 0.25f);
    EXPECT_EQ(c.ampRange, 0.75f);
    EXPECT_FLOAT_EQ(c.freqMin, static_cast<float>(256 * 3.14159265358979));
    EXPECT_EQ(c.freqDif, 0.0f);
    EXPECT_EQ(c.freqDifLog, 1.0f);
    EXPECT_EQ(c.outGain, 1.0f / 16);
    for (int32_t index = 0; index < 8; ++index) {
        EXPECT_EQ(effect.getParameter(index), values[index]) << index;
    }
    EXPECT_EQ(OndulaxisTestAccess::slewState(effect)[0], 0.0f);
}

TEST(MailboxInactiveTest, InactiveEffectKeepsPendingValuesUntilItIsOnAgain) {
    Ondulaxis effect(&FakeHost::callback);
    AudioBlock signal(8, 0.5f);
    effect.processReplacing(signal.inputs(), signal.outputs(), signal.frames());
    ASSERT_EQ(OndulaxisTestAccess::slewState(effect)[0], 0.5f);

    FakeHost::connect(false, false, false, false);
    EXPECT_THROW(effect.resume(), std::runtime_error);
    effect.setParameter(FuncMix, 0.25f);
    AudioBlock block(8, 0.5f, 3.0f);
    effect.processReplacing(block.inputs(), block.outputs(), block.frames());
    effect.process(block.inputs(), block.outputs(), block.frames());

    // Off: nothing applied, nothing processed, tracked values kept; the value
    // set reads back, so a host that saves the project now keeps it.
    EXPECT_EQ(effect.getParameter(FuncMix), 0.25f);
    EXPECT_EQ(OndulaxisTestAccess::coefficients(effect).funcMix, 0.5f);
    EXPECT_EQ(OndulaxisTestAccess::slewState(effect)[0], 0.5f);
    EXPECT_EQ(OndulaxisTestAccess::kernelEntry(effect), 4);
    EXPECT_EQ(block.out[0], std::vector<float>(8, 3.0f));

    FakeHost::connect(true, true, true, true);
    effect.resume();
    runEmptyBlock(effect);
    EXPECT_EQ(effect.getParameter(FuncMix), 0.25f);
    EXPECT_EQ(OndulaxisTestAccess::coefficients(effect).funcMix, 0.25f);
    EXPECT_EQ(OndulaxisTestAccess::slewState(effect)[0], 0.0f);
}

}  // namespace
