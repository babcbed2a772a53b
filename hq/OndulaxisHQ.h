// The oversampling twin of Ondulaxis: the same effect, its kernels run at 1,
// 2, 4, 8 or 16 times the host's rate between linear-phase resampling
// filters, with a dry/wet blend whose dry path is delayed alike.
//
// Made for a mix that moves. Every factor is delayed to one latency, so a
// factor change shifts nothing in time and the host never re-aligns; the
// change cross-fades from the old factor's output to the new one, both
// running meanwhile. The controls whose step would be heard glide to a new
// value; at steady settings the output is that of fixed coefficients.
#pragma once

#include <cstdint>

#include "Ondulaxis.h"
#include "Resampling.h"

class OndulaxisHQ : public Ondulaxis {
public:
    static constexpr int32_t oversampleIndex = 8;
    static constexpr int32_t dryWetIndex = 9;
    static constexpr int32_t renderIndex = 10;
    static constexpr int32_t hqParamCount = paramCount + 3;
    static_assert(hqParamCount <= maxParamCount, "the mailbox holds every value");
    static constexpr float defaultOversample = 0.5f;  // 4x

    // Time a gliding control takes to its new value, and time a factor
    // change fades over, once the new factor's filters hold sound.
    static constexpr double glideSeconds = 0.02;
    static constexpr double fadeSeconds = 0.005;

    // [host thread, from the entry point] builds every filter for 16x, twice
    // (a factor change runs two factors), so the audio thread never allocates.
    explicit OndulaxisHQ(audioMasterCallback audioMaster);

    void process(float** inputs, float** outputs, int32_t sampleFrames) noexcept override;
    void processReplacing(float** inputs, float** outputs,
                          int32_t sampleFrames) noexcept override;

    // Stages (log2 of the factor) a normalised Oversample value selects.
    static int32_t stagesFor(float value) noexcept;
    // Stages a normalised Render value selects for offline renders; -1 for
    // the playback factor.
    static int32_t renderStagesFor(float value) noexcept;
    // Host samples of delay at every factor: the longest chain's.
    static int32_t latency() noexcept;
    // The effect's tail, and the resampling filters ringing out: twice as
    // long as their delay.
    static uint32_t tailFrames(const float* normalisedValues) noexcept {
        const uint32_t effect = Ondulaxis::tailFrames(normalisedValues);
        return effect == endlessTail ? effect : effect + 2 * static_cast<uint32_t>(latency());
    }
    // Host samples a factor change takes at `rate`: the new factor's filters
    // fill, then the output fades over to it.
    static int32_t changeFrames(float rate) noexcept;

private:
    // One factor's signal path: its filters and the effect's tracked values.
    struct Path {
        int32_t stages = 0;
        float slewState[2] = {0.0f, 0.0f};
        oversampling::ChannelResampler resamplers[2];
    };

    // A change of factor: the other path, at the new factor, fills its
    // filters while this one is heard, then the output fades over to it.
    struct FactorChange {
        int32_t heard = 0;        // the path the output follows
        int32_t elapsed = -1;     // host samples into the change; -1: none
        int32_t warmFrames = 0;   // the new path fills its filters
        int32_t fadeFrames = 0;   // then the output fades over to it
        bool running() const noexcept { return elapsed >= 0; }
        bool fading() const noexcept { return elapsed >= warmFrames; }
        // Host samples to the end of the filling or of the fade.
        int32_t framesToPhaseEnd() const noexcept;
        void advance(int32_t frames) noexcept;
        // Fades `wet`, the heard path's chunk, towards `next`, the new one's.
        void fade(float* wet, const float* next, int32_t frames) const noexcept;
    };

    // A control on its way to a value, in normalised units: a straight line
    // from `from` to `to` over `length` samples, of which `elapsed` are done.
    struct Glide {
        float from = 0.0f;
        float to = 0.0f;
        int32_t elapsed = 0;
        int32_t length = 0;
        bool moving() const noexcept { return elapsed < length; }
        // The value at host sample `offset` (fractional) of the next chunk.
        double at(double offset) const noexcept;
        // From where it is to `value` in `frames`; none: there at once.
        void aim(float value, int32_t frames) noexcept;
    };
    // ZeroX and bypass glide from 0 to 1 or back: a fade between two sounds.
    enum GlideSlot {
        inGainGlide,
        funcMixGlide,
        ampMinGlide,
        zeroXGlide,
        outGainGlide,
        dryWetGlide,
        bypassGlide,
        glideCount
    };

    // [audio thread] the block: the prologue, the factor and the glides
    // chosen, then chunk by chunk the wet signal and the output's blend.
    void runBlock(float** inputs, float** outputs, int32_t sampleFrames, bool accumulate) noexcept;
    int32_t wantedStages() noexcept;
    void restart(int32_t stages) noexcept;
    void aimGlides(bool settle) noexcept;
    void chooseFactor(bool quiet) noexcept;
    int32_t framesToNextChange(int32_t frames) const noexcept;
    // [audio thread] the wet signal of `frames` host samples read from the
    // dry line, into pathOutput[0]: the heard factor's, faded into the new
    // one's during a change.
    void runChunk(int32_t channels, int32_t frames) noexcept;
    // [audio thread] one factor over `frames` host samples read from the dry
    // line, into `result`.
    void runPath(Path& path, int32_t channels, int32_t frames, float* const* result) noexcept;
    // [audio thread] writes (or adds) the chunk's blend of `wet` and the
    // delayed input into `out`.
    template <bool accumulate>
    void writeOutput(float* const* out, const float* const* wet, int32_t channels,
                     int32_t frames) noexcept;
    void advance(int32_t frames) noexcept;
    static int32_t fillFrames() noexcept;
    Kernel distortingKernel() const noexcept;
    static void toRing(float* ring, uint32_t position, const float* from, int32_t frames) noexcept;
    static void fromRing(const float* ring, uint32_t position, float* to, int32_t frames) noexcept;
    static void scaleGliding(float* samples, int32_t frames, int32_t factor, const Glide& glide,
                             double shift) noexcept;
    void countQuiet(const float* const* input, const float* const* output, int32_t channels,
                    int32_t frames) noexcept;

    // Audio thread only.
    bool started = false;  // the first block takes every value at once
    Path paths[2];
    FactorChange change;
    int32_t quietFrames = 0;  // since the input or the output last sounded
    int32_t glideFrames = 1;
    Glide glides[glideCount];
    // The working coefficients at the values reached; a chunk runs the kernels
    // with its own, and the block's end puts these back.
    Coefficients steady{};
    static constexpr int32_t dryRingSize = 512;  // > chunkFrames + the latency
    uint32_t dryPosition = 0;
    float dryRing[2][dryRingSize] = {};
    float pathInput[2][oversampling::chunkFrames];
    float work[2][oversampling::chunkFrames * oversampling::maxFactor];
    float cornerOutput[2][oversampling::chunkFrames * oversampling::maxFactor];
    float blend[2][oversampling::chunkFrames * oversampling::maxFactor];
    float pathOutput[2][2][oversampling::chunkFrames];
};
