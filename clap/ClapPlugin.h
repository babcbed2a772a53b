// The CLAP face of an effect of this project: one effect instance per CLAP
// instance, driven through its record as the LV2 adapter drives it (port
// values become setParameter calls, then the replacing process call). This
// class plays the effect's host, answers the CLAP host's calls and splits
// each block at its parameter events, so an event at sample k takes effect
// at sample k.
#pragma once

#include <atomic>
#include <cstdint>

#include "ClapAbi.h"
#include "ClapState.h"
#include "EffectRecord.h"

struct ParameterTable;

// What tells one plug-in of the module from another.
struct ClapPluginKind {
    const ClapPluginDescriptor* descriptor;
    // The effect's record, or null when it cannot be made.
    AEffect* (*createEffect)(audioMasterCallback audioMaster) noexcept;
    const ParameterTable& (*parameters)() noexcept;
    // Names the plug-in in its saved state.
    uint32_t stateTag;
};

class ClapPlugin {
public:
    // [main thread] a new instance of `kind` for `host`; null when the host
    // is unusable or the effect cannot be made.
    static const ClapPluginRecord* create(const ClapPluginKind& kind, const ClapHostRecord* host) noexcept;

    // The channel layouts offered: stereo (id 0, the initial one) and mono (id 1).
    static constexpr ClapId stereoConfig = 0;
    static constexpr ClapId monoConfig = 1;

private:
    ClapPlugin(const ClapPluginKind& kind, const ClapHostRecord* host) noexcept;
    ~ClapPlugin();
    ClapPlugin(const ClapPlugin&) = delete;
    ClapPlugin& operator=(const ClapPlugin&) = delete;

    // The only cast from the host's pointer; null for a null or foreign one.
    static ClapPlugin* fromPlugin(const ClapPluginRecord* plugin) noexcept;
    // The effect's host callback: the pins of the chosen layout, the rate.
    static intptr_t answerEffect(AEffect* record, int32_t opcode, int32_t index, intptr_t value,
                                 void* ptr, float opt) noexcept;

    // [main thread]
    bool init() noexcept;
    bool activate(double sampleRate) noexcept;
    void deactivate() noexcept;
    // [audio thread] clears the effect's history on its next block.
    void reset() noexcept;
    // [audio thread] applies the events at their times between effect calls.
    ClapProcessStatus process(const ClapProcessBlock& process) noexcept;
    const void* extension(const char* id) const noexcept;

    // [main thread, or audio thread while active] applies every parameter event.
    void flush(const ClapInputEvents* in) noexcept;
    // [any thread the events arrive on] one event's value, in display units.
    void setValue(ClapId id, double value) noexcept;
    // [main thread] the value as CLAP carries it; false for a bad id.
    bool value(ClapId id, double& out) const noexcept;

    // [main thread]
    bool saveState(const ClapOutputStream* stream) const noexcept;
    bool loadState(const ClapInputStream* stream) noexcept;

    // [main thread, active] the effect's latency, as of the last activation.
    uint32_t latency() const noexcept { return reportedLatency; }
    // [main and audio thread] the samples the output may outlast the input.
    uint32_t tail() const noexcept;

    // [audio thread] one effect call of `frames` at offset `start`.
    void runEffect(float* const* in, float* const* out, uint32_t channelCount, uint32_t start,
                   uint32_t frames) noexcept;

    const ClapPluginKind& kind;
    const ClapHostRecord* const host;
    const ClapHostLatency* hostLatency = nullptr;
    const ClapHostParams* hostParams = nullptr;
    const ClapHostTail* hostTail = nullptr;
    ClapPluginRecord plugin;
    AEffect* record = nullptr;
    // Chosen while inactive; the effect learns it on activation.
    uint32_t channels = 2;
    double sampleRate = 44100.0;
    // Set on the main thread, read by the effect's blocks.
    std::atomic<int32_t> renderMode{CLAP_RENDER_REALTIME};

    // Every value as the host last set it, written by the thread its events
    // come on and read by the main thread.
    std::atomic<double> values[clapState::maxValues];
    std::atomic<bool> active{false};
    uint32_t reportedLatency = 0;
    uint32_t reportedTail = 0;  // audio thread
    // Set by every value taken (a state may be loaded on the main thread
    // while active), cleared by the block that reports the tail.
    std::atomic<bool> valuesChanged{false};

    // An input read from a copy when an output of another channel shares its
    // buffer; longer blocks go through in calls of this many frames.
    static constexpr uint32_t asideFrames = 1024;
    float copies[2][asideFrames];

    friend struct ClapForwarders;
};
