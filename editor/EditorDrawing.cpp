#include "EditorDrawing.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string_view>

#include "EditorLayout.h"
#include "Path.h"
#include "TextFont.h"

namespace {

// One accent on calm greys.
constexpr Colour background = 0xFF17191D;
constexpr Colour panel = 0xFF202329;
constexpr Colour panelHovered = 0xFF282C33;
constexpr Colour recess = 0xFF131518;
constexpr Colour grid = 0xFF2A2E35;
constexpr Colour axis = 0xFF3A3F48;
constexpr Colour identity = 0xFF555B66;
constexpr Colour track = 0xFF363A42;
constexpr Colour choiceIdle = 0xFF2E323A;
constexpr Colour text = 0xFFDADDE2;
constexpr Colour dimText = 0xFF8B919B;
constexpr Colour thumb = 0xFFC4C8CF;
constexpr Colour thumbHovered = 0xFFF4F5F7;
constexpr Colour accent = 0xFFF2A33A;

class Painter {
public:
    Painter(const EditorState& state, PixelCanvas& canvas)
        : state_(state), canvas_(canvas), layout_(state.count(), state.scalePercent), font_(TextFont::embedded()) {}

    void paint() {
        canvas_.fillRect({0, 0, canvas_.width(), canvas_.height()}, background);
        const PixelRect& title = layout_.title();
        const char* name = state_.title != nullptr ? state_.title : "";
        font_.draw(canvas_, name, title.x, baseline(title, 15), scaled(15), text, title);
        paintCurve();
        for (int32_t i = 0; i < layout_.count(); ++i) paintControl(i);
    }

private:
    int32_t scaled(int32_t units) const { return layout_.scaled(units); }
    // Layout units in path units.
    int32_t fine(int32_t units) const { return units * pathUnit * state_.scalePercent / 100; }
    int32_t baseline(const PixelRect& rect, int32_t size) const {
        return rect.y + (rect.height + font_.capHeight(scaled(size))) / 2;
    }

    // A text field up to its terminator or its end.
    template <size_t size>
    static std::string_view bounded(const char (&field)[size]) {
        return {field, static_cast<size_t>(std::find(field, field + size, '\0') - field)};
    }

    void centredText(std::string_view line, const PixelRect& rect, int32_t size, Colour colour) {
        const int32_t width = font_.width(line, scaled(size));
        font_.draw(canvas_, line, rect.x + (rect.width - width) / 2, baseline(rect, size), scaled(size), colour, rect);
    }

    void roundedRect(const PixelRect& rect, int32_t radiusUnits, Colour colour) {
        canvas_.fillRoundedRect(rect, fine(radiusUnits), colour);
    }

    void outlined(const PixelRect& rect, int32_t radiusUnits, Colour fill, Colour edge) {
        roundedRect(rect, radiusUnits, edge);
        const int32_t width = std::max(1, scaled(1));
        roundedRect(rect.inset(width, width), radiusUnits, fill);
    }

    // A signal value, nominally -1 to 1, across the plot in path units.
    static int32_t across(float value, int32_t start, int32_t length) {
        const double v = std::isnan(value) ? 0.0 : std::clamp(static_cast<double>(value), -1.5, 1.5);
        return static_cast<int32_t>(std::floor((start + (v + 1.0) * 0.5 * length) * pathUnit + 0.5));
    }
    PathPoint plotPoint(const PixelRect& plot, SignalPoint point) const {
        return {across(point.in, plot.x, plot.width), across(-point.out, plot.y, plot.height)};
    }

    void paintCurve() {
        const PixelRect& box = layout_.curve();
        roundedRect(box, 8, panel);
        const PixelRect plot = box.inset(scaled(14), scaled(14));
        const int32_t line = std::max(1, scaled(1));
        for (int32_t quarter = 0; quarter <= 4; ++quarter) {
            const Colour colour = quarter == 2 ? axis : grid;
            const int32_t x = plot.x + quarter * (plot.width - line) / 4;
            const int32_t y = plot.y + quarter * (plot.height - line) / 4;
            canvas_.fillRect({x, plot.y, line, plot.height}, colour);
            canvas_.fillRect({plot.x, y, plot.width, line}, colour);
        }
        Path diagonal;
        diagonal.segment(plotPoint(plot, {-1.0f, -1.0f}), plotPoint(plot, {1.0f, 1.0f}), fine(1));
        canvas_.fillPath(diagonal, identity, plot);

        const PixelRect corner = plot.inset(scaled(6), scaled(4));
        font_.draw(canvas_, "out", corner.x, corner.y + font_.capHeight(scaled(10)), scaled(10), dimText, plot);
        font_.draw(canvas_, "in", corner.x + corner.width - font_.width("in", scaled(10)), corner.y + corner.height,
                   scaled(10), dimText, plot);

        if (state_.liveCount > 0) {
            Path dots;
            const int32_t half = fine(3) / 2;
            for (int32_t i = 0; i < std::min(state_.liveCount, maxLivePoints); ++i) {
                const PathPoint p = plotPoint(plot, state_.live[i]);
                dots.rectangle(p.x - half, p.y - half, p.x + half, p.y + half);
            }
            canvas_.fillPath(dots, withAlpha(text, 0x70), plot);
        }
        if (state_.curveCount > 1) {
            PathPoint points[maxCurvePoints];
            const int32_t count = std::min(state_.curveCount, maxCurvePoints);
            for (int32_t i = 0; i < count; ++i) points[i] = plotPoint(plot, state_.curve[i]);
            Path curve;
            curve.polyline(points, count, fine(2));
            canvas_.fillPath(curve, accent, plot);
        }
    }

    void paintControl(int32_t index) {
        const ControlLayout& layout = *layout_.control(index);
        const ParameterRecord& record = *state_.table.find(index);
        const bool hovered = state_.hovered == index;
        const Colour cell = hovered ? panelHovered : panel;
        if (state_.focused == index) {
            outlined(layout.cell, 6, cell, withAlpha(accent, 0xB0));
        } else {
            roundedRect(layout.cell, 6, cell);
        }
        centredText(record.name, layout.name, 12, text);
        if (record.steps > 0) {
            paintChoices(index, record);
        } else {
            paintSlider(index, record, layout.slider, hovered);
        }
        paintReadout(index, record, layout.readout);
    }

    void paintSlider(int32_t index, const ParameterRecord& record, const PixelRect& area, bool hovered) {
        const int32_t centre = (area.x * 2 + area.width) * pathUnit / 2;
        const int32_t top = area.y * pathUnit + fine(6), bottom = (area.y + area.height) * pathUnit - fine(6);
        const auto at = [&](float v) {
            return bottom - static_cast<int32_t>(std::floor(static_cast<double>(v) * (bottom - top) + 0.5));
        };
        const int32_t half = fine(4) / 2;
        Path groove;
        groove.roundedRectangle(centre - half, top, centre + half, bottom, half);
        canvas_.fillPath(groove, track);

        const int32_t value = at(state_.values[index]), origin = at(record.defaultValue);
        if (value != origin) {
            Path fill;
            fill.rectangle(centre - half, std::min(value, origin), centre + half, std::max(value, origin));
            canvas_.fillPath(fill, accent);
        }
        const Colour colour = state_.dragged == index ? accent : hovered ? thumbHovered : thumb;
        const int32_t thumbHalfWidth = fine(28) / 2, thumbHalfHeight = fine(10) / 2;
        Path knob;
        knob.roundedRectangle(centre - thumbHalfWidth, value - thumbHalfHeight, centre + thumbHalfWidth,
                              value + thumbHalfHeight, fine(3));
        canvas_.fillPath(knob, colour);
    }

    void paintChoices(int32_t index, const ParameterRecord& record) {
        const int32_t selected = parameterValues::stepOf(record, state_.values[index]);
        for (int32_t step = 0; step <= record.steps; ++step) {
            const PixelRect rect = layout_.choice(index, record.steps, step);
            char label[maxParameterText + 1] = {};
            record.format(static_cast<float>(step) / static_cast<float>(record.steps), label);
            roundedRect(rect, 4, step == selected ? accent : choiceIdle);
            centredText(label, rect, 11, step == selected ? background : dimText);
        }
    }

    void paintReadout(int32_t index, const ParameterRecord& record, const PixelRect& area) {
        if (state_.typing == index) {
            outlined(area, 4, recess, accent);
            const int32_t size = scaled(11);
            const std::string_view typed = bounded(state_.typed);
            const int32_t width = font_.width(typed, size);
            const int32_t caret = std::max(1, scaled(1));
            const int32_t left = area.x + (area.width - width - caret) / 2;
            font_.draw(canvas_, typed, left, baseline(area, 11), size, text, area);
            canvas_.fillRect({left + width + caret, area.y + scaled(4), caret, area.height - scaled(8)}, accent);
            return;
        }
        roundedRect(area, 4, recess);
        const std::string_view shown = bounded(state_.texts[index]);
        // A word ("Off", "Yes") is the whole text; a number takes its unit.
        const char first = shown.empty() ? '\0' : shown[0];
        const bool number = (first >= '0' && first <= '9') || first == '-' || first == '+' || first == '.';
        char line[64];
        if (number && record.label[0] != '\0') {
            std::snprintf(line, sizeof line, "%.*s %s", static_cast<int>(shown.size()), shown.data(), record.label);
        } else {
            std::snprintf(line, sizeof line, "%.*s", static_cast<int>(shown.size()), shown.data());
        }
        centredText(line, area, 11, text);
    }

    const EditorState& state_;
    PixelCanvas& canvas_;
    EditorLayout layout_;
    const TextFont& font_;
};

}  // namespace

void drawEditor(const EditorState& state, PixelCanvas& canvas) { Painter(state, canvas).paint(); }
