// The CLAP face of an effect of this project: one effect instance per CLAP
// instance, driven through an EmbeddedEffect as the LV2 adapter drives it.
// This class answers the CLAP host's calls, splits each block at its
// parameter events, so an event at sample k takes effect at sample k, and
// sends the host the gestures an editor reports.
#pragma once

#include <atomic>
#include <cstdint>

#include "ClapAbi.h"
#include "ClapEventQueue.h"
#include "ClapState.h"
#include "EmbeddedEffect.h"
#include "GestureSink.h"

struct ParameterTable;

// What tells one plug-in of the module from another.
struct ClapPluginKind {
    const ClapPluginDescriptor* descriptor;
    // The effect's record, or null when it cannot be made.
    EmbeddedEffect::Factory createEffect;
    const ParameterTable& parameters;
    // Names the plug-in in its saved state.
    uint32_t stateTag;
    // Frames the output may outlast the input at the effect's normalised
    // values; INT32_MAX or more for no end.
    uint32_t (*tailFrames)(const float* normalisedValues) noexcept;
};

class ClapPlugin final : private GestureSink {
public:
    // [main thread] a new instance of `kind` for `host`; null when the host
    // is unusable or the effect cannot be made.
    static const ClapPluginRecord* create(const ClapPluginKind& kind, const ClapHostRecord* host) noexcept;
    // [main thread] where an editor of `plugin` reports gestures; null for a
    // null or foreign plug-in.
    static GestureSink* gestureSink(const ClapPluginRecord* plugin) noexcept;

    // The channel layouts offered: stereo (id 0, the initial one) and mono (id 1).
    static constexpr ClapId monoConfig = 1;

private:
    ClapPlugin(const ClapPluginKind& kind, const ClapHostRecord* host) noexcept;
    ~ClapPlugin() = default;
    ClapPlugin(const ClapPlugin&) = delete;
    ClapPlugin& operator=(const ClapPlugin&) = delete;

    // The only cast from the host's pointer; null for a null or foreign one.
    static ClapPlugin* fromPlugin(const ClapPluginRecord* plugin) noexcept;

    // [main thread]
    bool init() noexcept;
    bool activate(double sampleRate) noexcept;
    void deactivate() noexcept;
    // [audio thread] clears the effect's history on its next block.
    void reset() noexcept;
    // [audio thread] applies the events at their times between effect calls.
    ClapProcessStatus process(const ClapProcessBlock& process) noexcept;
    const void* extension(const char* id) const noexcept;

    // [main thread, or audio thread while active] applies every parameter
    // event and hands over the queued gestures.
    void flush(const ClapInputEvents* in, const ClapOutputEvents* out) noexcept;
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

    // [main thread] the gesture sink: the value applies at once, and the
    // events wait for the flush requested from the host.
    void begin(int32_t index) noexcept override;
    void change(int32_t index, float normalised) noexcept override;
    void end(int32_t index) noexcept override;
    void sendToHost(uint16_t type, int32_t index, double value = 0.0) noexcept;

    const ClapPluginKind& kind;
    const ClapHostRecord* const host;
    const ClapHostLatency* hostLatency = nullptr;
    const ClapHostParams* hostParams = nullptr;
    const ClapHostTail* hostTail = nullptr;
    ClapPluginRecord plugin;
    // Its channels are chosen while inactive; it learns them on activation.
    EmbeddedEffect effect{2};

    // Every value as the host last set it, in the units CLAP carries, written
    // by the thread its events come on and read by the main thread.
    std::atomic<double> values[clapState::maxValues];
    std::atomic<bool> active{false};
    uint32_t reportedLatency = 0;
    // Audio thread: the tail last reported, and the value changes it knows
    // of (a state may be loaded on the main thread while active).
    uint32_t reportedTail = 0;
    EmbeddedEffect::ChangeMarks tailChanges;
    ClapEventQueue toHost;

    friend struct ClapForwarders;
};
