#include "Ondulaxis.h"

#include <cstring>
#include <limits>
#include <mutex>
#include <stdexcept>

#include "ParameterRecords.h"

namespace {

struct Capability {
    const char* text;
    int32_t answer;
};

// Matched in this order; the first exact match answers.
constexpr Capability capabilities[] = {
    {"sendVstEvents", -1},    {"sendVstMidiEvent", -1}, {"sendVstTimeInfo", -1},
    {"receiveVstEvents", -1}, {"receiveVstMidiEvent", -1}, {"receiveVstTimeInfo", -1},
    {"offline", -1},          {"noRealTime", -1},       {"1in1out", 1},
    {"2in2out", 1},           {"1in2out", -1},          {"2in1out", -1},
    {"2in4out", -1},          {"4in2out", -1},          {"4in4out", -1},
    {"4in8out", -1},          {"8in4out", -1},          {"8in8out", -1},
    {"bypass", 1},
};

constexpr size_t programNameCapacity = 32;

// A host's buffer takes the text; false, and nothing written, for none.
bool copyOut(const char* text, char* buffer) noexcept {
    if (buffer == nullptr) {
        return false;
    }
    std::strcpy(buffer, text);
    return true;
}

}  // namespace

Ondulaxis::Ondulaxis(audioMasterCallback audioMaster)
    : Ondulaxis(audioMaster, ondulaxisParameters, ondulaxisIdentity) {}

Ondulaxis::Ondulaxis(audioMasterCallback audioMaster, const ParameterTable& parameters,
                     const PluginIdentity& identity)
    : AudioEffectX(audioMaster, 1, parameters.count()), parameters(parameters), identity(identity) {
    if (!stateLock.created()) {
        throw std::runtime_error("Ondulaxis::Ondulaxis - Critical section initialization failed.");
    }
    std::lock_guard<StateLock> guard(stateLock);
    setNumInputs(2);
    setNumOutputs(2);
    setUniqueID(identity.uniqueId);
    canProcessReplacing(true);

    std::strcpy(programName, "Default");

    // The mailbox starts zeroed (no bypass, no request); the first pins are
    // connected, the effect is on, and a reset is requested below.
    sharedState.inConnected[0] = 1;
    sharedState.outConnected[0] = 1;
    sharedState.active = true;
    // Defaults, not NaN, wait in the pending slots so that the first block runs
    // every change handler; the slots beyond the table stay empty.
    for (int32_t index = 0; index < maxParamCount; ++index) {
        const ParameterRecord* record = parameters.find(index);
        sharedState.paramValues[index] = record != nullptr ? record->defaultValue : 0.0f;
        sharedState.pendingValues[index] =
            record != nullptr ? record->defaultValue : std::numeric_limits<float>::quiet_NaN();
    }
    sharedState.resetRequest = true;
}

Ondulaxis::~Ondulaxis() = default;

bool Ondulaxis::isActive() {
    std::lock_guard<StateLock> guard(stateLock);
    return sharedState.active;
}

void Ondulaxis::setProgram(int32_t) {}

void Ondulaxis::setProgramName(char* name) {
    if (name == nullptr) {
        return;
    }
    // strnlen stops at the terminator, so a short name is never read past.
    const size_t length = strnlen(name, programNameCapacity - 1);
    std::lock_guard<StateLock> guard(stateLock);
    std::memcpy(programName, name, length);
    programName[length] = '\0';
}

void Ondulaxis::getProgramName(char* name) {
    if (name == nullptr) {
        return;
    }
    std::lock_guard<StateLock> guard(stateLock);
    std::strcpy(name, programName);
}

bool Ondulaxis::getProgramNameIndexed(int32_t category, int32_t index, char* text) {
    if (text == nullptr || (category != -1 && category != 0) || index != 0) {
        return false;
    }
    std::lock_guard<StateLock> guard(stateLock);
    std::strcpy(text, programName);
    return true;
}

int32_t Ondulaxis::getPlugCategory() { return kPlugCategEffect; }

bool Ondulaxis::setBypass(bool onOff) {
    std::lock_guard<StateLock> guard(stateLock);
    sharedState.rerouteRequest = true;
    sharedState.bypass = onOff;
    return true;
}

bool Ondulaxis::getEffectName(char* name) { return copyOut(identity.name, name); }

bool Ondulaxis::getVendorString(char* text) { return copyOut(identity.vendor, text); }

bool Ondulaxis::getProductString(char* text) {
    if (text == nullptr) {
        return false;
    }
    identity.writeProductString(text);
    return true;
}

int32_t Ondulaxis::getVendorVersion() { return identity.vendorVersion; }

int32_t Ondulaxis::canDo(char* text) {
    if (text == nullptr) {
        return 0;
    }
    for (const Capability& capability : capabilities) {
        if (std::strcmp(text, capability.text) == 0) {
            return capability.answer;
        }
    }
    return 0;
}
