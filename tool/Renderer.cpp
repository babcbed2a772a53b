#include "Renderer.h"

#include "Oversampler.h"
#include "PresetFile.h"
#include "HostError.h"
#include "LayoutSession.h"
#include "PluginReport.h"
#include "PluginScan.h"
#include "ProgressMeter.h"
#include "SoundFile.h"
#include "ToneAnalysis.h"
#include "TransferPlot.h"

#include <cctype>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <sstream>

namespace ondulaxis::host {

namespace {

volatile std::sig_atomic_t interrupted = 0;

extern "C" void onInterrupt(int) { interrupted = 1; }

std::string describeBypass(BypassMode mode) {
    switch (mode) {
        case BypassMode::plugin: return ", bypassed by the plug-in";
        case BypassMode::host: return ", bypassed by the host since the plug-in does not bypass itself";
        case BypassMode::none: break;
    }
    return "";
}

void checkOptions(const RenderOptions& options) {
    if (options.blockSize < 1 || options.blockSize > kMaxBlockSize) {
        throw HostError("block size must lie between 1 and " + std::to_string(kMaxBlockSize));
    }
    if (options.bits != 0 && options.bits != 16 && options.bits != 24) {
        throw HostError("--bits takes 16 or 24");
    }
    if (refersToSameFile(options.input, options.output)) {
        throw HostError("output " + options.output.string() + " is the same file as input " +
                        options.input.string() + "; refusing to overwrite it");
    }
    checkWritableDestination(options.output, "output");
    if (!options.plot.empty()) {
        if (refersToSameFile(options.plot, options.input) || namesSameDestination(options.plot, options.output)) {
            throw HostError("plot " + options.plot.string() + " would overwrite an audio file");
        }
        checkWritableDestination(options.plot, "plot");
    }
    if (!options.savePreset.empty()) {
        if (refersToSameFile(options.savePreset, options.input) || options.savePreset == options.output ||
            options.savePreset == options.plot) {
            throw HostError("preset " + options.savePreset.string() + " would overwrite another file");
        }
        checkWritableDestination(options.savePreset, "preset");
    }
}

// What each setting typed in display units became, and what the plug-in
// now shows for it.
void reportTypedSettings(const std::vector<TypedSetting>& settings, PluginInstance& instance, std::ostream& report) {
    const std::vector<ParameterSetting> plain = [&] {
        std::vector<ParameterSetting> values;
        for (const TypedSetting& setting : settings) values.push_back(setting.setting);
        return values;
    }();
    const std::vector<ParameterAssignment> assignments = resolveParameterSettings(instance, plain);
    for (std::size_t i = 0; i < settings.size(); ++i) {
        if (settings[i].typed.empty()) continue;
        const int32_t index = assignments[i].index;
        const std::string display = instance.parameterDisplay(index);
        const std::string label = instance.parameterLabel(index);
        const bool numeric = !display.empty() && std::isdigit(static_cast<unsigned char>(display.back())) != 0;
        char value[32];
        std::snprintf(value, sizeof value, "%.7g", static_cast<double>(settings[i].setting.value));
        report << settings[i].setting.name << "=" << settings[i].typed << " is " << value << "; the plug-in shows "
               << display << (numeric && !label.empty() ? " " + label : "") << "\n";
    }
}

}  // namespace

RenderSummary renderFile(const RenderOptions& options, std::ostream& report) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();

    SoundFileReader reader(options.input);
    checkOptions(options);
    const int channels = reader.channels();
    if (channels != 1 && channels != 2) {
        throw HostError(options.input.string() + " has " + std::to_string(channels) +
                        " channels; only mono and stereo files can be rendered");
    }
    const int format = outputFormatFor(options.output, options.bits, channels, reader.sampleRate());

    auto library = loadScannedPlugin(options.plugin);
    SessionSettings settings;
    settings.sampleRate = reader.sampleRate();
    settings.channels = channels;
    settings.blockSize = options.blockSize;
    settings.parameters = options.parameters;
    settings.bypass = options.bypass;
    settings.accumulate = options.accumulate;
    std::string preset;
    if (!options.savePreset.empty()) {
        // The settings as given, at the file's rate, not as adapted below.
        LayoutSession plain(library, settings);
        preset = presetText(plain.instance(), "settings of a render of " + options.input.filename().string());
        plain.finish();
    }
    std::ostringstream rateNotes;
    SessionSettings chainSettings = settings;
    if (options.oversample > 1) {
        std::vector<TypedSetting> given = options.typedParameters;
        if (given.empty()) {
            for (const ParameterSetting& setting : options.parameters) given.push_back({setting, ""});
        }
        chainSettings.parameters = settingsAtRate(given, options.oversample, &rateNotes);
    }
    OversampledSession chain(library, chainSettings, options.oversample);
    LayoutSession& session = chain.session();

    if (!options.quiet) {
        report << "Rendering " << options.input.string() << " -> " << options.output.string() << " ("
               << (channels == 1 ? "mono" : "stereo") << ", " << reader.sampleRate() << " Hz, " << reader.frames()
               << " frames, blocks of " << options.blockSize << ", "
               << (options.accumulate ? "accumulating" : "replacing") << describeBypass(session.bypassMode())
               << ")\n"
               << "Layout: " << session.layout().pluginInputs << "-in/" << session.layout().pluginOutputs
               << "-out plug-in, " << describeLayout(session.layout()) << "\n";
        if (options.oversample > 1) {
            report << "Oversampled " << options.oversample << "x: the plug-in runs at "
                   << reader.sampleRate() * options.oversample << " Hz in blocks of "
                   << options.blockSize * options.oversample << "; output aligned with the input"
                   << (chain.latency() > 0 ? " (" + std::to_string(chain.latency()) + " frames of delay removed)" : "")
                   << "\n"
                   << rateNotes.str();
        }
        reportTypedSettings(options.typedParameters, session.instance(), report);
        writeParameterTable(session.instance(), report);
        report.flush();
    }

    StagedSoundFile writer(options.output, format, channels, reader.sampleRate());
    ExcerptRecorder excerpt(reader.sampleRate(), channels);
    ProgressMeter progress(stderr, !options.quiet, reader.frames(), reader.sampleRate());
    const std::size_t stride = static_cast<std::size_t>(channels);
    std::vector<float> input(static_cast<std::size_t>(options.blockSize) * stride);
    std::vector<float> output;
    // Input frames whose output has not come out yet, for the excerpt.
    std::vector<float> pendingInput;
    RenderSummary summary;
    float peak = 0.0f;
    const auto deliver = [&]() {
        const int64_t frames = static_cast<int64_t>(output.size() / stride);
        for (const float sample : output) peak = std::fmax(peak, std::fabs(sample));
        writer.write(output.data(), frames);
        if (!options.plot.empty()) {
            excerpt.feed(pendingInput.data(), output.data(), frames);
            pendingInput.erase(pendingInput.begin(), pendingInput.begin() + static_cast<std::ptrdiff_t>(output.size()));
        }
        summary.frames += frames;
        progress.update(summary.frames);
        output.clear();
    };
    for (;;) {
        if (interrupted) {
            progress.finish();
            throw HostError("interrupted; " + options.output.string() + " was not written");
        }
        const int64_t frames = reader.read(input.data(), options.blockSize);
        if (frames <= 0) break;
        if (!options.plot.empty()) {
            pendingInput.insert(pendingInput.end(), input.begin(),
                                input.begin() + static_cast<std::ptrdiff_t>(static_cast<std::size_t>(frames) * stride));
        }
        chain.process(input.data(), frames, output);
        deliver();
    }
    chain.finish(output);
    deliver();
    progress.finish();

    std::string svg;
    if (!options.plot.empty()) {
        const std::string title = "Ondulaxis render of " + options.input.filename().string();
        svg = transferPlotSvg(measureTransferCurve(library, settings), excerpt.excerpt(), title,
                              describeSettings(options.parameters, options.bypass));
    }
    writer.commit();
    if (!svg.empty()) writeTextFileAtomically(options.plot, svg);
    if (!preset.empty()) writeTextFileAtomically(options.savePreset, preset);

    summary.audioSeconds = static_cast<double>(summary.frames) / reader.sampleRate();
    summary.wallSeconds = std::chrono::duration<double>(Clock::now() - start).count();
    summary.realTimeFactor = summary.wallSeconds > 0.0 ? summary.audioSeconds / summary.wallSeconds : 0.0;
    summary.peak = peak;
    if (!options.quiet) report << describeSummary(summary) << "\n";
    return summary;
}

std::string describeSummary(const RenderSummary& summary) {
    char peakText[32];
    if (summary.peak > 0.0f) {
        std::snprintf(peakText, sizeof peakText, "%.4f (%.2f dBFS)", static_cast<double>(summary.peak),
                      20.0 * std::log10(static_cast<double>(summary.peak)));
    } else {
        std::snprintf(peakText, sizeof peakText, "0 (silence)");
    }
    char line[256];
    std::snprintf(line, sizeof line, "%lld frames, %.3f s of audio in %.3f s (%.1fx real time), output peak %s",
                  static_cast<long long>(summary.frames), summary.audioSeconds, summary.wallSeconds,
                  summary.realTimeFactor, peakText);
    return line;
}

void installInterruptHandler() {
    struct sigaction action{};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

}  // namespace ondulaxis::host
