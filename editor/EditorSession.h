// One open editor over time, for a plug-in format's adapter to drive from
// its UI thread: it feeds the user's input to the controls, sends their
// changes to the host, follows the host's values, measures the curve anew
// when they change, reads the live signal, and draws only when the picture
// would differ from the one drawn last.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "EditorInteraction.h"
#include "EditorState.h"
#include "GestureSink.h"
#include "LiveSignal.h"
#include "PixelCanvas.h"
#include "TransferCurve.h"

// Where the session reads the values the plug-in holds.
class EditorParameters {
public:
    // [UI thread] the current normalised value; a change sent through the
    // session's gesture sink shows here by the next tick.
    virtual float value(int32_t index) noexcept = 0;

protected:
    ~EditorParameters() = default;
};

// [UI thread] the effect's transfer curve at `values` (normalised, the whole
// table by index). May allocate and throw.
using CurveMeasure = TransferCurve (*)(std::span<const float> values);

// The plain effect's curve, through a fresh instance of it. Ondulaxis HQ's
// adapter measures through a fresh OndulaxisHQ (which lies above this
// library) with Oversample at 1x and Render at Same, its playback value, so
// that nothing oversamples: at HQ's factor a measurement would cost the UI
// thread several times as much, and the same effect without its
// oversampling is HQ's own sound less what folds back. It tells the session
// to ignore both for the curve.
TransferCurve measureOndulaxis(std::span<const float> values);

class EditorSession {
public:
    // The session shows its changes at once and no faster than this (about
    // 30 frames a second): the curve is measured anew, and the live signal
    // read, at most once per period.
    static constexpr uint32_t frameMilliseconds = 33;

    // All but `title`'s text, `measure` and `live` are copied or referred to
    // and must outlive the session; a null `measure` leaves the curve out,
    // a null `live` the signal.
    EditorSession(const ParameterTable& table, const char* title, EditorParameters& parameters,
                  GestureSink& gestures, CurveMeasure measure, const LiveSignal* live = nullptr,
                  int32_t scalePercent = 100);
    // Ends a drag in progress, so that no gesture stays open.
    ~EditorSession();
    EditorSession(const EditorSession&) = delete;
    EditorSession& operator=(const EditorSession&) = delete;

    // [any thread] the editor's size at a scale (the nearest supported one),
    // whether a window is open or not.
    PixelRect size(int32_t scalePercent) const noexcept;
    // [UI thread] the editor's size at its current scale.
    PixelRect size() const noexcept { return size(state_.scalePercent); }
    int32_t scalePercent() const noexcept { return state_.scalePercent; }
    // [UI thread] takes the nearest supported scale; the next tick draws.
    void setScale(int32_t percent);

    // [UI thread] a parameter whose value the measured curve does not depend
    // on (HQ's Oversample and Render, measured at 1x): changing it alone
    // measures nothing.
    void ignoreForCurve(int32_t index) noexcept;

    // [UI thread] one event from the window; the next tick shows the result.
    void handle(const EditorEvent& event) noexcept;
    // [UI thread] ends a drag in progress, for a window that closes or
    // loses the pointer.
    void finish() noexcept { interaction_.finish(); }

    // [UI thread] called from the adapter's timer or idle at any rate up to
    // about 60 a second; `milliseconds` on any steady clock. True when it
    // drew a new picture into canvas() for the window to show. Allocates.
    bool tick(uint32_t milliseconds);

    const PixelCanvas& canvas() const noexcept { return canvas_; }
    const EditorState& state() const noexcept { return state_; }

private:
    // Passes the controls' gestures on, knowing which one is open.
    class OpenGesture final : public GestureSink {
    public:
        explicit OpenGesture(GestureSink& host) noexcept : host_(host) {}
        void begin(int32_t index) noexcept override;
        void change(int32_t index, float normalised) noexcept override { host_.change(index, normalised); }
        void end(int32_t index) noexcept override;
        int32_t index() const noexcept { return index_; }

    private:
        GestureSink& host_;
        int32_t index_ = -1;
    };

    void followValues() noexcept;
    bool curveIsCurrent() const noexcept;
    void measureCurve();

    EditorParameters& parameters_;
    OpenGesture gestures_;
    const CurveMeasure measure_;
    std::optional<LiveSignalReader> live_;
    EditorState state_;
    EditorInteraction interaction_;
    PixelCanvas canvas_;

    // The state canvas_ shows, when it shows one.
    EditorState drawn_;
    bool drawnValid_ = false;
    // The values the curve was measured at, and when.
    float measuredValues_[maxParamCount] = {};
    bool measured_ = false;
    uint32_t measuredTime_ = 0;
    uint32_t curveIgnores_ = 0;  // one bit per parameter index
    bool liveRead_ = false;
    uint32_t liveTime_ = 0;
};
