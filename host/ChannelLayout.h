// How a file's channels are spread over instances of a plug-in whose
// inputs and outputs need not match them, the way hosts place an effect on
// a track.
#pragma once

#include <cstdint>
#include <string>

namespace ondulaxis::host {

struct ChannelLayout {
    int32_t pluginInputs = 0;
    int32_t pluginOutputs = 0;
    int fileChannels = 0;
    // File channels each instance carries, on its first inputs and outputs.
    int groupChannels = 0;
    int instances = 0;
    // Why the plug-in cannot render such a file; empty when it can.
    std::string refusal;

    bool usable() const { return refusal.empty(); }
    // Per instance: plug-in inputs fed silence, outputs left out of the file.
    int32_t silentInputs() const { return pluginInputs - groupChannels; }
    int32_t droppedOutputs() const { return pluginOutputs - groupChannels; }
};

// One instance when the plug-in has at least as many inputs and outputs as
// the file has channels; otherwise one instance per group of as many
// channels as its smaller side takes (one per channel for a 1-in/1-out
// effect), in groups of equal size. A plug-in without inputs or without
// outputs is refused.
ChannelLayout planChannelLayout(int32_t pluginInputs, int32_t pluginOutputs, int fileChannels);

// "one instance; inputs 3-4 unconnected (fed silence)", or
// "refused: ..." for a layout that is not usable.
std::string describeLayout(const ChannelLayout& layout);

}  // namespace ondulaxis::host
