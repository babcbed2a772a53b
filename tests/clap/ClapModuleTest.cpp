// Ondulaxis.clap loaded as a host loads it: what it offers, renders equal to
// the effects driven directly, automation at the sample it is given, the
// saved state, the latency protocol, and misuse answered harmlessly.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>
#include <sstream>
#include <string>
#include <thread>

#include "ClapTestHost.h"
#include "DirectEffect.h"

namespace clapTest {
namespace {

constexpr ClapId oversample = OndulaxisHQ::oversampleIndex;
constexpr ClapId dryWet = OndulaxisHQ::dryWetIndex;

Signal slice(const Signal& signal, size_t from, size_t to) {
    Signal part;
    for (const auto& channel : signal) part.emplace_back(channel.begin() + from, channel.begin() + to);
    return part;
}

void append(Signal& all, const Signal& part) {
    for (size_t c = 0; c < part.size(); ++c) all[c].insert(all[c].end(), part[c].begin(), part[c].end());
}

TEST(ClapModule, OffersBothPlugInsWithTheirIdentities) {
    const ClapPluginFactory* plugins = factory();
    ASSERT_NE(plugins, nullptr) << dlerror();
    ASSERT_EQ(plugins->get_plugin_count(plugins), 2u);
    char vendor[64] = {};
    {
        Ondulaxis reference(nullptr);
        reference.getVendorString(vendor);
    }
    const char* ids[] = {plainId, hqId};
    const char* names[] = {"Ondulaxis", "Ondulaxis HQ"};
    for (uint32_t index = 0; index < 2; ++index) {
        const ClapPluginDescriptor* descriptor = plugins->get_plugin_descriptor(plugins, index);
        ASSERT_NE(descriptor, nullptr);
        EXPECT_STREQ(descriptor->id, ids[index]);
        EXPECT_STREQ(descriptor->name, names[index]);
        EXPECT_STREQ(descriptor->vendor, vendor);
        EXPECT_STREQ(descriptor->version, ONDULAXIS_VERSION);
        std::set<std::string> features;
        for (const char* const* feature = descriptor->features; *feature != nullptr; ++feature) features.insert(*feature);
        EXPECT_EQ(features, (std::set<std::string>{"audio-effect", "distortion", "stereo", "mono"}));
        Host host(ids[index]);
        ASSERT_NE(host.plugin, nullptr);
        EXPECT_EQ(host.plugin->desc, descriptor);
    }
    EXPECT_EQ(plugins->get_plugin_descriptor(plugins, 2), nullptr);
}

TEST(ClapModule, ExportsOnlyTheEntry) {
    FILE* pipe = popen("nm -D --defined-only '" ONDULAXIS_CLAP_PATH "'", "r");
    ASSERT_NE(pipe, nullptr);
    std::set<std::string> exported;
    char line[512];
    while (fgets(line, sizeof line, pipe) != nullptr) {
        std::istringstream fields(line);
        std::string address, type, name;
        fields >> address >> type >> name;
        if (!name.empty()) exported.insert(name.substr(0, name.find('@')));
    }
    EXPECT_EQ(pclose(pipe), 0);
    EXPECT_EQ(exported, std::set<std::string>{"clap_entry"});
}

// ---- renders -----------------------------------------------------------------

struct Setting {
    const char* name;
    std::vector<std::pair<ClapId, float>> values;  // in the units CLAP carries
};

struct Render {
    const char* plugin;
    Setting setting;
    uint32_t channels;
};

void PrintTo(const Render& render, std::ostream* out) { *out << render.setting.name; }

const Setting driven{"Driven", {{InGain, 24.0f}, {FuncMix, 80.0f}, {AmpMin, 30.0f}, {FreqMin, 5.5f},
                                 {FreqDif, -20.0f}, {OutGain, -6.0f}}};
const Setting plainSettings[] = {
    {"Defaults", {}},
    driven,
    {"SlewedSine", {{ZeroX, 0.0f}, {SlewLim, 2.5f}, {FreqDif, 40.0f}, {InGain, 12.0f}}},
    {"RangeEnds", {{InGain, 48.1648f}, {SlewLim, 0.1953125f}, {FuncMix, 100.0f}, {AmpMin, 100.0f},
                   {FreqMin, 256.0f}, {FreqDif, 127.0f}, {OutGain, -48.1648f}}},
};

std::vector<Render> renders() {
    std::vector<Render> all;
    for (uint32_t channels : {2u, 1u}) {
        for (const Setting& setting : plainSettings) all.push_back({plainId, setting, channels});
        for (int step = 0; step <= 4; ++step) {
            static const char* names[] = {"HQ1x", "HQ2x", "HQ4x", "HQ8x", "HQ16x"};
            Setting setting{names[step], driven.values};
            setting.values.push_back({oversample, static_cast<float>(step)});
            setting.values.push_back({dryWet, 70.0f});
            all.push_back({hqId, setting, channels});
        }
    }
    return all;
}

class RenderThroughModule : public testing::TestWithParam<Render> {};

// Odd block sizes, the settings sent as events at the start of the first.
TEST_P(RenderThroughModule, EqualsTheEffectDrivenDirectly) {
    const Render& render = GetParam();
    const bool hq = std::strcmp(render.plugin, hqId) == 0;
    const Signal in = testSignal(render.channels, 3000);
    const size_t cuts[] = {0, 700, 701, 1034, 2058, 3000};

    Host host(render.plugin, render.channels);
    ASSERT_TRUE(host.activate());
    DirectEffect direct(hq, render.channels);
    Signal viaModule(render.channels);
    Signal reference = in;
    for (size_t part = 0; part + 1 < std::size(cuts); ++part) {
        EventList events;
        if (part == 0) {
            for (const auto& [id, value] : render.setting.values) {
                events.add(0, id, value);
                direct.set(static_cast<int32_t>(id), value);
            }
        }
        append(viaModule, host.process(slice(in, cuts[part], cuts[part + 1]), events));
        EXPECT_EQ(host.status, CLAP_PROCESS_CONTINUE);
        direct.process(in, reference, cuts[part], cuts[part + 1]);
    }
    EXPECT_EQ(viaModule, reference);
    EXPECT_NE(viaModule, in);
}

INSTANTIATE_TEST_SUITE_P(ClapModule, RenderThroughModule, testing::ValuesIn(renders()), [](const auto& info) {
    return std::string(info.param.setting.name) + (info.param.channels == 1 ? "Mono" : "Stereo");
});

// ---- sample-accurate automation --------------------------------------------------

class Automation : public testing::TestWithParam<const char*> {};

// A flush before the block, events at 100, two at 300 (the later wins) and
// one past the end, against the effect called in parts with the values set
// between them.
TEST_P(Automation, EventAtSampleKEqualsABlockSplitAtK) {
    const bool hq = std::strcmp(GetParam(), hqId) == 0;
    const Signal in = testSignal(2, 512);
    Host host(GetParam());
    ASSERT_TRUE(host.activate());
    host.set(AmpMin, 10.0);  // a flush while active: the next block takes it
    EventList events;
    events.add(100, OutGain, -12.0);
    events.add(100, FuncMix, 20.0);
    events.add(300, FreqMin, 40.0);
    events.add(300, FreqMin, 3.0);
    events.add(300, SlewLim, 5.0);
    events.add(9999, InGain, 6.0);
    const Signal out = host.process(in, events);

    DirectEffect direct(hq, 2);
    Signal reference = in;
    direct.set(AmpMin, 10.0);
    direct.process(in, reference, 0, 100);
    direct.set(OutGain, -12.0f);
    direct.set(FuncMix, 20.0f);
    direct.process(in, reference, 100, 300);
    direct.set(FreqMin, 3.0f);
    direct.set(SlewLim, 5.0f);
    direct.process(in, reference, 300, 512);
    EXPECT_EQ(out, reference);
    EXPECT_EQ(host.get(InGain), 6.0);  // for the next block
}

INSTANTIATE_TEST_SUITE_P(ClapModule, Automation, testing::Values(plainId, hqId),
                         [](const auto& info) { return std::string(info.param == plainId ? "Plain" : "HQ"); });

// ---- parameters ----------------------------------------------------------------

// Each parameter's text at its minimum, default, maximum and a third of the
// way up; the plain plug-in has the first eight.
const char* const parameterTexts[][4] = {
    {"No", "Yes", "Yes", "No"},
    {"0.00 dB", "0.00 dB", "48.16 dB", "16.05 dB"},
    {"0.20 %", "Off", "Off", "33.40 %"},
    {"0.000 %", "50.000 %", "100.000 %", "33.333 %"},
    {"0.000 %", "0.000 %", "100.000 %", "33.333 %"},
    {"0.50 cycles", "2.00 cycles", "256.00 cycles", "85.50 cycles"},
    {"-127.00 cycles", "0.00 cycles", "127.00 cycles", "0.00 cycles"},
    {"-48.16 dB", "0.00 dB", "0.00 dB", "-16.05 dB"},
    {"1x", "4x", "16x", "2x"},
    {"0.000 %", "100.000 %", "100.000 %", "33.333 %"},
    {"Same", "Same", "16x", "Same"},
};

TEST(ClapParameters, TextIsTheDisplayAndLabelAndReadsBack) {
    for (const char* id : {plainId, hqId}) {
        Host host(id);
        const uint32_t count = host.params->count(host.plugin);
        EXPECT_EQ(count, std::strcmp(id, hqId) == 0 ? 11u : 8u);
        for (uint32_t index = 0; index < count; ++index) {
            ClapParamInfo info{};
            ASSERT_TRUE(host.params->get_info(host.plugin, index, &info));
            const ParameterRecord& record = *ondulaxisHQParameters.find(static_cast<int32_t>(index));
            SCOPED_TRACE(record.name);
            EXPECT_STREQ(info.name, record.name);
            EXPECT_EQ(info.id, index);
            EXPECT_TRUE(info.flags & CLAP_PARAM_IS_AUTOMATABLE);
            EXPECT_EQ((info.flags & CLAP_PARAM_IS_STEPPED) != 0, record.steps > 0);
            EXPECT_EQ(host.get(index), info.default_value);
            const double values[] = {info.min_value, info.default_value, info.max_value,
                                     (info.min_value + info.max_value) / 3};
            for (size_t at = 0; at < std::size(values); ++at) {
                char text[64];
                ASSERT_TRUE(host.params->value_to_text(host.plugin, index, values[at], text, sizeof text));
                EXPECT_STREQ(text, parameterTexts[index][at]);
                double back = -1e9;
                ASSERT_TRUE(host.params->text_to_value(host.plugin, index, text, &back)) << text;
                char again[64];
                ASSERT_TRUE(host.params->value_to_text(host.plugin, index, back, again, sizeof again));
                EXPECT_STREQ(again, text);
            }
        }
    }
}

// ---- state -----------------------------------------------------------------------

std::vector<double> allValues(const Host& host) {
    std::vector<double> values;
    for (uint32_t id = 0; id < host.params->count(host.plugin); ++id) values.push_back(host.get(id));
    return values;
}

// Every parameter away from its default, the last one included.
void awayFromDefaults(Host& host) {
    const std::pair<ClapId, double> settings[] = {
        {ZeroX, 0.0},   {InGain, 30.0},  {SlewLim, 5.0},    {FuncMix, 80.0},
        {AmpMin, 10.0}, {FreqMin, 5.5},  {FreqDif, -20.0},  {OutGain, -12.0},
        {oversample, 3.0}, {dryWet, 70.0}, {OndulaxisHQ::renderIndex, 2.0},
    };
    for (uint32_t id = 0; id < host.params->count(host.plugin); ++id) {
        host.set(settings[id].first, settings[id].second);
    }
}

Bytes savedState(Host& host) {
    Bytes bytes;
    ClapOutputStream stream = bytes.output();
    EXPECT_TRUE(host.state->save(host.plugin, &stream));
    return bytes;
}

Bytes savedState(const char* id, bool changed) {
    Host host(id);
    if (changed) awayFromDefaults(host);
    return savedState(host);
}

class RoundTrip : public testing::TestWithParam<const char*> {};

// An instance that loads the state holds the saver's values and renders, in
// real time and offline, what the saver renders.
TEST_P(RoundTrip, RestoresEveryValueAndTheSound) {
    Host saver(GetParam());
    const std::vector<double> defaults = allValues(saver);
    awayFromDefaults(saver);
    for (uint32_t id = 0; id < defaults.size(); ++id) ASSERT_NE(saver.get(id), defaults[id]) << id;
    Bytes bytes = savedState(saver);
    Host fresh(GetParam());
    ClapInputStream in = bytes.input();
    ASSERT_TRUE(fresh.state->load(fresh.plugin, &in));
    EXPECT_EQ(fresh.valueRescans, 1);
    EXPECT_EQ(allValues(fresh), allValues(saver));
    const Signal signal = testSignal(2, 600);
    for (const auto mode : {CLAP_RENDER_REALTIME, CLAP_RENDER_OFFLINE}) {
        for (Host* host : {&saver, &fresh}) {
            if (host->active) host->deactivate();
            ASSERT_TRUE(host->extension<ClapPluginRender>(CLAP_EXT_RENDER)->set(host->plugin, mode));
            ASSERT_TRUE(host->activate());
        }
        EXPECT_EQ(fresh.process(signal), saver.process(signal)) << mode;
    }
}

INSTANTIATE_TEST_SUITE_P(ClapState, RoundTrip, testing::Values(plainId, hqId),
                         [](const auto& info) { return std::string(info.param == plainId ? "Plain" : "HQ"); });

// Ondulaxis HQ's states from before Render hold ten values: they load, and
// Render keeps its value.
TEST(ClapState, AnHQStateWithoutTheLaterParametersLoads) {
    Bytes bytes = savedState(hqId, true);
    bytes.data.resize(16 + 8 * 10);
    bytes.data[12] = 10;
    Host host(hqId);
    host.set(OndulaxisHQ::renderIndex, 1.0);
    ClapInputStream in = bytes.input();
    ASSERT_TRUE(host.state->load(host.plugin, &in));
    EXPECT_EQ(host.get(InGain), 30.0);
    EXPECT_EQ(host.get(oversample), 3.0);
    EXPECT_EQ(host.get(OndulaxisHQ::renderIndex), 1.0);
}

struct BadState {
    const char* name;
    const char* from;  // the plug-in whose state is altered
    void (*alter)(std::vector<uint8_t>& bytes);
};

void PrintTo(const BadState& bad, std::ostream* out) { *out << bad.name; }

const BadState badStates[] = {
    {"Empty", plainId, [](std::vector<uint8_t>& b) { b.clear(); }},
    {"HeaderOnly", plainId, [](std::vector<uint8_t>& b) { b.resize(16); }},
    {"LastByteMissing", plainId, [](std::vector<uint8_t>& b) { b.pop_back(); }},
    {"TrailingByte", plainId, [](std::vector<uint8_t>& b) { b.push_back(0); }},
    {"ForeignTag", plainId, [](std::vector<uint8_t>& b) { b[0] ^= 0x20; }},
    {"LaterVersion", plainId, [](std::vector<uint8_t>& b) { b[4] = 2; }},
    {"OtherPlugIn", hqId, [](std::vector<uint8_t>&) {}},
    // Values are little-endian doubles from byte 16 on: FuncMix NaN, InGain
    // about 1e39 dB, ZeroX 0.5.
    {"NotANumber", plainId, [](std::vector<uint8_t>& b) { b[16 + 8 * 3 + 6] = 0xF8; b[16 + 8 * 3 + 7] = 0x7F; }},
    {"OutOfRange", plainId, [](std::vector<uint8_t>& b) { b[16 + 8 * 1 + 7] = 0x48; }},
    {"BetweenSteps", plainId, [](std::vector<uint8_t>& b) { std::fill(b.begin() + 16, b.begin() + 22, 0); b[22] = 0xE0; b[23] = 0x3F; }},
};

class StateRefusal : public testing::TestWithParam<BadState> {};

TEST_P(StateRefusal, LeavesTheCurrentValues) {
    Bytes bytes = savedState(GetParam().from, false);
    GetParam().alter(bytes.data);
    Host host(plainId);
    host.set(OutGain, -3.0);
    host.set(FreqMin, 10.0);
    const auto before = allValues(host);
    ClapInputStream in = bytes.input();
    EXPECT_FALSE(host.state->load(host.plugin, &in));
    EXPECT_EQ(allValues(host), before);
    EXPECT_EQ(host.valueRescans, 0);
}

INSTANTIATE_TEST_SUITE_P(ClapState, StateRefusal, testing::ValuesIn(badStates),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- latency -----------------------------------------------------------------------

// One latency whatever the factor: a host never re-aligns the track.
TEST(ClapLatency, EveryFactorReportsTheOneLatency) {
    for (int step = 0; step <= 4; ++step) {
        Host host(hqId);
        host.set(oversample, step);
        ASSERT_TRUE(host.activate());
        EXPECT_EQ(host.latency->get(host.plugin), static_cast<uint32_t>(OndulaxisHQ::latency())) << step;
        EXPECT_EQ(host.latencyChanges, 0);
    }
    Host plain(plainId);
    ASSERT_TRUE(plain.activate());
    EXPECT_EQ(plain.latency->get(plain.plugin), 0u);
}

// The tail covers the slew limiter's ramp from full scale after the input
// gain, a step per sample, and the filters' ringing; a setting whose silence
// still sounds has no end.
TEST(ClapTail, CoversTheSlewRampAndTheFilters) {
    const auto hqLatency = static_cast<uint32_t>(OndulaxisHQ::latency());
    struct Case {
        const char* id;
        std::vector<std::pair<ClapId, double>> values;
        uint32_t tail;
    };
    const Case cases[] = {
        {plainId, {}, 0},
        {plainId, {{SlewLim, 0.1953125}}, 512},
        {plainId, {{SlewLim, 0.1953125}, {InGain, 48.1648}}, 131072},
        {plainId, {{AmpMin, 10.0}}, uint32_t{INT32_MAX}},
        {hqId, {}, 2 * hqLatency},
        {hqId, {{SlewLim, 0.1953125}}, 512 + 2 * hqLatency},
    };
    for (const Case& c : cases) {
        Host host(c.id);
        for (const auto& [id, value] : c.values) host.set(id, value);
        ASSERT_TRUE(host.activate());
        const auto* tail = host.extension<ClapPluginTail>(CLAP_EXT_TAIL);
        ASSERT_NE(tail, nullptr);
        EXPECT_EQ(tail->get(host.plugin), c.tail) << c.id << " " << c.values.size();
    }
}

// A value a block changes moves the tail, and the host hears of it once.
TEST(ClapTail, FollowsTheValuesABlockChanges) {
    Host host(plainId);
    ASSERT_TRUE(host.activate());
    const auto* tail = host.extension<ClapPluginTail>(CLAP_EXT_TAIL);
    const Signal in = testSignal(2, 64);
    EventList slower;
    slower.add(10, SlewLim, 0.1953125);
    host.process(in, slower);
    EXPECT_EQ(tail->get(host.plugin), 512u);
    EXPECT_EQ(host.tailChanges.load(), 1);
    host.process(in, slower);  // the same value again
    host.process(in);
    EXPECT_EQ(host.tailChanges.load(), 1);
}

// A factor changed while active is taken at its event's sample, with no
// restart and no latency change; offline, the Render factor is taken.
TEST(ClapLatency, FactorChangesWhileActiveAtTheEventsSample) {
    const Signal in = testSignal(2, 3000);
    for (const bool offline : {false, true}) {
        Host host(hqId);
        host.set(OndulaxisHQ::renderIndex, 2.0);  // 16x offline
        const auto* render = host.extension<ClapPluginRender>(CLAP_EXT_RENDER);
        ASSERT_NE(render, nullptr);
        ASSERT_TRUE(render->set(host.plugin, offline ? CLAP_RENDER_OFFLINE : CLAP_RENDER_REALTIME));
        ASSERT_TRUE(host.activate());
        DirectEffect direct(true, 2, 48000.0, offline);
        direct.set(OndulaxisHQ::renderIndex, 2.0);
        Signal reference = in;
        Signal out;
        std::thread audio([&] {
            EventList events;
            events.add(1010, oversample, 1.0);
            out = host.process(slice(in, 0, 1500), events);
            append(out, host.process(slice(in, 1500, 3000)));
        });
        audio.join();
        direct.process(in, reference, 0, 1010);
        direct.set(oversample, 1.0);
        direct.process(in, reference, 1010, 3000);
        EXPECT_EQ(out, reference);
        EXPECT_EQ(host.restartRequests.load(), 0);
        EXPECT_EQ(host.latencyChanges, 0);
        EXPECT_EQ(host.latency->get(host.plugin), static_cast<uint32_t>(OndulaxisHQ::latency()));
    }
    // Offline the factor stays the Render one: the change above left the
    // sound alone. Realtime it changed it.
    DirectEffect live(true, 2), offline(true, 2, 48000.0, true);
    for (DirectEffect* effect : {&live, &offline}) effect->set(OndulaxisHQ::renderIndex, 2.0);
    Signal a = in, b = in;
    live.process(in, a, 0, 3000);
    offline.process(in, b, 0, 3000);
    EXPECT_NE(a, b);
}

// ---- misuse --------------------------------------------------------------------------

TEST(ClapMisuse, NullsBadIdsAndBadIndexesGetHarmlessAnswers) {
    const ClapPluginFactory* plugins = factory();
    ASSERT_NE(plugins, nullptr);
    EXPECT_EQ(entry()->get_factory("clap.preset-discovery-factory/2"), nullptr);
    EXPECT_EQ(entry()->get_factory(nullptr), nullptr);
    EXPECT_EQ(plugins->create_plugin(plugins, nullptr, plainId), nullptr);
    EXPECT_EQ(plugins->create_plugin(plugins, nullptr, "example.ondulaxis.none"), nullptr);

    Host host(hqId);
    ASSERT_NE(host.plugin, nullptr);
    const ClapPluginRecord* plugin = host.plugin;
    EXPECT_EQ(plugin->get_extension(plugin, "clap.gui"), nullptr);
    EXPECT_EQ(plugin->get_extension(plugin, nullptr), nullptr);
    const auto* params = host.params;
    ClapParamInfo info;
    double value = 0.0;
    char text[32] = "x";
    EXPECT_FALSE(params->get_info(plugin, OndulaxisHQ::hqParamCount, &info));
    EXPECT_FALSE(params->get_info(plugin, 0, nullptr));
    EXPECT_FALSE(params->get_value(plugin, OndulaxisHQ::hqParamCount, &value));
    EXPECT_FALSE(params->get_value(plugin, CLAP_INVALID_ID, &value));
    EXPECT_FALSE(params->get_value(plugin, 0, nullptr));
    EXPECT_FALSE(params->value_to_text(plugin, 99, 0.0, text, sizeof text));
    EXPECT_FALSE(params->value_to_text(plugin, InGain, 1.0, nullptr, 32));
    EXPECT_FALSE(params->value_to_text(plugin, InGain, 1.0, text, 3));  // "1.00 dB" does not fit
    EXPECT_FALSE(params->value_to_text(plugin, InGain, NAN, text, sizeof text));
    EXPECT_FALSE(params->text_to_value(plugin, InGain, nullptr, &value));
    EXPECT_FALSE(params->text_to_value(plugin, InGain, "loud", &value));
    EXPECT_FALSE(params->text_to_value(plugin, 99, "1", &value));
    params->flush(plugin, nullptr, nullptr);
    const auto before = allValues(host);
    host.set(77, 1.0);
    host.set(InGain, NAN);
    EXPECT_EQ(allValues(host), before);
    host.set(InGain, 1e9);  // clamped
    EXPECT_EQ(host.get(InGain), static_cast<double>(ondulaxisParameterRecords[InGain].displayMaximum));

    EXPECT_FALSE(host.state->save(plugin, nullptr));
    EXPECT_FALSE(host.state->load(plugin, nullptr));
    const auto* ports = host.extension<ClapPluginAudioPorts>(CLAP_EXT_AUDIO_PORTS);
    ClapAudioPortInfo port;
    EXPECT_FALSE(ports->get(plugin, 1, true, &port));
    EXPECT_FALSE(ports->get(plugin, 0, true, nullptr));
    EXPECT_FALSE(host.ports->select(plugin, 2));

    const Signal signal = testSignal(2, 64);
    host.process(signal);
    EXPECT_EQ(host.status, CLAP_PROCESS_ERROR);  // not active
    EXPECT_FALSE(plugin->activate(plugin, 0.0, 1, 64));
    EXPECT_FALSE(plugin->activate(plugin, NAN, 1, 64));
    ASSERT_TRUE(host.activate());
    EXPECT_FALSE(host.ports->select(plugin, 1));  // only while inactive
    EXPECT_EQ(plugin->process(plugin, nullptr), CLAP_PROCESS_ERROR);
    ClapProcessBlock empty{-1, 64, nullptr, nullptr, nullptr, 0, 0, nullptr, nullptr};
    EXPECT_EQ(plugin->process(plugin, &empty), CLAP_PROCESS_ERROR);
    host.process(signal);
    EXPECT_EQ(host.status, CLAP_PROCESS_CONTINUE);

    // A null plug-in, for every extension the module offers.
    EXPECT_EQ(params->count(nullptr), 0u);
    EXPECT_FALSE(params->get_value(nullptr, 0, &value));
    EXPECT_EQ(host.latency->get(nullptr), 0u);
    EXPECT_EQ(ports->count(nullptr, true), 0u);
    EXPECT_FALSE(host.ports->select(nullptr, 0));
    EXPECT_FALSE(host.state->load(nullptr, nullptr));
}

TEST(ClapPorts, ConfigurationsGiveStereoAndMonoInPlacePairs) {
    Host host(plainId, 1);
    const auto* ports = host.extension<ClapPluginAudioPorts>(CLAP_EXT_AUDIO_PORTS);
    ASSERT_EQ(host.ports->count(host.plugin), 2u);
    for (uint32_t channels : {1u, 2u}) {
        ASSERT_TRUE(host.ports->select(host.plugin, channels == 1 ? 1 : 0));
        for (bool input : {true, false}) {
            ASSERT_EQ(ports->count(host.plugin, input), 1u);
            ClapAudioPortInfo info;
            ASSERT_TRUE(ports->get(host.plugin, 0, input, &info));
            EXPECT_EQ(info.channel_count, channels);
            EXPECT_STREQ(info.port_type, channels == 1 ? CLAP_PORT_MONO : CLAP_PORT_STEREO);
            EXPECT_EQ(info.in_place_pair, 0u);
            EXPECT_EQ(info.flags & CLAP_AUDIO_PORT_IS_MAIN, uint32_t{CLAP_AUDIO_PORT_IS_MAIN});
        }
    }
}

}  // namespace
}  // namespace clapTest
