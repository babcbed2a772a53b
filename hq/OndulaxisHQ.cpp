#include "OndulaxisHQ.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "EmbeddedEffectHost.h"
#include "HQIdentity.h"
#include "HQParameters.h"
#include "ParameterCurves.h"

namespace {

// Samples in `seconds` at the host's rate; a rate a host never gives counts
// as 44.1 kHz.
int32_t framesIn(double seconds, float rate) noexcept {
    const double hostRate = std::isfinite(rate) && rate >= 1000.0f && rate <= 1.0e6f ? rate : 44100.0;
    return std::max(1, static_cast<int32_t>(std::lround(seconds * hostRate)));
}

}  // namespace

// The defaults of the own values wait in the mailbox with the effect's, so
// the first block takes them.
OndulaxisHQ::OndulaxisHQ(audioMasterCallback audioMaster)
    : Ondulaxis(audioMaster, ondulaxisHQParameters, ondulaxisHQIdentity) {
    setInitialDelay(latency());
}

int32_t OndulaxisHQ::stagesFor(float value) noexcept {
    // Stepped: fifths of the range, the top one reaching 1.0 itself. NaN
    // and values below the range are 1x.
    if (!(value > 0.0f)) {
        return 0;
    }
    const float clamped = std::min(value, 1.0f);
    return std::min(oversampling::maxStages, static_cast<int32_t>(clamped * 5.0f));
}

int32_t OndulaxisHQ::renderStagesFor(float value) noexcept {
    // Thirds: as playback, 8x, 16x.
    if (!(value >= 1.0f / 3.0f)) {
        return -1;
    }
    return value < 2.0f / 3.0f ? 3 : 4;
}

int32_t OndulaxisHQ::latency() noexcept {
    static const int32_t longest = [] {
        int32_t most = 0;
        for (int32_t stages = 0; stages <= oversampling::maxStages; ++stages) {
            most = std::max(most, oversampling::chainLatency(stages));
        }
        return most;
    }();
    return longest;
}

// A new factor's chain reads input from its start on after twice its
// delay, so its output is then what it would have been all along.
int32_t OndulaxisHQ::fillFrames() noexcept { return 2 * latency() + 2; }

int32_t OndulaxisHQ::changeFrames(float rate) noexcept {
    return fillFrames() + framesIn(fadeSeconds, rate);
}

void OndulaxisHQ::processReplacing(float** inputs, float** outputs, int32_t sampleFrames) noexcept {
    runBlock(inputs, outputs, sampleFrames, false);
}

void OndulaxisHQ::process(float** inputs, float** outputs, int32_t sampleFrames) noexcept {
    runBlock(inputs, outputs, sampleFrames, true);
}

double OndulaxisHQ::Glide::at(double offset) const noexcept {
    const double done = static_cast<double>(elapsed) + offset;
    if (done >= static_cast<double>(length)) {
        return to;
    }
    return from + (static_cast<double>(to) - from) * (done / static_cast<double>(length));
}

void OndulaxisHQ::Glide::aim(float value, int32_t frames) noexcept {
    from = static_cast<float>(at(0.0));
    to = value;
    elapsed = 0;
    length = frames;
}

int32_t OndulaxisHQ::FactorChange::framesToPhaseEnd() const noexcept {
    return (fading() ? warmFrames + fadeFrames : warmFrames) - elapsed;
}

void OndulaxisHQ::FactorChange::advance(int32_t frames) noexcept {
    if (!running()) {
        return;
    }
    elapsed += frames;
    if (elapsed >= warmFrames + fadeFrames) {
        heard = 1 - heard;
        elapsed = -1;
    }
}

// Linear: both are the same sound but for what folds back, so equal gains
// keep its level.
void OndulaxisHQ::FactorChange::fade(float* wet, const float* next, int32_t frames) const noexcept {
    const int32_t into = elapsed - warmFrames;
    const float scale = 1.0f / static_cast<float>(fadeFrames + 1);
    for (int32_t i = 0; i < frames; ++i) {
        const float share = static_cast<float>(into + i + 1) * scale;
        wet[i] += (next[i] - wet[i]) * share;
    }
}

// The host is asked only while a Render factor is chosen: the usual block
// makes no call.
int32_t OndulaxisHQ::wantedStages() noexcept {
    const int32_t render = renderStagesFor(blockState.paramValues[renderIndex]);
    if (render >= 0 && getCurrentProcessLevel() == embeddedEffectHost::offlineLevel) {
        return render;
    }
    return stagesFor(blockState.paramValues[oversampleIndex]);
}

// After construction and every resume: the wanted factor at once, nothing
// held from before, every control at its value.
void OndulaxisHQ::restart(int32_t stages) noexcept {
    started = true;
    paths[0].stages = stages;
    for (Path& path : paths) {
        for (auto& resampler : path.resamplers) resampler.clear();
        path.slewState[0] = 0.0f;
        path.slewState[1] = 0.0f;
    }
    std::memset(dryRing, 0, sizeof dryRing);
    // The rate is set before a resume, whose request this block took.
    change = {0, -1, fillFrames(), framesIn(fadeSeconds, sampleRate)};
    glideFrames = framesIn(glideSeconds, sampleRate);
    quietFrames = change.warmFrames;
}

// Frames since the input or the output last held anything but zeros.
void OndulaxisHQ::countQuiet(const float* const* input, const float* const* output, int32_t channels,
                             int32_t frames) noexcept {
    int32_t last = -1;
    for (int32_t c = 0; c < channels; ++c) {
        for (const float* samples : {input[c], output[c]}) {
            int32_t i = frames - 1;
            while (i > last && samples[i] == 0.0f) --i;
            last = std::max(last, i);
        }
    }
    quietFrames = last < 0 ? std::min(quietFrames + frames, 1 << 30) : frames - 1 - last;
}

// Linear in the normalised value, so the gains move evenly in decibels, the
// blends evenly in share; a straight line reaches its value exactly, after
// which the coefficients are the fixed ones again. A new value mid-way
// starts a new line from where the old one got to.
void OndulaxisHQ::aimGlides(bool settle) noexcept {
    const float* values = blockState.paramValues;
    const float targets[glideCount] = {values[InGain],
                                       values[FuncMix],
                                       values[AmpMin],
                                       steady.zeroCrossMode ? 1.0f : 0.0f,
                                       values[OutGain],
                                       std::clamp(values[dryWetIndex], 0.0f, 1.0f),
                                       blockState.bypass ? 1.0f : 0.0f};
    for (int32_t k = 0; k < glideCount; ++k) {
        if (settle || glides[k].to != targets[k]) {
            glides[k].aim(targets[k], settle ? 0 : glideFrames);
        }
    }
}

// While nothing sounds the heard path takes a new factor at once; otherwise
// the new factor starts from silence in its filters and from the tracked
// values of the old one, and is heard once its filters hold sound.
void OndulaxisHQ::chooseFactor(bool quiet) noexcept {
    if (change.running()) {
        return;
    }
    const int32_t wanted = wantedStages();
    Path& heard = paths[change.heard];
    if (wanted == heard.stages) {
        return;
    }
    Path& next = quiet ? heard : paths[1 - change.heard];
    next.stages = wanted;
    for (auto& resampler : next.resamplers) resampler.clear();
    if (!quiet) {
        std::memcpy(next.slewState, heard.slewState, sizeof next.slewState);
        change.elapsed = 0;
    }
}

int32_t OndulaxisHQ::framesToNextChange(int32_t frames) const noexcept {
    for (const Glide& glide : glides) {
        if (glide.moving()) frames = std::min(frames, glide.length - glide.elapsed);
    }
    return change.running() ? std::min(frames, change.framesToPhaseEnd()) : frames;
}

void OndulaxisHQ::advance(int32_t frames) noexcept {
    for (Glide& glide : glides) {
        glide.elapsed = std::min(glide.length, glide.elapsed + frames);
    }
    change.advance(frames);
    dryPosition += static_cast<uint32_t>(frames);
}

// The gains' curve, 2^(8 (v + shift)), at each host sample's end, and
// straight between them at the kernels' rate.
void OndulaxisHQ::scaleGliding(float* samples, int32_t frames, int32_t factor, const Glide& glide,
                               double shift) noexcept {
    double before = exactMath::exp2Float(parameterCurves::gainOctaves * (glide.at(0.0) + shift));
    for (int32_t i = 0; i < frames; ++i) {
        const double after = exactMath::exp2Float(parameterCurves::gainOctaves * (glide.at(i + 1.0) + shift));
        for (int32_t k = 0; k < factor; ++k) {
            const double gain = before + (after - before) * (k + 1) / factor;
            float& sample = samples[i * factor + k];
            sample = static_cast<float>(static_cast<double>(sample) * gain);
        }
        before = after;
    }
}

// The distorting kernel of the route the block runs, bypassed or not.
Ondulaxis::Kernel OndulaxisHQ::distortingKernel() const noexcept {
    if (replaceKernel == kernelTables.replace[1]) return kernelTables.replace[0];
    if (replaceKernel == kernelTables.replace[3]) return kernelTables.replace[2];
    return replaceKernel;
}

// Runs of the dry line from `position` on, in at most two pieces where it wraps.
void OndulaxisHQ::toRing(float* ring, uint32_t position, const float* from, int32_t frames) noexcept {
    const uint32_t first = position & (dryRingSize - 1);
    const int32_t head = std::min(frames, static_cast<int32_t>(dryRingSize - first));
    std::memcpy(ring + first, from, sizeof(float) * static_cast<size_t>(head));
    std::memcpy(ring, from + head, sizeof(float) * static_cast<size_t>(frames - head));
}

void OndulaxisHQ::fromRing(const float* ring, uint32_t position, float* to, int32_t frames) noexcept {
    const uint32_t first = position & (dryRingSize - 1);
    const int32_t head = std::min(frames, static_cast<int32_t>(dryRingSize - first));
    std::memcpy(to, ring + first, sizeof(float) * static_cast<size_t>(head));
    std::memcpy(to + head, ring, sizeof(float) * static_cast<size_t>(frames - head));
}

void OndulaxisHQ::runPath(Path& path, int32_t channels, int32_t frames, float* const* result) noexcept {
    const int32_t factor = 1 << path.stages;
    const int32_t highFrames = frames * factor;
    // Every factor is delayed to the one latency: what its chain lacks, the
    // dry line gives before it.
    const uint32_t pad = static_cast<uint32_t>(latency() - oversampling::chainLatency(path.stages));
    const Glide& inGlide = glides[inGainGlide];
    const Glide& outGlide = glides[outGainGlide];
    for (int32_t c = 0; c < channels; ++c) {
        float* source = pathInput[c];
        fromRing(dryRing[c], dryPosition - pad, source, frames);
        if (path.stages == 0) {
            std::memcpy(work[c], source, sizeof(float) * static_cast<size_t>(frames));
        } else {
            path.resamplers[c].up(path.stages, source, work[c], frames);
        }
    }
    // Gliding gains are applied at the kernels' rate, next to them, the
    // kernels' own left at 1: the filters then never hold a signal scaled
    // otherwise than the one that follows, when the glide ends.
    if (inGlide.moving()) {
        for (int32_t c = 0; c < channels; ++c) scaleGliding(work[c], frames, factor, inGlide, 0.0);
    }
    working = steady;
    if (inGlide.moving()) working.inGain = 1.0f;
    if (outGlide.moving()) working.outGain = 1.0f;
    // The same slope per second at every rate: the working step per sample
    // is the host-rate step divided by the factor, exactly (a power of two),
    // so no setting is rounded to another one. "Off" stays off.
    if (steady.slewLimit != parameterCurves::slewOff) {
        working.slewLimit = std::ldexp(steady.slewLimit, -path.stages);
    }
    // Bypassed for good, the kernels only track the input; otherwise they
    // distort, so that a bypass fading in or out has the effect to fade.
    const Kernel kernel = glides[bypassGlide].moving() || glides[bypassGlide].to == 0.0f
                              ? distortingKernel()
                              : replaceKernel;
    // The output is linear in FuncMix and in AmpMin, and a change of ZeroX
    // fades from one shape to the other: a moving one is run at both its
    // ends and the results are weighed per sample. Steady ones run once.
    int32_t moving[3];
    int32_t movingCount = 0;
    for (int32_t slot : {funcMixGlide, ampMinGlide, zeroXGlide}) {
        if (glides[slot].moving()) moving[movingCount++] = slot;
    }
    if (movingCount == 0) {
        std::memcpy(slewState, path.slewState, sizeof slewState);
        (this->*kernel)(work[0], work[1], work[0], work[1], highFrames);
    } else {
        const double step = 1.0 / factor;
        for (int32_t corner = 0; corner < (1 << movingCount); ++corner) {
            for (int32_t b = 0; b < movingCount; ++b) {
                const bool high = ((corner >> b) & 1) != 0;
                if (moving[b] == funcMixGlide) working.funcMix = high ? 1.0f : 0.0f;
                if (moving[b] == ampMinGlide) {
                    working.ampMin = high ? 1.0f : 0.0f;
                    working.ampRange = 1.0f - working.ampMin;
                }
                if (moving[b] == zeroXGlide) working.zeroCrossMode = high;
            }
            std::memcpy(slewState, path.slewState, sizeof slewState);
            (this->*kernel)(work[0], work[1], cornerOutput[0], cornerOutput[1], highFrames);
            for (int32_t c = 0; c < channels; ++c) {
                for (int32_t j = 0; j < highFrames; ++j) {
                    double weight = 1.0;
                    for (int32_t b = 0; b < movingCount; ++b) {
                        const double value = glides[moving[b]].at((j + 1) * step);
                        weight *= ((corner >> b) & 1) != 0 ? value : 1.0 - value;
                    }
                    const float part = static_cast<float>(weight * cornerOutput[c][j]);
                    blend[c][j] = corner == 0 ? part : blend[c][j] + part;
                }
            }
        }
        for (int32_t c = 0; c < channels; ++c) {
            std::memcpy(work[c], blend[c], sizeof(float) * static_cast<size_t>(highFrames));
        }
    }
    std::memcpy(path.slewState, slewState, sizeof slewState);
    if (outGlide.moving()) {
        for (int32_t c = 0; c < channels; ++c) scaleGliding(work[c], frames, factor, outGlide, -1.0);
    }
    for (int32_t c = 0; c < channels; ++c) {
        if (path.stages == 0) {
            std::memcpy(result[c], work[c], sizeof(float) * static_cast<size_t>(frames));
        } else {
            path.resamplers[c].down(path.stages, work[c], result[c], frames);
        }
    }
}

void OndulaxisHQ::runChunk(int32_t channels, int32_t frames) noexcept {
    float* wet[2] = {pathOutput[0][0], pathOutput[0][1]};
    runPath(paths[change.heard], channels, frames, wet);
    if (!change.running()) {
        return;
    }
    float* next[2] = {pathOutput[1][0], pathOutput[1][1]};
    runPath(paths[1 - change.heard], channels, frames, next);
    if (change.fading()) {
        for (int32_t c = 0; c < channels; ++c) change.fade(wet[c], next[c], frames);
    }
}

// Bypass passes the input, delayed as the effect's output would be; it fades
// in and out as the blend glides. While DryWet and bypass hold still the
// blend is one for the whole chunk.
template <bool accumulate>
void OndulaxisHQ::writeOutput(float* const* out, const float* const* wet, int32_t channels,
                              int32_t frames) noexcept {
    const Glide& mix = glides[dryWetGlide];
    const Glide& pass = glides[bypassGlide];
    const bool moving = mix.moving() || pass.moving();
    const float share = pass.to == 1.0f ? 0.0f : mix.to;
    float shares[oversampling::chunkFrames];
    for (int32_t i = 0; moving && i < frames; ++i) {
        shares[i] = static_cast<float>(mix.at(i + 1.0) * (1.0 - pass.at(i + 1.0)));
    }
    float dry[oversampling::chunkFrames];
    for (int32_t c = 0; c < channels; ++c) {
        float* target = out[c];
        const float* effect = wet[c];
        const auto put = [target](int32_t i, float value) {
            target[i] = accumulate ? target[i] + value : value;
        };
        if (moving || share != 1.0f) {
            fromRing(dryRing[c], dryPosition - static_cast<uint32_t>(latency()), dry, frames);
        }
        if (moving) {
            for (int32_t i = 0; i < frames; ++i) {
                const float s = shares[i];
                put(i, s == 0.0f ? dry[i] : s == 1.0f ? effect[i] : effect[i] * s + dry[i] * (1.0f - s));
            }
        } else if (share == 1.0f) {
            for (int32_t i = 0; i < frames; ++i) put(i, effect[i]);
        } else if (share == 0.0f) {
            for (int32_t i = 0; i < frames; ++i) put(i, dry[i]);
        } else {
            for (int32_t i = 0; i < frames; ++i) put(i, effect[i] * share + dry[i] * (1.0f - share));
        }
    }
}

void OndulaxisHQ::runBlock(float** inputs, float** outputs, int32_t sampleFrames,
                           bool accumulate) noexcept {
    prepareBlock();
    const bool restarting = !started || blockState.resetRequest || blockState.clearRequest;
    if (restarting) {
        restart(wantedStages());
    }
    if (!blockState.active) {
        return;
    }
    steady = working;
    // While nothing sounds, neither in the filters nor in the dry line, a
    // change is taken at once: no glide or fade is heard, and a host that
    // sets its values after the first block renders as if it had set them
    // before.
    const bool quiet = quietFrames >= change.warmFrames;
    aimGlides(restarting || quiet);
    chooseFactor(quiet);
    if (sampleFrames <= 0 || inputs == nullptr || outputs == nullptr) {
        return;
    }
    float* in[2] = {inputs[route[inA]], inputs[route[inB]]};
    float* out[2] = {outputs[route[outA]], outputs[route[outB]]};
    if (in[0] == nullptr || in[1] == nullptr || out[0] == nullptr || out[1] == nullptr) {
        return;
    }
    const int32_t channels = route[outA] == route[outB] ? 1 : 2;
    const auto write = accumulate ? &OndulaxisHQ::writeOutput<true> : &OndulaxisHQ::writeOutput<false>;
    for (int32_t start = 0; start < sampleFrames;) {
        const int32_t frames =
            framesToNextChange(std::min(oversampling::chunkFrames, sampleFrames - start));
        // Every input is read before any output is written: they may share buffers.
        for (int32_t c = 0; c < channels; ++c) {
            toRing(dryRing[c], dryPosition, in[c] + start, frames);
        }
        runChunk(channels, frames);
        const float* wet[2] = {pathOutput[0][0], pathOutput[0][1]};
        const float* chunkInput[2] = {in[0] + start, in[1] + start};
        countQuiet(chunkInput, wet, channels, frames);
        float* target[2] = {out[0] + start, out[1] + start};
        (this->*write)(target, wet, channels, frames);
        advance(frames);
        start += frames;
    }
    working = steady;
}
