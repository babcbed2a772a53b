#include "CommandLine.h"

#include "DemoPiece.h"
#include "HostError.h"
#include "Oversampler.h"
#include "PluginInstance.h"
#include "PluginReport.h"
#include "PluginScan.h"
#include "PresetFile.h"
#include "Renderer.h"
#include "ToneAnalysis.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <functional>
#include <optional>
#include <unistd.h>

namespace ondulaxis::host {

namespace {

constexpr int kFailure = 1;
constexpr int kUsageError = 2;

constexpr const char* kUsage =
    "Usage:\n"
    "  ondulaxis info [PLUGIN.so]\n"
    "      Identity, channels, capabilities and parameters of a plug-in\n"
    "      (the built Ondulaxis.so when none is given).\n"
    "  ondulaxis render IN OUT [options]\n"
    "      Render an audio file (WAV, AIFF, FLAC, Ogg) through the plug-in. OUT's\n"
    "      extension names its format; mono files take the mono route, stereo\n"
    "      files the stereo route.\n"
    "      --set NAME=VALUE  parameter by name (repeatable): a bare number is the\n"
    "                        normalised value 0..1; or as the display reads it:\n"
    "                        InGain=12dB OutGain=-6dB FuncMix=80% AmpMin=20%\n"
    "                        SlewLim=5% SlewLim=off ZeroX=on|off FreqMin=2cycles\n"
    "                        FreqDif=-30cycles\n"
    "      --preset FILE     NAME=VALUE lines (# comments), applied before --set\n"
    "      --save-preset FILE  also write the settings used as a preset\n"
    "      --bypass          render with the plug-in bypassed\n"
    "      --accumulate      use the accumulating process call\n"
    "      --block N         block size in frames (default 512)\n"
    "      --bits 16|24      integer samples instead of 32-bit float\n"
    "      --plugin PATH     plug-in to load instead of the built one\n"
    "      --plot FILE.svg   draw the transfer curve and a waveform excerpt\n"
    "      --quiet           print nothing but errors\n"
    "      --oversample N    run the plug-in at N = 2, 4, 8 or 16 times the file's\n"
    "                        rate between linear-phase resamplers (libsoxr); the\n"
    "                        output keeps the file's rate, length and timing.\n"
    "                        SlewLim limits the step per sample: the tool lowers\n"
    "                        it so that the slope per second stays the same (the\n"
    "                        smallest step, 0.20 %, is as low as it goes)\n"
    "  ondulaxis analyze OUT.svg [options]\n"
    "      Play a sine through the plug-in; print THD, THD+N, each harmonic's\n"
    "      level and the aliasing level (the power off the harmonics against the\n"
    "      tone's), and draw the spectrum.\n"
    "      --freq HZ         tone frequency (default 1000)\n"
    "      --level DBFS      tone peak level (default -6)\n"
    "      --rate HZ         sample rate (default 48000)\n"
    "      --oversample N    also measure at N times the rate, drawn together\n"
    "      --sweep           draw the aliasing level against the tone frequency\n"
    "      --set, --preset, --plugin, --block  as for render\n"
    "  ondulaxis demo [OUTDIR]\n"
    "      Synthesise a test piece and render it through the four preset files\n"
    "      (default folder demo-output/).\n"
    "  ondulaxis --help\n"
    "  ondulaxis --version\n";

class UsageError : public HostError {
public:
    using HostError::HostError;
};

std::filesystem::path executableFolder() {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path() : self.parent_path();
}

int32_t parseBlockSize(const std::string& text) {
    int32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < 1 ||
        value > kMaxBlockSize) {
        throw UsageError("--block takes a whole number of frames from 1 to " + std::to_string(kMaxBlockSize) +
                         ", got '" + text + "'");
    }
    return value;
}

int parseOversampling(const std::string& text) {
    for (const int factor : kOversamplingFactors) {
        if (text == std::to_string(factor)) return factor;
    }
    throw UsageError("--oversample takes 1, 2, 4, 8 or 16, got '" + text + "'");
}

double parseNumber(const std::string& option, const std::string& text, double lowest, double highest) {
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || !(value >= lowest) ||
        !(value <= highest)) {
        char range[96];
        std::snprintf(range, sizeof range, " takes a number from %g to %g, got '", lowest, highest);
        throw UsageError(option + range + text + "'");
    }
    return value;
}

// --preset files and --set values: the presets' settings come first, so
// that --set overrides them whatever the order on the line.
struct SettingSources {
    std::vector<TypedSetting> presets;
    std::vector<TypedSetting> sets;

    bool take(const std::string& argument, const std::function<const std::string&()>& value) {
        if (argument == "--set") {
            sets.push_back(parseTypedSetting(value()));
            return true;
        }
        if (argument == "--preset") {
            const Preset preset = readPresetFile(value());
            presets.insert(presets.end(), preset.settings.begin(), preset.settings.end());
            return true;
        }
        return false;
    }
    std::vector<TypedSetting> all() const {
        std::vector<TypedSetting> result = presets;
        result.insert(result.end(), sets.begin(), sets.end());
        return result;
    }
};

int runInfo(const std::vector<std::string>& arguments, std::ostream& out) {
    if (arguments.size() > 1) throw UsageError("info takes at most one plug-in file");
    const std::filesystem::path path = arguments.empty() ? defaultPluginPath() : std::filesystem::path(arguments[0]);
    auto library = loadScannedPlugin(path);
    PluginInstance instance(library);
    instance.open();
    writePluginInfo(instance, out);
    instance.close();
    return 0;
}

int runRender(const std::vector<std::string>& arguments, std::ostream& out) {
    RenderOptions options;
    SettingSources sources;
    std::vector<std::string> positional;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        auto value = [&]() -> const std::string& {
            if (i + 1 >= arguments.size()) throw UsageError(argument + " needs a value");
            return arguments[++i];
        };
        if (sources.take(argument, value)) {
        } else if (argument == "--save-preset") {
            options.savePreset = value();
        } else if (argument == "--oversample") {
            options.oversample = parseOversampling(value());
        } else if (argument == "--bypass") {
            options.bypass = true;
        } else if (argument == "--accumulate") {
            options.accumulate = true;
        } else if (argument == "--quiet") {
            options.quiet = true;
        } else if (argument == "--block") {
            options.blockSize = parseBlockSize(value());
        } else if (argument == "--bits") {
            const std::string& bits = value();
            if (bits != "16" && bits != "24") throw UsageError("--bits takes 16 or 24, got '" + bits + "'");
            options.bits = std::stoi(bits);
        } else if (argument == "--plugin") {
            options.plugin = value();
        } else if (argument == "--plot") {
            options.plot = value();
        } else if (argument.size() > 1 && argument[0] == '-') {
            throw UsageError("unknown option " + argument);
        } else {
            positional.push_back(argument);
        }
    }
    if (positional.size() != 2) throw UsageError("render needs an input and an output file");
    options.input = positional[0];
    options.output = positional[1];
    options.typedParameters = sources.all();
    for (const TypedSetting& setting : options.typedParameters) options.parameters.push_back(setting.setting);
    if (options.plugin.empty()) options.plugin = defaultPluginPath();
    installInterruptHandler();
    renderFile(options, out);
    return 0;
}

int runAnalyze(const std::vector<std::string>& arguments, std::ostream& out) {
    AnalyzeOptions options;
    SettingSources sources;
    std::vector<std::string> positional;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        auto value = [&]() -> const std::string& {
            if (i + 1 >= arguments.size()) throw UsageError(argument + " needs a value");
            return arguments[++i];
        };
        if (sources.take(argument, value)) {
        } else if (argument == "--freq") {
            options.tone.frequency = parseNumber(argument, value(), 1.0, 1e6);
        } else if (argument == "--level") {
            options.tone.levelDbfs = parseNumber(argument, value(), -200.0, 24.0);
        } else if (argument == "--rate") {
            options.sampleRate = parseNumber(argument, value(), 1000.0, 768000.0);
        } else if (argument == "--oversample") {
            options.oversample = parseOversampling(value());
        } else if (argument == "--sweep") {
            options.sweep = true;
        } else if (argument == "--block") {
            options.blockSize = parseBlockSize(value());
        } else if (argument == "--plugin") {
            options.plugin = value();
        } else if (argument.size() > 1 && argument[0] == '-') {
            throw UsageError("unknown option " + argument);
        } else {
            positional.push_back(argument);
        }
    }
    if (positional.size() != 1) throw UsageError("analyze needs one output file (the SVG)");
    if (!options.sweep && options.tone.frequency >= options.sampleRate / 2.0) {
        throw UsageError("--freq must lie below half the sample rate");
    }
    options.output = positional[0];
    options.parameters = sources.all();
    if (options.plugin.empty()) options.plugin = defaultPluginPath();
    runAnalysis(options, out);
    return 0;
}

int runDemoCommand(const std::vector<std::string>& arguments, std::ostream& out) {
    if (arguments.size() > 1) throw UsageError("demo takes at most one output folder");
    installInterruptHandler();
    runDemo(arguments.empty() ? std::filesystem::path("demo-output") : std::filesystem::path(arguments[0]),
            defaultPluginPath(), out);
    return 0;
}

}  // namespace

std::filesystem::path defaultPluginPath() {
    const std::filesystem::path folder = executableFolder();
    if (!folder.empty()) {
        const std::filesystem::path installed = folder / ".." / "lib" / "vst" / "Ondulaxis.so";
        std::error_code error;
        if (std::filesystem::exists(installed, error)) return installed.lexically_normal();
    }
#ifdef ONDULAXIS_BUILT_PLUGIN
    return ONDULAXIS_BUILT_PLUGIN;
#else
    throw HostError("no plug-in built in; name one with --plugin PATH");
#endif
}

int runCommandLine(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& errors) {
    if (arguments.empty()) {
        errors << kUsage;
        return kUsageError;
    }
    const std::string& command = arguments[0];
    const std::vector<std::string> rest(arguments.begin() + 1, arguments.end());
    const bool wantsHelp = std::find(rest.begin(), rest.end(), "--help") != rest.end() ||
                           std::find(rest.begin(), rest.end(), "-h") != rest.end();
    if (command == "--help" || command == "-h" || command == "help" || wantsHelp) {
        out << kUsage;
        return 0;
    }
    if (command == "--version") {
        out << "ondulaxis " << ONDULAXIS_VERSION << "\n";
        return 0;
    }
    try {
        if (command == "info") return runInfo(rest, out);
        if (command == "render") return runRender(rest, out);
        if (command == "analyze") return runAnalyze(rest, out);
        if (command == "demo") return runDemoCommand(rest, out);
        throw UsageError("unknown command '" + command + "'");
    } catch (const UsageError& error) {
        out.flush();
        errors << "ondulaxis: " << error.what() << " (see ondulaxis --help)\n";
        return kUsageError;
    } catch (const std::exception& error) {
        out.flush();
        errors << "ondulaxis: " << error.what() << "\n";
        return kFailure;
    }
}

}  // namespace ondulaxis::host
