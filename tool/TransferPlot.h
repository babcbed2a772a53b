// The picture behind --plot: the transfer curve of the current settings and
// an excerpt of input and output waveforms, as hand-written SVG.
#pragma once

#include "RenderedEffect.h"
#include "TransferCurve.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace ondulaxis::tool {

// The command is built on the host library and names its types unqualified.
using namespace ondulaxis::host;

struct WaveformExcerpt {
    std::vector<float> input;
    std::vector<float> output;
    double sampleRate = 48000.0;
    int64_t startFrame = 0;
};

// Output against input for the slow ramp, measured on a fresh mono instance
// with the settings' parameters and bypass.
TransferCurve measureTransferCurve(const EffectSource& source, SessionSettings settings);

// Keeps a short stretch of the first channel around the first sample loud
// enough to see, or the file's start if it is never that loud.
class ExcerptRecorder {
public:
    ExcerptRecorder(double sampleRate, int channels);
    // [render loop] interleaved frames, as read and as processed
    void feed(const float* input, const float* output, int64_t frames);
    WaveformExcerpt excerpt() const;

private:
    void keep(float input, float output);

    double sampleRate_;
    int channels_;
    std::size_t length_;
    std::size_t leadIn_;
    int64_t position_ = 0;
    bool triggered_ = false;
    int64_t capturedStart_ = 0;
    std::deque<std::pair<float, float>> recent_;
    WaveformExcerpt head_;
    WaveformExcerpt captured_;
};

// A complete SVG document with both panels, a title and a subtitle.
std::string transferPlotSvg(const TransferCurve& curve, const WaveformExcerpt& excerpt, const std::string& title,
                            const std::string& subtitle);

}  // namespace ondulaxis::tool
