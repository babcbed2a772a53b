// What switching the plug-in on does for every combination of pins the host
// reports connected: which routes work, and which are refused.
#include "PluginTestSupport.h"

#include <array>
#include <cmath>

namespace ondulaxis::host::test {
namespace {

constexpr float kUntouched = 7.0f;
constexpr float kInput0 = 0.5f;
constexpr float kInput1 = -0.25f;

// Defaults, ZeroX on: out = 0.5·sign(x)·s + 0.5·s·sin(2πx), s = 4x²/(1+4x²).
// x = 0.5 gives s = 0.5 and sin π = 0; x = -0.25 gives s = 0.2 and sin = -1.
constexpr float kOutputOf0 = 0.25f;
constexpr float kOutputOf1 = -0.2f;

struct ResumeCase {
    const char* name;
    PinConnections pins;
    const char* refusal;  // nullptr: resume succeeds
    std::array<float, 2> outputs;
};

void PrintTo(const ResumeCase& c, std::ostream* out) { *out << c.name; }

class ResumeOutcomeTest : public ::testing::TestWithParam<ResumeCase> {};

TEST_P(ResumeOutcomeTest, RoutesOrRefusesAsConnected) {
    const ResumeCase& c = GetParam();
    PluginInstance instance(builtPlugin());
    instance.open();
    instance.setConnections(c.pins);
    ::testing::internal::CaptureStderr();
    const intptr_t answer = instance.mainsChanged(true);
    const std::string errors = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(answer, 0);

    const std::vector<HostRequest> requests = instance.requests();
    int pinQueries = 0;
    for (const HostRequest& request : requests) pinQueries += request.opcode == audioMasterPinConnected;
    EXPECT_EQ(pinQueries, 4);

    if (c.refusal == nullptr) {
        EXPECT_EQ(errors, "");
    } else {
        EXPECT_NE(errors.find(c.refusal), std::string::npos) << errors;
    }

    constexpr int32_t frames = 16;
    std::vector<float> in0(frames, kInput0), in1(frames, kInput1);
    std::vector<float> out0(frames, kUntouched), out1(frames, kUntouched);
    float* inputs[] = {in0.data(), in1.data()};
    float* outputs[] = {out0.data(), out1.data()};
    instance.processReplacing(inputs, outputs, frames);
    for (int32_t i = 0; i < frames; ++i) {
        EXPECT_NEAR(out0[i], c.outputs[0], 1e-6) << "sample " << i;
        EXPECT_NEAR(out1[i], c.outputs[1], 1e-6) << "sample " << i;
    }
}

constexpr const char* kNoInputs = "Ondulaxis::resume - No inputs connected.";
constexpr const char* kInequal = "Ondulaxis::resume - Input and output channel counts inequal.";

INSTANTIATE_TEST_SUITE_P(
    EveryRow, ResumeOutcomeTest,
    ::testing::Values(
        ResumeCase{"In0ToOut0", {{true, false}, {true, false}}, nullptr, {kOutputOf0, kUntouched}},
        ResumeCase{"In0ToOut1", {{true, false}, {false, true}}, nullptr, {kUntouched, kOutputOf0}},
        ResumeCase{"In1ToOut0", {{false, true}, {true, false}}, nullptr, {kOutputOf1, kUntouched}},
        ResumeCase{"In1ToOut1", {{false, true}, {false, true}}, nullptr, {kUntouched, kOutputOf1}},
        ResumeCase{"Stereo", {{true, true}, {true, true}}, nullptr, {kOutputOf0, kOutputOf1}},
        ResumeCase{"NothingConnected", {{false, false}, {false, false}}, kNoInputs, {kUntouched, kUntouched}},
        ResumeCase{"OutputOnly", {{false, false}, {true, false}}, kInequal, {kUntouched, kUntouched}},
        ResumeCase{"OutputsOnly", {{false, false}, {true, true}}, kInequal, {kUntouched, kUntouched}},
        ResumeCase{"InputOnly", {{true, false}, {false, false}}, kInequal, {kUntouched, kUntouched}},
        ResumeCase{"InputsOnly", {{true, true}, {false, false}}, kInequal, {kUntouched, kUntouched}},
        ResumeCase{"OneInTwoOut", {{true, false}, {true, true}}, kInequal, {kUntouched, kUntouched}},
        ResumeCase{"TwoInOneOut", {{true, true}, {false, true}}, kInequal, {kUntouched, kUntouched}}),
    [](const ::testing::TestParamInfo<ResumeCase>& info) { return std::string(info.param.name); });

// Ardour reopening a saved session: it switches the effect on once while it
// still reports the inputs unconnected, then suspends and resumes with every
// pin connected. The instance must sound like a fresh one from then on.
TEST(ResumeTest, RefusedThenPassingResumeSoundsLikeAFreshInstance) {
    constexpr int32_t frames = 64;
    std::vector<float> in0(frames), in1(frames);
    for (int32_t i = 0; i < frames; ++i) {
        in0[i] = 0.9f * std::sin(0.1f * static_cast<float>(i));
        in1[i] = -0.6f * std::cos(0.07f * static_cast<float>(i));
    }
    auto render = [&](PluginInstance& instance) {
        std::vector<float> out0(frames, kUntouched), out1(frames, kUntouched);
        float* inputs[] = {in0.data(), in1.data()};
        float* outputs[] = {out0.data(), out1.data()};
        instance.processReplacing(inputs, outputs, frames);
        out0.insert(out0.end(), out1.begin(), out1.end());
        return out0;
    };
    auto start = [](PluginInstance& instance) {
        instance.open();
        instance.setSampleRate(48000.0f);
        instance.setBlockSize(frames);
    };

    PluginInstance reopened(builtPlugin());
    start(reopened);
    reopened.setConnections({{false, false}, {true, true}});
    ::testing::internal::CaptureStderr();
    reopened.mainsChanged(true);
    EXPECT_NE(::testing::internal::GetCapturedStderr().find(kInequal), std::string::npos);
    reopened.setConnections(PinConnections::stereo());
    reopened.mainsChanged(false);
    reopened.mainsChanged(true);

    PluginInstance fresh(builtPlugin());
    start(fresh);
    fresh.mainsChanged(true);
    EXPECT_EQ(render(reopened), render(fresh));
}

}  // namespace
}  // namespace ondulaxis::host::test
