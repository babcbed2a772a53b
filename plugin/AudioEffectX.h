// Second generation of the interface: opcodes 25 to 76, the requests to the
// host they come with, and the speaker-arrangement helpers.
#pragma once

#include <cstdint>

#include "AudioEffect.h"
#include "HostRecords.h"

class AudioEffectX : public AudioEffect {
public:
    AudioEffectX(audioMasterCallback audioMaster, int32_t numPrograms, int32_t numParams);
    ~AudioEffectX() override;

    // [host threads] opcodes 25 to 76 here, every other one to AudioEffect.
    intptr_t dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr,
                        float opt) override;

    virtual PluginEditor* getEditor();
    virtual void wantEvents(int32_t filter);
    virtual TimeInfo* getTimeInfo(int32_t filter);
    virtual int32_t tempoAt(int32_t pos);
    virtual int32_t processEvents(HostEvents* events);
    virtual int32_t getNumAutomatableParameters();
    virtual int32_t getParameterQuantization();
    virtual bool canParameterBeAutomated(int32_t index);
    virtual bool string2parameter(int32_t index, char* text);
    virtual float reservedFloatQuery(int32_t first, int32_t second);  // reached by no opcode
    virtual int32_t getNumCategories();
    virtual bool getProgramNameIndexed(int32_t category, int32_t index, char* text);
    virtual bool copyProgram(int32_t destination);
    virtual bool ioChanged();
    virtual bool needIdle();
    virtual bool sizeWindow(int32_t width, int32_t height);
    virtual float updateSampleRate();
    virtual int32_t updateBlockSize();
    virtual int32_t getInputLatency();
    virtual int32_t getOutputLatency();
    virtual AEffect* getPreviousPlug(int32_t input);
    virtual AEffect* getNextPlug(int32_t output);
    virtual void inputConnected(int32_t index, bool state);
    virtual void outputConnected(int32_t index, bool state);
    virtual bool getInputProperties(int32_t index, PinProperties* properties);
    virtual bool getOutputProperties(int32_t index, PinProperties* properties);
    virtual int32_t getPlugCategory();
    virtual int32_t willProcessReplacing();
    virtual int32_t getCurrentProcessLevel();
    virtual int32_t getAutomationState();
    virtual void wantAsyncOperation(bool state);
    virtual void hasExternalBuffer(bool state);
    virtual int32_t reportCurrentPosition();
    virtual float* reportDestinationBuffer();
    virtual bool offlineRead(OfflineTask* offline, int32_t option, bool readSource);
    virtual bool offlineWrite(OfflineTask* offline, int32_t option);
    virtual bool offlineStart(AudioFile* audioFiles, int32_t numAudioFiles,
                              int32_t numNewAudioFiles);
    virtual bool offlineGetCurrentPass();
    virtual bool offlineGetCurrentMetaPass();
    virtual bool offlineNotify(AudioFile* audioFiles, int32_t numAudioFiles, bool start);
    virtual bool offlinePrepare(OfflineTask* offline, int32_t count);
    virtual bool offlineRun(OfflineTask* offline, int32_t count);
    virtual int32_t reservedQuery1();  // reached by no opcode
    virtual int32_t reservedQuery2();  // reached by no opcode
    virtual void setOutputSamplerate(float rate);
    virtual SpeakerArrangement* getInputSpeakerArrangement();
    virtual SpeakerArrangement* getOutputSpeakerArrangement();
    virtual bool getHostVendorString(char* text);
    virtual bool getHostProductString(char* text);
    virtual int32_t getHostVendorVersion();
    virtual int32_t hostVendorSpecific(int32_t index, int32_t value, void* ptr, float opt);
    virtual bool canHostDo(char* text);
    virtual void isSynth(bool state);
    virtual void noTail(bool state);
    virtual int32_t getHostLanguage();
    virtual void* openWindow(WindowRecord* window);
    virtual bool closeWindow(WindowRecord* window);
    virtual void* getDirectory();
    virtual bool updateDisplay();
    virtual bool processVariableIo(VariableIo* variableIo);
    virtual bool setSpeakerArrangement(SpeakerArrangement* input, SpeakerArrangement* output);
    virtual bool getSpeakerArrangement(SpeakerArrangement** input, SpeakerArrangement** output);
    virtual void setBlockSizeAndSampleRate(int32_t newBlockSize, float newSampleRate);
    virtual bool setBypass(bool onOff);
    virtual bool getEffectName(char* name);
    virtual bool getErrorText(char* text);
    virtual bool getVendorString(char* text);
    virtual bool getProductString(char* text);
    virtual int32_t getVendorVersion();
    virtual int32_t vendorSpecific(int32_t index, int32_t value, void* ptr, float opt);
    virtual int32_t canDo(char* text);
    virtual void* getIcon();
    virtual bool setViewPosition(int32_t x, int32_t y);
    virtual int32_t getGetTailSize();
    virtual int32_t fxIdle();
    virtual bool getParameterProperties(int32_t index, ParameterProperties* properties);
    virtual bool keysRequired();
    virtual int32_t getVstVersion();
    virtual int32_t getMidiProgramName(int32_t channel, MidiProgramName* name);
    virtual int32_t getCurrentMidiProgram(int32_t channel, MidiProgramName* name);
    virtual int32_t getMidiProgramCategory(int32_t channel, MidiProgramCategory* category);
    virtual bool hasMidiProgramsChanged(int32_t channel);
    virtual bool getMidiKeyName(int32_t channel, MidiKeyName* keyName);
    virtual bool beginSetProgram();
    virtual bool endSetProgram();
    virtual bool beginEdit(int32_t index);
    virtual bool endEdit(int32_t index);
    virtual bool openFileSelector(FileSelect* select);
    virtual int32_t setTotalSampleToProcess(int32_t value);
    virtual int32_t getNextShellPlugin(char* name);
    virtual int32_t startProcess();
    virtual int32_t stopProcess();
    virtual bool setPanLaw(int32_t type, float value);
    virtual int32_t beginLoadBank(PatchChunkInfo* info);
    virtual int32_t beginLoadProgram(PatchChunkInfo* info);
    virtual bool allocateArrangement(SpeakerArrangement** arrangement, int32_t channels);
    virtual bool deallocateArrangement(SpeakerArrangement** arrangement);
    virtual bool copySpeaker(SpeakerProperties* to, SpeakerProperties* from);
    virtual bool matchArrangement(SpeakerArrangement** to, SpeakerArrangement* from);

    bool sendVstEventsToHost(HostEvents* events);
    bool closeFileSelector(FileSelect* select);
    bool getChunkFile(void* nativePath);
};
