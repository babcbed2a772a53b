// A small CLAP host for the tests: loads the built module as hosts do, makes
// instances with a host record that notes every call the plug-in makes into
// it, and runs blocks with parameter events in and the plug-in's events out.
#pragma once

#include <dlfcn.h>

#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "ClapAbi.h"

namespace clapTest {

using Signal = std::vector<std::vector<float>>;

// Several seconds' worth of partials and noise, different per channel.
inline Signal testSignal(uint32_t channels, size_t frames) {
    Signal signal(channels, std::vector<float>(frames));
    uint32_t noise = 12345;
    for (uint32_t c = 0; c < channels; ++c) {
        for (size_t i = 0; i < frames; ++i) {
            noise = noise * 1664525u + 1013904223u;
            const double t = static_cast<double>(i) / 48000.0;
            signal[c][i] = static_cast<float>(0.6 * std::sin(2 * M_PI * (110.0 + 50.0 * c) * t) +
                                              0.2 * std::sin(2 * M_PI * 1710.0 * t) +
                                              0.1 * (static_cast<double>(noise >> 8) / 8388608.0 - 1.0));
        }
    }
    return signal;
}

inline const ClapEntryTable* entry() {
    static const ClapEntryTable* loaded = [] {
        void* library = dlopen(ONDULAXIS_CLAP_PATH, RTLD_NOW | RTLD_LOCAL);
        const auto* found = library != nullptr
                                ? static_cast<const ClapEntryTable*>(dlsym(library, "clap_entry"))
                                : nullptr;
        if (found != nullptr && !found->init(ONDULAXIS_CLAP_PATH)) found = nullptr;
        return found;
    }();
    return loaded;
}

inline const ClapPluginFactory* factory() {
    const ClapEntryTable* module = entry();
    return module != nullptr ? static_cast<const ClapPluginFactory*>(module->get_factory(CLAP_PLUGIN_FACTORY_ID))
                             : nullptr;
}

inline constexpr char plainId[] = "example.ondulaxis.plain";
inline constexpr char hqId[] = "example.ondulaxis.hq";

// Parameter events of one block, in time order.
struct EventList {
    std::vector<ClapParamValueEvent> events;

    void add(uint32_t time, ClapId id, double value) {
        ClapParamValueEvent event{};
        event.header = {sizeof event, time, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, 0};
        event.param_id = id;
        event.note_id = -1;
        event.port_index = event.channel = event.key = -1;
        event.value = value;
        events.push_back(event);
    }

    static uint32_t size(const ClapInputEvents* list) {
        return static_cast<uint32_t>(static_cast<EventList*>(list->ctx)->events.size());
    }
    static const ClapEventHeader* get(const ClapInputEvents* list, uint32_t index) {
        auto& all = static_cast<EventList*>(list->ctx)->events;
        return index < all.size() ? &all[index].header : nullptr;
    }
    ClapInputEvents list() { return {this, size, get}; }
};

// The events a plug-in sends, gestures with a value of 0; refuses all once
// `room` is used up.
struct SentEvents {
    struct Sent {
        uint16_t type;
        ClapId id;
        double value;
        bool operator==(const Sent&) const = default;
    };
    std::vector<Sent> events;
    size_t room = SIZE_MAX;

    static bool push(const ClapOutputEvents* list, const ClapEventHeader* header) {
        auto* self = static_cast<SentEvents*>(list->ctx);
        if (self->events.size() == self->room) return false;
        const auto* value = reinterpret_cast<const ClapParamValueEvent*>(header);
        const auto* gesture = reinterpret_cast<const ClapParamGestureEvent*>(header);
        const bool isValue = header->type == CLAP_EVENT_PARAM_VALUE;
        EXPECT_EQ(header->size, isValue ? sizeof *value : sizeof *gesture);
        self->events.push_back(
            {header->type, isValue ? value->param_id : gesture->param_id, isValue ? value->value : 0.0});
        return true;
    }
    ClapOutputEvents list() { return {this, push}; }
};

inline void PrintTo(const SentEvents::Sent& sent, std::ostream* out) {
    *out << "{" << sent.type << ", " << sent.id << ", " << sent.value << "}";
}

// A stream over bytes in memory that moves at most `step` bytes a call.
struct Bytes {
    std::vector<uint8_t> data;
    size_t position = 0;
    size_t step = 5;

    static int64_t write(const ClapOutputStream* stream, const void* buffer, uint64_t size) {
        auto* self = static_cast<Bytes*>(stream->ctx);
        const size_t taken = std::min<size_t>(size, self->step);
        const auto* bytes = static_cast<const uint8_t*>(buffer);
        self->data.insert(self->data.end(), bytes, bytes + taken);
        return static_cast<int64_t>(taken);
    }
    static int64_t read(const ClapInputStream* stream, void* buffer, uint64_t size) {
        auto* self = static_cast<Bytes*>(stream->ctx);
        const size_t given = static_cast<size_t>(
            std::min<uint64_t>({size, self->step, self->data.size() - self->position}));
        std::memcpy(buffer, self->data.data() + self->position, given);
        self->position += given;
        return static_cast<int64_t>(given);
    }
    ClapOutputStream output() { return {this, write}; }
    ClapInputStream input() {
        position = 0;
        return {this, read};
    }
};

// One plug-in instance and the host record it sees.
class Host {
public:
    // `from`: the module's factory, or one the test makes plug-ins with.
    explicit Host(const char* id, uint32_t channels = 2, const ClapPluginFactory* from = factory())
        : channels(channels) {
        record.host_data = this;
        const ClapPluginFactory* made = from;
        plugin = made != nullptr ? made->create_plugin(made, &record, id) : nullptr;
        if (plugin == nullptr || !plugin->init(plugin)) return;
        ports = extension<ClapPluginAudioPortsConfig>(CLAP_EXT_AUDIO_PORTS_CONFIG);
        params = extension<ClapPluginParams>(CLAP_EXT_PARAMS);
        state = extension<ClapPluginState>(CLAP_EXT_STATE);
        latency = extension<ClapPluginLatency>(CLAP_EXT_LATENCY);
        if (ports != nullptr) ports->select(plugin, channels == 1 ? 1 : 0);
    }
    ~Host() {
        if (plugin == nullptr) return;
        if (active) plugin->deactivate(plugin);
        plugin->destroy(plugin);
    }
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    template <class Extension>
    const Extension* extension(const char* name) const {
        return static_cast<const Extension*>(plugin->get_extension(plugin, name));
    }

    bool activate(double rate = 48000.0) {
        activating = true;
        active = plugin->activate(plugin, rate, 1, 4096);
        activating = false;
        if (active) plugin->start_processing(plugin);
        return active;
    }
    void deactivate() {
        plugin->stop_processing(plugin);
        plugin->deactivate(plugin);
        active = false;
    }

    // One block of `in` (channels x frames) with `events`; returns the output.
    std::vector<std::vector<float>> process(const std::vector<std::vector<float>>& in, EventList events = {},
                                            const ClapOutputEvents* sent = nullptr) {
        auto out = in;
        for (auto& channel : out) std::fill(channel.begin(), channel.end(), -7.0f);
        auto copy = in;
        std::vector<float*> inPointers, outPointers;
        for (uint32_t c = 0; c < channels; ++c) {
            inPointers.push_back(copy[c].data());
            outPointers.push_back(out[c].data());
        }
        ClapAudioBuffer input{inPointers.data(), nullptr, channels, 0, 0};
        ClapAudioBuffer output{outPointers.data(), nullptr, channels, 0, 0};
        ClapInputEvents list = events.list();
        ClapProcessBlock block{-1, static_cast<uint32_t>(in[0].size()), nullptr, &input, &output, 1, 1, &list, sent};
        status = plugin->process(plugin, &block);
        return out;
    }

    void set(ClapId id, double value) {
        EventList events;
        events.add(0, id, value);
        ClapInputEvents list = events.list();
        params->flush(plugin, &list, nullptr);
    }
    double get(ClapId id) const {
        double value = -1.0;
        EXPECT_TRUE(params->get_value(plugin, id, &value)) << id;
        return value;
    }

    const uint32_t channels;
    const ClapPluginRecord* plugin = nullptr;
    const ClapPluginAudioPortsConfig* ports = nullptr;
    const ClapPluginParams* params = nullptr;
    const ClapPluginState* state = nullptr;
    const ClapPluginLatency* latency = nullptr;
    ClapProcessStatus status = CLAP_PROCESS_ERROR;
    bool active = false;

    // What the plug-in asked of this host, and where.
    std::atomic<int> restartRequests{0};
    int latencyChanges = 0;
    int latencyChangesOutsideActivate = 0;
    int valueRescans = 0;
    std::atomic<int> flushRequests{0};
    std::atomic<int> tailChanges{0};
    std::thread::id mainThread = std::this_thread::get_id();

private:
    static Host* self(const ClapHostRecord* host) { return static_cast<Host*>(host->host_data); }

    static void latencyChanged(const ClapHostRecord* host) {
        Host* me = self(host);
        ++me->latencyChanges;
        if (!me->activating || std::this_thread::get_id() != me->mainThread) ++me->latencyChangesOutsideActivate;
    }
    static void rescan(const ClapHostRecord* host, uint32_t flags) {
        if (flags == CLAP_PARAM_RESCAN_VALUES) ++self(host)->valueRescans;
    }
    static void clear(const ClapHostRecord*, ClapId, uint32_t) {}
    static void requestFlush(const ClapHostRecord* host) { ++self(host)->flushRequests; }
    static void tailChanged(const ClapHostRecord* host) { ++self(host)->tailChanges; }

    static const void* hostExtension(const ClapHostRecord*, const char* id) {
        static const ClapHostLatency latencyExtension{latencyChanged};
        static const ClapHostParams paramsExtension{rescan, clear, requestFlush};
        static const ClapHostTail tailExtension{tailChanged};
        if (std::strcmp(id, CLAP_EXT_LATENCY) == 0) return &latencyExtension;
        if (std::strcmp(id, CLAP_EXT_PARAMS) == 0) return &paramsExtension;
        if (std::strcmp(id, CLAP_EXT_TAIL) == 0) return &tailExtension;
        return nullptr;
    }
    static void requestRestart(const ClapHostRecord* host) { ++self(host)->restartRequests; }
    static void requestNothing(const ClapHostRecord*) {}

    bool activating = false;
    ClapHostRecord record{CLAP_VERSION, nullptr, "tests", "Ondulaxis", "", "1", hostExtension,
                       requestRestart, requestNothing, requestNothing};
};

}  // namespace clapTest
