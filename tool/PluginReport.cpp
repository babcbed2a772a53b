#include "PluginReport.h"

#include "ChannelLayout.h"
#include "ClapSession.h"
#include "HostError.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace ondulaxis::tool {

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

// Columns as wide as their widest cell, two spaces apart.
void writeTable(const std::vector<std::vector<std::string>>& rows, std::ostream& out) {
    std::vector<std::size_t> widths;
    for (const auto& row : rows) {
        widths.resize(std::max(widths.size(), row.size()), 0);
        for (std::size_t column = 0; column < row.size(); ++column) {
            widths[column] = std::max(widths[column], row[column].size());
        }
    }
    for (const auto& row : rows) {
        std::string line = " ";
        for (std::size_t column = 0; column < row.size(); ++column) {
            line += ' ';
            line += padded(row[column], widths[column] + 1);
        }
        while (!line.empty() && line.back() == ' ') line.pop_back();
        out << line << "\n";
    }
}

// The record interface's parameters through the common view.
class InstanceParameters : public EffectParameters {
public:
    explicit InstanceParameters(PluginInstance& instance) : instance_(instance) {}
    int32_t parameterCount() override { return instance_.record().numParams; }
    std::string parameterName(int32_t index) override { return instance_.parameterName(index); }
    double parameterValue(int32_t index) override { return instance_.getParameter(index); }
    std::string parameterDisplay(int32_t index) override { return instance_.parameterDisplay(index); }
    std::string parameterLabel(int32_t index) override { return instance_.parameterLabel(index); }

private:
    PluginInstance& instance_;
};

std::string numberText(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

std::string describePorts(const std::vector<ClapPort>& ports) {
    if (ports.empty()) return "none";
    std::string text;
    for (const ClapPort& port : ports) {
        text += (text.empty() ? "" : "; ") + ("\"" + port.name + "\" ") + std::to_string(port.channels) +
                (port.channels == 1 ? " channel" : " channels") + (port.type.empty() ? "" : " (" + port.type + ")") +
                ((port.flags & CLAP_AUDIO_PORT_IS_MAIN) != 0 ? ", main" : "");
    }
    return text;
}

std::string describeParameterFlags(uint32_t flags) {
    struct Name {
        uint32_t bit;
        const char* name;
    };
    static constexpr Name kNames[] = {{CLAP_PARAM_IS_STEPPED, "stepped"}, {CLAP_PARAM_IS_BYPASS, "bypass"},
                                      {CLAP_PARAM_IS_ENUM, "enum"},       {CLAP_PARAM_IS_HIDDEN, "hidden"},
                                      {CLAP_PARAM_IS_READONLY, "read-only"}, {CLAP_PARAM_IS_AUTOMATABLE, "automatable"}};
    std::string text;
    for (const Name& name : kNames) {
        if ((flags & name.bit) == 0) continue;
        if (!text.empty()) text += ',';
        text += name.name;
    }
    return text;
}

void writeClapPlugin(const std::shared_ptr<const ClapLibrary>& library, const ClapPluginDescription& plugin,
                     std::ostream& out) {
    constexpr double kRate = 48000.0;
    constexpr uint32_t kBlock = 512;
    std::string features;
    for (const std::string& feature : plugin.features) features += (features.empty() ? "" : ", ") + feature;
    ClapInstance instance(library, plugin.id);
    const std::vector<ClapPort> inputs = instance.ports(true);
    const std::vector<ClapPort> outputs = instance.ports(false);
    std::string configs;
    for (const ClapPortsConfig& config : instance.portsConfigs()) {
        configs += (configs.empty() ? "" : "; ") + config.name + " (" + std::to_string(config.mainInputChannels) +
                   "-in/" + std::to_string(config.mainOutputChannels) + "-out)";
    }
    const auto layoutFor = [&](int channels) {
        ClapInstance probe(library, plugin.id);
        return describeLayout(planClapLayout(probe, channels));
    };
    out << "  ID:              " << plugin.id << "\n"
        << "  Name:            " << plugin.name << "\n"
        << "  Vendor:          " << plugin.vendor << "\n"
        << "  Version:         " << plugin.version << "\n";
    if (!plugin.description.empty()) out << "  Description:     " << plugin.description << "\n";
    out << "  Features:        " << (features.empty() ? "none" : features) << "\n"
        << "  Audio inputs:    " << describePorts(inputs) << "\n"
        << "  Audio outputs:   " << describePorts(outputs) << "\n";
    if (!configs.empty()) out << "  Port configs:    " << configs << "\n";
    out << "  Mono files:      " << layoutFor(1) << "\n"
        << "  Stereo files:    " << layoutFor(2) << "\n";
    if (instance.activate(kRate, kBlock)) {
        out << "  Latency:         " << instance.latency() << " samples (activated at 48000 Hz, defaults)\n";
        instance.deactivate();
    } else {
        out << "  Latency:         unknown (it refused to activate at 48000 Hz)\n";
    }
    out << "  Parameters:      " << instance.parameters().size() << "\n";
    if (instance.parameters().empty()) return;
    std::vector<std::vector<std::string>> rows{{"#", "ID", "Name", "Value", "Display", "Range", "Flags"}};
    for (std::size_t index = 0; index < instance.parameters().size(); ++index) {
        const ClapParameter& parameter = instance.parameters()[index];
        const double value = instance.value(index);
        rows.push_back({std::to_string(index), std::to_string(parameter.id), parameter.name, numberText(value),
                        instance.valueText(index, value),
                        numberText(parameter.minimum) + " to " + numberText(parameter.maximum),
                        describeParameterFlags(parameter.flags)});
    }
    out << "\n";
    writeTable(rows, out);
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

void writeResumedPluginInfo(std::shared_ptr<const PluginLibrary> library, ChildReport& report, std::ostream& out) {
    // Set up as a host sets it up before playing: many plug-ins know their
    // latency only once they know the rate and have been resumed.
    constexpr float kRate = 48000.0f;
    constexpr int32_t kBlock = 512;
    report.setStage("in its entry function " + library->entryName());
    PluginInstance instance(std::move(library));
    const PluginRecord& record = instance.record();
    report.setStage("while being opened");
    instance.open();
    report.setStage("while being set up at 48000 Hz");
    instance.setSampleRate(kRate);
    instance.setBlockSize(kBlock);
    instance.setConnections(PinConnections::forChannels(record.numInputs == 1 ? 1 : 2));
    report.setStage("while being resumed");
    instance.mainsChanged(true);
    report.setStage("while being described");
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
        << "Latency:         " << record.initialDelay << " samples (resumed at 48000 Hz, defaults)\n"
        << "Programs:        " << record.numPrograms << "\n"
        << "Parameters:      " << record.numParams << "\n"
        << "\nCapabilities:\n";
    for (std::string_view capability : kCapabilityStrings) {
        out << "  " << padded(std::string(capability), 21) << describeAnswer(instance.canDo(capability)) << "\n";
    }
    out << "\n";
    report.setStage("while its parameters were read");
    InstanceParameters parameters(instance);
    writeParameterTable(parameters, out);
    report.setStage("while being suspended");
    instance.mainsChanged(false);
    report.setStage("while being closed");
    instance.close();
}

void writeClapInfo(const std::shared_ptr<const ClapLibrary>& library, std::ostream& out) {
    const ClapVersion& version = library->version();
    out << "Plug-in file:    " << library->path().string() << " (CLAP module)\n"
        << "CLAP version:    " << version.major << "." << version.minor << "." << version.revision << "\n"
        << "Plug-ins:        " << library->plugins().size() << "\n";
    std::size_t number = 0;
    for (const ClapPluginDescription& plugin : library->plugins()) {
        out << "\nPlug-in " << ++number << " of " << library->plugins().size() << ":\n";
        try {
            writeClapPlugin(library, plugin, out);
        } catch (const HostError& error) {
            out << "  ID:              " << plugin.id << "\n"
                << "  Name:            " << plugin.name << "\n"
                << "  Not usable:      " << error.what() << "\n";
        }
    }
}

void writeParameterTable(EffectParameters& instance, std::ostream& out) {
    std::vector<std::vector<std::string>> rows{{"#", "Name", "Value", "Display", "Label"}};
    for (int32_t index = 0; index < instance.parameterCount(); ++index) {
        char value[32];
        std::snprintf(value, sizeof value, "%.6f", instance.parameterValue(index));
        rows.push_back({std::to_string(index), instance.parameterName(index), value,
                        instance.parameterDisplay(index), instance.parameterLabel(index)});
    }
    writeTable(rows, out);
}

}  // namespace ondulaxis::tool
