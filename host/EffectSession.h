// A plug-in instance switched on for a file's channel layout and fed
// interleaved audio block by block, the way a host drives it.
#pragma once

#include "ParameterSettings.h"
#include "PluginInstance.h"
#include "PluginLibrary.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

namespace ondulaxis::host {

struct SessionSettings {
    double sampleRate = 48000.0;
    int channels = 2;  // 1 takes the mono route, 2 the stereo route
    int32_t blockSize = 512;
    std::vector<ParameterSetting> parameters;
    bool bypass = false;
    bool accumulate = false;  // process onto zeroed outputs instead of processReplacing
    // Counts the blocks of audio as they start, for saying where a plug-in
    // crashed; null for none. Read by another process, so atomic.
    std::atomic<int64_t>* blockCounter = nullptr;
};

// Who carries out a requested bypass.
enum class BypassMode {
    none,    // not asked for
    plugin,  // the plug-in said it can and accepted the request
    host,    // the plug-in cannot or would not: the host passes the input on
};

class EffectSession {
public:
    // Creates an instance and prepares it in this order: effOpen, sample
    // rate, block size, resume with the pins of `channels` connected, a
    // one-frame silent check that the plug-in really processes, the
    // parameter values, bypass, and an empty block that hands them over.
    // Throws HostError when any step fails; the instance is closed then.
    EffectSession(std::shared_ptr<const PluginLibrary> library, const SessionSettings& settings);
    // The same with an instance already created (and not yet opened).
    EffectSession(std::unique_ptr<PluginInstance> instance, const SessionSettings& settings);
    // Suspends and closes the instance if finish() has not.
    ~EffectSession();
    EffectSession(const EffectSession&) = delete;
    EffectSession& operator=(const EffectSession&) = delete;

    PluginInstance& instance() { return *instance_; }
    int channels() const { return channels_; }
    BypassMode bypassMode() const { return bypassMode_; }

    // Processes `frames` interleaved frames, at most the block size. The
    // frames may hold more channels than this session's (`stride` samples
    // each); the session reads and writes its own from the first on.
    void processBlock(const float* interleavedIn, float* interleavedOut, int32_t frames, int stride = 0);
    // effMainsChanged 0, then effClose.
    void finish();

private:
    void runBlock(int32_t frames);
    void checkProcessing();

    std::unique_ptr<PluginInstance> instance_;
    int channels_;
    int32_t blockSize_;
    bool replacing_;
    bool switchedOn_ = false;
    BypassMode bypassMode_ = BypassMode::none;
    std::vector<std::vector<float>> inputs_;
    std::vector<std::vector<float>> outputs_;
    std::vector<float*> inputPointers_;
    std::vector<float*> outputPointers_;
};

}  // namespace ondulaxis::host
