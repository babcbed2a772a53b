// The oversampling twin of Ondulaxis: the same effect, its kernels run at 1,
// 2, 4, 8 or 16 times the host's rate between linear-phase resampling
// filters, with a dry/wet blend whose dry path is delayed alike.
#pragma once

#include <cstdint>

#include "Ondulaxis.h"
#include "Resampling.h"

class OndulaxisHQ : public Ondulaxis {
public:
    static constexpr int32_t oversampleIndex = 8;
    static constexpr int32_t dryWetIndex = 9;
    static constexpr int32_t hqParamCount = 10;
    static constexpr float defaultOversample = 0.5f;  // 4x

    // [host thread, from the entry point] builds every filter for 16x, so the
    // audio thread never allocates.
    explicit OndulaxisHQ(audioMasterCallback audioMaster);

    // [any host thread] Oversample changes report the new latency in the
    // record and tell the host, before the next block takes the factor.
    void setParameter(int32_t index, float value) override;
    float getParameter(int32_t index) override;
    const ParameterTable& parameterTable() const noexcept override;
    bool getEffectName(char* name) override;
    bool getProductString(char* text) override;

    void process(float** inputs, float** outputs, int32_t sampleFrames) noexcept override;
    void processReplacing(float** inputs, float** outputs,
                          int32_t sampleFrames) noexcept override;

    // Stages (log2 of the factor) a normalised Oversample value selects.
    static int32_t stagesFor(float value) noexcept;
    // Host samples of delay at 2^stages times the rate.
    static int32_t latencyFor(int32_t stages) noexcept;

private:
    void runBlock(float** inputs, float** outputs, int32_t sampleFrames, bool accumulate) noexcept;
    void takeOwnChanges() noexcept;
    void scaleSlewLimit() noexcept;
    void clearHistory() noexcept;

    // Guarded by stateLock, like the effect's own mailbox.
    float sharedValues[2] = {defaultOversample, 1.0f};
    float pendingValues[2];  // quiet NaN: nothing pending

    // Audio thread only.
    int32_t stages = -1;  // none yet: the first block clears the filters
    float dryWet = 1.0f;
    static constexpr int32_t dryRingSize = 512;  // > chunkFrames + the largest latency
    uint32_t dryPosition = 0;
    float dryRing[2][dryRingSize] = {};
    oversampling::ChannelResampler resamplers[2];
    float work[2][oversampling::chunkFrames * oversampling::maxFactor];
    float wet[2][oversampling::chunkFrames];
};
