// What the mouse and keyboard do to the editor's controls. A window layer
// turns its system's input into EditorEvent; the interaction updates the
// state's values, hover, focus and typing, and sends every change to the
// host wrapped in a gesture.
//
// Per control: idle, hovered, dragging (vertical, the whole range over 200
// pixels at 100 %, a tenth of that speed with Shift, re-anchored when Shift
// changes so the value never jumps), typing. Double-click on a slider or
// Ctrl-click resets to the default; a switch toggles on every click and a
// row of choices selects the one clicked. Double-click on the readout, or
// Enter or a printable key on the focused control, starts typing; Enter
// applies the text when it reads as a value, Escape cancels. The wheel and
// the arrow keys step by 1 % (0.1 % with Shift) or one step.
#pragma once

#include <cstdint>

#include "GestureSink.h"
#include "EditorLayout.h"
#include "EditorState.h"

enum EditorModifier : uint32_t {
    modifierShift = 1u << 0,
    modifierCtrl = 1u << 1,
};

// Keys other than printable characters, which come as their ASCII code.
enum EditorKey : int32_t {
    keyBackspace = 8,
    keyEnter = 13,
    keyEscape = 27,
    keyLeft = 0x101,
    keyUp,
    keyRight,
    keyDown,
};

struct EditorEvent {
    enum class Kind : uint8_t { none, press, release, motion, wheel, key, leave };
    Kind kind = Kind::none;
    int32_t x = 0;  // pixels from the editor's top left
    int32_t y = 0;
    uint32_t modifiers = 0;
    int32_t button = 1;  // press and release: 1 is the main button
    int32_t notches = 0;  // wheel: positive away from the user
    int32_t key = 0;
    uint32_t milliseconds = 0;  // when, on any clock; tells a double-click
};

class EditorInteraction {
public:
    // Both outlive the interaction.
    EditorInteraction(EditorState& state, GestureSink& gestures) noexcept;

    // [UI thread] Applies one event; the state shows the result.
    void handle(const EditorEvent& event) noexcept;
    // [UI thread] Ends a drag in progress, as a release would: for a window
    // that closes or loses the pointer, so that no gesture stays open.
    void finish() noexcept;

    // Between two presses on the same control, at most, for a double-click.
    static constexpr uint32_t doubleClickMilliseconds = 400;

private:
    void press(const EditorEvent& event) noexcept;
    void release(const EditorEvent& event) noexcept;
    void motion(const EditorEvent& event) noexcept;
    void wheel(const EditorEvent& event) noexcept;
    void key(const EditorEvent& event) noexcept;
    void type(int32_t key) noexcept;
    void drag(const EditorEvent& event) noexcept;
    // One whole gesture to `normalised`; none when the value stays.
    void set(int32_t index, float normalised) noexcept;
    // `amount` of the range (a step for a stepped parameter), in `direction`.
    void nudge(int32_t index, int32_t direction, bool fine) noexcept;
    void change(int32_t index, float normalised) noexcept;
    void stopTyping() noexcept;

    EditorState& state_;
    GestureSink& gestures_;
    EditorLayout layout_;

    // The drag: its control (whatever the state says), whether its gesture
    // has begun, the value at its anchor, and the anchor.
    int32_t dragging_ = -1;
    bool begun_ = false;
    bool fine_ = false;
    float anchorValue_ = 0.0f;
    int32_t anchorY_ = 0;
    int32_t lastY_ = 0;

    // The previous press, for double-clicks.
    int32_t lastPressIndex_ = -1;
    uint32_t lastPressTime_ = 0;
};
