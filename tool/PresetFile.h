// Preset files: NAME=VALUE lines, as --set takes them, with # comments.
#pragma once

#include "DisplayUnits.h"
#include "PluginInstance.h"

#include <filesystem>
#include <string>
#include <vector>

namespace ondulaxis::host {

struct Preset {
    std::string description;  // the first comment line, without '#'
    std::vector<TypedSetting> settings;
};

// Reads a preset. Blank lines and text after '#' are ignored. Throws
// HostError naming the file and line of the first bad setting.
Preset readPresetFile(const std::filesystem::path& path);

// A preset of every parameter of the instance: NAME=VALUE with the
// normalised value (exact when read back) and, as a comment, its display.
std::string presetText(PluginInstance& instance, const std::string& heading);

// The folder holding the presets that come with the command: share/ondulaxis/
// presets beside an installed executable, else the source tree's presets/.
std::filesystem::path presetFolder();

}  // namespace ondulaxis::host
