#include "EditorSession.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <vector>

#include "EditorDrawing.h"
#include "EditorLayout.h"
#include "TransferMeasurement.h"

namespace {

// Two points a column (each column's lowest and highest output), so folds
// finer than a column stay visible as its span.
constexpr int32_t curveColumns = (maxCurvePoints - 1) / 2;

// The curve as a path across each column's span, from its left edge to its
// right, in the order strokeThrough gives. None when the measure gave no curve.
int32_t curvePoints(const TransferCurve& curve, SignalPoint* points) {
    if (curve.input.size() != curve.output.size()) return 0;
    const std::vector<TransferColumn> columns = transferColumns(curve, curveColumns);
    const auto edge = [](int32_t column) { return static_cast<float>(2 * column) / curveColumns - 1.0f; };
    int32_t count = 0;
    double previous = 0.0;
    for (int32_t column = 0; column < curveColumns; ++column) {
        const TransferColumn& span = columns[static_cast<size_t>(column)];
        if (span.low > span.high) continue;
        const TransferStroke stroke = strokeThrough(span, previous);
        points[count++] = {edge(column), stroke.first};
        points[count++] = {edge(column + 1), stroke.second};
        previous = stroke.second;
    }
    return count;
}

}  // namespace

TransferCurve measureOndulaxis(std::span<const float> values) {
    return transferMeasurement::curveOf<Ondulaxis>(values);
}

void EditorSession::OpenGesture::begin(int32_t index) noexcept {
    index_ = index;
    host_.begin(index);
}

void EditorSession::OpenGesture::end(int32_t index) noexcept {
    index_ = -1;
    host_.end(index);
}

EditorSession::EditorSession(const ParameterTable& table, const char* title, EditorParameters& parameters,
                             GestureSink& gestures, CurveMeasure measure, const LiveSignal* live,
                             int32_t scalePercent)
    : parameters_(parameters),
      gestures_(gestures),
      measure_(measure),
      state_(makeEditorState(table, title, scalePercent)),
      interaction_(state_, gestures_),
      canvas_(size().width, size().height) {
    if (live != nullptr) live_.emplace(*live);
}

EditorSession::~EditorSession() { interaction_.finish(); }

PixelRect EditorSession::size(int32_t scalePercent) const noexcept {
    const EditorLayout layout(state_.count(), nearestEditorScale(scalePercent));
    return {0, 0, layout.width(), layout.height()};
}

void EditorSession::setScale(int32_t percent) {
    const int32_t scale = nearestEditorScale(percent);
    if (scale == state_.scalePercent) return;
    // A drag's distances in pixels mean another amount at another scale.
    interaction_.finish();
    state_.scalePercent = scale;
    canvas_ = PixelCanvas(size().width, size().height);
    drawnValid_ = false;
}

void EditorSession::ignoreForCurve(int32_t index) noexcept {
    if (index >= 0 && index < 32) curveIgnores_ |= 1u << index;
}

void EditorSession::handle(const EditorEvent& event) noexcept { interaction_.handle(event); }

bool EditorSession::tick(uint32_t milliseconds) {
    followValues();
    if (!curveIsCurrent() && (!measured_ || milliseconds - measuredTime_ >= frameMilliseconds)) {
        measureCurve();
        measured_ = true;
        measuredTime_ = milliseconds;
    }
    if (live_ && (!liveRead_ || milliseconds - liveTime_ >= frameMilliseconds)) {
        state_.liveCount = live_->read(state_.live, milliseconds);
        liveRead_ = true;
        liveTime_ = milliseconds;
    }
    if (drawnValid_ && state_ == drawn_) return false;
    drawEditor(state_, canvas_);
    drawn_ = state_;
    drawnValid_ = true;
    return true;
}

void EditorSession::followValues() noexcept {
    for (int32_t index = 0; index < state_.count(); ++index) {
        // The value of a control in the user's hand is the user's.
        if (index == gestures_.index()) continue;
        const float value = parameters_.value(index);
        if (std::bit_cast<uint32_t>(value) != std::bit_cast<uint32_t>(state_.values[index])) {
            setEditorValue(state_, index, value);
        }
    }
}

bool EditorSession::curveIsCurrent() const noexcept {
    if (measure_ == nullptr) return true;
    if (!measured_) return false;
    for (int32_t index = 0; index < state_.count(); ++index) {
        const bool ignored = index < 32 && (curveIgnores_ >> index & 1u) != 0;
        if (!ignored && std::bit_cast<uint32_t>(measuredValues_[index]) !=
                            std::bit_cast<uint32_t>(state_.values[index])) {
            return false;
        }
    }
    return true;
}

void EditorSession::measureCurve() {
    const int32_t count = state_.count();
    std::copy(state_.values, state_.values + count, measuredValues_);
    try {
        state_.curveCount = curvePoints(measure_(std::span<const float>(state_.values, count)), state_.curve);
    } catch (...) {
        // An instance that could not be made or started shows no curve.
        state_.curveCount = 0;
    }
}
