#include "PluginInstance.h"

#include <algorithm>

#include "HostError.h"

#include <cstdint>
#include <cstring>

namespace ondulaxis::host {

namespace {

// The entry function asks for the host's version before the record exists,
// so the callback cannot find its instance through the record then.
thread_local PluginInstance* instanceUnderConstruction = nullptr;

// A plug-in that asks something every block must not grow the log forever.
constexpr std::size_t kMaxLoggedRequests = 1024;

}  // namespace

PluginInstance::PluginInstance(std::shared_ptr<const PluginLibrary> library, float sampleRate, int32_t blockSize)
    : library_(std::move(library)), sampleRate_(sampleRate), blockSize_(blockSize) {
    PluginRecord* record = nullptr;
    {
        struct ConstructionScope {
            explicit ConstructionScope(PluginInstance* instance) { instanceUnderConstruction = instance; }
            ~ConstructionScope() { instanceUnderConstruction = nullptr; }
        } scope(this);
        record = library_->entry()(&PluginInstance::hostCallback);
    }
    const std::string name = library_->path().string();
    if (record == nullptr) {
        throw HostError("plug-in " + name + " refused to create an instance (its entry function returned null)");
    }
    // A program's `main` returns a small exit status, which no record can sit
    // at: nothing is mapped in the lowest page, and a record is aligned.
    const auto address = reinterpret_cast<std::uintptr_t>(record);
    if (address < 4096 || address % alignof(PluginRecord) != 0) {
        throw HostError("not a plug-in: " + name + "'s entry function " + library_->entryName() + " returned " +
                        std::to_string(address) + ", not the address of a record");
    }
    if (record->magic != kRecordMagic) {
        // Not a record of this interface: nothing in it can be trusted, not
        // even its dispatcher, so it is left alone rather than closed.
        throw HostError("not a plug-in: " + name + " returned a record without the interface's magic number");
    }
    record->user = this;
    record_ = record;
}

PluginInstance::~PluginInstance() {
    if (record_ != nullptr) close();
}

const PluginRecord& PluginInstance::record() const { return openRecord(); }

PluginRecord& PluginInstance::openRecord() const {
    if (record_ == nullptr) throw HostError("plug-in instance used after it was closed");
    return *record_;
}

void PluginInstance::setConnections(const PinConnections& connections) {
    std::lock_guard lock(hostStateLock_);
    connections_ = connections;
}

std::vector<HostRequest> PluginInstance::requests() const {
    std::lock_guard lock(hostStateLock_);
    return requests_;
}

void PluginInstance::clearRequests() {
    std::lock_guard lock(hostStateLock_);
    requests_.clear();
}

intptr_t PluginInstance::hostCallback(PluginRecord* record, int32_t opcode, int32_t index, intptr_t value,
                                      void* ptr, float /*opt*/) {
    PluginInstance* instance = record != nullptr ? static_cast<PluginInstance*>(record->user) : nullptr;
    if (instance == nullptr) instance = instanceUnderConstruction;
    if (instance != nullptr) return instance->answer(opcode, index, value, ptr, record != nullptr);
    // A plug-in calling before it has handed over its record: only the
    // version request makes sense then.
    return opcode == audioMasterVersion ? kHostInterfaceVersion : 0;
}

intptr_t PluginInstance::answer(int32_t opcode, int32_t index, intptr_t value, void* ptr, bool hadRecord) {
    std::lock_guard lock(hostStateLock_);
    if (requests_.size() < kMaxLoggedRequests) requests_.push_back({opcode, index, value, hadRecord});
    switch (opcode) {
        case audioMasterVersion:
            return kHostInterfaceVersion;
        case audioMasterPinConnected: {
            // 0 means connected; pins this host does not have are not. The
            // direction is a number: its low 32 bits, as the interface reads every
            // numeric value.
            const auto direction = static_cast<int32_t>(value);
            if (index < 0 || index > 1 || (direction != 0 && direction != 1)) return 1;
            const auto& pins = direction == 0 ? connections_.inputs : connections_.outputs;
            return pins[static_cast<std::size_t>(index)] ? 0 : 1;
        }
        case audioMasterGetSampleRate:
            return static_cast<intptr_t>(sampleRate_);
        case audioMasterGetBlockSize:
            return blockSize_;
        case audioMasterGetCurrentProcessLevel:
            return processing_ ? kProcessLevelOffline : kProcessLevelUser;
        case audioMasterGetVendorString:
        case audioMasterGetProductString:
            // The interface's strings hold 64 bytes with the terminator.
            if (ptr == nullptr) return 0;
            std::strncpy(static_cast<char*>(ptr), opcode == audioMasterGetVendorString ? kHostVendor : kHostProduct,
                         63);
            static_cast<char*>(ptr)[63] = '\0';
            return 1;
        case audioMasterGetVendorVersion:
            return kHostVendorVersion;
        case audioMasterIOChanged:
            // The command reads the record's latency and pins once the
            // settings are handed over, so a change before then is taken.
            return 1;
        default:
            return 0;
    }
}

intptr_t PluginInstance::dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
    PluginRecord& record = openRecord();
    if (opcode == effClose) {
        // The plug-in deletes its record inside this call.
        record_ = nullptr;
    }
    return record.dispatcher(&record, opcode, index, value, ptr, opt);
}

void PluginInstance::process(float** inputs, float** outputs, int32_t sampleFrames) {
    PluginRecord& record = openRecord();
    processing_ = true;
    record.process(&record, inputs, outputs, sampleFrames);
    processing_ = false;
}

void PluginInstance::processReplacing(float** inputs, float** outputs, int32_t sampleFrames) {
    PluginRecord& record = openRecord();
    processing_ = true;
    record.processReplacing(&record, inputs, outputs, sampleFrames);
    processing_ = false;
}

void PluginInstance::setParameter(int32_t index, float value) {
    PluginRecord& record = openRecord();
    record.setParameter(&record, index, value);
}

float PluginInstance::getParameter(int32_t index) {
    PluginRecord& record = openRecord();
    return record.getParameter(&record, index);
}

intptr_t PluginInstance::open() { return dispatch(effOpen); }

intptr_t PluginInstance::close() { return dispatch(effClose); }

void PluginInstance::setSampleRate(float sampleRate) {
    {
        std::lock_guard lock(hostStateLock_);
        sampleRate_ = sampleRate;
    }
    dispatch(effSetSampleRate, 0, 0, nullptr, sampleRate);
}

void PluginInstance::setBlockSize(int32_t blockSize) {
    {
        std::lock_guard lock(hostStateLock_);
        blockSize_ = blockSize;
    }
    dispatch(effSetBlockSize, 0, blockSize);
}

intptr_t PluginInstance::mainsChanged(bool on) { return dispatch(effMainsChanged, 0, on ? 1 : 0); }

intptr_t PluginInstance::setBypass(bool on) { return dispatch(effSetBypass, 0, on ? 1 : 0); }

std::string PluginInstance::requestText(int32_t opcode, int32_t index, intptr_t value, intptr_t* answer) {
    // One spare byte that the plug-in is not told about keeps the text
    // terminated whatever it writes into the buffer it was given.
    char text[kTextBufferSize + 1] = {};
    const intptr_t result = dispatch(opcode, index, value, text);
    if (answer != nullptr) *answer = result;
    return std::string(text, strnlen(text, kTextBufferSize));
}

std::string PluginInstance::parameterName(int32_t index) { return requestText(effGetParamName, index); }

bool PluginInstance::setParameterFromText(int32_t index, std::string_view text) {
    // The plug-in may write into the text; it gets a buffer of the usual size.
    char buffer[kTextBufferSize + 1] = {};
    text.copy(buffer, std::min(text.size(), kTextBufferSize - 1));
    return dispatch(effString2Parameter, index, 0, buffer) != 0;
}

std::string PluginInstance::parameterLabel(int32_t index) { return requestText(effGetParamLabel, index); }

std::string PluginInstance::parameterDisplay(int32_t index) { return requestText(effGetParamDisplay, index); }

std::string PluginInstance::programName() { return requestText(effGetProgramName); }

std::string PluginInstance::programNameIndexed(int32_t category, int32_t index, intptr_t* answer) {
    return requestText(effGetProgramNameIndexed, index, category, answer);
}

std::string PluginInstance::effectName() { return requestText(effGetEffectName); }

std::string PluginInstance::vendorString() { return requestText(effGetVendorString); }

std::string PluginInstance::productString() { return requestText(effGetProductString); }

intptr_t PluginInstance::vendorVersion() { return dispatch(effGetVendorVersion); }

intptr_t PluginInstance::canDo(std::string_view capability) {
    std::string text(capability);
    return dispatch(effCanDo, 0, 0, text.data());
}

intptr_t PluginInstance::category() { return dispatch(effGetPlugCategory); }

}  // namespace ondulaxis::host
