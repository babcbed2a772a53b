// Base class of every effect: owns the record the host keeps, turns opcodes
// 0 to 24 into virtual operations and supplies their default behaviour.
#pragma once

#include <cstdint>

#include "EffectRecord.h"
#include "PluginEditor.h"

class AudioEffect {
public:
    AudioEffect(audioMasterCallback audioMaster, int32_t numPrograms, int32_t numParams);
    virtual ~AudioEffect();

    AudioEffect(const AudioEffect&) = delete;
    AudioEffect& operator=(const AudioEffect&) = delete;

    // The one place that turns a host's record pointer back into its instance;
    // null for a null record.
    static AudioEffect* fromRecord(AEffect* record);
    AEffect* getRecord() { return &cEffect; }

    // [host threads] parameter access; [audio thread] the two process calls.
    virtual void setParameter(int32_t index, float value);
    virtual float getParameter(int32_t index);
    virtual void setParameterAutomated(int32_t index, float value);
    virtual void process(float** inputs, float** outputs, int32_t sampleFrames) = 0;
    virtual void processReplacing(float** inputs, float** outputs, int32_t sampleFrames);

    // [host threads] opcodes 0 to 24; every other opcode answers 0.
    virtual intptr_t dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                float opt);

    virtual void open();
    virtual void close();
    virtual int32_t getProgram();
    virtual void setProgram(int32_t program);
    virtual void setProgramName(char* name);
    virtual void getProgramName(char* name);
    virtual void getParameterLabel(int32_t index, char* label);
    virtual void getParameterDisplay(int32_t index, char* text);
    virtual void getParameterName(int32_t index, char* text);
    virtual float getVu();
    virtual int32_t getChunk(void** data, bool isPreset);
    virtual int32_t setChunk(void* data, int32_t byteSize, bool isPreset);
    virtual void setSampleRate(float newSampleRate);
    virtual void setBlockSize(int32_t newBlockSize);
    virtual void suspend();
    virtual void resume();

    // Record-field setters.
    virtual void setUniqueID(int32_t id);
    virtual void setNumInputs(int32_t inputs);
    virtual void setNumOutputs(int32_t outputs);
    virtual void hasVu(bool state);
    virtual void hasClip(bool state);
    virtual void canMono(bool state);
    virtual void canProcessReplacing(bool state);
    virtual void programsAreChunks(bool state);
    virtual void setRealtimeQualities(int32_t qualities);
    virtual void setOfflineQualities(int32_t qualities);
    virtual void setInitialDelay(int32_t delay);

    virtual float getSampleRate();
    virtual int32_t getBlockSize();

    // Requests to the host; each yields its default when no callback is stored.
    virtual int32_t getMasterVersion();
    virtual int32_t getCurrentUniqueId();
    virtual void masterIdle();
    virtual bool isInputConnected(int32_t input);
    virtual bool isOutputConnected(int32_t output);

    // Number-to-text formatters; each writes at most 8 characters and a terminator.
    virtual void dB2string(float value, char* text);
    virtual void Hz2string(float samples, char* text);
    virtual void ms2string(float samples, char* text);
    virtual void float2string(float value, char* text);
    virtual void long2string(int32_t value, char* text);

protected:
    // Sends one request through the stored callback with this instance's record;
    // answers `fallback` without calling when no callback is stored.
    intptr_t callHost(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr,
                      float opt = 0.0f, intptr_t fallback = 0);
    // The same, for an answer that is a number or a yes/no: its low 32 bits.
    int32_t hostNumber(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr,
                       float opt = 0.0f) {
        return static_cast<int32_t>(callHost(opcode, index, value, ptr, opt));
    }
    void setFlag(int32_t bit, bool state);

    float sampleRate;
    PluginEditor* editor;
    audioMasterCallback audioMaster;
    int32_t numPrograms;
    int32_t numParams;
    int32_t curProgram;
    int32_t blockSize;
    AEffect cEffect;
};
