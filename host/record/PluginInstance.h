// One plug-in instance driven through its record, plus the host callback
// that answers the instance's requests.
#pragma once

#include "PluginLibrary.h"
#include "PluginRecord.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace ondulaxis::host {

// Which of the first two input and output pins the host reports as
// connected when the plug-in asks (it asks while it resumes).
struct PinConnections {
    std::array<bool, 2> inputs{true, true};
    std::array<bool, 2> outputs{true, true};

    static PinConnections stereo() { return {}; }
    static PinConnections mono() { return {{true, false}, {true, false}}; }
    // The route a file with this many channels takes (1 or 2).
    static PinConnections forChannels(int channels) { return channels == 1 ? mono() : stereo(); }
};

// A request the plug-in made through the host callback.
struct HostRequest {
    int32_t opcode;
    int32_t index;
    intptr_t value;
    bool hadRecord;  // false for the version request made during creation
};

class PluginInstance {
public:
    // Buffer handed to the plug-in for every text request; far larger than
    // the interface's limits so that an overlong answer cannot overrun.
    static constexpr std::size_t kTextBufferSize = 256;

    // Calls the library's entry function with this host's callback, which
    // answers `sampleRate` and `blockSize` from then on: plug-ins ask in
    // their entry function and at open, and take a 0 for a default of their
    // own. Throws HostError when it returns null or a record without the
    // magic.
    explicit PluginInstance(std::shared_ptr<const PluginLibrary> library, float sampleRate = 48000.0f,
                            int32_t blockSize = 512);
    // Closes the plug-in (effClose) if that has not happened yet.
    ~PluginInstance();

    // The record holds a pointer back to this object.
    PluginInstance(const PluginInstance&) = delete;
    PluginInstance& operator=(const PluginInstance&) = delete;

    const PluginLibrary& library() const { return *library_; }
    // False once close() has run: the record is gone then.
    bool isOpen() const { return record_ != nullptr; }
    // Throws HostError once the instance is closed.
    const PluginRecord& record() const;

    // [any thread] takes effect at the plug-in's next pin query
    void setConnections(const PinConnections& connections);
    // The requests the plug-in has made so far, oldest first (the first
    // thousand or so).
    std::vector<HostRequest> requests() const;
    void clearRequests();

    // The record's five entries, unchanged.
    intptr_t dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr,
                      float opt = 0.0f);
    void process(float** inputs, float** outputs, int32_t sampleFrames);
    void processReplacing(float** inputs, float** outputs, int32_t sampleFrames);
    void setParameter(int32_t index, float value);
    float getParameter(int32_t index);

    intptr_t open();
    // effClose; the plug-in deletes the record, so the instance is closed
    // afterwards whatever the answer.
    intptr_t close();
    void setSampleRate(float sampleRate);
    void setBlockSize(int32_t blockSize);
    // Switches processing on (resume) or off (suspend).
    intptr_t mainsChanged(bool on);
    intptr_t setBypass(bool on);

    std::string parameterName(int32_t index);
    std::string parameterLabel(int32_t index);
    std::string parameterDisplay(int32_t index);
    // Asks the plug-in to set the parameter from a text as a user types it;
    // false when it does not take the text (or cannot: most plug-ins).
    bool setParameterFromText(int32_t index, std::string_view text);
    std::string programName();
    std::string programNameIndexed(int32_t category, int32_t index, intptr_t* answer = nullptr);
    std::string effectName();
    std::string vendorString();
    std::string productString();
    intptr_t vendorVersion();
    // 1 yes, -1 no, 0 don't know.
    intptr_t canDo(std::string_view capability);
    intptr_t category();

private:
    static intptr_t hostCallback(PluginRecord* record, int32_t opcode, int32_t index, intptr_t value,
                                 void* ptr, float opt);
    intptr_t answer(int32_t opcode, int32_t index, intptr_t value, void* ptr, bool hadRecord);
    std::string requestText(int32_t opcode, int32_t index = 0, intptr_t value = 0,
                            intptr_t* answer = nullptr);
    PluginRecord& openRecord() const;

    std::shared_ptr<const PluginLibrary> library_;
    PluginRecord* record_ = nullptr;
    mutable std::mutex hostStateLock_;
    PinConnections connections_;
    std::vector<HostRequest> requests_;
    // What the plug-in was or will be told, for its questions.
    float sampleRate_;
    int32_t blockSize_;
    std::atomic<bool> processing_{false};
};

}  // namespace ondulaxis::host
