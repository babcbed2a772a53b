// Preset files: NAME=VALUE lines, as --set takes them, with # comments.
#pragma once

#include "DisplayUnits.h"
#include "RenderedEffect.h"

#include <filesystem>
#include <string>
#include <vector>

namespace ondulaxis::tool {

// The command is built on the host library and names its types unqualified.
using namespace ondulaxis::host;

struct Preset {
    std::string description;  // the first comment line, without '#'
    std::vector<TypedSetting> settings;
};

// Reads a preset. Blank lines and text after '#' are ignored. Throws
// HostError naming the file and line of the first bad setting. For a
// plug-in that reads its values itself (CLAP), they are kept as text.
Preset readPresetFile(const std::filesystem::path& path, bool pluginReadsValues = false);

// A preset of every parameter: NAME=VALUE with the value (the normalised
// one, or a CLAP plug-in's own; exact when read back) and, as a comment,
// its display.
std::string presetText(EffectParameters& parameters, const std::string& heading);

// The folder holding the presets that come with the command: share/ondulaxis/
// presets beside an installed executable, else the source tree's presets/.
std::filesystem::path presetFolder();

// The preset file `name` stands for: the file itself when there is one (or
// the name holds a '/'), else the preset of that name, with or without
// .preset, in presetFolder().
std::filesystem::path findPreset(const std::string& name);

}  // namespace ondulaxis::tool
