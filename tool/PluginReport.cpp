#include "PluginReport.h"

#include "ChannelLayout.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace ondulaxis::host {

namespace {

struct FlagName {
    int32_t bit;
    const char* name;
};

constexpr FlagName kFlagNames[] = {
    {effFlagsHasEditor, "hasEditor"},         {effFlagsHasClip, "hasClip"},
    {effFlagsHasVu, "hasVu"},                 {effFlagsCanMono, "canMono"},
    {effFlagsCanReplacing, "canReplacing"},   {effFlagsProgramChunks, "programChunks"},
    {effFlagsIsSynth, "isSynth"},             {effFlagsNoSoundInStop, "noSoundInStop"},
    {effFlagsExtIsAsync, "extIsAsync"},       {effFlagsExtHasBuffer, "extHasBuffer"},
};

std::string describeCategory(intptr_t category) {
    switch (category) {
        case 0: return "0 (unknown)";
        case 1: return "1 (effect)";
        case 2: return "2 (synth)";
        case 3: return "3 (analysis)";
        case 4: return "4 (mastering)";
        case 5: return "5 (spatial)";
        case 6: return "6 (room effect)";
        case 7: return "7 (surround effect)";
        case 8: return "8 (restoration)";
        case 9: return "9 (offline process)";
        case 10: return "10 (shell)";
        case 11: return "11 (generator)";
        default: return std::to_string(category) + " (unknown)";
    }
}

std::string describeAnswer(intptr_t answer) {
    char number[32];
    std::snprintf(number, sizeof number, "%2ld", static_cast<long>(answer));
    return std::string(number) + (answer > 0 ? "  yes" : answer < 0 ? "  no" : "  don't know");
}

std::string padded(std::string text, std::size_t width) {
    if (text.size() < width) text.append(width - text.size(), ' ');
    return text;
}

}  // namespace

std::string describeUniqueId(int32_t id) {
    const uint32_t bits = static_cast<uint32_t>(id);
    std::string code = "'";
    for (int shift = 24; shift >= 0; shift -= 8) {
        const char c = static_cast<char>((bits >> shift) & 0xff);
        code += (c >= 0x20 && c < 0x7f) ? c : '?';
    }
    return code + "' (" + std::to_string(id) + ")";
}

std::string describeFlags(int32_t flags) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%x", static_cast<unsigned>(flags));
    std::string names;
    int32_t known = 0;
    for (const FlagName& flag : kFlagNames) {
        if ((flags & flag.bit) != 0) names += (names.empty() ? "" : ", ") + std::string(flag.name);
        known |= flag.bit;
    }
    if ((flags & ~known) != 0) names += (names.empty() ? "" : ", ") + std::string("unknown bits");
    return std::string(hex) + (names.empty() ? "" : " (" + names + ")");
}

void writePluginInfo(PluginInstance& instance, std::ostream& out) {
    const PluginRecord& record = instance.record();
    out << "Plug-in:         " << instance.library().path().string() << "\n"
        << "Entry function:  " << instance.library().entryName() << "\n"
        << "Effect name:     " << instance.effectName() << "\n"
        << "Product:         " << instance.productString() << "\n"
        << "Vendor:          " << instance.vendorString() << "\n"
        << "Vendor version:  " << instance.vendorVersion() << "\n"
        << "Unique ID:       " << describeUniqueId(record.uniqueID) << "\n"
        << "Version:         " << record.version << "\n"
        << "Category:        " << describeCategory(instance.category()) << "\n"
        << "Inputs:          " << record.numInputs << "\n"
        << "Outputs:         " << record.numOutputs << "\n"
        << "Flags:           " << describeFlags(record.flags) << "\n"
        << "Mono files:      " << describeLayout(planChannelLayout(record.numInputs, record.numOutputs, 1)) << "\n"
        << "Stereo files:    " << describeLayout(planChannelLayout(record.numInputs, record.numOutputs, 2)) << "\n"
        << "Latency:         " << record.initialDelay << " samples\n"
        << "Programs:        " << record.numPrograms << "\n"
        << "Parameters:      " << record.numParams << "\n"
        << "\nCapabilities:\n";
    for (std::string_view capability : kCapabilityStrings) {
        out << "  " << padded(std::string(capability), 21) << describeAnswer(instance.canDo(capability)) << "\n";
    }
    out << "\n";
    writeParameterTable(instance, out);
}

void writeParameterTable(PluginInstance& instance, std::ostream& out) {
    struct Row {
        std::string index, name, value, display, label;
    };
    std::vector<Row> rows{{"#", "Name", "Value", "Display", "Label"}};
    for (int32_t index = 0; index < instance.record().numParams; ++index) {
        char value[32];
        std::snprintf(value, sizeof value, "%.6f", static_cast<double>(instance.getParameter(index)));
        rows.push_back({std::to_string(index), instance.parameterName(index), value,
                        instance.parameterDisplay(index), instance.parameterLabel(index)});
    }
    std::size_t widths[4] = {};
    for (const Row& row : rows) {
        widths[0] = std::max(widths[0], row.index.size());
        widths[1] = std::max(widths[1], row.name.size());
        widths[2] = std::max(widths[2], row.value.size());
        widths[3] = std::max(widths[3], row.display.size());
    }
    for (const Row& row : rows) {
        std::string line = "  " + padded(row.index, widths[0] + 2) + padded(row.name, widths[1] + 2) +
                           padded(row.value, widths[2] + 2) + padded(row.display, widths[3] + 2) + row.label;
        while (!line.empty() && line.back() == ' ') line.pop_back();
        out << line << "\n";
    }
}

}  // namespace ondulaxis::host
