// Human-readable descriptions of a loaded plug-in.
#pragma once

#include "ChildProcess.h"
#include "ClapLibrary.h"
#include "PluginInstance.h"
#include "RenderedEffect.h"

#include <memory>

#include <ostream>
#include <string>
#include <string_view>

namespace ondulaxis::tool {

// The command is built on the host library and names its types unqualified.
using namespace ondulaxis::host;

// The capability strings a host asks about, in the interface's order.
inline constexpr std::string_view kCapabilityStrings[] = {
    "sendVstEvents", "sendVstMidiEvent", "sendVstTimeInfo", "receiveVstEvents", "receiveVstMidiEvent",
    "receiveVstTimeInfo", "offline", "noRealTime", "1in1out", "2in2out", "1in2out", "2in1out",
    "2in4out", "4in2out", "4in4out", "4in8out", "8in4out", "8in8out", "bypass",
};

// 'Odlx' (1331981432); unprintable bytes appear as '?'.
std::string describeUniqueId(int32_t id);
// "0x10 (canReplacing)".
std::string describeFlags(int32_t flags);

// [child process] creates an instance, opens it, sets it up at 48 kHz and
// resumes it as a host does, then writes its identity, channels, flags,
// latency, capabilities and parameters, noting each step in `report`.
void writeResumedPluginInfo(std::shared_ptr<const PluginLibrary> library, ChildReport& report, std::ostream& out);
// Index, name, value, display and label of every parameter.
void writeParameterTable(EffectParameters& parameters, std::ostream& out);

// Every plug-in of a CLAP module: ID, name, vendor, version, features,
// audio ports, the layouts of mono and stereo files, the latency once
// activated at 48 kHz, and the parameters with their ranges.
void writeClapInfo(const std::shared_ptr<const ClapLibrary>& library, std::ostream& out);

}  // namespace ondulaxis::tool
