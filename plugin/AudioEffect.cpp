// Base class of every effect: the record the host keeps, its five entry
// functions, opcodes 0 to 24, the base behaviours, host requests and the
// number-to-text formatters.
#include "AudioEffect.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>
#include <limits>

namespace {

// Writes one line naming what escaped an operation; never throws.
void reportEscaped(const char* message) noexcept {
    std::fprintf(stderr, "%s\n", message != nullptr ? message : "");
    std::fflush(stderr);
}

// ---- Record entry functions: find the instance, forward, contain failures. ----

// Calls `call` on `effect`, containing what it throws: reported (as
// `unknown` when it is no std::exception) and answered, as for a missing
// effect, with the result type's zero.
template <class Call>
auto contained(AudioEffect* effect, const char* unknown, Call call) noexcept -> decltype(call(*effect)) {
    if (effect != nullptr) {
        try {
            return call(*effect);
        } catch (const std::exception& e) {
            reportEscaped(e.what());
        } catch (...) {
            reportEscaped(unknown);
        }
    }
    return decltype(call(*effect))();
}

intptr_t dispatchEntry(AEffect* record, int32_t opcode, int32_t index, intptr_t value,
                       void* ptr, float opt) noexcept {
    AudioEffect* effect = AudioEffect::fromRecord(record);
    const intptr_t result = contained(effect, "AudioEffect::dispatcher - Unknown exception.", [&](AudioEffect& self) {
        return self.dispatcher(opcode, index, value, ptr, opt);
    });
    if (effect != nullptr && opcode == effClose) {
        // The host regards the instance as gone whatever close did.
        delete effect;
        return 1;
    }
    return result;
}

void processEntry(AEffect* record, float** inputs, float** outputs,
                  int32_t sampleFrames) noexcept {
    contained(AudioEffect::fromRecord(record), "AudioEffect::process - Unknown exception.",
              [&](AudioEffect& effect) { effect.process(inputs, outputs, sampleFrames); });
}

void processReplacingEntry(AEffect* record, float** inputs, float** outputs,
                           int32_t sampleFrames) noexcept {
    contained(AudioEffect::fromRecord(record), "AudioEffect::processReplacing - Unknown exception.",
              [&](AudioEffect& effect) { effect.processReplacing(inputs, outputs, sampleFrames); });
}

void setParameterEntry(AEffect* record, int32_t index, float value) noexcept {
    contained(AudioEffect::fromRecord(record), "AudioEffect::setParameter - Unknown exception.",
              [&](AudioEffect& effect) { effect.setParameter(index, value); });
}

float getParameterEntry(AEffect* record, int32_t index) noexcept {
    return contained(AudioEffect::fromRecord(record), "AudioEffect::getParameter - Unknown exception.",
                     [&](AudioEffect& effect) { return effect.getParameter(index); });
}

// getVu() × 32767 truncated toward zero. NaN answers 0; values beyond the
// int32 range (infinities included) are clamped to its ends, so the
// conversion is always defined.
intptr_t vuToInteger(float vu) {
    const double scaled = static_cast<double>(vu) * 32767.0;
    if (std::isnan(scaled)) return 0;
    if (scaled >= 2147483647.0) return std::numeric_limits<int32_t>::max();
    if (scaled <= -2147483648.0) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(scaled);
}

void copyText(char* text, const char* source) {
    std::strcpy(text, source);
}

constexpr const char* kHugeText = "Huge!";

}  // namespace

// ---- Construction ----

AudioEffect::AudioEffect(audioMasterCallback audioMaster_, int32_t numPrograms_,
                         int32_t numParams_) {
    audioMaster = audioMaster_;
    numPrograms = numPrograms_;
    numParams = numParams_;
    editor = nullptr;
    curProgram = 0;

    // Every field not set here is zero: flags, reserved fields, delay,
    // qualities, the host's user pointer.
    std::memset(&cEffect, 0, sizeof cEffect);
    cEffect.magic = kEffectMagic;
    cEffect.dispatcher = dispatchEntry;
    cEffect.process = processEntry;
    cEffect.setParameter = setParameterEntry;
    cEffect.getParameter = getParameterEntry;
    cEffect.numPrograms = numPrograms;
    cEffect.numParams = numParams;
    cEffect.numInputs = 1;
    cEffect.numOutputs = 2;
    cEffect.ioRatio = 1.0f;
    cEffect.object = this;
    cEffect.uniqueID = fourCharCode('N', 'o', 'E', 'f');
    cEffect.version = 1;
    cEffect.processReplacing = processReplacingEntry;

    sampleRate = 44100.0f;
    blockSize = 1024;
}

AudioEffect::~AudioEffect() { delete editor; }

AudioEffect* AudioEffect::fromRecord(AEffect* record) {
    if (record == nullptr) return nullptr;
    return static_cast<AudioEffect*>(record->object);
}

// ---- Dispatcher, opcodes 0 to 24 ----

intptr_t AudioEffect::dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                 float opt) {
    const auto value32 = static_cast<int32_t>(value);
    char* text = static_cast<char*>(ptr);
    intptr_t result = 0;

    switch (opcode) {
        case effOpen:
            open();
            break;
        case effClose:
            close();
            break;
        case effSetProgram:
            if (value32 < numPrograms) setProgram(value32);
            break;
        case effGetProgram:
            result = getProgram();
            break;
        case effSetProgramName:
            if (text != nullptr) setProgramName(text);
            break;
        case effGetProgramName:
            if (text != nullptr) getProgramName(text);
            break;
        case effGetParamLabel:
            if (text != nullptr) getParameterLabel(index, text);
            break;
        case effGetParamDisplay:
            if (text != nullptr) getParameterDisplay(index, text);
            break;
        case effGetParamName:
            if (text != nullptr) getParameterName(index, text);
            break;
        case effGetVu:
            result = vuToInteger(getVu());
            break;
        case effSetSampleRate:
            setSampleRate(opt);
            break;
        case effSetBlockSize:
            setBlockSize(value32);
            break;
        case effMainsChanged:
            if (value32 == 0) {
                suspend();
            } else {
                resume();
            }
            break;
        case effEditGetRect:
            if (editor != nullptr && ptr != nullptr) result = editor->getRect(static_cast<void**>(ptr));
            break;
        case effEditOpen:
            if (editor != nullptr && ptr != nullptr) result = editor->open(ptr);
            break;
        case effEditClose:
            if (editor != nullptr) editor->close();
            break;
        case effEditIdle:
            if (editor != nullptr) editor->idle();
            break;
        case effEditDraw:
        case effEditMouse:
        case effEditKey:
        case effEditTop:
        case effEditSleep:
            break;
        case effIdentify:
            result = kIdentifyAnswer;
            break;
        case effGetChunk:
            if (ptr != nullptr) result = getChunk(static_cast<void**>(ptr), index != 0);
            break;
        case effSetChunk:
            if (ptr != nullptr) result = setChunk(ptr, value32, index != 0);
            break;
        default:
            break;
    }
    return result;
}

// ---- Base behaviours ----

void AudioEffect::setParameter(int32_t /*index*/, float /*value*/) {}

float AudioEffect::getParameter(int32_t /*index*/) { return 0.0f; }

void AudioEffect::setParameterAutomated(int32_t index, float value) {
    setParameter(index, value);
    callHost(audioMasterAutomate, index, 0, nullptr, value);
}

void AudioEffect::processReplacing(float** /*inputs*/, float** /*outputs*/,
                                   int32_t /*sampleFrames*/) {}

void AudioEffect::open() {}
void AudioEffect::close() {}

int32_t AudioEffect::getProgram() { return curProgram; }
void AudioEffect::setProgram(int32_t program) { curProgram = program; }

void AudioEffect::setProgramName(char* name) {
    if (name != nullptr) name[0] = '\0';
}
void AudioEffect::getProgramName(char* name) {
    if (name != nullptr) name[0] = '\0';
}
void AudioEffect::getParameterLabel(int32_t /*index*/, char* label) {
    if (label != nullptr) label[0] = '\0';
}
void AudioEffect::getParameterDisplay(int32_t /*index*/, char* text) {
    if (text != nullptr) text[0] = '\0';
}
void AudioEffect::getParameterName(int32_t /*index*/, char* text) {
    if (text != nullptr) text[0] = '\0';
}

float AudioEffect::getVu() { return 0.0f; }

int32_t AudioEffect::getChunk(void** /*data*/, bool /*isPreset*/) { return 0; }
int32_t AudioEffect::setChunk(void* /*data*/, int32_t /*byteSize*/, bool /*isPreset*/) {
    return 0;
}

void AudioEffect::setSampleRate(float newSampleRate) { sampleRate = newSampleRate; }
void AudioEffect::setBlockSize(int32_t newBlockSize) { blockSize = newBlockSize; }

void AudioEffect::suspend() {}
void AudioEffect::resume() {}

// ---- Record-field setters ----

void AudioEffect::setUniqueID(int32_t id) { cEffect.uniqueID = id; }
void AudioEffect::setNumInputs(int32_t inputs) { cEffect.numInputs = inputs; }
void AudioEffect::setNumOutputs(int32_t outputs) { cEffect.numOutputs = outputs; }

void AudioEffect::setFlag(int32_t bit, bool state) {
    if (state) {
        cEffect.flags |= bit;
    } else {
        cEffect.flags &= ~bit;
    }
}

void AudioEffect::hasVu(bool state) { setFlag(effFlagsHasVu, state); }
void AudioEffect::hasClip(bool state) { setFlag(effFlagsHasClip, state); }
void AudioEffect::canMono(bool state) { setFlag(effFlagsCanMono, state); }
void AudioEffect::canProcessReplacing(bool state) { setFlag(effFlagsCanReplacing, state); }
void AudioEffect::programsAreChunks(bool state) { setFlag(effFlagsProgramChunks, state); }

void AudioEffect::setRealtimeQualities(int32_t qualities) { cEffect.realQualities = qualities; }
void AudioEffect::setOfflineQualities(int32_t qualities) { cEffect.offQualities = qualities; }
void AudioEffect::setInitialDelay(int32_t delay) { cEffect.initialDelay = delay; }

float AudioEffect::getSampleRate() { return sampleRate; }
int32_t AudioEffect::getBlockSize() { return blockSize; }

// ---- Requests to the host ----

intptr_t AudioEffect::callHost(int32_t opcode, int32_t index, intptr_t value, void* ptr,
                               float opt, intptr_t fallback) {
    if (audioMaster == nullptr) return fallback;
    return audioMaster(&cEffect, opcode, index, value, ptr, opt);
}

int32_t AudioEffect::getMasterVersion() {
    const auto answer = static_cast<int32_t>(callHost(audioMasterVersion));
    return answer != 0 ? answer : 1;
}

int32_t AudioEffect::getCurrentUniqueId() {
    return static_cast<int32_t>(callHost(audioMasterCurrentId));
}

void AudioEffect::masterIdle() { callHost(audioMasterIdle); }

bool AudioEffect::isInputConnected(int32_t input) {
    return hostNumber(audioMasterPinConnected, input, 0) == 0;
}

bool AudioEffect::isOutputConnected(int32_t output) {
    return hostNumber(audioMasterPinConnected, output, 1) == 0;
}

// ---- Formatters ----

void AudioEffect::dB2string(float value, char* text) {
    if (text == nullptr) return;
    if (value > 0.0f) {
        float2string(static_cast<float>(20.0 * std::log10(static_cast<double>(value))), text);
    } else {
        copyText(text, "-oo");
    }
}

void AudioEffect::Hz2string(float samples, char* text) {
    if (text == nullptr) return;
    if (samples == 0.0f) {
        float2string(0.0f, text);
    } else {
        float2string(getSampleRate() / samples, text);
    }
}

void AudioEffect::ms2string(float samples, char* text) {
    if (text == nullptr) return;
    float2string(samples * 1000.0f / getSampleRate(), text);
}

// Eight characters hold at most seven digits and the point for a positive
// value, six behind a minus sign; anything longer would lose its leading
// digit and read as another number, so it gives "Huge!", as does a value
// that is not finite.
void AudioEffect::float2string(float value, char* text) {
    if (text == nullptr) return;
    double v = value;
    if (!std::isfinite(v)) {
        copyText(text, kHugeText);
        return;
    }
    bool negative = false;
    int count = 0;
    if (v < 0.0) {
        negative = true;
        v = -v;
        count = 1;
        if (v >= 1000000.0) {
            copyText(text, kHugeText);
            return;
        }
    }
    if (v > 9999999.0) {
        copyText(text, kHugeText);
        return;
    }

    // Integer digits, built from the right.
    char digits[16];
    int numDigits = 0;
    double i = std::floor(v);
    digits[numDigits++] = static_cast<char>('0' + static_cast<int>(std::fmod(i, 10.0)));
    count += 2;
    i /= 10.0;
    while (i >= 1.0 && count < 8) {
        digits[numDigits++] = static_cast<char>('0' + static_cast<int>(std::fmod(i, 10.0)));
        ++count;
        i /= 10.0;
    }

    char out[16];
    int length = 0;
    if (negative) out[length++] = '-';
    while (numDigits > 0) out[length++] = digits[--numDigits];
    out[length++] = '.';

    if (count < 8) {
        const int fractionCount = 8 - count;
        double f = std::fmod(v, 1.0) * std::pow(10.0, fractionCount);
        char fraction[16];
        for (int k = fractionCount - 1; k >= 0; --k) {
            if (f <= 0.0) {
                fraction[k] = '0';
            } else {
                fraction[k] = static_cast<char>('0' + static_cast<int>(std::fmod(f, 10.0)));
                f /= 10.0;
            }
        }
        for (int k = 0; k < fractionCount; ++k) out[length++] = fraction[k];
    }
    out[length] = '\0';
    copyText(text, out);
}

// Below -9999999 the eight-character cut would drop the last digit and show
// another number, so such values give "Huge!".
void AudioEffect::long2string(int32_t value, char* text) {
    if (text == nullptr) return;
    if (value > 99999999 || value < -9999999) {
        copyText(text, kHugeText);
        return;
    }
    char out[32];
    std::snprintf(out, sizeof out, "%7d", static_cast<int>(value));
    out[8] = '\0';
    copyText(text, out);
}
