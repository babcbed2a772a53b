#include <gtest/gtest.h>

#include <array>
#include <stdexcept>
#include <string>

#include <utility>
#include <vector>

#include "EffectTestSupport.h"

namespace {

using Route = std::array<uint32_t, 4>;

struct Pins {
    bool in0, in1, out0, out1;
};

// Connected pins as four digits: input 0, input 1, output 0, output 1.
void PrintTo(const Pins& pins, std::ostream* os) {
    *os << "pins " << pins.in0 << pins.in1 << pins.out0 << pins.out1;
}

std::string resumeMessage(Ondulaxis& effect, Pins pins) {
    FakeHost::connect(pins.in0, pins.in1, pins.out0, pins.out1);
    try {
        effect.resume();
    } catch (const std::runtime_error& error) {
        return error.what();
    }
    return "";
}

struct RoutingCase {
    Pins pins;
    Route route;  // inA, inB, outA, outB
    int entry;
};

void PrintTo(const RoutingCase& row, std::ostream* os) { PrintTo(row.pins, os); }

class RoutingTest : public ::testing::TestWithParam<RoutingCase> {};

TEST_P(RoutingTest, ConnectionsChooseRouteAndKernel) {
    const RoutingCase& row = GetParam();
    Ondulaxis effect(&FakeHost::callback);
    ASSERT_EQ(resumeMessage(effect, row.pins), "");
    runEmptyBlock(effect);
    EXPECT_EQ(OndulaxisTestAccess::route(effect), row.route);
    EXPECT_EQ(OndulaxisTestAccess::kernelEntry(effect), row.entry);

    effect.setBypass(true);
    EXPECT_EQ(OndulaxisTestAccess::kernelEntry(effect), row.entry);
    runEmptyBlock(effect);
    EXPECT_EQ(OndulaxisTestAccess::kernelEntry(effect), row.entry + 1);
    effect.setBypass(false);
    runEmptyBlock(effect);
    EXPECT_EQ(OndulaxisTestAccess::kernelEntry(effect), row.entry);
    EXPECT_EQ(OndulaxisTestAccess::route(effect), row.route);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, RoutingTest,
    ::testing::Values(RoutingCase{{true, false, true, false}, {0, 0, 0, 0}, 0},
                      RoutingCase{{true, false, false, true}, {0, 0, 1, 1}, 0},
                      RoutingCase{{false, true, true, false}, {1, 1, 0, 0}, 0},
                      RoutingCase{{false, true, false, true}, {1, 1, 1, 1}, 0},
                      RoutingCase{{true, true, true, true}, {0, 1, 0, 1}, 2}));

TEST(RoutingDefaultTest, FirstBlockRoutesInputZeroToOutputZero) {
    Ondulaxis effect(&FakeHost::callback);
    EXPECT_EQ(OndulaxisTestAccess::route(effect), (Route{0, 0, 0, 0}));
    runEmptyBlock(effect);
    EXPECT_EQ(OndulaxisTestAccess::route(effect), (Route{0, 0, 0, 0}));
    EXPECT_EQ(OndulaxisTestAccess::kernelEntry(effect), 0);
}

constexpr const char* inequal = "Ondulaxis::resume - Input and output channel counts inequal.";
constexpr const char* noInputs = "Ondulaxis::resume - No inputs connected.";

struct ResumeCase {
    Pins pins;
    const char* message;  // empty: resume returns normally and the effect stays on
};

void PrintTo(const ResumeCase& row, std::ostream* os) { PrintTo(row.pins, os); }

class ResumeTest : public ::testing::TestWithParam<ResumeCase> {};

TEST_P(ResumeTest, CheckOutcome) {
    const ResumeCase& row = GetParam();
    Ondulaxis effect(&FakeHost::callback);
    EXPECT_EQ(resumeMessage(effect, row.pins), row.message);
    const ControlState shared = OndulaxisTestAccess::shared(effect);
    const bool passed = std::string(row.message).empty();
    EXPECT_EQ(shared.active, passed);
    EXPECT_EQ(effect.isActive(), passed);
    EXPECT_TRUE(shared.clearRequest && shared.rerouteRequest);
    EXPECT_EQ(shared.inConnected[0], row.pins.in0 ? 1u : 0u);
    EXPECT_EQ(shared.inConnected[1], row.pins.in1 ? 1u : 0u);
    EXPECT_EQ(shared.outConnected[0], row.pins.out0 ? 1u : 0u);
    EXPECT_EQ(shared.outConnected[1], row.pins.out1 ? 1u : 0u);
    runEmptyBlock(effect);
    EXPECT_EQ(OndulaxisTestAccess::kernelEntry(effect) == 4, !passed);
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, ResumeTest,
    ::testing::Values(ResumeCase{{false, false, false, false}, noInputs},
                      ResumeCase{{false, false, true, false}, inequal},
                      ResumeCase{{false, false, true, true}, inequal},
                      ResumeCase{{true, false, false, false}, inequal},
                      ResumeCase{{true, true, false, false}, inequal},
                      ResumeCase{{true, false, true, true}, inequal},
                      ResumeCase{{true, true, false, true}, inequal},
                      ResumeCase{{true, false, true, false}, ""},
                      ResumeCase{{false, true, true, false}, ""},
                      ResumeCase{{true, true, true, true}, ""}));

TEST(ResumeEdgeTest, WithoutHostCallbackEveryPinCountsAsConnected) {
    Ondulaxis effect(nullptr);
    effect.resume();
    runEmptyBlock(effect);
    EXPECT_EQ(OndulaxisTestAccess::kernelEntry(effect), 2);
}

TEST(ResumeEdgeTest, PassingResumeAfterAFailedOneProcessesAgain) {
    Ondulaxis effect(&FakeHost::callback);
    EXPECT_EQ(resumeMessage(effect, {false, false, true, true}), inequal);
    EXPECT_FALSE(effect.isActive());
    EXPECT_EQ(resumeMessage(effect, {true, true, true, true}), "");
    EXPECT_TRUE(effect.isActive());
    runEmptyBlock(effect);
    EXPECT_EQ(OndulaxisTestAccess::kernelEntry(effect), 2);
}

TEST(ResumeEdgeTest, LaterResumeBeforeBlockWinsAndClearsTrackedValues) {
    Ondulaxis effect(&FakeHost::callback);
    AudioBlock signal(4, 0.5f);
    effect.processReplacing(signal.inputs(), signal.outputs(), signal.frames());
    ASSERT_EQ(OndulaxisTestAccess::slewState(effect)[0], 0.5f);
    EXPECT_EQ(resumeMessage(effect, {true, true, true, true}), "");
    EXPECT_EQ(resumeMessage(effect, {false, true, true, false}), "");
    runEmptyBlock(effect);
    EXPECT_EQ(OndulaxisTestAccess::route(effect), (Route{1, 1, 0, 0}));
    EXPECT_EQ(OndulaxisTestAccess::slewState(effect)[0], 0.0f);
}

// Hosts may answer from state that changes between queries; the order is part
// of the contract: input 0, input 1, output 0, output 1.
TEST(ResumeEdgeTest, AsksThePinsInOrder) {
    static std::vector<std::pair<int32_t, intptr_t>> asked;
    asked.clear();
    Ondulaxis effect([](AEffect*, int32_t opcode, int32_t index, intptr_t value, void*,
                        float) -> intptr_t {
        if (opcode == audioMasterPinConnected) asked.emplace_back(index, value);
        return opcode == audioMasterVersion ? 2400 : 0;
    });
    effect.resume();
    EXPECT_EQ(asked, (std::vector<std::pair<int32_t, intptr_t>>{{0, 0}, {1, 0}, {0, 1}, {1, 1}}));
}

TEST(ResumeEdgeTest, HostCallingBackDuringPinQueryDoesNotDeadlock) {
    Ondulaxis effect(&FakeHost::callback);
    FakeHost::reenter = &effect;
    EXPECT_EQ(resumeMessage(effect, {true, true, true, true}), "");
    FakeHost::reenter = nullptr;
}

}  // namespace
