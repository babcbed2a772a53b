#include "ChannelLayout.h"

#include <algorithm>

namespace ondulaxis::host {

namespace {

// "input 2", "inputs 3-6".
std::string pinRange(const char* singular, const char* plural, int32_t first, int32_t last) {
    if (first == last) return std::string(singular) + " " + std::to_string(first);
    return std::string(plural) + " " + std::to_string(first) + "-" + std::to_string(last);
}

std::string countWord(int count) {
    static const char* const kWords[] = {"no", "one", "two", "three", "four", "five", "six", "seven", "eight"};
    return count >= 0 && count < 9 ? kWords[count] : std::to_string(count);
}

}  // namespace

ChannelLayout planChannelLayout(int32_t pluginInputs, int32_t pluginOutputs, int fileChannels) {
    ChannelLayout layout;
    layout.pluginInputs = pluginInputs;
    layout.pluginOutputs = pluginOutputs;
    layout.fileChannels = fileChannels;
    if (fileChannels < 1) {
        layout.refusal = "the file has no channels";
    } else if (pluginInputs <= 0) {
        layout.refusal = "it is an instrument (no audio inputs), not an effect a file can pass through";
    } else if (pluginOutputs <= 0) {
        layout.refusal = "it has no audio outputs";
    } else {
        int group = std::min({pluginInputs, pluginOutputs, static_cast<int32_t>(fileChannels)});
        // Equal groups keep every instance's pins alike.
        while (fileChannels % group != 0) --group;
        layout.groupChannels = group;
        layout.instances = fileChannels / group;
    }
    return layout;
}

std::string describeLayout(const ChannelLayout& layout) {
    if (!layout.usable()) return "refused: " + layout.refusal;
    std::string text = countWord(layout.instances) + (layout.instances == 1 ? " instance" : " instances");
    if (layout.instances > 1) {
        text += layout.groupChannels == 1 ? ", one per channel"
                                          : ", " + countWord(layout.groupChannels) + " channels each";
    }
    const int32_t used = layout.groupChannels;
    const char* each = layout.instances > 1 ? " of each" : "";
    if (layout.silentInputs() > 0) {
        text += "; " + pinRange("input", "inputs", used + 1, layout.pluginInputs) + each +
                " unconnected (fed silence)";
    }
    if (layout.droppedOutputs() > 0) {
        text += "; " + pinRange("output", "outputs", used + 1, layout.pluginOutputs) + each +
                " unconnected (dropped)";
    }
    return text;
}

}  // namespace ondulaxis::host
