// Stand-ins for broken or unusual plug-ins, one per build flag, for the
// loader, layout and bypass tests.
#include "PluginRecord.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cmath>
#include <cstring>
#include <string>
#include <algorithm>
#if !defined(_WIN32)
#include <fcntl.h>
#include <unistd.h>
#endif

using namespace ondulaxis::host;

#if defined(_WIN32)
#define EXPORTED extern "C" __declspec(dllexport)
#else
#define EXPORTED extern "C" __attribute__((visibility("default")))
#endif

#if !defined(_WIN32)
namespace {
// Tells a waiting test that this process is about to hang: one byte into
// the FIFO named by ONDULAXIS_STUB_HANG_FIFO, whose write end stays open
// until the process ends, so the test also sees when it has gone.
[[maybe_unused]] void announceHang() {
    const char* fifo = std::getenv("ONDULAXIS_STUB_HANG_FIFO");
    if (fifo == nullptr) return;
    const int descriptor = open(fifo, O_WRONLY | O_NONBLOCK);
    if (descriptor >= 0 && write(descriptor, "h", 1) < 0) close(descriptor);
}

// Adds a helper's process ID to the file named by ONDULAXIS_STUB_HELPERS,
// for a test to check on it and end it.
[[maybe_unused]] void recordHelper(pid_t helper) {
    const char* path = std::getenv("ONDULAXIS_STUB_HELPERS");
    if (path == nullptr) return;
    if (FILE* file = std::fopen(path, "a")) {
        std::fprintf(file, "%ld\n", static_cast<long>(helper));
        std::fclose(file);
    }
}
}  // namespace
#endif

#if defined(STUB_NoEntry)

// A valid shared library that exports no entry function.
EXPORTED int stubWithoutEntry() { return 0; }

#elif defined(STUB_NullEntry)

EXPORTED PluginRecord* VSTPluginMain(HostCallback) { return nullptr; }

#elif defined(STUB_BadMagic)

EXPORTED PluginRecord* VSTPluginMain(HostCallback) {
    static PluginRecord record{};
    record.magic = fourCharCode('N', 'o', 'p', 'e');
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

#elif defined(STUB_CrashesInProcessing) || defined(STUB_AsksTheHost) || defined(STUB_DelayLine) || \
    defined(STUB_WritesEverywhere) || defined(STUB_OutputsNaN) || defined(STUB_HangsInProcessing) ||      \
    defined(STUB_LatencyOnResume) || defined(STUB_NegativeLatency) || defined(STUB_BlockLengths) ||      \
    defined(STUB_CrashesOnSecondResume) || defined(STUB_CrashesLeavingHelper) ||                         \
    defined(STUB_CrashesInParameterName) || defined(STUB_HugeChannelCount) ||                            \
    defined(STUB_HangsInParameterName) || defined(STUB_OutputsLateNaN) || defined(STUB_LoadsOnce)

// Stereo plug-ins that misbehave or differ in one way each:
// - CrashesInProcessing: a segmentation fault in its fourth block of audio;
// - AsksTheHost: its name tells what the host answered when it resumed, its
//   parameter 0 display the process level during its last block; it says it
//   cannot bypass but accepts the request; its parameter 0 reads back the
//   value its last block applied, not the one set;
// - DelayLine: a pure delay whose length it reports as its latency; its
//   stepped parameter Oversample (1x 2x 4x 8x 16x) sets 10, 20, 40, 80 or
//   160 samples;
// - WritesEverywhere: prints, writes forged verdicts to every descriptor and
//   leaves a helper process holding them while it loads: for 30 s when a
//   test records helpers (and ends them), otherwise a few seconds;
// - OutputsNaN: a pass-through whose frame 1000 is NaN and 1001 infinite;
//   OutputsLateNaN the same at frames 40000 and 40001;
// - HangsInProcessing: never returns from its second block of audio;
// - LatencyOnResume: a delay of 40 it reports only once resumed; bypassed,
//   it passes its input on undelayed;
// - NegativeLatency: a pass-through reporting a latency of -40;
// - BlockLengths: outputs the length of each block as every sample;
// - CrashesOnSecondResume: a segmentation fault when resumed a second time;
// - CrashesLeavingHelper: crashes as CrashesInProcessing, leaving a helper
//   process that holds its descriptors for 30 s (its ID in ./helper.pid);
// - CrashesInParameterName: a segmentation fault when asked a name;
// - HangsInParameterName: never answers when asked a name;
// the hanging ones announce the hang first (announceHang).
// - HugeChannelCount: claims 2^31-1 inputs and outputs.
// - LoadsOnce: a pass-through the first time it is loaded in the working
//   folder (it leaves the file loaded-once there); no record afterwards.
namespace {

struct State {
    PluginRecord record{};
    HostCallback host = nullptr;
    int blocks = 0;
    float set = 0.5f;
    float applied = 0.0f;
    intptr_t level = 0;
    char resumed[128] = "";
    float delay[2][256] = {};
    int position = 0;
    bool bypassed = false;
    long long frames = 0;
    char asked[64] = "";  // the rate and block size at entry and at open
};
State state;
[[maybe_unused]] int resumes = 0;  // of every instance in the process
#if defined(STUB_OutputsLateNaN)
constexpr long long kFirstNaN = 40000;
#else
[[maybe_unused]] constexpr long long kFirstNaN = 1000;
#endif

int stepOf(float value) { return std::min(4, static_cast<int>(value * 5.0f)); }
[[maybe_unused]] int32_t delayOf(float value) { return 10 << stepOf(value); }

intptr_t ask(int32_t opcode, void* ptr = nullptr) { return state.host(&state.record, opcode, 0, 0, ptr, 0.0f); }

intptr_t dispatch(PluginRecord*, int32_t opcode, int32_t, [[maybe_unused]] intptr_t value, void* ptr, float) {
    char* text = static_cast<char*>(ptr);
    switch (opcode) {
        case effClose: return 1;
        case effOpen:
            std::snprintf(state.asked + std::strlen(state.asked), 32, " / %ld %ld", static_cast<long>(ask(16)),
                          static_cast<long>(ask(17)));
            return 0;
        case effGetProductString: std::strcpy(text, state.asked); return 1;
        case effMainsChanged: {
#if defined(STUB_CrashesOnSecondResume)
            if (value == 1 && ++resumes == 2) std::raise(SIGSEGV);
#endif
#if defined(STUB_LatencyOnResume)
            state.record.initialDelay = 40;
#endif
            char vendor[64] = "";
            char product[64] = "";
            ask(audioMasterGetVendorString, vendor);
            ask(audioMasterGetProductString, product);
            std::snprintf(state.resumed, sizeof state.resumed, "%ld %ld %ld %ld %s/%s", static_cast<long>(ask(16)),
                          static_cast<long>(ask(17)), static_cast<long>(ask(23)), static_cast<long>(ask(34)), vendor,
                          product);
            return 0;
        }
        case effGetEffectName: std::strcpy(text, state.resumed); return 1;
        case effGetParamName:
#if defined(STUB_CrashesInParameterName)
            std::raise(SIGSEGV);
#elif defined(STUB_HangsInParameterName)
            announceHang();
            for (;;) pause();
#endif
            std::strcpy(text, "Oversample");
            return 1;
        case effGetParamDisplay:
#if defined(STUB_DelayLine)
            std::snprintf(text, 8, "%dx", 1 << stepOf(state.set));
#else
            std::snprintf(text, 8, "%ld", static_cast<long>(state.level));
#endif
            return 1;
#if defined(STUB_LatencyOnResume)
        case effCanDo: return ptr != nullptr && std::strcmp(text, "bypass") == 0 ? 1 : 0;
#else
        case effCanDo: return ptr != nullptr && std::strcmp(text, "bypass") == 0 ? -1 : 0;
#endif
        case effSetBypass: state.bypassed = true; return 1;
        default: return 0;
    }
}

void replace(PluginRecord*, float** inputs, float** outputs, int32_t frames) {
    if (frames > 1 && ++state.blocks == 4) {
#if defined(STUB_CrashesInProcessing) || defined(STUB_CrashesLeavingHelper)
        std::raise(SIGSEGV);
#endif
    }
#if defined(STUB_HangsInProcessing)
    if (state.blocks == 2) {
        announceHang();
        for (;;) pause();
    }
#endif
    state.applied = state.set;
    state.level = ask(audioMasterGetCurrentProcessLevel);
    const int32_t length = state.bypassed ? 0 : state.record.initialDelay;
    for (int32_t i = 0; i < frames; ++i) {
        for (int channel = 0; channel < 2; ++channel) {
            float& slot = state.delay[channel][state.position];
            outputs[channel][i] = length > 0 ? slot : inputs[channel][i];
            slot = inputs[channel][i];
#if defined(STUB_OutputsNaN) || defined(STUB_OutputsLateNaN)
            if (state.frames + i == kFirstNaN) outputs[channel][i] = std::nanf("");
            if (state.frames + i == kFirstNaN + 1) outputs[channel][i] = -HUGE_VALF;
#elif defined(STUB_BlockLengths)
            outputs[channel][i] = static_cast<float>(frames);
#endif
        }
        if (length > 0) state.position = (state.position + 1) % length;
    }
    state.frames += frames;
}
void setParameter(PluginRecord*, int32_t index, float value) {
    if (index != 0) return;
    state.set = value;
#if defined(STUB_DelayLine)
    // A new length starts from silence.
    state.record.initialDelay = delayOf(value);
    state.position = 0;
    std::memset(state.delay, 0, sizeof state.delay);
    ask(audioMasterIOChanged);
#endif
}
float getParameter(PluginRecord*, int32_t index) { return index == 0 ? state.applied : 0.0f; }

}  // namespace

EXPORTED PluginRecord* VSTPluginMain(HostCallback host) {
#if defined(STUB_WritesEverywhere)
    std::puts("ok 1 1 1");
    std::fputs("error I am a forged verdict\n", stderr);
    std::fflush(nullptr);
    std::string junk(1 << 20, 'x');
    junk += "\nerror I am a forged verdict\nok 9 9 9\n";
    for (int descriptor = 3; descriptor < 64; ++descriptor) {
        if (write(descriptor, junk.data(), junk.size()) < 0) continue;
    }
    if (const pid_t helper = fork(); helper == 0) {
        sleep(std::getenv("ONDULAXIS_STUB_HELPERS") != nullptr ? 30 : 3);
        _exit(0);
    } else {
        recordHelper(helper);
    }
#endif
#if defined(STUB_CrashesLeavingHelper)
    if (const pid_t helper = fork(); helper == 0) {
        sleep(30);
        _exit(0);
    } else if (FILE* file = std::fopen("helper.pid", "a")) {
        std::fprintf(file, "%ld\n", static_cast<long>(helper));
        std::fclose(file);
    }
#endif
#if defined(STUB_LoadsOnce)
    if (access("loaded-once", F_OK) == 0) return nullptr;
    if (FILE* file = std::fopen("loaded-once", "w")) std::fclose(file);
#endif
    state = State{};
    state.host = host;
    std::snprintf(state.asked, sizeof state.asked, "%ld %ld", static_cast<long>(ask(16)), static_cast<long>(ask(17)));
    state.record.magic = kRecordMagic;
    state.record.dispatcher = dispatch;
    state.record.process = replace;
    state.record.processReplacing = replace;
    state.record.setParameter = setParameter;
    state.record.getParameter = getParameter;
    state.record.numParams = 1;
    state.record.numInputs = 2;
    state.record.numOutputs = 2;
    state.record.flags = effFlagsCanReplacing;
#if defined(STUB_DelayLine)
    state.record.initialDelay = delayOf(state.set);
#elif defined(STUB_NegativeLatency)
    state.record.initialDelay = -40;
#elif defined(STUB_HugeChannelCount)
    state.record.numInputs = 2147483647;
    state.record.numOutputs = 2147483647;
#endif
    return &state.record;
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
    announceHang();
    for (;;) pause();
#endif
    // A program's exit status, which a host takes for a record's address.
    std::puts("usage: stub [options]");
    return 1;
}

#endif
