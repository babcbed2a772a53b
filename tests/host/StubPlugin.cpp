// Stand-ins for broken plug-ins, one per build flag, for the loader tests.
#include "PluginRecord.h"

using namespace ondulaxis::host;

#if defined(_WIN32)
#define EXPORTED extern "C" __declspec(dllexport)
#else
#define EXPORTED extern "C" __attribute__((visibility("default")))
#endif

#if defined(STUB_NoEntry)

// A valid shared library that exports no entry function.
EXPORTED int stubWithoutEntry() { return 0; }

#elif defined(STUB_NullEntry)

EXPORTED PluginRecord* VSTPluginMain(HostCallback) { return nullptr; }

#elif defined(STUB_BadMagic)

EXPORTED PluginRecord* VSTPluginMain(HostCallback) {
    static PluginRecord record{};
    record.magic = fourCharCode("Nope");
    return &record;
}

#elif defined(STUB_MainOnly)

// Exported only under the older name `main`. Its record reports, as its
// unique ID, the version the host answered, and it never writes audio, so
// a host sees it as switched off.
namespace {

PluginRecord record{};

intptr_t dispatch(PluginRecord*, int32_t opcode, int32_t, intptr_t, void*, float) {
    return opcode == effClose ? 1 : 0;
}
void leaveUntouched(PluginRecord*, float**, float**, int32_t) {}
void ignoreParameter(PluginRecord*, int32_t, float) {}
float noParameter(PluginRecord*, int32_t) { return 0.0f; }

}  // namespace

#if defined(_WIN32)
// Exported as `main` by StubMainOnly.def.
extern "C" PluginRecord* stubEntry(HostCallback host);
#else
EXPORTED PluginRecord* stubEntry(HostCallback host) __asm__("main");
#endif
PluginRecord* stubEntry(HostCallback host) {
    record = PluginRecord{};
    record.magic = kRecordMagic;
    record.dispatcher = dispatch;
    record.process = leaveUntouched;
    record.processReplacing = leaveUntouched;
    record.setParameter = ignoreParameter;
    record.getParameter = noParameter;
    record.numInputs = 2;
    record.numOutputs = 2;
    record.flags = effFlagsCanReplacing;
    record.uniqueID = static_cast<int32_t>(host(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f));
    return &record;
}

#endif
