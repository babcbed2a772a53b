// An editor's gestures through the CLAP plug-in, with no editor: the sink
// the plug-in offers is driven directly, on instances made in this process.
#include <cstring>
#include <string>

#include "ClapParameters.h"
#include "ClapPlugin.h"
#include "ClapTestHost.h"
#include "DirectEffect.h"

namespace clapTest {
namespace {

const ClapPluginDescriptor plainDescriptor{CLAP_VERSION, plainId, "Ondulaxis", "", "", "", "", "", "", nullptr};
const ClapPluginDescriptor hqDescriptor{CLAP_VERSION, hqId, "Ondulaxis HQ", "", "", "", "", "", "", nullptr};
const ClapPluginKind kinds[] = {
    {&plainDescriptor, createEffectRecord<Ondulaxis>, ondulaxisParameters, 1, Ondulaxis::tailFrames},
    {&hqDescriptor, createEffectRecord<OndulaxisHQ>, ondulaxisHQParameters, 2, OndulaxisHQ::tailFrames},
};

const ClapPluginRecord* createHere(const ClapPluginFactory*, const ClapHostRecord* host, const char* id) {
    return ClapPlugin::create(kinds[std::strcmp(id, hqId) == 0 ? 1 : 0], host);
}

const ClapPluginFactory inProcess{nullptr, nullptr, createHere};

struct GestureCase {
    const char* name;
    const char* plugin;
    bool active;       // the events leave with a block, else with a flush
    size_t firstRoom;  // events the host takes at the first hand-over
};

void PrintTo(const GestureCase& gesture, std::ostream* out) { *out << gesture.name; }

const GestureCase gestureCases[] = {
    {"FlushWhileInactive", plainId, false, SIZE_MAX},
    {"BlockWhileActive", hqId, true, SIZE_MAX},
    {"HostFullAtFirst", plainId, true, 1},
};

class Gestures : public testing::TestWithParam<GestureCase> {};

// Begin, value, end reach the host in order after it was asked to flush;
// the value reaches the effect (the sound, and the tail, which an AmpMin
// above zero makes endless) and what the host reads back.
TEST_P(Gestures, ReachTheHostInOrderAndTheValueTheEffect) {
    const GestureCase& gesture = GetParam();
    Host host(gesture.plugin, 2, &inProcess);
    ASSERT_NE(host.plugin, nullptr);
    if (gesture.active) {
        ASSERT_TRUE(host.activate());
    }
    GestureSink* sink = ClapPlugin::gestureSink(host.plugin);
    ASSERT_NE(sink, nullptr);
    sink->begin(AmpMin);
    sink->change(AmpMin, 0.25f);
    sink->end(AmpMin);
    sink->change(99, 0.5f);  // no such parameter
    sink->begin(-1);
    EXPECT_GT(host.flushRequests.load(), 0);
    EXPECT_EQ(host.get(AmpMin), 25.0);

    const Signal in = testSignal(2, 256);
    SentEvents sent;
    sent.room = gesture.firstRoom;
    const ClapOutputEvents list = sent.list();
    EventList none;
    const ClapInputEvents noEvents = none.list();
    Signal out;
    for (int handOver = 0; handOver < 2; ++handOver, sent.room = SIZE_MAX) {
        if (gesture.active) out = host.process(in, {}, &list);
        else host.params->flush(host.plugin, &noEvents, &list);
    }
    const std::vector<SentEvents::Sent> expected = {
        {CLAP_EVENT_PARAM_GESTURE_BEGIN, AmpMin, 0.0},
        {CLAP_EVENT_PARAM_VALUE, AmpMin, 25.0},
        {CLAP_EVENT_PARAM_GESTURE_END, AmpMin, 0.0},
    };
    EXPECT_EQ(sent.events, expected);

    if (!gesture.active) {
        ASSERT_TRUE(host.activate());
        out = host.process(in);
    }
    DirectEffect direct(std::strcmp(gesture.plugin, hqId) == 0, 2);
    direct.set(AmpMin, 25.0);
    Signal reference = in;
    direct.process(in, reference, 0, in[0].size());
    if (gesture.active) {
        direct.process(in, reference, 0, in[0].size());  // the second block
    }
    EXPECT_EQ(out, reference);
    const auto* tail = host.extension<ClapPluginTail>(CLAP_EXT_TAIL);
    EXPECT_EQ(tail->get(host.plugin), uint32_t{INT32_MAX});
}

INSTANTIATE_TEST_SUITE_P(ClapGestures, Gestures, testing::ValuesIn(gestureCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ClapGestures, NoSinkForANullPlugin) { EXPECT_EQ(ClapPlugin::gestureSink(nullptr), nullptr); }

}  // namespace
}  // namespace clapTest
