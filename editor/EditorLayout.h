// Where everything sits: the curve on the left, the controls in two rows
// beside it, from the number of parameters and the scale alone, so a host
// can have the size before any window exists. Distances are layout units
// (pixels at 100 %) times the scale.
#pragma once

#include <cstdint>

#include "EditorState.h"
#include "PixelCanvas.h"

struct ControlLayout {
    PixelRect cell;
    PixelRect name;     // the parameter's name
    PixelRect slider;   // the slider, or a stepped parameter's choices
    PixelRect readout;  // the display text and label
};

enum class ControlPart : uint8_t { none, slider, readout };

struct ControlHit {
    int32_t index = -1;
    ControlPart part = ControlPart::none;
};

class EditorLayout {
public:
    EditorLayout(int32_t parameterCount, int32_t scalePercent) noexcept;

    int32_t width() const noexcept { return width_; }
    int32_t height() const noexcept { return height_; }
    int32_t count() const noexcept { return count_; }
    // Layout units in pixels at this scale.
    int32_t scaled(int32_t units) const noexcept { return units * scale_ / 100; }
    // Pixels of vertical drag that sweep a whole range.
    int32_t dragRange() const noexcept { return scaled(200); }

    const PixelRect& title() const noexcept { return title_; }
    const PixelRect& curve() const noexcept { return curve_; }
    // Null for an index outside the layout.
    const ControlLayout* control(int32_t index) const noexcept;
    // The choice showing step `step` of a parameter with `steps` steps; the
    // highest step is at the top.
    PixelRect choice(int32_t index, int32_t steps, int32_t step) const noexcept;
    // The step whose choice holds y, nearest when between two; -1 outside
    // the control.
    int32_t choiceAt(int32_t index, int32_t steps, int32_t y) const noexcept;
    ControlHit hit(int32_t x, int32_t y) const noexcept;

private:
    int32_t scale_;
    int32_t count_;
    int32_t width_ = 0;
    int32_t height_ = 0;
    PixelRect title_;
    PixelRect curve_;
    ControlLayout controls_[maxParamCount];
};
