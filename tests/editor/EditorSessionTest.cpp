// One editor over time, between a fake plug-in and a fake curve measure:
// what a tick draws and measures, and how the user's changes reach the host.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "EditorLayout.h"
#include "EditorSession.h"

namespace {

// The plug-in's side of the plain effect: values the host holds, taking the
// editor's changes as an adapter does (unless told to lag), and a log of the
// gestures (" b3 c3=0.75 e3").
class FakePlugin final : public EditorParameters, public GestureSink {
public:
    FakePlugin() {
        for (int32_t i = 0; i < paramCount; ++i) values[i] = ondulaxisParameters.find(i)->defaultValue;
    }
    float value(int32_t index) noexcept override { return values[index]; }
    void begin(int32_t index) noexcept override { log += " b" + std::to_string(index); }
    void change(int32_t index, float normalised) noexcept override {
        char text[32];
        std::snprintf(text, sizeof text, " c%d=%g", index, normalised);
        log += text;
        if (!lagging) values[index] = normalised;
    }
    void end(int32_t index) noexcept override { log += " e" + std::to_string(index); }

    float values[paramCount];
    bool lagging = false;
    std::string log;
};

// A straight line through the origin, as steep as FuncMix: a curve that
// shows which values it was measured at.
int measures = 0;
std::vector<float> measuredAt;
TransferCurve lineCurve(std::span<const float> values) {
    ++measures;
    measuredAt.assign(values.begin(), values.end());
    return {{-1.0f, 0.0f, 1.0f}, {-values[FuncMix], 0.0f, values[FuncMix]}};
}
TransferCurve failingCurve(std::span<const float>) { throw std::runtime_error("no instance"); }
// The identity, but folding between -0.5 and 0.5 for inputs 0.5 to 0.505.
TransferCurve foldingCurve(std::span<const float>) {
    TransferCurve curve;
    for (int32_t i = 0; i <= 8192; ++i) {
        const float in = static_cast<float>(i - 4096) / 4096.0f;
        curve.input.push_back(in);
        curve.output.push_back(in >= 0.5f && in < 0.505f ? (i % 2 == 0 ? 0.5f : -0.5f) : in);
    }
    return curve;
}

class EditorSessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        measures = 0;
        measuredAt.clear();
    }
    void send(EditorEvent::Kind kind, int32_t index, int32_t above = 0) {
        const PixelRect slider = EditorLayout(paramCount, session->scalePercent()).control(index)->slider;
        // A second apart: no double-clicks.
        clock += 1000;
        session->handle({.kind = kind, .x = slider.x + slider.width / 2, .y = slider.y + slider.height / 2 - above,
                         .milliseconds = clock});
    }
    uint32_t clock = 0;

    FakePlugin plugin;
    LiveSignal live{1};
    std::optional<EditorSession> session{std::in_place, ondulaxisParameters, "Ondulaxis", plugin, plugin, lineCurve,
                                         &live};
};

TEST_F(EditorSessionTest, TicksDrawOnlyWhatChanged) {
    EXPECT_TRUE(session->tick(0));
    EXPECT_EQ(session->state().curveCount, 6);  // the three points' columns
    EXPECT_FALSE(session->tick(16));
    EXPECT_FALSE(session->tick(5000));
    EXPECT_EQ(measures, 1);
    session->setScale(190);
    EXPECT_EQ(session->canvas().width(), session->size(100).width * 2);
    EXPECT_TRUE(session->tick(5016));
    send(EditorEvent::Kind::motion, InGain);
    EXPECT_TRUE(session->tick(5032));
    EXPECT_EQ(measures, 1);
    // The live signal while audio runs, read once a frame.
    const float in[] = {0.5f, -0.5f}, out[] = {0.25f, -0.25f};
    live.write(in, out, 2);
    EXPECT_TRUE(session->tick(5040));
    EXPECT_EQ(session->state().live[1].out, -0.25f);
    live.write(out, in, 2);
    EXPECT_FALSE(session->tick(5060));
    EXPECT_TRUE(session->tick(5073));
    EXPECT_EQ(session->state().liveCount, 4);
    EXPECT_TRUE(session->tick(5073 + LiveSignalReader::quietMilliseconds));
    EXPECT_EQ(session->state().liveCount, 0);
}

TEST_F(EditorSessionTest, DragIsAGestureAndTheDraggedValueStandsUntilItEnds) {
    session->tick(0);
    plugin.lagging = true;  // a host that has not taken the change yet
    send(EditorEvent::Kind::press, FuncMix);
    send(EditorEvent::Kind::motion, FuncMix, 50);
    session->tick(40);
    EXPECT_EQ(session->state().values[FuncMix], 0.75f);
    EXPECT_EQ(measuredAt[FuncMix], 0.75f);
    send(EditorEvent::Kind::release, FuncMix, 50);
    session->tick(80);
    EXPECT_EQ(plugin.log, " b3 c3=0.75 e3");
    EXPECT_EQ(session->state().values[FuncMix], 0.5f);  // the host's, once the hand is off
    // A window closing mid-drag leaves no gesture open.
    plugin.log.clear();
    send(EditorEvent::Kind::press, FuncMix);
    send(EditorEvent::Kind::motion, FuncMix, 20);
    session.reset();
    EXPECT_EQ(plugin.log, " b3 c3=0.6 e3");
}

// The host's values show with their texts at the next tick; the curve
// follows them, measured at most once a frame and always after the last change.
TEST_F(EditorSessionTest, HostValuesShowAndTheCurveFollowsOncePerFrame) {
    session->ignoreForCurve(ZeroX);
    // When, which value the host sets, and the measures made so far.
    const std::tuple<uint32_t, int32_t, float, int> steps[] = {
        {0, FuncMix, 0.1f, 1},  {10, FuncMix, 0.2f, 1}, {20, FuncMix, 0.3f, 1}, {33, FuncMix, 0.3f, 2},
        {50, FuncMix, 0.4f, 2}, {60, FuncMix, 0.4f, 2}, {66, FuncMix, 0.4f, 3}, {500, FuncMix, 0.4f, 3},
        {600, ZeroX, 0.0f, 3},  {700, InGain, 0.5f, 4},
    };
    for (const auto& [milliseconds, index, value, count] : steps) {
        plugin.values[index] = value;
        session->tick(milliseconds);
        EXPECT_EQ(measures, count) << milliseconds;
    }
    EXPECT_EQ(session->state().curve[5].out, 0.4f);
    char text[maxParameterText + 1] = {};
    ondulaxisParameters.find(FuncMix)->format(0.4f, text);
    EXPECT_STREQ(session->state().texts[FuncMix], text);
    EXPECT_EQ(session->state().values[ZeroX], 0.0f);
}

TEST_F(EditorSessionTest, CurveCrossesItsColumnsAndShowsFolds) {
    EditorSession folding(ondulaxisParameters, "Ondulaxis", plugin, plugin, foldingCurve);
    folding.tick(0);
    const EditorState& state = folding.state();
    ASSERT_EQ(state.curveCount, maxCurvePoints - 1);
    EXPECT_EQ(state.curve[state.curveCount - 1].in - state.curve[0].in, 2.0f);
    for (int32_t i = 1; i < state.curveCount; ++i) {
        const SignalPoint &point = state.curve[i], &before = state.curve[i - 1];
        EXPECT_GE(point.in, before.in) << i;
        if (point.in < 0.5f || point.in > 0.51f) {
            EXPECT_NEAR(point.out, point.in, 2.0f / 512) << i;
        }
    }
    // The fold fills column 384 (inputs 0.5 to 0.504) from -0.5 to 0.5.
    EXPECT_EQ(state.curve[768].in, 0.5f);
    EXPECT_EQ(std::abs(state.curve[768].out - state.curve[769].out), 1.0f);
    // A measure that fails shows no curve.
    EditorSession failing(ondulaxisParameters, "Ondulaxis", plugin, plugin, failingCurve);
    EXPECT_TRUE(failing.tick(0));
    EXPECT_EQ(failing.state().curveCount, 0);
}

}  // namespace
