// One effect of this project inside an adapter of another plug-in format.
// The adapter keeps only its format; this driver owns the effect's record
// and plays its host (the answers are embeddedEffectHost::answer's), keeps
// every value it passed on with a count of changes per parameter, and runs
// the replacing process call over buffers as other formats hand them over.
#pragma once

#include <atomic>
#include <cstdint>

#include "ControlState.h"
#include "EffectRecord.h"

class EmbeddedEffect {
public:
    // Room for every effect's parameters, as in the effect's own mailbox: a
    // value past it still reaches the effect, but is neither kept nor counted.
    static constexpr uint32_t maxParameters = maxParamCount;

    // The change count of every parameter as a reader last saw it.
    struct ChangeMarks {
        uint32_t counts[maxParameters] = {};
    };

    using Factory = AEffect* (*)(audioMasterCallback audioMaster) noexcept;

    // `channels` 1 or 2: the first pins of each side are connected.
    explicit EmbeddedEffect(uint32_t channels) noexcept : channelCount(channels) {}
    // [main thread] closes the effect, which deletes it.
    ~EmbeddedEffect();
    EmbeddedEffect(const EmbeddedEffect&) = delete;
    EmbeddedEffect& operator=(const EmbeddedEffect&) = delete;

    // [main thread] makes and opens the effect and takes its initial values;
    // false when it cannot be made. Nothing else is called before it is open.
    bool open(Factory create) noexcept;
    bool isOpen() const noexcept { return record != nullptr; }

    // [main thread, while suspended] the layout the next resume asks for.
    void setChannels(uint32_t count) noexcept { channelCount = count; }
    uint32_t channels() const noexcept { return channelCount; }
    // [main thread, while suspended] false, and nothing told, for a rate no
    // audio runs at: it would reach the effect as a nonsense answer.
    bool setSampleRate(double rate) noexcept;
    // [main thread] the effect asks for its pins while resuming.
    void resume() noexcept;
    void suspend() noexcept;
    // [any thread] what the effect hears when it asks for the process level.
    void setOffline(bool offline) noexcept { renderingOffline.store(offline); }
    // [audio thread] the effect's own bypass, switched only when it changes.
    void setBypass(bool bypass) noexcept;

    // [any thread] passes a normalised value on, keeps it and counts the change.
    void setParameter(uint32_t index, float normalised) noexcept;
    // [any thread] every value as last passed on (the effect's initial one
    // before that), in parameter order, into room for maxParameters.
    void copyValues(float* values) const noexcept;
    // [one reader's thread] true when any value was passed on since `seen`,
    // which then holds the change counts as they are.
    bool takeChanges(ChangeMarks& seen) const noexcept;

    // [any thread] the effect's latency in frames as it states it now.
    uint32_t latency() const noexcept;

    // [audio thread] frames [start, start + frames) of the buffers, one per
    // channel; nothing runs when a buffer is missing. No allocation, no lock
    // beyond the effect's own hand-over.
    void process(float* const* inputs, float* const* outputs, uint32_t start, uint32_t frames) noexcept;

private:
    static intptr_t answer(AEffect* record, int32_t opcode, int32_t index, intptr_t value, void* ptr,
                           float opt) noexcept;

    AEffect* record = nullptr;
    uint32_t channelCount;
    double rate = 44100.0;  // until a host tells one
    std::atomic<bool> renderingOffline{false};
    bool bypassed = false;  // audio thread
    uint32_t kept = 0;      // values kept: the effect's parameters, at most maxParameters
    std::atomic<float> values[maxParameters] = {};
    std::atomic<uint32_t> changeCounts[maxParameters] = {};
    // Frames of an input copied aside when an output of another channel
    // shares its buffer; longer runs go through in calls of this many frames.
    static constexpr uint32_t asideFrames = 1024;
    float copies[2][asideFrames];
};
