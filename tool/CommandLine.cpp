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

// The commands, as bits of the masks below.
constexpr unsigned kInfo = 1, kRender = 2, kAnalyze = 4, kDemo = 8;

// Every option of every command, in the order the help text shows them:
// the grammar CLI11 reads and each option's lines of help. Written by hand
// rather than generated: the display units and the oversampling note need
// prose. An option without lines of its own is told in its command's prose.
struct OptionRow {
    unsigned commands;  // those that take it
    const char* name;
    const char* value;  // the value's name in CLI11's messages; null for a flag
    bool repeatable;    // every value kept, not only the last
    unsigned shownIn;   // the command whose help lists `help`
    const char* help;
};

constexpr OptionRow kOptions[] = {
    {kRender | kAnalyze, "--set", "NAME=VALUE", true, kRender,
     "      --set NAME=VALUE  parameter by name (repeatable): a bare number is the\n"
     "                        normalised value 0..1; any other text is read by the\n"
     "                        plug-in, as its display shows it: InGain=12dB\n"
     "                        FuncMix=80% SlewLim=off ZeroX=on Oversample=8x\n"},
    {kRender | kAnalyze, "--preset", "FILE", true, kRender,
     "      --preset FILE     NAME=VALUE lines (# comments), applied before --set;\n"
     "                        a name alone finds an installed preset (warmth)\n"},
    {kRender, "--save-preset", "FILE", false, kRender, "      --save-preset FILE  also write the settings used as a preset\n"},
    {kRender, "--bypass", nullptr, false, kRender, "      --bypass          render with the plug-in bypassed\n"},
    {kRender, "--accumulate", nullptr, false, kRender, "      --accumulate      use the accumulating process call\n"},
    {kRender | kAnalyze, "--block", "N", false, kRender, "      --block N         block size in frames (default 512)\n"},
    {kRender, "--bits", "16|24", false, kRender, "      --bits 16|24      integer samples instead of 32-bit float\n"},
    {kRender | kAnalyze, "--plugin", "PATH", false, kRender,
     "      --plugin PATH     plug-in to load instead of the built one (.so, or\n"
     "                        .clap for a CLAP file)\n"},
    {kRender | kAnalyze, "--plugin-id", "ID|NAME", false, kRender,
     "      --plugin-id ID    the plug-in of a CLAP file holding several, by ID\n"
     "                        or name (see info)\n"},
    {kRender, "--plot", "FILE.svg", false, kRender,
     "      --plot FILE.svg   draw the transfer curve and a waveform excerpt\n"},
    {kRender, "--quiet", nullptr, false, kRender, "      --quiet           print nothing but errors\n"},
    {kRender, "--timeout", "SECONDS", false, kRender,
     "      --timeout SECONDS give up on a render that takes longer, scan included\n"
     "                        (default: no limit)\n"},
    {kRender, "--keep-nan", nullptr, false, kRender,
     "      --keep-nan        write NaN and infinite samples the plug-in outputs\n"
     "                        (with a warning) instead of failing; integer and\n"
     "                        compressed formats get 0 for NaN, full scale for\n"
     "                        infinities\n"},
    {kInfo | kRender | kAnalyze, "--scan-timeout", "SECONDS", false, kRender,
     "      --scan-timeout S  as for info\n"},
    {kRender, "--oversample", "N", false, kRender,
     "      --oversample N    run the plug-in at N = 2, 4, 8 or 16 times the file's\n"
     "                        rate between linear-phase resamplers (libsoxr); the\n"
     "                        output keeps the file's rate, length and timing.\n"
     "                        Parameters keep their values: one that acts per\n"
     "                        sample (Ondulaxis's SlewLim) acts N times faster\n"},
    {kAnalyze, "--freq", "HZ", false, kAnalyze, "      --freq HZ         tone frequency (default 1000)\n"},
    {kAnalyze, "--level", "DBFS", false, kAnalyze, "      --level DBFS      tone peak level (default -6)\n"},
    {kAnalyze, "--rate", "HZ", false, kAnalyze, "      --rate HZ         sample rate (default 48000)\n"},
    {kAnalyze, "--oversample", "N", false, kAnalyze,
     "      --oversample N    also measure at N times the rate, drawn together\n"},
    {kAnalyze, "--sweep", nullptr, false, kAnalyze,
     "      --sweep           draw the aliasing level against the tone frequency\n"},
};

// Each command's help: its prose, the lines of the options it shows, more
// prose.
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
    "      files the stereo route.\n";
constexpr const char* kRenderNotes =
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
    "      tone's), and draw the spectrum.\n";
constexpr const char* kAnalyzeNotes =
    "      --set, --preset, --plugin, --plugin-id, --block, --scan-timeout  as for\n"
    "                        render\n";
constexpr const char* kDemoUsage =
    "  ondulaxis demo [OUTDIR]\n"
    "      Synthesise a test piece and render it through the four preset files\n"
    "      (default folder demo-output/).\n";
constexpr const char* kOtherUsage =
    "  ondulaxis [COMMAND] --help\n"
    "  ondulaxis --version\n";

class UsageError : public HostError {
public:
    using HostError::HostError;
};

// For commands whose product is a file: a reader of the report that has
// gone (`| head -1`) is no reason to lose it; writes to it just fail.
void keepWritingWithoutReader() { std::signal(SIGPIPE, SIG_IGN); }

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

// The presets' settings come first, so that --set overrides them whatever
// the order on the line. A CLAP plug-in reads its values itself: each
// setting keeps its text (a bare number is the plug-in's own value, any
// other text goes through its text_to_value), and a preset's bare numbers
// are such values too.
std::vector<TypedSetting> settingsOf(const CLI::App& command, const std::filesystem::path& plugin) {
    const bool clap = isClapFile(plugin);
    std::vector<TypedSetting> result;
    for (const std::string& file : valuesOf(command, "--preset")) {
        const Preset preset = readPresetFile(findPreset(file), clap);
        result.insert(result.end(), preset.settings.begin(), preset.settings.end());
    }
    for (const std::string& text : valuesOf(command, "--set")) {
        result.push_back(clap ? parsePluginSetting(text) : parseTypedSetting(text));
    }
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

std::chrono::milliseconds millisecondsOf(const std::string& option, const std::string& text, double most) {
    return std::chrono::milliseconds(std::llround(parseNumber(option, text, 0.001, most) * 1000.0));
}

std::chrono::milliseconds scanTimeoutOf(const CLI::App& command) {
    const std::optional<std::string> text = valueOf(command, "--scan-timeout");
    return text ? millisecondsOf("--scan-timeout", *text, 3600.0) : kScanTimeout;
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
        options.timeout = millisecondsOf("--timeout", *seconds, 1e7);
    }
    options.plugin = pluginOf(command);
    options.pluginChoice = pluginChoiceOf(command, options.plugin);
    if (options.accumulate && isClapFile(options.plugin)) {
        throw UsageError("--accumulate asks for the accumulating process call, which CLAP plug-ins do not have");
    }
    options.typedParameters = settingsOf(command, options.plugin);
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
    options.parameters = settingsOf(command, options.plugin);
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
    unsigned bit;
    const char* usage;  // before the option lines
    const char* notes;  // after them
    Runner run;
};

constexpr Command kCommands[] = {
    {"info", kInfo, kInfoUsage, "", runInfo},
    {"render", kRender, kRenderUsage, kRenderNotes, runRender},
    {"analyze", kAnalyze, kAnalyzeUsage, kAnalyzeNotes, runAnalyze},
    {"demo", kDemo, kDemoUsage, "", runDemoCommand},
};

std::string usageOf(const Command& command) {
    std::string text = command.usage;
    for (const OptionRow& row : kOptions) {
        if (row.shownIn == command.bit) text += row.help;
    }
    return text + command.notes;
}

std::string usage() {
    std::string text = "Usage:\n";
    for (const Command& command : kCommands) text += usageOf(command);
    return text + kOtherUsage;
}

// The command's grammar. Every option is taken once, the last one counting,
// except the repeatable ones; anything unknown is left over for a clear
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
        for (const OptionRow& row : kOptions) {
            if ((row.commands & entry.bit) == 0) continue;
            CLI::Option* option = row.value == nullptr ? command->add_flag(row.name)
                                                       : command->add_option(row.name)->type_name(row.value);
            if (row.repeatable) option->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
        }
    }
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
                out << "Usage:\n" << usageOf(entry);
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

std::filesystem::path executableFolder() {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path() : self.parent_path();
}

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
