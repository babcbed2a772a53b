#include "EditorLayout.h"

#include <algorithm>

namespace {

// Layout units.
constexpr int32_t margin = 16;
constexpr int32_t header = 28;
constexpr int32_t columnWidth = 96;
constexpr int32_t rowHeight = 168;
constexpr int32_t rowGap = 8;
constexpr int32_t curveSide = 2 * rowHeight + rowGap;
constexpr int32_t controlsLeft = margin + curveSide + 12;
constexpr int32_t choiceGap = 4;

}  // namespace

EditorLayout::EditorLayout(int32_t parameterCount, int32_t scalePercent) noexcept
    : scale_(std::clamp(scalePercent, 50, 400)), count_(std::clamp(parameterCount, 0, maxParamCount)) {
    const int32_t columns = (count_ + 1) / 2;
    width_ = scaled(controlsLeft + columns * columnWidth + 12);
    height_ = scaled(margin + header + curveSide + margin);
    title_ = {scaled(margin), scaled(margin), scaled(curveSide), scaled(header - 8)};
    curve_ = {scaled(margin), scaled(margin + header), scaled(curveSide), scaled(curveSide)};
    for (int32_t i = 0; i < count_; ++i) {
        const int32_t x = controlsLeft + (i % columns) * columnWidth;
        const int32_t y = margin + header + (i / columns) * (rowHeight + rowGap);
        ControlLayout& control = controls_[i];
        control.cell = {scaled(x + 4), scaled(y), scaled(columnWidth - 8), scaled(rowHeight)};
        control.name = {scaled(x), scaled(y + 8), scaled(columnWidth), scaled(16)};
        control.slider = {scaled(x + 4), scaled(y + 30), scaled(columnWidth - 8), scaled(100)};
        control.readout = {scaled(x + 6), scaled(y + 138), scaled(columnWidth - 12), scaled(22)};
    }
}

const ControlLayout* EditorLayout::control(int32_t index) const noexcept {
    return index >= 0 && index < count_ ? &controls_[index] : nullptr;
}

PixelRect EditorLayout::choice(int32_t index, int32_t steps, int32_t step) const noexcept {
    const ControlLayout* layout = control(index);
    if (layout == nullptr || steps <= 0) return {};
    const PixelRect& area = layout->slider;
    const int32_t gap = scaled(choiceGap), slots = steps + 1, slot = steps - step;
    const int32_t top = area.y + slot * (area.height + gap) / slots;
    const int32_t bottom = area.y + (slot + 1) * (area.height + gap) / slots - gap;
    return {area.x + scaled(8), top, area.width - scaled(16), bottom - top};
}

int32_t EditorLayout::choiceAt(int32_t index, int32_t steps, int32_t y) const noexcept {
    const ControlLayout* layout = control(index);
    if (layout == nullptr || steps <= 0) return -1;
    const PixelRect& area = layout->slider;
    const int32_t slot = std::clamp((y - area.y) * (steps + 1) / std::max(area.height, 1), 0, steps);
    return steps - slot;
}

ControlHit EditorLayout::hit(int32_t x, int32_t y) const noexcept {
    for (int32_t i = 0; i < count_; ++i) {
        const ControlLayout& layout = controls_[i];
        if (layout.readout.contains(x, y)) return {i, ControlPart::readout};
        if (layout.cell.contains(x, y)) return {i, ControlPart::slider};
    }
    return {};
}
