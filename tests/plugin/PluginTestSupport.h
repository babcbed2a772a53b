// Shared pieces of the plug-in layer tests: a recording host callback and two
// small effects built on AudioEffectX.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <map>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "AudioEffectX.h"

// ---- Recording host ----

struct HostCall {
    AEffect* effect;
    int32_t opcode;
    int32_t index;
    intptr_t value;
    void* ptr;
    float opt;
};

// The callback is a plain function, so the host it reaches is a global that
// each fixture installs and removes.
class MockHost {
public:
    MockHost() { current() = this; }
    ~MockHost() { current() = nullptr; }
    MockHost(const MockHost&) = delete;
    MockHost& operator=(const MockHost&) = delete;

    static intptr_t callback(AEffect* effect, int32_t opcode, int32_t index, intptr_t value,
                             void* ptr, float opt) {
        MockHost* host = current();
        if (host == nullptr) return 0;
        host->calls.push_back({effect, opcode, index, value, ptr, opt});
        const auto found = host->answers.find(opcode);
        return found != host->answers.end() ? found->second : host->defaultAnswer;
    }

    void answer(int32_t opcode, intptr_t result) { answers[opcode] = result; }
    const HostCall& last() const { return calls.back(); }

    std::vector<HostCall> calls;
    std::map<int32_t, intptr_t> answers;
    intptr_t defaultAnswer = 0;

private:
    static MockHost*& current() {
        static MockHost* host = nullptr;
        return host;
    }
};

// ---- Effects ----

// Keeps every base behaviour; adds only what the entry template and the
// abstract base require, and counts its allocations and destructions.
class BareEffect : public AudioEffectX {
public:
    explicit BareEffect(audioMasterCallback master, int32_t programs = 1, int32_t params = 8)
        : AudioEffectX(master, programs, params) {
        ++constructed;
        if (throwOnConstruct) throw std::runtime_error("BareEffect::BareEffect - Refused.");
    }
    ~BareEffect() override { ++destroyed; }

    void process(float** /*inputs*/, float** /*outputs*/, int32_t /*sampleFrames*/) override {}
    bool isActive() const { return activeAnswer; }

    static void* operator new(size_t bytes) {
        if (failAllocation) throw std::bad_alloc();
        ++allocations;
        return ::operator new(bytes);
    }
    static void operator delete(void* memory) {
        ++releases;
        ::operator delete(memory);
    }

    // Protected fields and helpers made reachable for the tests.
    using AudioEffect::callHost;
    float sampleRateField() const { return sampleRate; }
    int32_t blockSizeField() const { return blockSize; }
    int32_t curProgramField() const { return curProgram; }
    int32_t numProgramsField() const { return numPrograms; }
    int32_t numParamsField() const { return numParams; }
    audioMasterCallback masterField() const { return audioMaster; }
    PluginEditor* editorField() const { return editor; }
    void attachEditor(PluginEditor* newEditor) { editor = newEditor; }

    static void resetCounters() {
        constructed = destroyed = allocations = releases = 0;
        throwOnConstruct = false;
        failAllocation = false;
        activeAnswer = true;
    }

    static inline int constructed = 0;
    static inline int destroyed = 0;
    static inline int allocations = 0;
    static inline int releases = 0;
    static inline bool throwOnConstruct = false;
    static inline bool failAllocation = false;
    static inline bool activeAnswer = true;
};

// Records the arguments its overridden operations receive.
class ProbeEffect : public BareEffect {
public:
    explicit ProbeEffect(audioMasterCallback master, int32_t programs = 1)
        : BareEffect(master, programs) {}

    std::vector<std::string> log;

    void open() override { log.push_back("open"); }
    void close() override { log.push_back("close"); }
    void setProgram(int32_t program) override {
        log.push_back("setProgram " + std::to_string(program));
        BareEffect::setProgram(program);
    }
    void setProgramName(char* name) override { log.push_back(std::string("setProgramName ") + name); }
    void getParameterLabel(int32_t index, char* label) override {
        log.push_back("getParameterLabel " + std::to_string(index));
        label[0] = 'L';
        label[1] = '\0';
    }
    void getParameterDisplay(int32_t index, char* text) override {
        log.push_back("getParameterDisplay " + std::to_string(index));
        text[0] = 'D';
        text[1] = '\0';
    }
    void getParameterName(int32_t index, char* text) override {
        log.push_back("getParameterName " + std::to_string(index));
        text[0] = 'N';
        text[1] = '\0';
    }
    float getVu() override { return vu; }
    void suspend() override { log.push_back("suspend"); }
    void resume() override {
        log.push_back("resume");
        resumeState = 7;
        if (resumeThrows) throw std::runtime_error("ProbeEffect::resume - No inputs connected.");
        if (resumeThrowsOther) throw 42;
    }
    int32_t getChunk(void** data, bool isPreset) override {
        log.push_back(std::string("getChunk ") + (isPreset ? "preset" : "bank"));
        *data = this;
        return 77;
    }
    int32_t setChunk(void* data, int32_t byteSize, bool isPreset) override {
        log.push_back("setChunk " + std::to_string(byteSize) + (isPreset ? " preset" : " bank"));
        lastPointer = data;
        return 88;
    }
    bool getProgramNameIndexed(int32_t category, int32_t index, char* text) override {
        log.push_back("getProgramNameIndexed category=" + std::to_string(category) +
                      " index=" + std::to_string(index));
        text[0] = 'P';
        text[1] = '\0';
        return true;
    }
    bool keysRequired() override { return keysAnswer; }
    bool setSpeakerArrangement(SpeakerArrangement* input, SpeakerArrangement* output) override {
        arrangementIn = input;
        arrangementOut = output;
        return true;
    }
    bool getSpeakerArrangement(SpeakerArrangement** input, SpeakerArrangement** output) override {
        placeIn = input;
        placeOut = output;
        return BareEffect::getSpeakerArrangement(input, output);
    }
    void inputConnected(int32_t index, bool state) override {
        log.push_back("inputConnected " + std::to_string(index) + (state ? " on" : " off"));
    }
    bool setBypass(bool onOff) override {
        log.push_back(std::string("setBypass ") + (onOff ? "on" : "off"));
        return true;
    }
    int32_t canDo(char* text) override {
        log.push_back(std::string("canDo ") + text);
        return -1;
    }
    int32_t vendorSpecific(int32_t index, int32_t value, void* ptr, float opt) override {
        log.push_back("vendorSpecific " + std::to_string(index) + " " + std::to_string(value) +
                      " " + std::to_string(opt));
        lastPointer = ptr;
        return 5;
    }

    float vu = 0.0f;
    bool keysAnswer = false;
    bool resumeThrows = false;
    bool resumeThrowsOther = false;
    int resumeState = 0;
    void* lastPointer = nullptr;
    SpeakerArrangement* arrangementIn = nullptr;
    SpeakerArrangement* arrangementOut = nullptr;
    SpeakerArrangement** placeIn = nullptr;
    SpeakerArrangement** placeOut = nullptr;
};

// Records what the dispatcher hands an attached editor.
class ProbeEditor : public PluginEditor {
public:
    explicit ProbeEditor(int* deletions) : deletions(deletions) {}
    ~ProbeEditor() override { ++*deletions; }
    intptr_t getRect(void** rect) override {
        *rect = this;
        return 11;
    }
    intptr_t open(void* window) override {
        openedWith = window;
        return 12;
    }
    void close() override { ++closes; }
    void idle() override { ++idles; }
    int32_t onKeyDown(KeyRecord& key) override {
        lastKey = key;
        return 21;
    }
    int32_t onKeyUp(KeyRecord& key) override {
        lastKey = key;
        return 22;
    }
    int32_t setKnobMode(intptr_t mode) override {
        knobMode = mode;
        return 23;
    }

    int* deletions;
    void* openedWith = nullptr;
    int closes = 0;
    int idles = 0;
    KeyRecord lastKey{};
    intptr_t knobMode = -1;
};

// Fixture owning a host and one probe effect, deleted at the end unless a
// test closed it through the record.
class PluginTest : public ::testing::Test {
protected:
    void SetUp() override {
        BareEffect::resetCounters();
        effect = new ProbeEffect(MockHost::callback);
        record = effect->getRecord();
    }
    void TearDown() override {
        delete effect;
        BareEffect::resetCounters();
    }

    intptr_t dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0,
                      void* ptr = nullptr, float opt = 0.0f) {
        return record->dispatcher(record, opcode, index, value, ptr, opt);
    }

    MockHost host;
    ProbeEffect* effect = nullptr;
    AEffect* record = nullptr;
};
