// The host's own view of the C interface a plug-in exposes: the record the
// entry function returns, the entry and callback types, and the opcodes this
// host sends or answers. Nothing here comes from the plug-in's sources; a
// real host knows the interface only by its binary layout.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ondulaxis::host {

struct PluginRecord;

// Requests from the plug-in to the host. `value` and the result are
// pointer-sized, so negative answers arrive sign-extended.
using HostCallback = intptr_t (*)(PluginRecord* record, int32_t opcode, int32_t index,
                                  intptr_t value, void* ptr, float opt);

using DispatchFunction = intptr_t (*)(PluginRecord* record, int32_t opcode, int32_t index,
                                      intptr_t value, void* ptr, float opt);
using ProcessFunction = void (*)(PluginRecord* record, float** inputs, float** outputs,
                                 int32_t sampleFrames);
using SetParameterFunction = void (*)(PluginRecord* record, int32_t index, float value);
using GetParameterFunction = float (*)(PluginRecord* record, int32_t index);

// The exported function a host calls once per instance.
using EntryFunction = PluginRecord* (*)(HostCallback callback);

// Four-character codes keep the first character in the most significant byte.
constexpr int32_t fourCharCode(const char (&code)[5]) {
    return static_cast<int32_t>((uint32_t(uint8_t(code[0])) << 24) | (uint32_t(uint8_t(code[1])) << 16) |
                                (uint32_t(uint8_t(code[2])) << 8) | uint32_t(uint8_t(code[3])));
}

constexpr int32_t kRecordMagic = fourCharCode("VstP");

struct PluginRecord {
    int32_t magic;
    DispatchFunction dispatcher;
    ProcessFunction process;
    SetParameterFunction setParameter;
    GetParameterFunction getParameter;
    int32_t numPrograms;
    int32_t numParams;
    int32_t numInputs;
    int32_t numOutputs;
    int32_t flags;
    intptr_t resvd1;
    intptr_t resvd2;
    int32_t initialDelay;
    int32_t realQualities;
    int32_t offQualities;
    float ioRatio;
    void* object;
    void* user;  // the host's: leads the callback back to its instance wrapper
    int32_t uniqueID;
    int32_t version;
    ProcessFunction processReplacing;
    unsigned char reserved[sizeof(void*) == 8 ? 64 : 60];
};

#if INTPTR_MAX == INT64_MAX
static_assert(sizeof(PluginRecord) == 192);
static_assert(offsetof(PluginRecord, dispatcher) == 8);
static_assert(offsetof(PluginRecord, process) == 16);
static_assert(offsetof(PluginRecord, setParameter) == 24);
static_assert(offsetof(PluginRecord, getParameter) == 32);
static_assert(offsetof(PluginRecord, numPrograms) == 40);
static_assert(offsetof(PluginRecord, numParams) == 44);
static_assert(offsetof(PluginRecord, numInputs) == 48);
static_assert(offsetof(PluginRecord, numOutputs) == 52);
static_assert(offsetof(PluginRecord, flags) == 56);
static_assert(offsetof(PluginRecord, resvd1) == 64);
static_assert(offsetof(PluginRecord, resvd2) == 72);
static_assert(offsetof(PluginRecord, initialDelay) == 80);
static_assert(offsetof(PluginRecord, realQualities) == 84);
static_assert(offsetof(PluginRecord, offQualities) == 88);
static_assert(offsetof(PluginRecord, ioRatio) == 92);
static_assert(offsetof(PluginRecord, object) == 96);
static_assert(offsetof(PluginRecord, user) == 104);
static_assert(offsetof(PluginRecord, uniqueID) == 112);
static_assert(offsetof(PluginRecord, version) == 116);
static_assert(offsetof(PluginRecord, processReplacing) == 120);
static_assert(offsetof(PluginRecord, reserved) == 128);
#elif INTPTR_MAX == INT32_MAX
static_assert(sizeof(PluginRecord) == 144);
static_assert(offsetof(PluginRecord, dispatcher) == 4);
static_assert(offsetof(PluginRecord, process) == 8);
static_assert(offsetof(PluginRecord, setParameter) == 12);
static_assert(offsetof(PluginRecord, getParameter) == 16);
static_assert(offsetof(PluginRecord, numPrograms) == 20);
static_assert(offsetof(PluginRecord, numParams) == 24);
static_assert(offsetof(PluginRecord, numInputs) == 28);
static_assert(offsetof(PluginRecord, numOutputs) == 32);
static_assert(offsetof(PluginRecord, flags) == 36);
static_assert(offsetof(PluginRecord, resvd1) == 40);
static_assert(offsetof(PluginRecord, resvd2) == 44);
static_assert(offsetof(PluginRecord, initialDelay) == 48);
static_assert(offsetof(PluginRecord, realQualities) == 52);
static_assert(offsetof(PluginRecord, offQualities) == 56);
static_assert(offsetof(PluginRecord, ioRatio) == 60);
static_assert(offsetof(PluginRecord, object) == 64);
static_assert(offsetof(PluginRecord, user) == 68);
static_assert(offsetof(PluginRecord, uniqueID) == 72);
static_assert(offsetof(PluginRecord, version) == 76);
static_assert(offsetof(PluginRecord, processReplacing) == 80);
static_assert(offsetof(PluginRecord, reserved) == 84);
#else
#error "unsupported pointer width"
#endif

// Dispatcher opcodes this host sends.
constexpr int32_t effOpen = 0;
constexpr int32_t effClose = 1;
constexpr int32_t effGetProgram = 3;
constexpr int32_t effGetProgramName = 5;
constexpr int32_t effGetParamLabel = 6;
constexpr int32_t effGetParamDisplay = 7;
constexpr int32_t effGetParamName = 8;
constexpr int32_t effSetSampleRate = 10;
constexpr int32_t effSetBlockSize = 11;
constexpr int32_t effMainsChanged = 12;
constexpr int32_t effString2Parameter = 27;
constexpr int32_t effGetProgramNameIndexed = 29;
constexpr int32_t effGetPlugCategory = 35;
constexpr int32_t effSetBypass = 44;
constexpr int32_t effGetEffectName = 45;
constexpr int32_t effGetVendorString = 47;
constexpr int32_t effGetProductString = 48;
constexpr int32_t effGetVendorVersion = 49;
constexpr int32_t effCanDo = 51;

// Requests from the plug-in this host answers.
constexpr int32_t audioMasterVersion = 1;
constexpr int32_t audioMasterPinConnected = 4;
constexpr int32_t audioMasterIOChanged = 13;
constexpr int32_t audioMasterGetSampleRate = 16;
constexpr int32_t audioMasterGetBlockSize = 17;
constexpr int32_t audioMasterGetCurrentProcessLevel = 23;
constexpr int32_t audioMasterGetVendorString = 32;
constexpr int32_t audioMasterGetProductString = 33;
constexpr int32_t audioMasterGetVendorVersion = 34;

// The interface version this host reports.
constexpr intptr_t kHostInterfaceVersion = 2300;

// Who this host says it is, and the process levels it reports: "user" on
// the thread that sets up, "offline" while it renders a block.
constexpr const char* kHostVendor = "Ondulaxis";
constexpr const char* kHostProduct = "ondulaxis host";
constexpr intptr_t kHostVendorVersion = 1000;  // 1.0.0
constexpr intptr_t kProcessLevelUser = 1;
constexpr intptr_t kProcessLevelOffline = 4;

// Bits of the record's flags.
constexpr int32_t effFlagsHasEditor = 0x001;
constexpr int32_t effFlagsHasClip = 0x002;
constexpr int32_t effFlagsHasVu = 0x004;
constexpr int32_t effFlagsCanMono = 0x008;
constexpr int32_t effFlagsCanReplacing = 0x010;
constexpr int32_t effFlagsProgramChunks = 0x020;
constexpr int32_t effFlagsIsSynth = 0x100;
constexpr int32_t effFlagsNoSoundInStop = 0x200;
constexpr int32_t effFlagsExtIsAsync = 0x400;
constexpr int32_t effFlagsExtHasBuffer = 0x800;

}  // namespace ondulaxis::host
