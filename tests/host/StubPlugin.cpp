// Stand-ins for broken or unusual plug-ins, one per build flag, for the
// loader, layout and bypass tests.
#include "PluginRecord.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#if !defined(_WIN32)
#include <unistd.h>
#endif

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

#elif defined(STUB_OneInOneOut) || defined(STUB_TwoInSixOut) || defined(STUB_Instrument)

// Working plug-ins with the pin counts and bypass answers hosts meet. Output
// k is 2·in[k mod inputs] + 0.5·in[(k+1) mod inputs] (the second term only
// with two inputs or more), so a test can tell which input fed which output.
namespace {

#if defined(STUB_OneInOneOut)
// "Don't know" to the bypass capability; ignores the request.
constexpr int32_t kInputs = 1, kOutputs = 1;
constexpr intptr_t kCanBypass = 0;
#elif defined(STUB_TwoInSixOut)
// Says it can bypass, then refuses the request.
constexpr int32_t kInputs = 2, kOutputs = 6;
constexpr intptr_t kCanBypass = 1;
#else
constexpr int32_t kInputs = 0, kOutputs = 2;
constexpr intptr_t kCanBypass = -1;
#endif

intptr_t dispatch(PluginRecord* record, int32_t opcode, int32_t, intptr_t, void* ptr, float) {
    switch (opcode) {
        case effClose:
            delete record;
            return 1;
        case effCanDo:
            return ptr != nullptr && std::strcmp(static_cast<const char*>(ptr), "bypass") == 0 ? kCanBypass : 0;
        case effGetEffectName:
            std::strcpy(static_cast<char*>(ptr), "Stub");
            return 1;
        default:
            return 0;
    }
}

void run(float** inputs, float** outputs, int32_t frames, bool add) {
    for (int32_t k = 0; k < kOutputs; ++k) {
        for (int32_t i = 0; i < frames; ++i) {
            float value = 0.0f;
            if constexpr (kInputs > 0) value = 2.0f * inputs[k % kInputs][i];
            if constexpr (kInputs > 1) value += 0.5f * inputs[(k + 1) % kInputs][i];
            outputs[k][i] = add ? outputs[k][i] + value : value;
        }
    }
}
void replace(PluginRecord*, float** inputs, float** outputs, int32_t frames) { run(inputs, outputs, frames, false); }
void accumulate(PluginRecord*, float** inputs, float** outputs, int32_t frames) { run(inputs, outputs, frames, true); }
void ignoreParameter(PluginRecord*, int32_t, float) {}
float noParameter(PluginRecord*, int32_t) { return 0.0f; }

}  // namespace

EXPORTED PluginRecord* VSTPluginMain(HostCallback) {
    auto* record = new PluginRecord{};
    record->magic = kRecordMagic;
    record->dispatcher = dispatch;
    record->process = accumulate;
    record->processReplacing = replace;
    record->setParameter = ignoreParameter;
    record->getParameter = noParameter;
    record->numInputs = kInputs;
    record->numOutputs = kOutputs;
    // With the editor bit and one no name covers.
    record->flags = effFlagsCanReplacing | effFlagsHasEditor | 0x1000;
    return record;
}

#elif defined(STUB_MainCrashes) || defined(STUB_MainProgram) || defined(STUB_MainExits) || defined(STUB_MainHangs)

// Libraries whose exported `main` is no plug-in entry.
EXPORTED int programMain(int, char**) __asm__("main");
int programMain(int, char**) {
#if defined(STUB_MainCrashes)
    std::raise(SIGSEGV);
#elif defined(STUB_MainExits)
    std::puts("usage: stub [options]");
    std::exit(0);
#elif defined(STUB_MainHangs)
    for (;;) pause();
#endif
    // A program's exit status, which a host takes for a record's address.
    std::puts("usage: stub [options]");
    return 1;
}

#endif
