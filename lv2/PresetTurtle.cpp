// Build step: turns the command's preset files into LV2 presets of the
// bundle, so the two sets cannot drift apart. Each file becomes a preset of
// the plain plug-ins giving all eight controls, and one of the HQ plug-ins
// giving those and HQ's own controls at their defaults, in port values
// (unset ones at their defaults, as the command starts from them), chosen
// so that the adapter hands the effect exactly the file's normalised
// values. The bundle's manifest is the hand-written one with the presets
// appended.
//   ondulaxis_lv2_presets MANIFEST_IN MANIFEST_OUT PRESETS_OUT PRESET_FILE...
// Exits 1 with the file and line on anything it cannot carry over exactly.
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <strings.h>

#include "HQParameters.h"

namespace {

// The plug-ins a preset file becomes presets of, with their controls.
struct PluginFamily {
    const char* presetBase;
    const char* pluginUris;
    ParameterTable parameters;
};

constexpr PluginFamily families[] = {
    {"https://ondulaxis.example/lv2/preset/",
     "<https://ondulaxis.example/lv2/stereo> , <https://ondulaxis.example/lv2/mono>", ondulaxisParameters},
    {"https://ondulaxis.example/lv2/preset/hq/",
     "<https://ondulaxis.example/lv2/hq-stereo> , <https://ondulaxis.example/lv2/hq-mono>", ondulaxisHQLv2Parameters},
};

struct Preset {
    std::string name;         // the file's stem, the label hosts list
    std::string description;  // its first comment
    float values[paramCount];
};

std::string trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

int32_t parameterIndex(const std::string& name) {
    for (int32_t index = 0; index < paramCount; ++index) {
        if (strcasecmp(ondulaxisParameterRecords[index].name, name.c_str()) == 0) return index;
    }
    return -1;
}

// The preset file format of the command, restricted to normalised values:
// "# description", then NAME=VALUE lines with comments after '#'.
Preset readPreset(const std::filesystem::path& path) {
    std::ifstream in(path);
    if (!in) throw std::runtime_error(path.string() + ": cannot read");
    Preset preset{path.stem().string(), "", {}};
    for (int32_t index = 0; index < paramCount; ++index) preset.values[index] = ondulaxisParameterRecords[index].defaultValue;
    bool anySetting = false;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        const std::string where = path.string() + ":" + std::to_string(number) + ": ";
        const std::size_t hash = line.find('#');
        if (hash != std::string::npos) {
            if (!anySetting && preset.description.empty() && trimmed(line.substr(0, hash)).empty()) {
                preset.description = trimmed(line.substr(hash + 1));
            }
            line.erase(hash);
        }
        line = trimmed(line);
        if (line.empty()) continue;
        const std::size_t equals = line.find('=');
        const int32_t index =
            equals == std::string::npos ? -1 : parameterIndex(trimmed(line.substr(0, equals)));
        if (index < 0) throw std::runtime_error(where + "no known NAME=VALUE");
        const std::string text = trimmed(line.substr(equals + 1));
        double value = 0.0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        const bool parsed = !text.empty() && error == std::errc() && end == text.data() + text.size();
        if (!parsed || !(value >= 0.0 && value <= 1.0)) {
            throw std::runtime_error(where + "LV2 presets take normalised values from 0 to 1, not '" + text +
                                     "'");
        }
        preset.values[index] = static_cast<float>(value);
        anySetting = true;
    }
    return preset;
}

// A Turtle string: the descriptions are plain text, but a quote or a
// backslash must not end the literal.
std::string literal(const std::string& text) {
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

std::string presetTurtle(const Preset& preset, const std::string& source, const PluginFamily& family) {
    std::ostringstream out;
    out << "\n<" << family.presetBase << preset.name << ">\n\ta pset:Preset ;\n\tlv2:appliesTo "
        << family.pluginUris << " ;\n\trdfs:label " << literal(preset.name) << " ;\n";
    if (!preset.description.empty()) out << "\trdfs:comment " << literal(preset.description) << " ;\n";
    out << "\tlv2:port ";
    for (int32_t index = 0; index < family.parameters.count(); ++index) {
        const ParameterRecord& record = *family.parameters.find(index);
        const float normalised = index < paramCount ? preset.values[index] : record.defaultValue;
        const float port = parameterValues::fromNormalised(record, normalised);
        if (std::isnan(port)) {
            // Port floats are coarser than normalised ones there; name a
            // neighbour that a port value does carry.
            float nearby = normalised;
            for (int step = 0; step < 64 && std::isnan(parameterValues::fromNormalised(record, nearby)); ++step) {
                nearby = std::nextafter(nearby, 1.0f);
            }
            char text[96];
            const int length = std::snprintf(text, sizeof text, "%.9g has no exact LV2 port value",
                                             double{normalised});
            if (!std::isnan(parameterValues::fromNormalised(record, nearby))) {
                std::snprintf(text + length, sizeof text - length, "; %.9g has", double{nearby});
            }
            throw std::runtime_error(source + ": " + record.name + " " + text);
        }
        // Nine significant digits bring a float back exactly.
        char number[32];
        std::snprintf(number, sizeof number, "%.9g", static_cast<double>(port));
        out << (index == 0 ? "[\n" : " , [\n") << "\t\tlv2:symbol \"" << record.name
            << "\" ;\n\t\tpset:value " << number
            << (std::strpbrk(number, ".e") != nullptr ? "" : ".0") << "\n\t]";
    }
    out << " .\n";
    return out.str();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::cerr << "usage: ondulaxis_lv2_presets MANIFEST_IN MANIFEST_OUT PRESETS_OUT PRESET_FILE...\n";
        return 2;
    }
    try {
        std::string descriptions =
            "@prefix lv2:  <http://lv2plug.in/ns/lv2core#> .\n"
            "@prefix pset: <http://lv2plug.in/ns/ext/presets#> .\n"
            "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n";
        std::string manifest;
        {
            std::ifstream in(argv[1]);
            if (!in) throw std::runtime_error(std::string(argv[1]) + ": cannot read");
            manifest.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
        manifest += "\n@prefix pset: <http://lv2plug.in/ns/ext/presets#> .\n";
        const std::string presetsFile = std::filesystem::path(argv[3]).filename().string();
        for (int arg = 4; arg < argc; ++arg) {
            const Preset preset = readPreset(argv[arg]);
            for (const PluginFamily& family : families) {
                descriptions += presetTurtle(preset, argv[arg], family);
                manifest += "\n<" + std::string(family.presetBase) + preset.name +
                            ">\n\ta pset:Preset ;\n\tlv2:appliesTo " + family.pluginUris +
                            " ;\n\trdfs:seeAlso <" + presetsFile + "> .\n";
            }
        }
        for (const auto& [file, text] : {std::pair{argv[2], &manifest}, std::pair{argv[3], &descriptions}}) {
            std::ofstream out(file);
            out << *text;
            if (!out.flush()) throw std::runtime_error(std::string(file) + ": cannot write");
        }
    } catch (const std::exception& error) {
        std::cerr << "ondulaxis_lv2_presets: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
