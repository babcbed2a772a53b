// A plug-in instance switched on for a file's channel layout and fed
// interleaved audio block by block, the way a host drives it; and the
// values of settings given by name, found through such an instance.
#pragma once

#include "PluginInstance.h"
#include "PluginLibrary.h"
#include "SessionSettings.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace ondulaxis::host {

struct ParameterAssignment {
    int32_t index;
    float value;
};

// Finds each name among the plug-in's parameter names, ignoring case, and
// the value of each setting given by its display text. Throws HostError for
// an unknown name, listing the names there are, or a text no value of the
// parameter displays, listing what a stepped one shows.
std::vector<ParameterAssignment> resolveParameterSettings(PluginInstance& instance,
                                                          const std::vector<ParameterSetting>& settings);

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
