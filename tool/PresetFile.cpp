#include "PresetFile.h"

#include "CommandLine.h"
#include "HostError.h"

#include <cctype>
#include <cstdio>
#include <fstream>

namespace ondulaxis::tool {

namespace {

std::string trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return "";
    const std::size_t last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

}  // namespace

Preset readPresetFile(const std::filesystem::path& path, bool pluginReadsValues) {
    std::ifstream in(path);
    if (!in) throw HostError("cannot read preset " + path.string());
    Preset preset;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        const std::size_t hash = line.find('#');
        if (hash != std::string::npos) {
            if (preset.description.empty() && preset.settings.empty() && trimmed(line.substr(0, hash)).empty()) {
                preset.description = trimmed(line.substr(hash + 1));
            }
            line.erase(hash);
        }
        // Spaces around '=' are allowed in a file.
        std::string setting = trimmed(line);
        if (setting.empty()) continue;
        const std::size_t equals = setting.find('=');
        if (equals != std::string::npos) {
            setting = trimmed(setting.substr(0, equals)) + "=" + trimmed(setting.substr(equals + 1));
        }
        try {
            preset.settings.push_back(pluginReadsValues ? parsePluginSetting(setting) : parseTypedSetting(setting));
        } catch (const SettingError& error) {
            throw SettingError(path.string() + ":" + std::to_string(number) + ": " + error.what());
        }
    }
    if (in.bad()) throw HostError("cannot read preset " + path.string());
    return preset;
}

std::string presetText(EffectParameters& instance, const std::string& heading) {
    std::string text = "# " + heading + "\n";
    for (int32_t index = 0; index < instance.parameterCount(); ++index) {
        // Nine significant digits bring a float back exactly, seventeen a double.
        const double number = instance.parameterValue(index);
        const bool single = static_cast<double>(static_cast<float>(number)) == number;
        char value[32];
        std::snprintf(value, sizeof value, single ? "%.9g" : "%.17g", number);
        const std::string display = instance.parameterDisplay(index);
        const std::string label = instance.parameterLabel(index);
        const bool numeric = !display.empty() && std::isdigit(static_cast<unsigned char>(display.back())) != 0;
        text += instance.parameterName(index) + "=" + value + "  # " + display +
                (numeric && !label.empty() ? " " + label : "") + "\n";
    }
    return text;
}

std::filesystem::path presetFolder() {
    const std::filesystem::path folder = executableFolder();
    std::error_code error;
    if (!folder.empty()) {
        const std::filesystem::path installed = folder / ".." / "share" / "ondulaxis" / "presets";
        if (std::filesystem::is_directory(installed, error)) return installed.lexically_normal();
    }
#ifdef ONDULAXIS_SOURCE_PRESETS
    return ONDULAXIS_SOURCE_PRESETS;
#else
    throw HostError("no preset folder found beside the command");
#endif
}

std::filesystem::path findPreset(const std::string& name) {
    std::error_code error;
    if (std::filesystem::exists(name, error) || name.find('/') != std::string::npos) return name;
    const std::filesystem::path folder = presetFolder();
    for (const std::string& file : {name, name + ".preset"}) {
        if (std::filesystem::is_regular_file(folder / file, error)) return folder / file;
    }
    throw HostError("cannot read preset " + name + ": no such file here nor in " + folder.string());
}

}  // namespace ondulaxis::tool
