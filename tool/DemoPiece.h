// The demo: a short synthetic stereo piece rendered through a few presets.
#pragma once

#include "SessionSettings.h"

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

namespace ondulaxis::tool {

// The command is built on the host library and names its types unqualified.
using namespace ondulaxis::host;

struct DemoPreset {
    std::string name;
    std::string description;
    std::vector<ParameterSetting> parameters;
};

// Presets spread over the effect's range, read from the preset folder.
std::vector<DemoPreset> demoPresets();

// Interleaved stereo at `sampleRate`: a decaying plucked tone, a slow sine
// sweep and a chord, about six seconds in all.
std::vector<float> synthesiseDemoPiece(int sampleRate);

// Writes dry.wav and, per preset, NAME.wav and NAME.svg into `folder`
// (created if missing), then a table of the files to `report`.
void runDemo(const std::filesystem::path& folder, const std::filesystem::path& plugin, std::ostream& report);

}  // namespace ondulaxis::tool
