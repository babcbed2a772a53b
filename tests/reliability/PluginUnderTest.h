// The built plug-in, loaded once per test process through the host library,
// and the ways these tests open, feed and inspect its instances.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "PluginInstance.h"
#include "PluginLibrary.h"

namespace reliability {

using ondulaxis::host::PinConnections;
using ondulaxis::host::PluginInstance;
using ondulaxis::host::PluginLibrary;

constexpr int32_t parameterCount = 8;
constexpr int32_t outGainIndex = 7;

// The built plug-in's file.
const char* builtPluginPath();
// The library stays loaded for the whole process; instances share it.
std::shared_ptr<const PluginLibrary> pluginLibrary();

// Opens an instance as a host does: effOpen, sample rate, block size and,
// unless told otherwise, resume with the given pins connected.
std::unique_ptr<PluginInstance> openInstance(float sampleRate = 48000.0f, int32_t blockSize = 512,
                                             const PinConnections& pins = PinConnections::stereo(),
                                             bool resume = true);

using Channels = std::array<std::vector<float>, 2>;

enum class OutputMode { replacing, accumulating };

// A deterministic two-channel programme: tones, a chirp, noise bursts, clicks
// and silence, mostly within full scale, different on each channel.
Channels makeProgramme(std::size_t frames, uint32_t seed);
Channels silence(std::size_t frames);

// Streams `input` through the instance block by block. `nextBlockSize` gets
// the frames still to go and may answer 0 or more than that (clamped).
// `beforeBlock` runs at the start of every block with the block's position.
// Output buffers start as `outputs`, so untouched samples stay as given.
Channels render(PluginInstance& instance, const Channels& input,
                const std::function<int32_t(std::size_t)>& nextBlockSize, Channels outputs,
                OutputMode mode = OutputMode::replacing,
                const std::function<void(std::size_t)>& beforeBlock = {});
Channels renderInBlocksOf(PluginInstance& instance, const Channels& input, int32_t blockSize,
                          OutputMode mode = OutputMode::replacing,
                          const std::function<void(std::size_t)>& beforeBlock = {});

// The whole programme in one block through a fresh, stereo-resumed instance:
// with no parameter change the output does not depend on block boundaries,
// sample rate or announced block size, so this is every run's reference.
Channels referenceRender(const Channels& input);

::testing::AssertionResult bitIdentical(const Channels& actual, const Channels& expected);
::testing::AssertionResult bitIdentical(const std::vector<float>& actual,
                                        const std::vector<float>& expected);
// Finite, not subnormal, and |sample| <= bound.
::testing::AssertionResult normalAndWithin(const std::vector<float>& samples, float bound);

// The linear output gain that the OutGain display (in dB, two decimals)
// stands for, raised by half a display step and a little float slack.
float outGainBoundFromDisplay(PluginInstance& instance);

}  // namespace reliability
