#include "CommandLine.h"

#include "DemoPiece.h"
#include "HostError.h"
#include "PluginInstance.h"
#include "PluginReport.h"
#include "Renderer.h"

#include <algorithm>
#include <charconv>
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
    "      --set NAME=VALUE  parameter by name, normalised 0..1 (repeatable)\n"
    "      --bypass          render with the plug-in bypassed\n"
    "      --accumulate      use the accumulating process call\n"
    "      --block N         block size in frames (default 512)\n"
    "      --bits 16|24      integer samples instead of 32-bit float\n"
    "      --plugin PATH     plug-in to load instead of the built one\n"
    "      --plot FILE.svg   draw the transfer curve and a waveform excerpt\n"
    "      --quiet           print nothing but errors\n"
    "  ondulaxis demo [OUTDIR]\n"
    "      Synthesise a test piece and render it through four presets\n"
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

int runInfo(const std::vector<std::string>& arguments, std::ostream& out) {
    if (arguments.size() > 1) throw UsageError("info takes at most one plug-in file");
    const std::filesystem::path path = arguments.empty() ? defaultPluginPath() : std::filesystem::path(arguments[0]);
    auto library = std::make_shared<const PluginLibrary>(path);
    PluginInstance instance(library);
    instance.open();
    writePluginInfo(instance, out);
    instance.close();
    return 0;
}

int runRender(const std::vector<std::string>& arguments, std::ostream& out) {
    RenderOptions options;
    std::vector<std::string> positional;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        auto value = [&]() -> const std::string& {
            if (i + 1 >= arguments.size()) throw UsageError(argument + " needs a value");
            return arguments[++i];
        };
        if (argument == "--set") {
            options.parameters.push_back(parseParameterSetting(value()));
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
    if (options.plugin.empty()) options.plugin = defaultPluginPath();
    installInterruptHandler();
    renderFile(options, out);
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
