#include "EditorInteraction.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace {

bool printable(int32_t key) { return key >= 0x20 && key < 0x7F; }

}  // namespace

EditorInteraction::EditorInteraction(EditorState& state, GestureSink& gestures) noexcept
    : state_(state), gestures_(gestures), layout_(state.count(), state.scalePercent) {}

void EditorInteraction::handle(const EditorEvent& event) noexcept {
    // The scale may have changed since the last event.
    layout_ = EditorLayout(state_.count(), state_.scalePercent);
    switch (event.kind) {
        case EditorEvent::Kind::press: press(event); break;
        case EditorEvent::Kind::release: release(event); break;
        case EditorEvent::Kind::motion: motion(event); break;
        case EditorEvent::Kind::wheel: wheel(event); break;
        case EditorEvent::Kind::key: key(event); break;
        case EditorEvent::Kind::leave:
            if (dragging_ < 0) state_.hovered = -1;
            break;
        case EditorEvent::Kind::none: break;
    }
}

void EditorInteraction::press(const EditorEvent& event) noexcept {
    if (event.button != 1 || dragging_ >= 0) return;
    stopTyping();
    const ControlHit hit = layout_.hit(event.x, event.y);
    const int32_t index = hit.index;
    const bool doubleClick = index >= 0 && index == lastPressIndex_ &&
                             event.milliseconds - lastPressTime_ <= doubleClickMilliseconds;
    // A third click starts a new pair.
    lastPressIndex_ = doubleClick ? -1 : index;
    lastPressTime_ = event.milliseconds;
    state_.focused = index;
    if (index < 0) return;
    const ParameterRecord& record = *state_.table.find(index);

    if (hit.part == ControlPart::readout && doubleClick) {
        state_.typing = index;
        return;
    }
    if ((event.modifiers & modifierCtrl) != 0) {
        set(index, record.defaultValue);
    } else if (record.steps == 1) {
        set(index, state_.values[index] > 0.5f ? 0.0f : 1.0f);
    } else if (record.steps > 1) {
        if (hit.part == ControlPart::slider) {
            const int32_t step = layout_.choiceAt(index, record.steps, event.y);
            set(index, static_cast<float>(step) / static_cast<float>(record.steps));
        }
    } else if (doubleClick) {
        set(index, record.defaultValue);
    } else {
        state_.dragged = dragging_ = index;
        begun_ = false;
        fine_ = (event.modifiers & modifierShift) != 0;
        anchorValue_ = state_.values[index];
        anchorY_ = lastY_ = event.y;
    }
}

void EditorInteraction::release(const EditorEvent& event) noexcept {
    if (event.button != 1 || dragging_ < 0) return;
    finish();
    state_.hovered = layout_.hit(event.x, event.y).index;
}

void EditorInteraction::finish() noexcept {
    if (dragging_ >= 0 && begun_) gestures_.end(dragging_);
    begun_ = false;
    dragging_ = -1;
    state_.dragged = -1;
}

void EditorInteraction::motion(const EditorEvent& event) noexcept {
    if (dragging_ >= 0) {
        drag(event);
    } else {
        state_.hovered = layout_.hit(event.x, event.y).index;
    }
}

void EditorInteraction::drag(const EditorEvent& event) noexcept {
    const int32_t index = dragging_;
    if (index >= state_.count()) {
        finish();
        return;
    }
    const bool fine = (event.modifiers & modifierShift) != 0;
    if (fine != fine_) {
        // Shift changes the speed from here on, not the distance already
        // dragged: the value goes on from where it is.
        fine_ = fine;
        anchorValue_ = state_.values[index];
        anchorY_ = lastY_;
    }
    const double range = static_cast<double>(layout_.dragRange()) * (fine_ ? 10.0 : 1.0);
    float value = static_cast<float>(anchorValue_ + (anchorY_ - event.y) / range);
    if (value < 0.0f || value > 1.0f) {
        // Past an end the value waits there, and comes back as soon as the
        // mouse turns.
        value = std::clamp(value, 0.0f, 1.0f);
        anchorValue_ = value;
        anchorY_ = event.y;
    }
    lastY_ = event.y;
    if (value == state_.values[index]) return;
    if (!begun_) {
        gestures_.begin(index);
        begun_ = true;
    }
    change(index, value);
}

void EditorInteraction::wheel(const EditorEvent& event) noexcept {
    const int32_t index = layout_.hit(event.x, event.y).index;
    if (index >= 0 && index != dragging_ && event.notches != 0) {
        nudge(index, event.notches, (event.modifiers & modifierShift) != 0);
    }
}

void EditorInteraction::key(const EditorEvent& event) noexcept {
    if (state_.typing >= 0) {
        // A host's shortcut (Ctrl+S) is no character of the value.
        if ((event.modifiers & modifierCtrl) == 0 || !printable(event.key)) type(event.key);
        return;
    }
    if (dragging_ >= 0) {
        // Shift pressed or let go without moving.
        EditorEvent still = event;
        still.y = lastY_;
        drag(still);
        return;
    }
    const int32_t index = state_.focused;
    if (index < 0 || index >= state_.count()) return;
    const bool fine = (event.modifiers & modifierShift) != 0;
    switch (event.key) {
        case keyUp:
        case keyRight: nudge(index, 1, fine); break;
        case keyDown:
        case keyLeft: nudge(index, -1, fine); break;
        case keyEnter: state_.typing = index; break;
        default:
            if (printable(event.key) && (event.modifiers & modifierCtrl) == 0) {
                state_.typing = index;
                type(event.key);
            }
            break;
    }
}

void EditorInteraction::type(int32_t key) noexcept {
    const ParameterRecord* record = state_.table.find(state_.typing);
    if (record == nullptr || state_.typing >= state_.count()) {
        stopTyping();
        return;
    }
    const char* typed = state_.typed;
    const size_t length = static_cast<size_t>(std::find(typed, typed + maxTypedText, '\0') - typed);
    if (key == keyEnter) {
        float value = 0.0f;
        if (parameterValues::normalisedFromText(*record, std::string_view(state_.typed, length), value)) {
            set(state_.typing, value);
        }
        stopTyping();
    } else if (key == keyEscape) {
        stopTyping();
    } else if (key == keyBackspace) {
        if (length > 0) state_.typed[length - 1] = '\0';
    } else if (printable(key) && length < static_cast<size_t>(maxTypedText)) {
        state_.typed[length] = static_cast<char>(key);
        state_.typed[length + 1] = '\0';
    }
}

void EditorInteraction::set(int32_t index, float normalised) noexcept {
    if (normalised == state_.values[index]) return;
    gestures_.begin(index);
    change(index, normalised);
    gestures_.end(index);
}

void EditorInteraction::nudge(int32_t index, int32_t direction, bool fine) noexcept {
    const ParameterRecord& record = *state_.table.find(index);
    if (record.steps > 0) {
        const int32_t step = std::clamp(parameterValues::stepOf(record, state_.values[index]) + direction, 0,
                                        record.steps);
        set(index, static_cast<float>(step) / static_cast<float>(record.steps));
    } else {
        const float amount = fine ? 0.001f : 0.01f;
        set(index, std::clamp(state_.values[index] + static_cast<float>(direction) * amount, 0.0f, 1.0f));
    }
}

void EditorInteraction::change(int32_t index, float normalised) noexcept {
    setEditorValue(state_, index, normalised);
    gestures_.change(index, state_.values[index]);
}

void EditorInteraction::stopTyping() noexcept {
    state_.typing = -1;
    std::memset(state_.typed, 0, sizeof state_.typed);
}
