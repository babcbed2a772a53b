// The editor's interaction as one table: a row is a short script of user
// input, the gestures the host must receive and the value left.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>

#include "EditorInteraction.h"
#include "HQParameters.h"

namespace {

// Records gestures as "b3 c3=0.75 e3", and any change or end outside a
// gesture as "unpaired".
class GestureLog : public GestureSink {
public:
    void begin(int32_t index) noexcept override {
        if (open_ >= 0) add("unpaired");
        open_ = index;
        add("b" + std::to_string(index));
    }
    void change(int32_t index, float normalised) noexcept override {
        if (open_ != index) add("unpaired");
        char text[32];
        std::snprintf(text, sizeof text, "c%d=%g", index, normalised);
        add(text);
    }
    void end(int32_t index) noexcept override {
        if (open_ != index) add("unpaired");
        open_ = -1;
        add("e" + std::to_string(index));
    }
    std::string text() const { return open_ >= 0 ? log_ + " (open)" : log_; }

private:
    void add(const std::string& entry) { log_ += (log_.empty() ? "" : " ") + entry; }
    std::string log_;
    int32_t open_ = -1;
};

struct Row {
    const char* name;
    bool hq;
    int32_t scale;
    // Words: p3 press on control 3's slider, pp3 the same soon after the
    // last press, P3 / PP3 the same on its readout, c3 Ctrl-press, q8:4
    // press on choice 4 of control 8; m50 move 50 pixels above the press,
    // M50 the same with Shift; r release; S / s Shift pressed / let go
    // (a key event); w2@3 / W2@3 two wheel notches over control 3, with
    // Shift; t40 type "40" (_ for a space); ^s Ctrl+S; x finish(); enter,
    // esc, bs, up, down, Up (with Shift): those keys.
    const char* script;
    const char* gestures;
    int32_t index;
    float value;
};

const Row rows[] = {
    // Drag maths: the whole range over 200 pixels at 100 %, 400 at 200 %.
    {"DragUpQuarterRange", false, 100, "p3 m50 r", "b3 c3=0.75 e3", 3, 0.75f},
    {"DragDown", false, 100, "p3 m-100 r", "b3 c3=0 e3", 3, 0.0f},
    {"DragIsScaleAware", false, 200, "p3 m100 r", "b3 c3=0.75 e3", 3, 0.75f},
    {"DragPastTheEndTurnsBackAtOnce", false, 100, "p3 m150 m100 r", "b3 c3=1 c3=0.75 e3", 3, 0.75f},
    {"ClickWithoutMovingSendsNothing", false, 100, "p3 r", "", 3, 0.5f},
    {"FinishEndsTheDragsGesture", false, 100, "p3 m20 x r", "b3 c3=0.6 e3", 3, 0.6f},
    // Fine mode: a tenth of the speed, and no jump when Shift changes.
    {"ShiftDragIsFine", false, 100, "p3 M100 r", "b3 c3=0.55 e3", 3, 0.55f},
    {"ShiftMidDragDoesNotJump", false, 100, "p3 m20 M40 m60 r", "b3 c3=0.6 c3=0.61 c3=0.71 e3", 3, 0.71f},
    {"ShiftKeyWithoutMotionReanchors", false, 100, "p3 m20 S M30 s m40 r", "b3 c3=0.6 c3=0.605 c3=0.655 e3", 3,
     0.655f},
    // Reset.
    {"DoubleClickResets", false, 100, "p3 m20 r pp3 r", "b3 c3=0.6 e3 b3 c3=0.5 e3", 3, 0.5f},
    {"SlowSecondClickDoesNotReset", false, 100, "p3 m20 r p3 r", "b3 c3=0.6 e3", 3, 0.6f},
    {"CtrlClickResets", false, 100, "p3 m20 r c3", "b3 c3=0.6 e3 b3 c3=0.5 e3", 3, 0.5f},
    {"ResetAtTheDefaultSendsNothing", false, 100, "c3", "", 3, 0.5f},
    // Wheel and arrow keys: 1 % of the range, 0.1 % with Shift, one step.
    {"WheelSteps", false, 100, "w1@3 w-2@3 W1@3", "b3 c3=0.51 e3 b3 c3=0.49 e3 b3 c3=0.491 e3", 3, 0.491f},
    {"WheelStopsAtTheEnd", false, 100, "w1@7", "", 7, 1.0f},
    {"WheelStepsChoices", true, 100, "w1@10 w5@10", "b10 c10=0.5 e10 b10 c10=1 e10", 10, 1.0f},
    {"ArrowKeysOnTheFocusedControl", false, 100, "p3 r up down Up", "b3 c3=0.51 e3 b3 c3=0.5 e3 b3 c3=0.501 e3", 3,
     0.501f},
    // Typed text.
    {"TypedValueWithLabelApplies", false, 100, "P3 r PP3 r t25_% enter", "b3 c3=0.25 e3", 3, 0.25f},
    {"KeyOnFocusedControlStartsTyping", false, 100, "p3 r t47 bs enter", "b3 c3=0.04 e3", 3, 0.04f},
    {"TypingSkipsCtrlKeys", false, 100, "P3 r PP3 r t2 ^s t5 enter", "b3 c3=0.25 e3", 3, 0.25f},
    {"EscapeCancelsTyping", false, 100, "P3 r PP3 r t25 esc", "", 3, 0.5f},
    {"TextThatIsNoValueChangesNothing", false, 100, "P3 r PP3 r tabc enter", "", 3, 0.5f},
    {"OutOfRangeTextChangesNothing", false, 100, "P3 r PP3 r t250 enter", "", 3, 0.5f},
    {"PressElsewhereCancelsTyping", false, 100, "P3 r PP3 r t25 p5 r", "", 3, 0.5f},
    {"TypedChoiceApplies", true, 100, "P8 r PP8 r t2x enter", "b8 c8=0.25 e8", 8, 0.25f},
    // Switches and choices.
    {"SwitchTogglesOnEveryClickNeverResets", false, 100, "p0 r p0 r pp0 r", "b0 c0=0 e0 b0 c0=1 e0 b0 c0=0 e0",
     0, 0.0f},
    {"CtrlClickResetsASwitch", false, 100, "p0 r c0", "b0 c0=0 e0 b0 c0=1 e0", 0, 1.0f},
    {"ChoiceSelectsOnClick", true, 100, "q8:0 q8:0 q8:4 r", "b8 c8=0 e8 b8 c8=1 e8", 8, 1.0f},
};

class EditorInteractionTest : public ::testing::TestWithParam<Row> {};

TEST_P(EditorInteractionTest, ScriptGivesTheGesturesAndValue) {
    const Row& row = GetParam();
    EditorState state =
        makeEditorState(row.hq ? ondulaxisHQParameters : ondulaxisParameters, "", row.scale);
    const EditorLayout layout(state.count(), state.scalePercent);
    GestureLog log;
    EditorInteraction interaction(state, log);

    uint32_t now = 0;
    int32_t pressY = 0, pointerX = 0, pointerY = 0;
    const auto centre = [](const PixelRect& rect) {
        return std::pair{rect.x + rect.width / 2, rect.y + rect.height / 2};
    };
    const auto send = [&](EditorEvent event) {
        event.milliseconds = now;
        interaction.handle(event);
    };
    const auto key = [&](int32_t code, uint32_t modifiers) {
        send({.kind = EditorEvent::Kind::key, .x = pointerX, .y = pointerY, .modifiers = modifiers, .key = code});
    };
    std::istringstream words(row.script);
    for (std::string word; words >> word;) {
        const char kind = word[0];
        if (kind == 'p' || kind == 'P' || kind == 'c' || kind == 'q') {
            const bool soon = word.size() > 1 && word[1] == word[0];
            const int32_t index = std::stoi(word.substr(soon ? 2 : 1));
            const ControlLayout& control = *layout.control(index);
            std::tie(pointerX, pointerY) = centre(kind == 'P' ? control.readout : control.slider);
            if (kind == 'q') {
                const int32_t step = std::stoi(word.substr(word.find(':') + 1));
                std::tie(pointerX, pointerY) = centre(layout.choice(index, state.table.find(index)->steps, step));
            }
            now += soon ? 100 : 1000;
            pressY = pointerY;
            send({.kind = EditorEvent::Kind::press, .x = pointerX, .y = pointerY,
                  .modifiers = kind == 'c' ? modifierCtrl : 0u});
        } else if (kind == 'm' || kind == 'M') {
            pointerY = pressY - std::stoi(word.substr(1));
            send({.kind = EditorEvent::Kind::motion, .x = pointerX, .y = pointerY,
                  .modifiers = kind == 'M' ? modifierShift : 0u});
        } else if (word == "x") {
            interaction.finish();
        } else if (word == "r") {
            send({.kind = EditorEvent::Kind::release, .x = pointerX, .y = pointerY});
        } else if (kind == '^') {
            key(word[1], modifierCtrl);
        } else if (word == "S" || word == "s") {
            key(0, word == "S" ? modifierShift : 0u);
        } else if (kind == 'w' || kind == 'W') {
            const int32_t index = std::stoi(word.substr(word.find('@') + 1));
            std::tie(pointerX, pointerY) = centre(layout.control(index)->slider);
            send({.kind = EditorEvent::Kind::wheel, .x = pointerX, .y = pointerY,
                  .modifiers = kind == 'W' ? modifierShift : 0u, .notches = std::stoi(word.substr(1))});
        } else if (kind == 't') {
            // "_" stands for a space.
            for (size_t i = 1; i < word.size(); ++i) key(word[i] == '_' ? ' ' : word[i], 0);
        } else {
            const std::map<std::string, int32_t> named = {{"enter", keyEnter}, {"esc", keyEscape},
                                                          {"bs", keyBackspace}, {"up", keyUp},
                                                          {"down", keyDown},     {"Up", keyUp}};
            ASSERT_TRUE(named.contains(word)) << word;
            key(named.at(word), word == "Up" ? modifierShift : 0u);
        }
    }
    EXPECT_EQ(log.text(), row.gestures);
    EXPECT_FLOAT_EQ(state.values[row.index], row.value);
    EXPECT_EQ(state.typing, -1);
    EXPECT_EQ(state.dragged, -1);
}

INSTANTIATE_TEST_SUITE_P(Table, EditorInteractionTest, ::testing::ValuesIn(rows),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
