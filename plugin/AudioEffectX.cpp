// Second generation of the interface: opcodes 25 to 76, the base behaviours
// and host requests of AudioEffectX, and the speaker-arrangement helpers.
#include "AudioEffectX.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>

namespace {

intptr_t flag(bool state) { return state ? 1 : 0; }

// Low 8 bits of opt taken as a 16-bit integer truncated toward zero. A value
// that is not finite or lies beyond the int32 range gives 0 instead of an
// undefined conversion; inside it, the low 8 bits equal those of the int16.
uint8_t modifiersFrom(float opt) {
    const double d = opt;
    if (!std::isfinite(d) || d >= 2147483648.0 || d <= -2147483649.0) return 0;
    const auto whole = static_cast<int32_t>(d);
    return static_cast<uint8_t>(static_cast<uint32_t>(whole) & 0xffu);
}

}  // namespace

AudioEffectX::AudioEffectX(audioMasterCallback master, int32_t programs, int32_t params)
    : AudioEffect(master, programs, params) {}

AudioEffectX::~AudioEffectX() = default;

// ---- Dispatcher, opcodes 25 to 76 ----

intptr_t AudioEffectX::dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                  float opt) {
    if (opcode < effProcessEvents || opcode > effBeginLoadProgram) {
        return AudioEffect::dispatcher(opcode, index, value, ptr, opt);
    }

    const auto value32 = static_cast<int32_t>(value);
    char* text = static_cast<char*>(ptr);

    switch (opcode) {
        case effProcessEvents:
            if (ptr == nullptr) return 0;
            return processEvents(static_cast<HostEvents*>(ptr));
        case effCanBeAutomated:
            return flag(canParameterBeAutomated(index));
        case effString2Parameter:
            if (text == nullptr) return 0;
            return flag(string2parameter(index, text));
        case effGetNumProgramCategories:
            return getNumCategories();
        case effGetProgramNameIndexed:
            if (text == nullptr) return 0;
            return flag(getProgramNameIndexed(value32, index, text));
        case effCopyProgram:
            return flag(copyProgram(index));
        case effConnectInput:
            inputConnected(index, value32 != 0);
            return 1;
        case effConnectOutput:
            outputConnected(index, value32 != 0);
            return 1;
        case effGetInputProperties:
            if (ptr == nullptr) return 0;
            return flag(getInputProperties(index, static_cast<PinProperties*>(ptr)));
        case effGetOutputProperties:
            if (ptr == nullptr) return 0;
            return flag(getOutputProperties(index, static_cast<PinProperties*>(ptr)));
        case effGetPlugCategory:
            return getPlugCategory();
        case effGetCurrentPosition:
            return reportCurrentPosition();
        case effGetDestinationBuffer:
            return reinterpret_cast<intptr_t>(reportDestinationBuffer());
        case effOfflineNotify:
            if (ptr == nullptr) return 0;
            return flag(offlineNotify(static_cast<AudioFile*>(ptr), value32, index != 0));
        case effOfflinePrepare:
            if (ptr == nullptr) return 0;
            return flag(offlinePrepare(static_cast<OfflineTask*>(ptr), value32));
        case effOfflineRun:
            if (ptr == nullptr) return 0;
            return flag(offlineRun(static_cast<OfflineTask*>(ptr), value32));
        case effProcessVarIo:
            if (ptr == nullptr) return 0;
            return flag(processVariableIo(static_cast<VariableIo*>(ptr)));
        case effSetSpeakerArrangement:
            if (value == 0 || ptr == nullptr) return 0;
            return flag(setSpeakerArrangement(reinterpret_cast<SpeakerArrangement*>(value),
                                              static_cast<SpeakerArrangement*>(ptr)));
        case effSetBlockSizeAndSampleRate:
            setBlockSizeAndSampleRate(value32, opt);
            return 1;
        case effSetBypass:
            return flag(setBypass(value32 != 0));
        case effGetEffectName:
            if (text == nullptr) return 0;
            return flag(getEffectName(text));
        case effGetErrorText:
            if (text == nullptr) return 0;
            return flag(getErrorText(text));
        case effGetVendorString:
            if (text == nullptr) return 0;
            return flag(getVendorString(text));
        case effGetProductString:
            if (text == nullptr) return 0;
            return flag(getProductString(text));
        case effGetVendorVersion:
            return getVendorVersion();
        case effVendorSpecific:
            // The pointer is the vendor's own business and is passed through.
            return vendorSpecific(index, value32, ptr, opt);
        case effCanDo:
            if (text == nullptr) return 0;
            return canDo(text);
        case effGetTailSize:
            return getGetTailSize();
        case effIdle:
            return fxIdle();
        case effGetIcon:
            return reinterpret_cast<intptr_t>(getIcon());
        case effSetViewPosition:
            return flag(setViewPosition(index, value32));
        case effGetParameterProperties:
            if (ptr == nullptr) return 0;
            return flag(getParameterProperties(index, static_cast<ParameterProperties*>(ptr)));
        case effKeysRequired:
            return keysRequired() ? 0 : 1;
        case effGetVstVersion:
            return getVstVersion();
        case effEditKeyDown:
        case effEditKeyUp: {
            if (editor == nullptr) return 0;
            KeyRecord key{};
            key.character = index;
            key.virtualKey = static_cast<uint8_t>(static_cast<uint32_t>(value32) & 0xffu);
            key.modifiers = modifiersFrom(opt);
            return opcode == effEditKeyDown ? editor->onKeyDown(key) : editor->onKeyUp(key);
        }
        case effSetEditKnobMode:
            if (editor == nullptr) return 0;
            return editor->setKnobMode(value32);
        case effGetMidiProgramName:
            if (ptr == nullptr) return 0;
            return getMidiProgramName(index, static_cast<MidiProgramName*>(ptr));
        case effGetCurrentMidiProgram:
            // Unguarded: a null guard keeps an operation from writing through a
            // null pointer and must not change the answer of one that does not
            // use it; the base answers -1 without reading ptr.
            return getCurrentMidiProgram(index, static_cast<MidiProgramName*>(ptr));
        case effGetMidiProgramCategory:
            if (ptr == nullptr) return 0;
            return getMidiProgramCategory(index, static_cast<MidiProgramCategory*>(ptr));
        case effHasMidiProgramsChanged:
            return flag(hasMidiProgramsChanged(index));
        case effGetMidiKeyName:
            if (ptr == nullptr) return 0;
            return flag(getMidiKeyName(index, static_cast<MidiKeyName*>(ptr)));
        case effBeginSetProgram:
            return flag(beginSetProgram());
        case effEndSetProgram:
            return flag(endSetProgram());
        case effGetSpeakerArrangement:
            if (value == 0 || ptr == nullptr) return 0;
            return flag(getSpeakerArrangement(reinterpret_cast<SpeakerArrangement**>(value),
                                              static_cast<SpeakerArrangement**>(ptr)));
        case effShellGetNextPlugin:
            if (text == nullptr) return 0;
            return getNextShellPlugin(text);
        case effStartProcess:
            return startProcess();
        case effStopProcess:
            return stopProcess();
        case effSetTotalSampleToProcess:
            return setTotalSampleToProcess(value32);
        case effSetPanLaw:
            return flag(setPanLaw(value32, opt));
        case effBeginLoadBank:
            if (ptr == nullptr) return 0;
            return beginLoadBank(static_cast<PatchChunkInfo*>(ptr));
        case effBeginLoadProgram:
            if (ptr == nullptr) return 0;
            return beginLoadProgram(static_cast<PatchChunkInfo*>(ptr));
        default:
            return 0;
    }
}

// ---- Base behaviours and host requests, in declaration order ----

PluginEditor* AudioEffectX::getEditor() { return editor; }

void AudioEffectX::wantEvents(int32_t filter) { callHost(audioMasterWantMidi, 0, filter); }

TimeInfo* AudioEffectX::getTimeInfo(int32_t filter) {
    return reinterpret_cast<TimeInfo*>(callHost(audioMasterGetTime, 0, filter));
}

int32_t AudioEffectX::tempoAt(int32_t pos) {
    return static_cast<int32_t>(callHost(audioMasterTempoAt, 0, pos));
}

int32_t AudioEffectX::processEvents(HostEvents* /*events*/) { return 0; }

int32_t AudioEffectX::getNumAutomatableParameters() {
    return static_cast<int32_t>(callHost(audioMasterGetNumAutomatableParameters));
}

int32_t AudioEffectX::getParameterQuantization() {
    return static_cast<int32_t>(callHost(audioMasterGetParameterQuantization));
}

bool AudioEffectX::canParameterBeAutomated(int32_t /*index*/) { return true; }

bool AudioEffectX::string2parameter(int32_t /*index*/, char* /*text*/) { return false; }

float AudioEffectX::reservedFloatQuery(int32_t /*first*/, int32_t /*second*/) { return 0.0f; }

int32_t AudioEffectX::getNumCategories() { return 1; }

bool AudioEffectX::getProgramNameIndexed(int32_t /*category*/, int32_t /*index*/,
                                         char* /*text*/) {
    return false;
}

bool AudioEffectX::copyProgram(int32_t /*destination*/) { return false; }

bool AudioEffectX::ioChanged() { return hostNumber(audioMasterIOChanged) != 0; }

bool AudioEffectX::needIdle() { return hostNumber(audioMasterNeedIdle) != 0; }

bool AudioEffectX::sizeWindow(int32_t width, int32_t height) {
    return hostNumber(audioMasterSizeWindow, width, height) != 0;
}

// Answers are numbers: their low 32 bits, as everywhere (EffectRecord.h).
float AudioEffectX::updateSampleRate() {
    const auto answer = static_cast<int32_t>(callHost(audioMasterGetSampleRate));
    if (answer > 0) sampleRate = static_cast<float>(answer);
    return sampleRate;
}

int32_t AudioEffectX::updateBlockSize() {
    const auto answer = static_cast<int32_t>(callHost(audioMasterGetBlockSize));
    if (answer > 0) blockSize = answer;
    return blockSize;
}

int32_t AudioEffectX::getInputLatency() {
    return static_cast<int32_t>(callHost(audioMasterGetInputLatency));
}

int32_t AudioEffectX::getOutputLatency() {
    return static_cast<int32_t>(callHost(audioMasterGetOutputLatency));
}

// Hosts expect no pin argument here: value stays 0.
AEffect* AudioEffectX::getPreviousPlug(int32_t /*input*/) {
    return reinterpret_cast<AEffect*>(callHost(audioMasterGetPreviousPlug));
}

AEffect* AudioEffectX::getNextPlug(int32_t /*output*/) {
    return reinterpret_cast<AEffect*>(callHost(audioMasterGetNextPlug));
}

void AudioEffectX::inputConnected(int32_t /*index*/, bool /*state*/) {}
void AudioEffectX::outputConnected(int32_t /*index*/, bool /*state*/) {}

bool AudioEffectX::getInputProperties(int32_t /*index*/, PinProperties* /*properties*/) {
    return false;
}

bool AudioEffectX::getOutputProperties(int32_t /*index*/, PinProperties* /*properties*/) {
    return false;
}

int32_t AudioEffectX::getPlugCategory() {
    return (cEffect.flags & effFlagsIsSynth) != 0 ? kPlugCategSynth : kPlugCategUnknown;
}

int32_t AudioEffectX::willProcessReplacing() {
    return static_cast<int32_t>(callHost(audioMasterWillReplaceOrAccumulate));
}

int32_t AudioEffectX::getCurrentProcessLevel() {
    return static_cast<int32_t>(callHost(audioMasterGetCurrentProcessLevel));
}

int32_t AudioEffectX::getAutomationState() {
    return static_cast<int32_t>(callHost(audioMasterGetAutomationState));
}

void AudioEffectX::wantAsyncOperation(bool state) { setFlag(effFlagsExtIsAsync, state); }
void AudioEffectX::hasExternalBuffer(bool state) { setFlag(effFlagsExtHasBuffer, state); }

int32_t AudioEffectX::reportCurrentPosition() { return 0; }
float* AudioEffectX::reportDestinationBuffer() { return nullptr; }

bool AudioEffectX::offlineRead(OfflineTask* offline, int32_t option, bool readSource) {
    return hostNumber(audioMasterOfflineRead, readSource ? 1 : 0, option, offline) != 0;
}

bool AudioEffectX::offlineWrite(OfflineTask* offline, int32_t option) {
    return hostNumber(audioMasterOfflineWrite, 0, option, offline) != 0;
}

bool AudioEffectX::offlineStart(AudioFile* audioFiles, int32_t numAudioFiles,
                                int32_t numNewAudioFiles) {
    return hostNumber(audioMasterOfflineStart, numNewAudioFiles, numAudioFiles, audioFiles) != 0;
}

bool AudioEffectX::offlineGetCurrentPass() {
    return hostNumber(audioMasterOfflineGetCurrentPass) != 0;
}

bool AudioEffectX::offlineGetCurrentMetaPass() {
    return hostNumber(audioMasterOfflineGetCurrentMetaPass) != 0;
}

bool AudioEffectX::offlineNotify(AudioFile* /*audioFiles*/, int32_t /*numAudioFiles*/,
                                 bool /*start*/) {
    return false;
}

bool AudioEffectX::offlinePrepare(OfflineTask* /*offline*/, int32_t /*count*/) { return false; }
bool AudioEffectX::offlineRun(OfflineTask* /*offline*/, int32_t /*count*/) { return false; }

int32_t AudioEffectX::reservedQuery1() { return 0; }
int32_t AudioEffectX::reservedQuery2() { return 0; }

void AudioEffectX::setOutputSamplerate(float rate) {
    callHost(audioMasterSetOutputSampleRate, 0, 0, nullptr, rate);
}

SpeakerArrangement* AudioEffectX::getInputSpeakerArrangement() {
    return reinterpret_cast<SpeakerArrangement*>(callHost(audioMasterGetInputSpeakerArrangement));
}

SpeakerArrangement* AudioEffectX::getOutputSpeakerArrangement() {
    return reinterpret_cast<SpeakerArrangement*>(
        callHost(audioMasterGetOutputSpeakerArrangement));
}

bool AudioEffectX::getHostVendorString(char* text) {
    return hostNumber(audioMasterGetVendorString, 0, 0, text) != 0;
}

bool AudioEffectX::getHostProductString(char* text) {
    return hostNumber(audioMasterGetProductString, 0, 0, text) != 0;
}

int32_t AudioEffectX::getHostVendorVersion() {
    return static_cast<int32_t>(callHost(audioMasterGetVendorVersion));
}

int32_t AudioEffectX::hostVendorSpecific(int32_t index, int32_t value, void* ptr, float opt) {
    return static_cast<int32_t>(callHost(audioMasterVendorSpecific, index, value, ptr, opt));
}

bool AudioEffectX::canHostDo(char* text) {
    return hostNumber(audioMasterCanDo, 0, 0, text) != 0;
}

void AudioEffectX::isSynth(bool state) { setFlag(effFlagsIsSynth, state); }
void AudioEffectX::noTail(bool state) { setFlag(effFlagsNoSoundInStop, state); }

int32_t AudioEffectX::getHostLanguage() {
    return static_cast<int32_t>(callHost(audioMasterGetLanguage));
}

void* AudioEffectX::openWindow(WindowRecord* window) {
    return reinterpret_cast<void*>(callHost(audioMasterOpenWindow, 0, 0, window));
}

bool AudioEffectX::closeWindow(WindowRecord* window) {
    return hostNumber(audioMasterCloseWindow, 0, 0, window) != 0;
}

void* AudioEffectX::getDirectory() {
    return reinterpret_cast<void*>(callHost(audioMasterGetDirectory));
}

bool AudioEffectX::updateDisplay() { return hostNumber(audioMasterUpdateDisplay) != 0; }

bool AudioEffectX::processVariableIo(VariableIo* /*variableIo*/) { return false; }

bool AudioEffectX::setSpeakerArrangement(SpeakerArrangement* /*input*/,
                                         SpeakerArrangement* /*output*/) {
    return false;
}

bool AudioEffectX::getSpeakerArrangement(SpeakerArrangement** input,
                                         SpeakerArrangement** output) {
    if (input != nullptr) *input = nullptr;
    if (output != nullptr) *output = nullptr;
    return false;
}

void AudioEffectX::setBlockSizeAndSampleRate(int32_t newBlockSize, float newSampleRate) {
    blockSize = newBlockSize;
    sampleRate = newSampleRate;
}

bool AudioEffectX::setBypass(bool /*onOff*/) { return false; }
bool AudioEffectX::getEffectName(char* /*name*/) { return false; }
bool AudioEffectX::getErrorText(char* /*text*/) { return false; }
bool AudioEffectX::getVendorString(char* /*text*/) { return false; }
bool AudioEffectX::getProductString(char* /*text*/) { return false; }
int32_t AudioEffectX::getVendorVersion() { return 0; }

int32_t AudioEffectX::vendorSpecific(int32_t /*index*/, int32_t /*value*/, void* /*ptr*/,
                                     float /*opt*/) {
    return 0;
}

int32_t AudioEffectX::canDo(char* /*text*/) { return 0; }
void* AudioEffectX::getIcon() { return nullptr; }
bool AudioEffectX::setViewPosition(int32_t /*x*/, int32_t /*y*/) { return false; }
int32_t AudioEffectX::getGetTailSize() { return 0; }
int32_t AudioEffectX::fxIdle() { return 0; }

bool AudioEffectX::getParameterProperties(int32_t /*index*/,
                                          ParameterProperties* /*properties*/) {
    return false;
}

bool AudioEffectX::keysRequired() { return false; }
int32_t AudioEffectX::getVstVersion() { return 2300; }

int32_t AudioEffectX::getMidiProgramName(int32_t /*channel*/, MidiProgramName* /*name*/) {
    return 0;
}

int32_t AudioEffectX::getCurrentMidiProgram(int32_t /*channel*/, MidiProgramName* /*name*/) {
    return -1;
}

int32_t AudioEffectX::getMidiProgramCategory(int32_t /*channel*/,
                                             MidiProgramCategory* /*category*/) {
    return 0;
}

bool AudioEffectX::hasMidiProgramsChanged(int32_t /*channel*/) { return false; }
bool AudioEffectX::getMidiKeyName(int32_t /*channel*/, MidiKeyName* /*keyName*/) { return false; }
bool AudioEffectX::beginSetProgram() { return false; }
bool AudioEffectX::endSetProgram() { return false; }

bool AudioEffectX::beginEdit(int32_t index) {
    return hostNumber(audioMasterBeginEdit, index) != 0;
}

bool AudioEffectX::endEdit(int32_t index) { return hostNumber(audioMasterEndEdit, index) != 0; }

bool AudioEffectX::openFileSelector(FileSelect* select) {
    if (select == nullptr) return false;
    return hostNumber(audioMasterOpenFileSelector, 0, 0, select) != 0;
}

int32_t AudioEffectX::setTotalSampleToProcess(int32_t value) { return value; }
int32_t AudioEffectX::getNextShellPlugin(char* /*name*/) { return 0; }
int32_t AudioEffectX::startProcess() { return 0; }
int32_t AudioEffectX::stopProcess() { return 0; }
bool AudioEffectX::setPanLaw(int32_t /*type*/, float /*value*/) { return false; }
int32_t AudioEffectX::beginLoadBank(PatchChunkInfo* /*info*/) { return 0; }
int32_t AudioEffectX::beginLoadProgram(PatchChunkInfo* /*info*/) { return 0; }

// ---- Speaker arrangements ----
// Arrangements made here come from ::operator new and go back through
// ::operator delete; release only what allocateArrangement made.

bool AudioEffectX::allocateArrangement(SpeakerArrangement** arrangement, int32_t channels) {
    if (arrangement == nullptr || channels < 0) return false;
    const auto count = static_cast<size_t>(channels);
    if (count > (SIZE_MAX - SpeakerArrangement::headerBytes) / sizeof(SpeakerProperties)) {
        return false;
    }
    if (*arrangement != nullptr) {
        ::operator delete(static_cast<void*>(*arrangement));
        *arrangement = nullptr;
    }
    const size_t bytes = SpeakerArrangement::headerBytes + sizeof(SpeakerProperties) * count;
    void* memory = ::operator new(bytes, std::nothrow);
    if (memory == nullptr) return false;
    std::memset(memory, 0, bytes);
    auto* made = static_cast<SpeakerArrangement*>(memory);
    made->numChannels = channels;
    *arrangement = made;
    return true;
}

bool AudioEffectX::deallocateArrangement(SpeakerArrangement** arrangement) {
    if (arrangement != nullptr && *arrangement != nullptr) {
        ::operator delete(static_cast<void*>(*arrangement));
        *arrangement = nullptr;
    }
    return true;
}

bool AudioEffectX::copySpeaker(SpeakerProperties* to, SpeakerProperties* from) {
    if (to == nullptr || from == nullptr) return false;
    if (to == from) return true;
    // The name up to and including its terminating zero, never past the field.
    size_t n = 0;
    while (n + 1 < sizeof to->name && from->name[n] != '\0') {
        to->name[n] = from->name[n];
        ++n;
    }
    to->name[n] = '\0';
    to->azimuth = from->azimuth;
    to->elevation = from->elevation;
    to->radius = from->radius;
    to->reserved = from->reserved;
    to->type = from->type;
    std::memcpy(to->future, from->future, sizeof to->future);
    return true;
}

bool AudioEffectX::matchArrangement(SpeakerArrangement** to, SpeakerArrangement* from) {
    if (from == nullptr || to == nullptr) return false;
    if (*to == from) return true;  // already the same arrangement; releasing it would lose from
    deallocateArrangement(to);
    if (!allocateArrangement(to, from->numChannels)) return false;
    (*to)->type = from->type;
    for (int32_t i = 0; i < from->numChannels; ++i) {
        if (!copySpeaker(&(*to)->speakers()[i], &from->speakers()[i])) return false;
    }
    return true;
}

// ---- Non-virtual host requests ----

bool AudioEffectX::sendVstEventsToHost(HostEvents* events) {
    return hostNumber(audioMasterProcessEvents, 0, 0, events) == 1;
}

bool AudioEffectX::closeFileSelector(FileSelect* select) {
    if (select == nullptr) return false;
    return hostNumber(audioMasterCloseFileSelector, 0, 0, select) != 0;
}

bool AudioEffectX::getChunkFile(void* nativePath) {
    if (nativePath == nullptr) return false;
    return hostNumber(audioMasterGetChunkFile, 0, 0, nativePath) != 0;
}
