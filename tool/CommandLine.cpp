#include "CommandLine.h"

#include "ChildProcess.h"
#include "ClapLibrary.h"
#include "DemoPiece.h"
#include "HostError.h"
#include "Oversampler.h"
#include "PluginInstance.h"
#include "PluginReport.h"
#include "PluginScan.h"
#include "PresetFile.h"
#include "Renderer.h"
#include "ToneAnalysis.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <charconv>
#include <csignal>
#include <cmath>
#include <cstdio>
#include <optional>
#include <sstream>
#include <unistd.h>

namespace ondulaxis::tool {

using namespace ondulaxis::host;

namespace {

constexpr int kFailure = 1;
constexpr int kUsageError = 2;

// The help text, one part per command, so that `ondulaxis COMMAND --help`
// can show just its own part. Written by hand rather than generated: the
// display units and the oversampling note need prose.
constexpr const char* kInfoUsage =
    "  ondulaxis info [PLUGIN.so|PLUGIN.clap] [--scan-timeout SECONDS]\n"
    "      Identity, channels, latency (once resumed at 48000 Hz, as a host sets\n"
    "      it up), capabilities and parameters of a plug-in, asked in a separate\n"
    "      process (the built Ondulaxis.so when none is given); of a CLAP file,\n"
    "      every plug-in it holds: ID, name, vendor, version, features, audio ports,\n"
    "      latency and parameters. Every command first tries the plug-in in a\n"
    "      separate process and gives up on one that takes longer than\n"
    "      --scan-timeout (default 10 s) to load.\n";
constexpr const char* kRenderUsage =
    "  ondulaxis render IN OUT [options]\n"
    "      Render an audio file (WAV, AIFF, FLAC, Ogg) through the plug-in. OUT's\n"
    "      extension names its format; mono files take the mono route, stereo\n"
    "      files the stereo route.\n"
    "      --set NAME=VALUE  parameter by name (repeatable): a bare number is the\n"
    "                        normalised value 0..1; any other text is read by the\n"
    "                        plug-in, as its display shows it: InGain=12dB\n"
    "                        FuncMix=80% SlewLim=off ZeroX=on Oversample=8x\n"
    "      --preset FILE     NAME=VALUE lines (# comments), applied before --set;\n"
    "                        a name alone finds an installed preset (warmth)\n"
    "      --save-preset FILE  also write the settings used as a preset\n"
    "      --bypass          render with the plug-in bypassed\n"
    "      --accumulate      use the accumulating process call\n"
    "      --block N         block size in frames (default 512)\n"
    "      --bits 16|24      integer samples instead of 32-bit float\n"
    "      --plugin PATH     plug-in to load instead of the built one (.so, or\n"
    "                        .clap for a CLAP file)\n"
    "      --plugin-id ID    the plug-in of a CLAP file holding several, by ID\n"
    "                        or name (see info)\n"
    "      --plot FILE.svg   draw the transfer curve and a waveform excerpt\n"
    "      --quiet           print nothing but errors\n"
    "      --timeout SECONDS give up on a render that takes longer, scan included\n"
    "                        (default: no limit)\n"
    "      --keep-nan        write NaN and infinite samples the plug-in outputs\n"
    "                        (with a warning) instead of failing; integer and\n"
    "                        compressed formats get 0 for NaN, full scale for\n"
    "                        infinities\n"
    "      --scan-timeout S  as for info\n"
    "      --oversample N    run the plug-in at N = 2, 4, 8 or 16 times the file's\n"
    "                        rate between linear-phase resamplers (libsoxr); the\n"
    "                        output keeps the file's rate, length and timing.\n"
    "                        Parameters keep their values: one that acts per\n"
    "                        sample (Ondulaxis's SlewLim) acts N times faster\n"
    "      With a CLAP plug-in, --set NAME=VALUE takes a bare number as the\n"
    "      plug-in's own value (not normalised: InGain=12 is 12 dB if its range\n"
    "      is in dB) and any other text as the plug-in reads it (InGain=12dB,\n"
    "      Oversample=8x).\n"
    "      An input shorter than its header claims is rendered as far as it goes,\n"
    "      with a warning giving both lengths.\n"
    "      The plug-in runs in a separate process: if it crashes, the command says\n"
    "      where and leaves OUT as it was; what it prints comes after the\n"
    "      command's own lines on the standard error, as \"plug-in output: ...\".\n"
    "      A plug-in's reported latency is removed and its tail flushed, so the\n"
    "      output is aligned with the input. Bypassed, OUT is an exact copy of\n"
    "      IN. OUT, --plot and --save-preset write through a symbolic link to\n"
    "      the file it names, and refuse devices and FIFOs. Ctrl-C or SIGTERM\n"
    "      ends the command with status 130 or 143 and nothing written.\n";
constexpr const char* kAnalyzeUsage =
    "  ondulaxis analyze OUT.svg [options]\n"
    "      Play a sine through the plug-in; print THD, THD+N, each harmonic's\n"
    "      level and the aliasing level (the power off the harmonics against the\n"
    "      tone's), and draw the spectrum.\n"
    "      --freq HZ         tone frequency (default 1000)\n"
    "      --level DBFS      tone peak level (default -6)\n"
    "      --rate HZ         sample rate (default 48000)\n"
    "      --oversample N    also measure at N times the rate, drawn together\n"
    "      --sweep           draw the aliasing level against the tone frequency\n"
    "      --set, --preset, --plugin, --plugin-id, --block, --scan-timeout  as for\n"
    "                        render\n";
constexpr const char* kDemoUsage =
    "  ondulaxis demo [OUTDIR]\n"
    "      Synthesise a test piece and render it through the four preset files\n"
    "      (default folder demo-output/).\n";
constexpr const char* kOtherUsage =
    "  ondulaxis [COMMAND] --help\n"
    "  ondulaxis --version\n";

std::string usage() {
    return std::string("Usage:\n") + kInfoUsage + kRenderUsage + kAnalyzeUsage + kDemoUsage + kOtherUsage;
}

class UsageError : public HostError {
public:
    using HostError::HostError;
};

// For commands whose product is a file: a reader of the report that has
// gone (`| head -1`) is no reason to lose it; writes to it just fail.
void keepWritingWithoutReader() { std::signal(SIGPIPE, SIG_IGN); }

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
    throw UsageError("--oversample takes 2, 4, 8 or 16, got '" + text + "'");
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

// CLI11 sorts the line into a command, its options and its operands, all
// kept as text; the run functions below check the values. Checking after
// the whole line is read lets --help anywhere on it win over a bad value.
std::optional<std::string> valueOf(const CLI::App& command, const std::string& name) {
    const CLI::Option* option = command.get_option(name);
    if (option->count() == 0) return std::nullopt;
    return option->as<std::string>();
}

std::vector<std::string> valuesOf(const CLI::App& command, const std::string& name) {
    const CLI::Option* option = command.get_option(name);
    // An option never given reads as one empty value: none, here.
    if (option->count() == 0) return {};
    return option->as<std::vector<std::string>>();
}

// --set and --preset take one value each time they appear and keep them all.
void addSettingOptions(CLI::App& command) {
    command.add_option("--set")->type_name("NAME=VALUE")->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    command.add_option("--preset")->type_name("FILE")->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    command.add_option("--plugin")->type_name("PATH");
    command.add_option("--plugin-id")->type_name("ID|NAME");
    command.add_option("--block")->type_name("N");
    command.add_option("--oversample")->type_name("N");
    command.add_option("--scan-timeout")->type_name("SECONDS");
}

// The presets' settings come first, so that --set overrides them whatever
// the order on the line.
std::vector<TypedSetting> settingsOf(const CLI::App& command) {
    std::vector<TypedSetting> result;
    for (const std::string& file : valuesOf(command, "--preset")) {
        const Preset preset = readPresetFile(findPreset(file));
        result.insert(result.end(), preset.settings.begin(), preset.settings.end());
    }
    for (const std::string& text : valuesOf(command, "--set")) result.push_back(parseTypedSetting(text));
    return result;
}

std::filesystem::path pluginOf(const CLI::App& command) {
    const std::optional<std::string> plugin = valueOf(command, "--plugin");
    return plugin && !plugin->empty() ? std::filesystem::path(*plugin) : defaultPluginPath();
}

// --plugin-id, which only a CLAP file has a use for.
std::string pluginChoiceOf(const CLI::App& command, const std::filesystem::path& plugin) {
    const std::optional<std::string> choice = valueOf(command, "--plugin-id");
    if (!choice) return {};
    if (!isClapFile(plugin)) {
        throw UsageError("--plugin-id chooses among the plug-ins of a CLAP file (.clap), not of " + plugin.string());
    }
    if (choice->empty()) throw UsageError("--plugin-id needs an ID or a name");
    return *choice;
}

// A CLAP plug-in reads its values itself: each setting keeps its text (a
// bare number is the plug-in's own value, any other text goes through its
// text_to_value), and a preset's bare numbers are such values too.
std::vector<TypedSetting> clapSettingsOf(const CLI::App& command) {
    std::vector<TypedSetting> result;
    for (const std::string& file : valuesOf(command, "--preset")) {
        const Preset preset = readPresetFile(findPreset(file), true);
        result.insert(result.end(), preset.settings.begin(), preset.settings.end());
    }
    for (const std::string& text : valuesOf(command, "--set")) result.push_back(parsePluginSetting(text));
    return result;
}

std::chrono::milliseconds scanTimeoutOf(const CLI::App& command) {
    const std::optional<std::string> text = valueOf(command, "--scan-timeout");
    if (!text) return kScanTimeout;
    return std::chrono::milliseconds(std::llround(parseNumber("--scan-timeout", *text, 0.001, 3600.0) * 1000.0));
}

int runInfo(const CLI::App& command, const std::vector<std::string>& operands, std::ostream& out) {
    if (operands.size() > 1) throw UsageError("info takes at most one plug-in file");
    const std::filesystem::path path = operands.empty() ? defaultPluginPath() : std::filesystem::path(operands[0]);
    const std::chrono::milliseconds timeout = scanTimeoutOf(command);
    installInterruptHandler();
    scanPlugin(path, timeout);
    // Every question to the plug-in is asked in a child, as a render's are:
    // a crash or a hang there costs one line, and Ctrl-C ends it.
    out << textFromChild(path.string(), [&](ChildReport& report) {
        std::ostringstream text;
        if (isClapFile(path)) {
            report.setStage("while being described");
            writeClapInfo(std::make_shared<const ClapLibrary>(path), text);
        } else {
            writeResumedPluginInfo(std::make_shared<const PluginLibrary>(path), report, text);
        }
        return text.str();
    });
    return 0;
}

int runRender(const CLI::App& command, const std::vector<std::string>& operands, std::ostream& out) {
    if (operands.size() != 2) throw UsageError("render needs an input and an output file");
    RenderOptions options;
    options.input = operands[0];
    options.output = operands[1];
    if (const auto block = valueOf(command, "--block")) options.blockSize = parseBlockSize(*block);
    if (const auto factor = valueOf(command, "--oversample")) options.oversample = parseOversampling(*factor);
    if (const auto bits = valueOf(command, "--bits")) {
        if (*bits != "16" && *bits != "24") throw UsageError("--bits takes 16 or 24, got '" + *bits + "'");
        options.bits = std::stoi(*bits);
    }
    if (const auto file = valueOf(command, "--save-preset")) options.savePreset = *file;
    if (const auto file = valueOf(command, "--plot")) options.plot = *file;
    options.bypass = command.count("--bypass") > 0;
    options.accumulate = command.count("--accumulate") > 0;
    options.quiet = command.count("--quiet") > 0;
    options.keepNonFinite = command.count("--keep-nan") > 0;
    if (const auto seconds = valueOf(command, "--timeout")) {
        options.timeout =
            std::chrono::milliseconds(std::llround(parseNumber("--timeout", *seconds, 0.001, 1e7) * 1000.0));
    }
    options.plugin = pluginOf(command);
    options.pluginChoice = pluginChoiceOf(command, options.plugin);
    if (options.accumulate && isClapFile(options.plugin)) {
        throw UsageError("--accumulate asks for the accumulating process call, which CLAP plug-ins do not have");
    }
    options.typedParameters = isClapFile(options.plugin) ? clapSettingsOf(command) : settingsOf(command);
    for (const TypedSetting& setting : options.typedParameters) options.parameters.push_back(setting.setting);
    options.scanTimeout = scanTimeoutOf(command);
    installInterruptHandler();
    keepWritingWithoutReader();
    renderFile(options, out);
    return 0;
}

int runAnalyze(const CLI::App& command, const std::vector<std::string>& operands, std::ostream& out) {
    if (operands.size() != 1) throw UsageError("analyze needs one output file (the SVG)");
    AnalyzeOptions options;
    options.output = operands[0];
    if (const auto freq = valueOf(command, "--freq")) options.tone.frequency = parseNumber("--freq", *freq, 1.0, 1e6);
    if (const auto level = valueOf(command, "--level")) {
        options.tone.levelDbfs = parseNumber("--level", *level, -200.0, 24.0);
    }
    if (const auto rate = valueOf(command, "--rate")) {
        options.sampleRate = parseNumber("--rate", *rate, 1000.0, 768000.0);
    }
    if (const auto block = valueOf(command, "--block")) options.blockSize = parseBlockSize(*block);
    if (const auto factor = valueOf(command, "--oversample")) options.oversample = parseOversampling(*factor);
    options.sweep = command.count("--sweep") > 0;
    if (!options.sweep && options.tone.frequency >= options.sampleRate / 2.0) {
        throw UsageError("--freq must lie below half the sample rate");
    }
    options.plugin = pluginOf(command);
    options.pluginChoice = pluginChoiceOf(command, options.plugin);
    options.parameters = isClapFile(options.plugin) ? clapSettingsOf(command) : settingsOf(command);
    options.scanTimeout = scanTimeoutOf(command);
    installInterruptHandler();
    keepWritingWithoutReader();
    runAnalysis(options, out);
    return 0;
}

int runDemoCommand(const CLI::App&, const std::vector<std::string>& operands, std::ostream& out) {
    if (operands.size() > 1) throw UsageError("demo takes at most one output folder");
    installInterruptHandler();
    runDemo(operands.empty() ? std::filesystem::path("demo-output") : std::filesystem::path(operands[0]),
            defaultPluginPath(), out);
    return 0;
}

using Runner = int (*)(const CLI::App&, const std::vector<std::string>&, std::ostream&);

struct Command {
    const char* name;
    const char* usage;
    Runner run;
};

constexpr Command kCommands[] = {
    {"info", kInfoUsage, runInfo},
    {"render", kRenderUsage, runRender},
    {"analyze", kAnalyzeUsage, runAnalyze},
    {"demo", kDemoUsage, runDemoCommand},
};

// The command's grammar. Every option is taken once, the last one counting,
// except --set and --preset; anything unknown is left over for a clear
// message of our own rather than CLI11's.
void describe(CLI::App& app) {
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    app.set_help_flag("-h,--help");
    app.add_flag("--version");
    app.require_subcommand(0, 1);
    app.allow_extras();
    for (const Command& entry : kCommands) {
        CLI::App* command = app.add_subcommand(entry.name);
        command->allow_extras();
        command->add_option("operands")
            ->expected(0, CLI::detail::expected_max_vector_size)
            ->allow_extra_args()
            ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    }
    app.get_subcommand("info")->add_option("--scan-timeout")->type_name("SECONDS");
    CLI::App& render = *app.get_subcommand("render");
    addSettingOptions(render);
    render.add_option("--save-preset")->type_name("FILE");
    render.add_option("--bits")->type_name("16|24");
    render.add_option("--plot")->type_name("FILE.svg");
    render.add_flag("--bypass");
    render.add_flag("--accumulate");
    render.add_flag("--quiet");
    render.add_flag("--keep-nan");
    render.add_option("--timeout")->type_name("SECONDS");
    CLI::App& analyze = *app.get_subcommand("analyze");
    addSettingOptions(analyze);
    analyze.add_option("--freq")->type_name("HZ");
    analyze.add_option("--level")->type_name("DBFS");
    analyze.add_option("--rate")->type_name("HZ");
    analyze.add_flag("--sweep");
}

// The first word nobody asked for, as the line's error.
void refuseLeftovers(const std::vector<std::string>& leftovers, bool inCommand) {
    if (leftovers.empty()) return;
    const std::string& word = leftovers.front();
    if (word.size() > 1 && word[0] == '-') throw UsageError("unknown option " + word);
    throw UsageError(inCommand ? "unexpected argument '" + word + "'" : "unknown command '" + word + "'");
}

int dispatch(const std::vector<std::string>& arguments, std::ostream& out) {
    CLI::App app("", "ondulaxis");
    describe(app);
    try {
        // CLI11 takes the words last first.
        app.parse(std::vector<std::string>(arguments.rbegin(), arguments.rend()));
    } catch (const CLI::CallForHelp&) {
        const std::vector<CLI::App*> chosen = app.get_subcommands();
        for (const Command& entry : kCommands) {
            if (!chosen.empty() && chosen.front()->get_name() == entry.name) {
                out << "Usage:\n" << entry.usage;
                return 0;
            }
        }
        out << usage();
        return 0;
    } catch (const CLI::ParseError& error) {
        // What CLI11 finds itself (a value missing at the end of the line)
        // it says in one line; keep it so whatever the message.
        std::string message = error.what();
        std::replace(message.begin(), message.end(), '\n', ' ');
        throw UsageError(message);
    }
    if (app.count("--version") > 0) {
        out << "ondulaxis " << ONDULAXIS_VERSION << "\n";
        return 0;
    }
    const std::vector<CLI::App*> chosen = app.get_subcommands();
    if (chosen.empty()) {
        if (!app.remaining().empty() && app.remaining().front() == "help") {
            out << usage();
            return 0;
        }
        refuseLeftovers(app.remaining(), false);
        throw UsageError("no command given");
    }
    const CLI::App& command = *chosen.front();
    // Words after a "--" are left over at the top.
    refuseLeftovers(command.remaining(), true);
    refuseLeftovers(app.remaining(), true);
    const std::vector<std::string> operands = valuesOf(command, "operands");
    for (const Command& entry : kCommands) {
        if (command.get_name() == entry.name) return entry.run(command, operands, out);
    }
    return kFailure;
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
        errors << usage();
        return kUsageError;
    }
    int status = 0;
    try {
        status = dispatch(arguments, out);
    } catch (const UsageError& error) {
        out.flush();
        errors << "ondulaxis: " << error.what() << " (see ondulaxis --help)\n";
        status = kUsageError;
    } catch (const SettingError& error) {
        // A bad --set or preset value is a mistake on the line too.
        out.flush();
        errors << "ondulaxis: " << error.what() << "\n";
        status = kUsageError;
    } catch (const std::exception& error) {
        out.flush();
        errors << "ondulaxis: " << error.what() << "\n";
        // Ended by a signal, as the shell would say it: 130 for Ctrl-C,
        // 143 for SIGTERM.
        status = interruptSignal() != 0 ? 128 + interruptSignal() : kFailure;
    }
    // The plug-ins' own lines, after the command's.
    errors << takePluginOutput();
    errors.flush();
    return status;
}

}  // namespace ondulaxis::tool
