#include "Oversampler.h"

#include "HostError.h"

#include <soxr.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <strings.h>

namespace ondulaxis::tool {

namespace {

// Linear phase: every frequency is delayed alike, so one shift aligns the
// output with the input and harmonics keep their phase relations, which
// the waveshaper's output depends on. Its pre-ringing sits only around
// sharp edges, a few hundred microseconds before them, and at the start of
// a file it falls before the first frame where nothing is cut.
soxr* createResampler(double inputRate, double outputRate, int channels) {
    const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_VHQ, SOXR_LINEAR_PHASE);
    const soxr_runtime_spec_t runtime = soxr_runtime_spec(1);
    soxr_error_t error = nullptr;
    soxr* resampler = soxr_create(inputRate, outputRate, static_cast<unsigned>(channels), &error, &io, &quality,
                                  &runtime);
    if (error != nullptr || resampler == nullptr) {
        throw HostError(std::string("cannot create the resampler: ") + (error != nullptr ? error : "unknown error"));
    }
    return resampler;
}

// Pushes all of `frames` through the resampler, appending whatever comes
// out. A null input is soxr's sign for the end of the stream, so an empty
// buffer (whose data() may be null) must never reach it.
void resample(soxr* resampler, const float* input, std::size_t frames, int channels, double ratio,
              std::vector<float>& output) {
    if (frames == 0) return;
    const std::size_t stride = static_cast<std::size_t>(channels);
    const std::size_t room = static_cast<std::size_t>(std::ceil(static_cast<double>(frames) * ratio)) + 1024;
    std::size_t consumed = 0;
    for (;;) {
        const std::size_t start = output.size();
        output.resize(start + room * stride);
        std::size_t used = 0;
        std::size_t produced = 0;
        const soxr_error_t error =
            soxr_process(resampler, input + consumed * stride, frames - consumed,
                         &used, output.data() + start, room, &produced);
        output.resize(start + produced * stride);
        if (error != nullptr) throw HostError(std::string("resampling failed: ") + error);
        consumed += used;
        // Flushing ends once the resampler has nothing left; feeding, once
        // all input is taken and the output had room to spare.
        if (consumed == frames && produced < room) break;
    }
}

// Ends the stream and appends the resampler's remaining output.
void drain(soxr* resampler, int channels, std::vector<float>& output) {
    const std::size_t stride = static_cast<std::size_t>(channels);
    constexpr std::size_t kRoom = 4096;
    for (;;) {
        const std::size_t start = output.size();
        output.resize(start + kRoom * stride);
        std::size_t produced = 0;
        const soxr_error_t error = soxr_process(resampler, nullptr, 0, nullptr, output.data() + start, kRoom, &produced);
        output.resize(start + produced * stride);
        if (error != nullptr) throw HostError(std::string("resampling failed: ") + error);
        if (produced == 0) break;
    }
}

// The delay of the up- and downsampler in a row, in frames at the input
// rate: where an impulse comes out. libsoxr removes its filters' delay
// itself, so this is 0 with the library as it is; measuring keeps the
// output aligned should that change.
int64_t measureLatency(double rate, int factor) {
    soxr* up = createResampler(rate, rate * factor, 1);
    soxr* down = createResampler(rate * factor, rate, 1);
    constexpr std::size_t kOffset = 64;
    std::vector<float> impulse(4096, 0.0f);
    impulse[kOffset] = 1.0f;
    std::vector<float> upsampled;
    std::vector<float> output;
    try {
        resample(up, impulse.data(), impulse.size(), 1, factor, upsampled);
        drain(up, 1, upsampled);
        resample(down, upsampled.data(), upsampled.size(), 1, 1.0 / factor, output);
        drain(down, 1, output);
    } catch (...) {
        soxr_delete(up);
        soxr_delete(down);
        throw;
    }
    soxr_delete(up);
    soxr_delete(down);
    const auto peak = std::max_element(output.begin(), output.end(),
                                       [](float a, float b) { return std::fabs(a) < std::fabs(b); });
    return static_cast<int64_t>(peak - output.begin()) - static_cast<int64_t>(kOffset);
}

}  // namespace

OversampledSession::OversampledSession(std::shared_ptr<const EffectSource> source, SessionSettings settings,
                                       int factor)
    : factor_(factor), channels_(settings.channels), blockSize_(settings.blockSize) {
    if (std::find(std::begin(kOversamplingFactors), std::end(kOversamplingFactors), factor) ==
        std::end(kOversamplingFactors)) {
        throw HostError("oversampling takes a factor of 1, 2, 4, 8 or 16, not " + std::to_string(factor));
    }
    const double rate = settings.sampleRate;
    settings.sampleRate = rate * factor;
    settings.blockSize = blockSize_ * factor;
    session_ = source->open(settings);
    // Bypassed, the output is the input, whoever bypasses: a plug-in's own
    // bypass may or may not keep the delay it reports, and resamplers would
    // not give an exact copy.
    bypassed_ = session_->bypassMode() != BypassMode::none;
    pluginLatency_ = bypassed_ ? 0 : session_->latency();
    pluginToSkip_ = pluginLatency_;
    if (factor_ == 1 || bypassed_) return;
    latency_ = std::max<int64_t>(0, measureLatency(rate, factor_));
    toSkip_ = latency_;
    up_ = createResampler(rate, rate * factor_, channels_);
    try {
        down_ = createResampler(rate * factor_, rate, channels_);
    } catch (...) {
        soxr_delete(up_);
        throw;
    }
}

OversampledSession::~OversampledSession() {
    if (up_ != nullptr) soxr_delete(up_);
    if (down_ != nullptr) soxr_delete(down_);
}

void OversampledSession::runPlugin(const float* upsampled, std::size_t frames, std::vector<float>& output) {
    const std::size_t stride = static_cast<std::size_t>(channels_);
    const std::size_t block = static_cast<std::size_t>(blockSize_) * static_cast<std::size_t>(factor_);
    const std::size_t start = output.size();
    output.resize(start + frames * stride);
    for (std::size_t done = 0; done < frames; done += block) {
        const std::size_t count = std::min(block, frames - done);
        session_->processBlock(upsampled + done * stride, output.data() + start + done * stride,
                               static_cast<int32_t>(count));
    }
    const std::size_t skipped = static_cast<std::size_t>(std::min<int64_t>(pluginToSkip_, static_cast<int64_t>(frames)));
    pluginToSkip_ -= static_cast<int64_t>(skipped);
    output.erase(output.begin() + static_cast<std::ptrdiff_t>(start),
                 output.begin() + static_cast<std::ptrdiff_t>(start + skipped * stride));
}

void OversampledSession::flushPlugin(std::vector<float>& output) {
    // Silence in, the plug-in's delayed tail out, as many frames as were dropped.
    const std::vector<float> silence(static_cast<std::size_t>(pluginLatency_) * static_cast<std::size_t>(channels_),
                                     0.0f);
    runPlugin(silence.data(), static_cast<std::size_t>(pluginLatency_), output);
}

void OversampledSession::emit(const float* frames, std::size_t count, std::vector<float>& output) {
    const std::size_t stride = static_cast<std::size_t>(channels_);
    const std::size_t skipped = static_cast<std::size_t>(std::min<int64_t>(toSkip_, static_cast<int64_t>(count)));
    toSkip_ -= static_cast<int64_t>(skipped);
    // Never more frames than went in: the rest is the filters' tail.
    const std::size_t kept = static_cast<std::size_t>(
        std::clamp<int64_t>(framesIn_ - framesOut_, 0, static_cast<int64_t>(count - skipped)));
    output.insert(output.end(), frames + skipped * stride, frames + (skipped + kept) * stride);
    framesOut_ += static_cast<int64_t>(kept);
}

void OversampledSession::process(const float* input, int64_t frames, std::vector<float>& output) {
    if (frames <= 0) return;
    framesIn_ += frames;
    if (bypassed_) {
        output.insert(output.end(), input, input + frames * channels_);
        framesOut_ += frames;
        return;
    }
    if (factor_ == 1) {
        const std::size_t before = output.size();
        runPlugin(input, static_cast<std::size_t>(frames), output);
        framesOut_ += static_cast<int64_t>((output.size() - before) / static_cast<std::size_t>(channels_));
        return;
    }
    upsampled_.clear();
    resample(up_, input, static_cast<std::size_t>(frames), channels_, factor_, upsampled_);
    processed_.clear();
    runPlugin(upsampled_.data(), upsampled_.size() / static_cast<std::size_t>(channels_), processed_);
    downsampled_.clear();
    resample(down_, processed_.data(), processed_.size() / static_cast<std::size_t>(channels_), channels_,
             1.0 / factor_, downsampled_);
    emit(downsampled_.data(), downsampled_.size() / static_cast<std::size_t>(channels_), output);
}

void OversampledSession::finish(std::vector<float>& output) {
    if (factor_ > 1 && !bypassed_) {
        upsampled_.clear();
        drain(up_, channels_, upsampled_);
        processed_.clear();
        runPlugin(upsampled_.data(), upsampled_.size() / static_cast<std::size_t>(channels_), processed_);
        flushPlugin(processed_);
        downsampled_.clear();
        resample(down_, processed_.data(), processed_.size() / static_cast<std::size_t>(channels_), channels_,
                 1.0 / factor_, downsampled_);
        drain(down_, channels_, downsampled_);
        emit(downsampled_.data(), downsampled_.size() / static_cast<std::size_t>(channels_), output);
        // A file shorter than the filters' delay: the rest is silence.
        if (framesOut_ < framesIn_) {
            output.resize(output.size() + static_cast<std::size_t>(framesIn_ - framesOut_) *
                                              static_cast<std::size_t>(channels_), 0.0f);
            framesOut_ = framesIn_;
        }
    } else if (pluginLatency_ > 0) {
        // Only the frames that went in come out; a file shorter than the
        // delay gets the start of the tail.
        std::vector<float> tail;
        flushPlugin(tail);
        const std::size_t kept = static_cast<std::size_t>(framesIn_ - framesOut_) * static_cast<std::size_t>(channels_);
        output.insert(output.end(), tail.begin(), tail.begin() + static_cast<std::ptrdiff_t>(std::min(kept, tail.size())));
        framesOut_ = framesIn_;
    }
    session_->finish();
}

}  // namespace ondulaxis::tool
