// Runs a plug-in at a multiple of a file's sample rate: an upsampler, the
// plug-in at the higher rate, a downsampler, and the output at the file's
// rate aligned with the input.
#pragma once

#include "DisplayUnits.h"
#include "LayoutSession.h"

#include <cstdint>
#include <memory>
#include <ostream>
#include <vector>

struct soxr;

namespace ondulaxis::tool {

// The command is built on the host library and names its types unqualified.
using namespace ondulaxis::host;

constexpr int kOversamplingFactors[] = {1, 2, 4, 8, 16};

class OversampledSession {
public:
    // `settings` describe the file: its rate and block size. The plug-in is
    // told `factor` times both. A factor of 1 runs the plug-in directly.
    OversampledSession(std::shared_ptr<const EffectSource> source, SessionSettings settings, int factor);
    ~OversampledSession();
    OversampledSession(const OversampledSession&) = delete;
    OversampledSession& operator=(const OversampledSession&) = delete;

    RenderedEffect& session() { return *session_; }
    // Frames the resamplers delay the signal by, at the file's rate, beyond
    // what libsoxr removes itself; the output is shifted back by this much.
    int64_t latency() const { return latency_; }
    // Bypassed (by the plug-in or the host): the output is the input, exactly.
    bool bypassed() const { return bypassed_; }
    // The delay the plug-in reports, in frames at the rate it runs at: its
    // first output frames are dropped and its tail flushed with silence, so
    // that the output is aligned with the input for any plug-in.
    int32_t pluginLatency() const { return pluginLatency_; }

    // Processes interleaved frames (any count) and appends the output frames
    // that are ready, aligned with the input, to `output`.
    void process(const float* input, int64_t frames, std::vector<float>& output);
    // Drains the resamplers and appends the rest, so that the output has as
    // many frames as the input had. Then closes the plug-in.
    void finish(std::vector<float>& output);

private:
    void runPlugin(const float* upsampled, std::size_t frames, std::vector<float>& output);
    void flushPlugin(std::vector<float>& output);
    void emit(const float* frames, std::size_t count, std::vector<float>& output);

    int factor_;
    bool bypassed_ = false;
    int channels_;
    int32_t blockSize_;
    std::unique_ptr<RenderedEffect> session_;
    soxr* up_ = nullptr;
    soxr* down_ = nullptr;
    int64_t latency_ = 0;
    int32_t pluginLatency_ = 0;
    int64_t pluginToSkip_ = 0;
    int64_t framesIn_ = 0;
    int64_t framesOut_ = 0;
    int64_t toSkip_ = 0;
    std::vector<float> upsampled_;
    std::vector<float> processed_;
    std::vector<float> downsampled_;
};

}  // namespace ondulaxis::tool
