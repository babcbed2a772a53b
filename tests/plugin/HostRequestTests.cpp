// Requests the plug-in layer sends to the host: opcode,
// placement of index/value/ptr/opt, treatment of the answer, and the default
// when no callback is stored.
#include <cstdint>
#include <functional>
#include <string>

#include "PluginTestSupport.h"

namespace {

char gData[16];
void* const kPtr = gData;

struct RequestCase {
    const char* name;
    std::function<intptr_t(BareEffect&)> call;
    int32_t opcode;
    int32_t index;
    intptr_t value;
    void* ptr;
    float opt;
    intptr_t answer;           // what the host answers
    intptr_t withCallback;     // what the operation then returns
    intptr_t withoutCallback;  // what it returns with no callback stored
};

std::ostream& operator<<(std::ostream& out, const RequestCase& c) { return out << c.name; }

intptr_t asInt(bool b) { return b ? 1 : 0; }
template <typename T>
intptr_t asInt(T* p) {
    return reinterpret_cast<intptr_t>(p);
}

const intptr_t kAddress = reinterpret_cast<intptr_t>(&gData[4]);
// On a 32-bit build these are -1 and 0, which the same rows expect.
const auto kMinusOneZeroExtended = static_cast<intptr_t>(UINT64_C(0xFFFFFFFF));
const auto kUpperBitsOnly = static_cast<intptr_t>(INT64_C(1) << 32);

// Results of operations that return nothing are reported as 0.
const RequestCase kRequests[] = {
    {"setParameterAutomated", [](BareEffect& e) { e.setParameterAutomated(3, 0.25f); return intptr_t{0}; },
     audioMasterAutomate, 3, 0, nullptr, 0.25f, 9, 0, 0},
    {"getMasterVersion", [](BareEffect& e) { return intptr_t{e.getMasterVersion()}; },
     audioMasterVersion, 0, 0, nullptr, 0.0f, 2400, 2400, 1},
    {"getMasterVersionAnswerZero", [](BareEffect& e) { return intptr_t{e.getMasterVersion()}; },
     audioMasterVersion, 0, 0, nullptr, 0.0f, 0, 1, 1},
    {"getCurrentUniqueId", [](BareEffect& e) { return intptr_t{e.getCurrentUniqueId()}; },
     audioMasterCurrentId, 0, 0, nullptr, 0.0f, 0x41424344, 0x41424344, 0},
    {"masterIdle", [](BareEffect& e) { e.masterIdle(); return intptr_t{0}; },
     audioMasterIdle, 0, 0, nullptr, 0.0f, 1, 0, 0},
    {"isInputConnectedYes", [](BareEffect& e) { return asInt(e.isInputConnected(1)); },
     audioMasterPinConnected, 1, 0, nullptr, 0.0f, 0, 1, 1},
    {"isInputConnectedNo", [](BareEffect& e) { return asInt(e.isInputConnected(0)); },
     audioMasterPinConnected, 0, 0, nullptr, 0.0f, 1, 0, 1},
    {"isOutputConnectedYes", [](BareEffect& e) { return asInt(e.isOutputConnected(1)); },
     audioMasterPinConnected, 1, 1, nullptr, 0.0f, 0, 1, 1},
    {"isOutputConnectedNo", [](BareEffect& e) { return asInt(e.isOutputConnected(0)); },
     audioMasterPinConnected, 0, 1, nullptr, 0.0f, -1, 0, 1},
    {"wantEvents", [](BareEffect& e) { e.wantEvents(1); return intptr_t{0}; },
     audioMasterWantMidi, 0, 1, nullptr, 0.0f, 1, 0, 0},
    {"getTimeInfo", [](BareEffect& e) { return asInt(e.getTimeInfo(0x0f00)); },
     audioMasterGetTime, 0, 0x0f00, nullptr, 0.0f, kAddress, kAddress, 0},
    {"sendVstEventsToHostOne", [](BareEffect& e) { return asInt(e.sendVstEventsToHost(static_cast<HostEvents*>(kPtr))); },
     audioMasterProcessEvents, 0, 0, kPtr, 0.0f, 1, 1, 0},
    {"sendVstEventsToHostTwo", [](BareEffect& e) { return asInt(e.sendVstEventsToHost(static_cast<HostEvents*>(kPtr))); },
     audioMasterProcessEvents, 0, 0, kPtr, 0.0f, 2, 0, 0},
    {"tempoAt", [](BareEffect& e) { return intptr_t{e.tempoAt(-5)}; },
     audioMasterTempoAt, 0, -5, nullptr, 0.0f, 1200000, 1200000, 0},
    {"getNumAutomatableParameters", [](BareEffect& e) { return intptr_t{e.getNumAutomatableParameters()}; },
     audioMasterGetNumAutomatableParameters, 0, 0, nullptr, 0.0f, 8, 8, 0},
    {"getParameterQuantization", [](BareEffect& e) { return intptr_t{e.getParameterQuantization()}; },
     audioMasterGetParameterQuantization, 0, 0, nullptr, 0.0f, -1, -1, 0},
    {"ioChanged", [](BareEffect& e) { return asInt(e.ioChanged()); },
     audioMasterIOChanged, 0, 0, nullptr, 0.0f, 5, 1, 0},
    {"needIdle", [](BareEffect& e) { return asInt(e.needIdle()); },
     audioMasterNeedIdle, 0, 0, nullptr, 0.0f, 0, 0, 0},
    {"sizeWindow", [](BareEffect& e) { return asInt(e.sizeWindow(640, 480)); },
     audioMasterSizeWindow, 640, 480, nullptr, 0.0f, 1, 1, 0},
    {"updateSampleRate", [](BareEffect& e) { return static_cast<intptr_t>(e.updateSampleRate()); },
     audioMasterGetSampleRate, 0, 0, nullptr, 0.0f, 48000, 48000, 44100},
    {"updateSampleRateNoAnswer", [](BareEffect& e) { return static_cast<intptr_t>(e.updateSampleRate()); },
     audioMasterGetSampleRate, 0, 0, nullptr, 0.0f, 0, 44100, 44100},
    {"updateBlockSize", [](BareEffect& e) { return intptr_t{e.updateBlockSize()}; },
     audioMasterGetBlockSize, 0, 0, nullptr, 0.0f, 64, 64, 1024},
    // A 64-bit host's -1 zero-extended is still -1 as an int32: nothing stored.
    {"updateSampleRateMinusOneZeroExtended", [](BareEffect& e) { return static_cast<intptr_t>(e.updateSampleRate()); },
     audioMasterGetSampleRate, 0, 0, nullptr, 0.0f, kMinusOneZeroExtended, 44100, 44100},
    {"updateBlockSizeMinusOneZeroExtended", [](BareEffect& e) { return intptr_t{e.updateBlockSize()}; },
     audioMasterGetBlockSize, 0, 0, nullptr, 0.0f, kMinusOneZeroExtended, 1024, 1024},
    {"isInputConnectedUpperBitsOnly", [](BareEffect& e) { return asInt(e.isInputConnected(1)); },
     audioMasterPinConnected, 1, 0, nullptr, 0.0f, kUpperBitsOnly, 1, 1},
    {"updateBlockSizeNegative", [](BareEffect& e) { return intptr_t{e.updateBlockSize()}; },
     audioMasterGetBlockSize, 0, 0, nullptr, 0.0f, -64, 1024, 1024},
    {"getInputLatency", [](BareEffect& e) { return intptr_t{e.getInputLatency()}; },
     audioMasterGetInputLatency, 0, 0, nullptr, 0.0f, 128, 128, 0},
    {"getOutputLatency", [](BareEffect& e) { return intptr_t{e.getOutputLatency()}; },
     audioMasterGetOutputLatency, 0, 0, nullptr, 0.0f, 256, 256, 0},
    {"getPreviousPlugSendsNoPin", [](BareEffect& e) { return asInt(e.getPreviousPlug(3)); },
     audioMasterGetPreviousPlug, 0, 0, nullptr, 0.0f, kAddress, kAddress, 0},
    {"getNextPlugSendsNoPin", [](BareEffect& e) { return asInt(e.getNextPlug(3)); },
     audioMasterGetNextPlug, 0, 0, nullptr, 0.0f, kAddress, kAddress, 0},
    {"willProcessReplacing", [](BareEffect& e) { return intptr_t{e.willProcessReplacing()}; },
     audioMasterWillReplaceOrAccumulate, 0, 0, nullptr, 0.0f, 1, 1, 0},
    {"getCurrentProcessLevel", [](BareEffect& e) { return intptr_t{e.getCurrentProcessLevel()}; },
     audioMasterGetCurrentProcessLevel, 0, 0, nullptr, 0.0f, 2, 2, 0},
    {"getAutomationState", [](BareEffect& e) { return intptr_t{e.getAutomationState()}; },
     audioMasterGetAutomationState, 0, 0, nullptr, 0.0f, 3, 3, 0},
    {"offlineStart", [](BareEffect& e) { return asInt(e.offlineStart(static_cast<AudioFile*>(kPtr), 4, 2)); },
     audioMasterOfflineStart, 2, 4, kPtr, 0.0f, 1, 1, 0},
    {"offlineReadSource", [](BareEffect& e) { return asInt(e.offlineRead(static_cast<OfflineTask*>(kPtr), 6, true)); },
     audioMasterOfflineRead, 1, 6, kPtr, 0.0f, 1, 1, 0},
    {"offlineReadNotSource", [](BareEffect& e) { return asInt(e.offlineRead(static_cast<OfflineTask*>(kPtr), 6, false)); },
     audioMasterOfflineRead, 0, 6, kPtr, 0.0f, 0, 0, 0},
    {"offlineWrite", [](BareEffect& e) { return asInt(e.offlineWrite(static_cast<OfflineTask*>(kPtr), 7)); },
     audioMasterOfflineWrite, 0, 7, kPtr, 0.0f, 1, 1, 0},
    {"offlineGetCurrentPass", [](BareEffect& e) { return asInt(e.offlineGetCurrentPass()); },
     audioMasterOfflineGetCurrentPass, 0, 0, nullptr, 0.0f, 1, 1, 0},
    {"offlineGetCurrentMetaPass", [](BareEffect& e) { return asInt(e.offlineGetCurrentMetaPass()); },
     audioMasterOfflineGetCurrentMetaPass, 0, 0, nullptr, 0.0f, 1, 1, 0},
    {"setOutputSamplerate", [](BareEffect& e) { e.setOutputSamplerate(22050.0f); return intptr_t{0}; },
     audioMasterSetOutputSampleRate, 0, 0, nullptr, 22050.0f, 1, 0, 0},
    {"getOutputSpeakerArrangement", [](BareEffect& e) { return asInt(e.getOutputSpeakerArrangement()); },
     audioMasterGetOutputSpeakerArrangement, 0, 0, nullptr, 0.0f, kAddress, kAddress, 0},
    {"getHostVendorString", [](BareEffect& e) { return asInt(e.getHostVendorString(gData)); },
     audioMasterGetVendorString, 0, 0, kPtr, 0.0f, 1, 1, 0},
    {"getHostProductString", [](BareEffect& e) { return asInt(e.getHostProductString(gData)); },
     audioMasterGetProductString, 0, 0, kPtr, 0.0f, 1, 1, 0},
    {"getHostVendorVersion", [](BareEffect& e) { return intptr_t{e.getHostVendorVersion()}; },
     audioMasterGetVendorVersion, 0, 0, nullptr, 0.0f, 1000, 1000, 0},
    {"hostVendorSpecific", [](BareEffect& e) { return intptr_t{e.hostVendorSpecific(5, -6, kPtr, 0.75f)}; },
     audioMasterVendorSpecific, 5, -6, kPtr, 0.75f, -3, -3, 0},
    {"canHostDo", [](BareEffect& e) { return asInt(e.canHostDo(gData)); },
     audioMasterCanDo, 0, 0, kPtr, 0.0f, -1, 1, 0},
    {"getHostLanguage", [](BareEffect& e) { return intptr_t{e.getHostLanguage()}; },
     audioMasterGetLanguage, 0, 0, nullptr, 0.0f, 1, 1, 0},
    {"openWindow", [](BareEffect& e) { return asInt(e.openWindow(static_cast<WindowRecord*>(kPtr))); },
     audioMasterOpenWindow, 0, 0, kPtr, 0.0f, kAddress, kAddress, 0},
    {"closeWindow", [](BareEffect& e) { return asInt(e.closeWindow(static_cast<WindowRecord*>(kPtr))); },
     audioMasterCloseWindow, 0, 0, kPtr, 0.0f, 1, 1, 0},
    {"getDirectory", [](BareEffect& e) { return asInt(e.getDirectory()); },
     audioMasterGetDirectory, 0, 0, nullptr, 0.0f, kAddress, kAddress, 0},
    {"updateDisplay", [](BareEffect& e) { return asInt(e.updateDisplay()); },
     audioMasterUpdateDisplay, 0, 0, nullptr, 0.0f, 1, 1, 0},
    {"beginEdit", [](BareEffect& e) { return asInt(e.beginEdit(4)); },
     audioMasterBeginEdit, 4, 0, nullptr, 0.0f, 1, 1, 0},
    {"endEdit", [](BareEffect& e) { return asInt(e.endEdit(4)); },
     audioMasterEndEdit, 4, 0, nullptr, 0.0f, 1, 1, 0},
    {"openFileSelector", [](BareEffect& e) { return asInt(e.openFileSelector(static_cast<FileSelect*>(kPtr))); },
     audioMasterOpenFileSelector, 0, 0, kPtr, 0.0f, 1, 1, 0},
    {"closeFileSelector", [](BareEffect& e) { return asInt(e.closeFileSelector(static_cast<FileSelect*>(kPtr))); },
     audioMasterCloseFileSelector, 0, 0, kPtr, 0.0f, 1, 1, 0},
    {"getChunkFile", [](BareEffect& e) { return asInt(e.getChunkFile(kPtr)); },
     audioMasterGetChunkFile, 0, 0, kPtr, 0.0f, 1, 1, 0},
    {"getInputSpeakerArrangement", [](BareEffect& e) { return asInt(e.getInputSpeakerArrangement()); },
     audioMasterGetInputSpeakerArrangement, 0, 0, nullptr, 0.0f, kAddress, kAddress, 0},
};

class HostRequest : public ::testing::TestWithParam<RequestCase> {};

TEST_P(HostRequest, SendsOneRequestWithArgumentsInPlace) {
    const RequestCase& c = GetParam();
    MockHost host;
    host.answer(c.opcode, c.answer);
    BareEffect effect(MockHost::callback);

    EXPECT_EQ(c.call(effect), c.withCallback);

    ASSERT_EQ(host.calls.size(), 1u);
    const HostCall& call = host.last();
    EXPECT_EQ(call.effect, effect.getRecord());
    EXPECT_EQ(call.opcode, c.opcode);
    EXPECT_EQ(call.index, c.index);
    EXPECT_EQ(call.value, c.value);
    EXPECT_EQ(call.ptr, c.ptr);
    EXPECT_FLOAT_EQ(call.opt, c.opt);
}

TEST_P(HostRequest, AnswersItsDefaultWithoutCallback) {
    const RequestCase& c = GetParam();
    MockHost host;  // installed, but never reached: the effect stores no callback
    BareEffect effect(nullptr);
    EXPECT_EQ(c.call(effect), c.withoutCallback);
    EXPECT_TRUE(host.calls.empty());
}

INSTANTIATE_TEST_SUITE_P(
    AllRequests, HostRequest, ::testing::ValuesIn(kRequests),
    [](const ::testing::TestParamInfo<RequestCase>& info) { return std::string(info.param.name); });

// ---- Particular points ----

TEST(HostRequestDetails, SetParameterAutomatedSetsBeforeItTellsTheHost) {
    class Recording : public BareEffect {
    public:
        Recording() : BareEffect(MockHost::callback) {}
        void setParameter(int32_t index, float value) override {
            seen = host != nullptr ? host->calls.size() : 99;
            lastIndex = index;
            lastValue = value;
        }
        MockHost* host = nullptr;
        size_t seen = 0;
        int32_t lastIndex = -1;
        float lastValue = -1.0f;
    };
    MockHost host;
    Recording effect;
    effect.host = &host;
    effect.setParameterAutomated(2, 0.75f);
    EXPECT_EQ(effect.seen, 0u);  // no request had been sent yet
    EXPECT_EQ(effect.lastIndex, 2);
    EXPECT_FLOAT_EQ(effect.lastValue, 0.75f);
    ASSERT_EQ(host.calls.size(), 1u);
}

TEST(HostRequestDetails, SetParameterAutomatedWithoutCallbackStillSets) {
    class Recording : public BareEffect {
    public:
        Recording() : BareEffect(nullptr) {}
        void setParameter(int32_t, float value) override { lastValue = value; }
        float lastValue = -1.0f;
    };
    Recording effect;
    effect.setParameterAutomated(0, 0.5f);
    EXPECT_FLOAT_EQ(effect.lastValue, 0.5f);
}

TEST(HostRequestDetails, NullSelectorsAndChunkFileSendNothing) {
    MockHost host;
    host.defaultAnswer = 1;
    BareEffect effect(MockHost::callback);
    EXPECT_FALSE(effect.openFileSelector(nullptr));
    EXPECT_FALSE(effect.closeFileSelector(nullptr));
    EXPECT_FALSE(effect.getChunkFile(nullptr));
    EXPECT_TRUE(host.calls.empty());
}

TEST(HostRequestDetails, UpdatedRatesAreStored) {
    MockHost host;
    host.answer(audioMasterGetSampleRate, 96000);
    host.answer(audioMasterGetBlockSize, 32);
    BareEffect effect(MockHost::callback);
    effect.updateSampleRate();
    effect.updateBlockSize();
    EXPECT_FLOAT_EQ(effect.sampleRateField(), 96000.0f);
    EXPECT_EQ(effect.blockSizeField(), 32);
}

TEST(HostRequestDetails, CallHostPassesEverythingAndFallsBack) {
    MockHost host;
    host.answer(99, -1);
    BareEffect effect(MockHost::callback);
    EXPECT_EQ(effect.callHost(99, 1, -2, kPtr, 3.5f, 42), -1);  // sign kept whole
    EXPECT_EQ(host.last().value, -2);
    BareEffect silent(nullptr);
    EXPECT_EQ(silent.callHost(99, 1, 2, kPtr, 3.5f, 42), 42);
    EXPECT_EQ(host.calls.size(), 1u);
}

}  // namespace
