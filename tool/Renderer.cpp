#include "Renderer.h"

#include "EffectSession.h"
#include "HostError.h"
#include "PluginReport.h"
#include "ProgressMeter.h"
#include "SoundFile.h"
#include "TransferPlot.h"

#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>

namespace ondulaxis::host {

namespace {

volatile std::sig_atomic_t interrupted = 0;

extern "C" void onInterrupt(int) { interrupted = 1; }

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

    auto library = std::make_shared<const PluginLibrary>(options.plugin);
    SessionSettings settings;
    settings.sampleRate = reader.sampleRate();
    settings.channels = channels;
    settings.blockSize = options.blockSize;
    settings.parameters = options.parameters;
    settings.bypass = options.bypass;
    settings.accumulate = options.accumulate;
    EffectSession session(library, settings);

    if (!options.quiet) {
        report << "Rendering " << options.input.string() << " -> " << options.output.string() << " ("
               << (channels == 1 ? "mono" : "stereo") << ", " << reader.sampleRate() << " Hz, " << reader.frames()
               << " frames, blocks of " << options.blockSize << ", "
               << (options.accumulate ? "accumulating" : "replacing") << (options.bypass ? ", bypassed" : "")
               << ")\n";
        writeParameterTable(session.instance(), report);
        report.flush();
    }

    StagedSoundFile writer(options.output, format, channels, reader.sampleRate());
    ExcerptRecorder excerpt(reader.sampleRate(), channels);
    ProgressMeter progress(stderr, !options.quiet, reader.frames(), reader.sampleRate());
    const std::size_t samplesPerBlock = static_cast<std::size_t>(options.blockSize) * static_cast<std::size_t>(channels);
    std::vector<float> input(samplesPerBlock);
    std::vector<float> output(samplesPerBlock);
    RenderSummary summary;
    float peak = 0.0f;
    for (;;) {
        if (interrupted) {
            progress.finish();
            throw HostError("interrupted; " + options.output.string() + " was not written");
        }
        const int64_t frames = reader.read(input.data(), options.blockSize);
        if (frames <= 0) break;
        session.processBlock(input.data(), output.data(), static_cast<int32_t>(frames));
        const std::size_t count = static_cast<std::size_t>(frames) * static_cast<std::size_t>(channels);
        for (std::size_t i = 0; i < count; ++i) peak = std::fmax(peak, std::fabs(output[i]));
        writer.write(output.data(), frames);
        if (!options.plot.empty()) excerpt.feed(input.data(), output.data(), frames);
        summary.frames += frames;
        progress.update(summary.frames);
    }
    progress.finish();
    session.finish();

    std::string svg;
    if (!options.plot.empty()) {
        const std::string title = "Ondulaxis render of " + options.input.filename().string();
        svg = transferPlotSvg(measureTransferCurve(library, settings), excerpt.excerpt(), title,
                              describeSettings(options.parameters, options.bypass));
    }
    writer.commit();
    if (!svg.empty()) writeTextFileAtomically(options.plot, svg);

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
