// Writes the parameter tables of README.md and the manual page from the
// parameter records, or checks that the files hold what it would write.
//   parameter_table --write README.md ondulaxis.1
//   parameter_table --check README.md ondulaxis.1
// A parameter without a description below stops it: a new parameter gets
// its sentence here, and the documents follow.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "HQParameters.h"

namespace {

struct Description {
    const char* name;
    const char* text;
};

// What each parameter does to the sound, for someone who plays.
constexpr Description descriptions[] = {
    {"ZeroX", "Shape of the sinusoid. Yes: a sine, which swings to both sides whatever the input's sign, "
              "bright and buzzy. No: a raised cosine that keeps the input's sign, so the output crosses zero "
              "only where the input does: smoother, closer to the dry wave."},
    {"InGain", "Drive: how hard the signal hits the shaper. More gain reaches further along the curve: more "
               "harmonics, a denser sound."},
    {"SlewLim", "The largest step, in percent of full scale per sample, that the signal steering the sinusoid "
                "may take. Off follows the input; low values round off fast edges and high notes in what "
                "steers the shaper, so the distortion lags and its top end softens."},
    {"FuncMix", "Blend from a plain soft-saturation curve (0 %, warm) to the sinusoid (100 %, ringing, folded)."},
    {"AmpMin", "Sinusoid amplitude for quiet input. The sinusoid grows with the input's level, from AmpMin at "
               "silence to full for loud input; raise it and quiet passages and decays distort as much as "
               "loud ones."},
    {"FreqMin", "How many cycles the sinusoid runs through as the input goes from silence to full scale. "
                "0.5 is one soft bend, like a gentle clipper; 2 folds a loud wave over a few times; tens to "
                "hundreds give dense, metallic, noise-like folding. More cycles, higher harmonics."},
    {"FreqDif", "Cycles added in proportion to a power of the level: positive values make loud notes fold "
                "much more than quiet ones, so the sound brightens as you play harder; negative values take "
                "cycles away at high level. 0 leaves FreqMin alone."},
    {"OutGain", "Output level, to bring the distorted signal back to the dry one's loudness."},
    {"Oversample", "Ondulaxis HQ only. How many times the host's rate the effect runs at inside the plug-in; "
                   "from 4x the folded-back tones (aliasing) of ordinary settings are gone. Costs about that "
                   "many times the processor time."},
    {"DryWet", "Ondulaxis HQ only. Share of the effect in the output; the dry signal is delayed alike, so the "
               "two mix in phase."},
    {"Render", "Ondulaxis HQ only (not in its LV2 plug-ins). The factor taken when the host renders offline "
               "(export, bounce): Same as Oversample, or 8x or 16x for the cleanest export."},
};

constexpr const char* markdownBegin = "<!-- parameter table: written by scripts/parameter-table -->";
constexpr const char* markdownEnd = "<!-- end of parameter table -->";
constexpr const char* roffBegin = ".\\\" parameter table: written by scripts/parameter-table";
constexpr const char* roffEnd = ".\\\" end of parameter table";

std::string shown(const ParameterRecord& record, float value) {
    char text[64] = "";
    record.format(value, text);
    return text;
}

bool numeric(const std::string& text) { return !text.empty() && text.back() >= '0' && text.back() <= '9'; }

std::string withUnit(const ParameterRecord& record, const std::string& text) {
    return numeric(text) && *record.label != '\0' ? text + " " + record.label : text;
}

std::string rangeOf(const ParameterRecord& record) {
    if (record.steps > 0) {
        std::string values;
        for (int32_t step = 0; step <= record.steps; ++step) {
            values += (step == 0 ? "" : step == record.steps ? " or " : ", ") +
                      shown(record, static_cast<float>(step) / static_cast<float>(record.steps));
        }
        return values;
    }
    return withUnit(record, shown(record, 0.0f)) + " to " + withUnit(record, shown(record, 1.0f));
}

const char* descriptionOf(const ParameterRecord& record) {
    for (const Description& description : descriptions) {
        if (std::strcmp(description.name, record.name) == 0) return description.text;
    }
    return nullptr;
}

std::vector<const ParameterRecord*> records() {
    std::vector<const ParameterRecord*> all;
    for (int32_t index = 0; index < ondulaxisHQParameters.baseCount; ++index) {
        all.push_back(&ondulaxisHQParameters.base[index]);
    }
    for (int32_t index = 0; index < ondulaxisHQParameters.extensionCount; ++index) {
        all.push_back(&ondulaxisHQParameters.extension[index]);
    }
    return all;
}

std::string markdownTable() {
    std::string text = "| parameter | range | default | what it does to the sound |\n|---|---|---|---|\n";
    for (const ParameterRecord* record : records()) {
        text += std::string("| ") + record->name + " | " + rangeOf(*record) + " | " +
                withUnit(*record, shown(*record, record->defaultValue)) + " | " + descriptionOf(*record) + " |\n";
    }
    return text;
}

std::string roffEscaped(std::string text) {
    std::string escaped;
    for (const char c : text) escaped += c == '-' ? std::string("\\-") : std::string(1, c);
    return escaped;
}

std::string roffTable() {
    std::string text;
    for (const ParameterRecord* record : records()) {
        text += std::string(".TP\n.B ") + record->name + "\n" + roffEscaped(rangeOf(*record)) + ", default " +
                roffEscaped(withUnit(*record, shown(*record, record->defaultValue))) + ".\n" +
                roffEscaped(descriptionOf(*record)) + "\n";
    }
    return text;
}

// The file with the text between its markers replaced; empty when a marker
// is missing.
std::string replaced(const std::string& file, const char* begin, const char* end, const std::string& table) {
    const std::size_t from = file.find(begin);
    const std::size_t to = file.find(end);
    if (from == std::string::npos || to == std::string::npos || to < from) return {};
    const std::size_t start = from + std::strlen(begin) + 1;
    return file.substr(0, start) + table + file.substr(to);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4 || (std::strcmp(argv[1], "--write") != 0 && std::strcmp(argv[1], "--check") != 0)) {
        std::fprintf(stderr, "usage: parameter_table --write|--check README.md ondulaxis.1\n");
        return 2;
    }
    for (const ParameterRecord* record : records()) {
        if (descriptionOf(*record) == nullptr) {
            std::fprintf(stderr, "parameter_table: %s has no description in doc/ParameterTable.cpp\n", record->name);
            return 1;
        }
    }
    const bool write = std::strcmp(argv[1], "--write") == 0;
    int status = 0;
    for (const auto& [path, begin, end, table] :
         {std::tuple{argv[2], markdownBegin, markdownEnd, markdownTable()},
          std::tuple{argv[3], roffBegin, roffEnd, roffTable()}}) {
        std::ifstream in(path);
        std::stringstream contents;
        contents << in.rdbuf();
        const std::string updated = replaced(contents.str(), begin, end, table);
        if (updated.empty()) {
            std::fprintf(stderr, "parameter_table: %s lacks the table's markers\n", path);
            status = 1;
        } else if (write) {
            std::ofstream(path) << updated;
        } else if (updated != contents.str()) {
            std::fprintf(stderr, "parameter_table: %s differs from the parameter records; run scripts/parameter-table\n",
                         path);
            status = 1;
        }
    }
    return status;
}
