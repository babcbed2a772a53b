#include "Renderer.h"

#include "Oversampler.h"
#include "PresetFile.h"
#include "EffectLoading.h"
#include "HostError.h"
#include "LayoutSession.h"
#include "PluginReport.h"
#include "PluginProcess.h"
#include "PluginScan.h"
#include "ProgressMeter.h"
#include "SoundFile.h"
#include "ToneAnalysis.h"
#include "TransferPlot.h"

#include <cctype>
#include <chrono>
#include <cmath>
#include <cstring>
#include <memory>
#include <cstdio>
#include <sstream>
#include <strings.h>

namespace ondulaxis::tool {

std::shared_ptr<const EffectSource> openChosenEffect(const std::filesystem::path& path, const std::string& choice) {
    try {
        return openEffect(path, choice);
    } catch (const PluginChoiceError& error) {
        throw HostError(error.file + " holds " + std::to_string(error.count) +
                        " plug-ins; choose one with --plugin-id ID|NAME: " + error.plugins);
    }
}

namespace {

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

// What each setting typed as a text became: the value the plug-in took
// and what it now shows.
void reportTypedSettings(const std::vector<TypedSetting>& settings, RenderedEffect& instance, std::ostream& report) {
    for (std::size_t i = 0; i < settings.size(); ++i) {
        if (settings[i].typed.empty()) continue;
        int32_t index = -1;
        for (int32_t candidate = 0; candidate < instance.parameterCount() && index < 0; ++candidate) {
            if (strcasecmp(instance.parameterName(candidate).c_str(), settings[i].setting.name.c_str()) == 0) {
                index = candidate;
            }
        }
        if (index < 0) continue;
        const std::string display = instance.parameterDisplay(index);
        const std::string label = instance.parameterLabel(index);
        const bool numeric = !display.empty() && std::isdigit(static_cast<unsigned char>(display.back())) != 0;
        const double number = instance.parameterValue(index);
        char value[32];
        std::snprintf(value, sizeof value, "%.7g", number);
        report << settings[i].setting.name << "=" << settings[i].typed << " is " << value << "; the plug-in shows "
               << display << (numeric && !label.empty() ? " " + label : "") << "\n";
    }
}

// Everything that runs the plug-in, in the child: a crash there ends the
// child only, and the parent, which owns the files, says where it happened.
void renderInChild(const RenderOptions& options, int sampleRate, int channels, int64_t totalFrames,
                   PluginProcess::Child& child) {
    child.report.setStage("while the library was loading");
    const std::shared_ptr<const EffectSource> source = openChosenEffect(options.plugin, options.pluginChoice);
    child.report.setStage("while being prepared");
    SessionSettings settings;
    settings.sampleRate = sampleRate;
    settings.channels = channels;
    settings.blockSize = options.blockSize;
    settings.parameters = options.parameters;
    settings.bypass = options.bypass;
    settings.accumulate = options.accumulate;
    if (!options.savePreset.empty()) {
        // The settings as given, at the file's rate, not as adapted below.
        const std::unique_ptr<RenderedEffect> plain = source->open(settings);
        child.link.send(MessageKind::preset,
                        presetText(*plain, "settings of a render of " + options.input.filename().string()));
        plain->finish();
    }
    SessionSettings chainSettings = settings;
    chainSettings.blockCounter = &child.report.block;
    OversampledSession chain(source, chainSettings, options.oversample);
    RenderedEffect& session = chain.session();

    // Sent even when empty: it tells the parent the plug-in is ready.
    std::ostringstream report;
    if (!options.quiet) {
        report << "Rendering " << options.input.string() << " -> " << options.output.string() << " ("
               << (channels == 1 ? "mono" : "stereo") << ", " << sampleRate << " Hz, " << totalFrames
               << " frames, blocks of " << options.blockSize << ", "
               << (options.accumulate ? "accumulating" : "replacing") << describeBypass(session.bypassMode())
               << ")\n"
               << "Layout: " << session.layout().pluginInputs << "-in/" << session.layout().pluginOutputs
               << "-out plug-in, " << describeLayout(session.layout()) << "\n";
        if (chain.pluginLatency() > 0) {
            report << "Latency: the plug-in reports " << chain.pluginLatency()
                   << " frames; they are removed and its tail flushed, so the output is aligned with the input\n";
        }
        if (chain.bypassed()) {
            report << "Bypassed: the host passes the input on, an exact copy whatever latency the plug-in reports\n";
        } else if (options.oversample > 1) {
            report << "Oversampled " << options.oversample << "x: the plug-in runs at "
                   << sampleRate * options.oversample << " Hz in blocks of "
                   << options.blockSize * options.oversample << "; output aligned with the input"
                   << (chain.latency() > 0 ? " (" + std::to_string(chain.latency()) + " frames of delay removed)" : "")
                   << "\n";
        }
        reportTypedSettings(options.typedParameters, session, report);
        writeParameterTable(session, report);
    }
    child.link.send(MessageKind::text, report.str());

    ExcerptRecorder excerpt(sampleRate, channels);
    const std::size_t stride = static_cast<std::size_t>(channels);
    const std::size_t block = static_cast<std::size_t>(options.blockSize);
    std::vector<float> output;
    // Input frames whose output has not come out yet, for the excerpt.
    std::vector<float> pendingInput;
    const auto deliver = [&]() {
        const int64_t frames = static_cast<int64_t>(output.size() / stride);
        if (!options.plot.empty()) {
            excerpt.feed(pendingInput.data(), output.data(), frames);
            pendingInput.erase(pendingInput.begin(), pendingInput.begin() + static_cast<std::ptrdiff_t>(output.size()));
        }
        child.link.send(MessageKind::audio, output.data(), output.size() * sizeof(float));
        output.clear();
    };
    std::vector<float> chunk;
    child.report.setStage("while processing");
    for (;;) {
        const Message message = child.receive();
        if (message.kind != MessageKind::audio) break;
        const std::size_t frames = message.bytes.size() / sizeof(float) / stride;
        chunk.resize(frames * stride);
        if (frames > 0) std::memcpy(chunk.data(), message.bytes.data(), frames * stride * sizeof(float));
        const float* input = chunk.data();
        if (!options.plot.empty()) pendingInput.insert(pendingInput.end(), input, input + frames * stride);
        // The blocks the plug-in sees are those of a file read block by block.
        for (std::size_t done = 0; done < frames; done += block) {
            chain.process(input + done * stride, static_cast<int64_t>(std::min(block, frames - done)), output);
        }
        deliver();
    }
    child.report.setStage("while finishing");
    chain.finish(output);
    deliver();
    if (!options.plot.empty()) {
        child.report.setStage("while its transfer curve was measured");
        const std::string title = "Ondulaxis render of " + options.input.filename().string();
        child.link.send(MessageKind::plot,
                        transferPlotSvg(measureTransferCurve(*source, settings), excerpt.excerpt(), title,
                                        describeSettings(options.parameters, options.bypass)));
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
    const auto timeout = options.timeout.count() > 0 ? options.timeout : std::chrono::milliseconds::max();
    const Clock::time_point deadline = options.timeout.count() > 0 ? start + options.timeout : Clock::time_point::max();
    scanPlugin(options.plugin, std::min(options.scanTimeout, timeout));
    report.flush();

    // A CLAP file's plug-in is named with the file in messages.
    const std::string name =
        options.plugin.string() + (options.pluginChoice.empty() ? "" : " (" + options.pluginChoice + ")");
    PluginProcess worker(name, [&](PluginProcess::Child& child) {
        renderInChild(options, reader.sampleRate(), channels, reader.frames(), child);
    });
    worker.setDeadline(deadline);
    const auto interrupted = [&] {
        return HostError("interrupted; " + options.output.string() + " was not written");
    };
    // Samples that are no numbers: counted, and where the first one came.
    int64_t nonFinite = 0;
    int64_t firstNonFinite = 0;
    std::unique_ptr<StagedSoundFile> writer;
    std::unique_ptr<ProgressMeter> progress;
    std::string svg;
    std::string preset;
    RenderSummary summary;
    float peak = 0.0f;
    // Chunks of whole blocks: fewer trips to the child, the same blocks.
    const int64_t chunk = std::max<int64_t>(1, 32768 / options.blockSize) * options.blockSize;
    std::vector<float> input(static_cast<std::size_t>(chunk) * static_cast<std::size_t>(channels));
    bool ended = false;
    int64_t framesRead = 0;
    // The output file is begun once the plug-in is ready.
    const auto begin = [&] {
        if (writer) return;
        writer = std::make_unique<StagedSoundFile>(options.output, format, channels, reader.sampleRate());
        progress = std::make_unique<ProgressMeter>(stderr, !options.quiet, reader.frames(), reader.sampleRate());
    };
    try {
        for (bool done = false; !done;) {
            const Message message = worker.receive();
            switch (message.kind) {
                case MessageKind::text:
                    // The first is the header (empty when quiet): the plug-in
                    // is ready for audio.
                    report << message.bytes;
                    report.flush();
                    if (writer) continue;
                    break;
                case MessageKind::preset: preset = message.bytes; continue;
                case MessageKind::plot: svg = message.bytes; continue;
                case MessageKind::done: done = true; continue;
                case MessageKind::audio: {
                    const std::size_t samples = message.bytes.size() / sizeof(float);
                    // The bytes are copied: a string's storage need not suit floats.
                    std::vector<float> output(samples);
                    if (samples > 0) std::memcpy(output.data(), message.bytes.data(), samples * sizeof(float));
                    for (std::size_t i = 0; i < samples; ++i) {
                        if (std::isfinite(output[i])) {
                            peak = std::fmax(peak, std::fabs(output[i]));
                        } else if (nonFinite++ == 0) {
                            firstNonFinite = summary.frames + static_cast<int64_t>(i) / channels;
                        }
                    }
                    const int64_t frames = static_cast<int64_t>(samples) / channels;
                    begin();
                    writer->write(output.data(), frames);
                    summary.frames += frames;
                    progress->update(summary.frames);
                    break;
                }
                default: throw HostError("plug-in " + options.plugin.string() + " sent the host an unknown message");
            }
            if (ended) continue;
            if (interruptRequested()) throw interrupted();
            begin();
            const int64_t frames = reader.read(input.data(), chunk);
            framesRead += std::max<int64_t>(0, frames);
            if (frames > 0) {
                worker.send(MessageKind::audio, input.data(), static_cast<std::size_t>(frames * channels) * sizeof(float));
            } else {
                worker.send(MessageKind::end, nullptr, 0);
                ended = true;
            }
        }
        worker.finish();
    } catch (const InterruptedError&) {
        if (progress) progress->finish();
        throw interrupted();
    } catch (const TimedOutError&) {
        if (progress) progress->finish();
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%g", static_cast<double>(options.timeout.count()) / 1000.0);
        throw HostError("plug-in " + name + " did not finish the render within --timeout " + seconds + " s; " +
                        options.output.string() + " was not written");
    } catch (const HostError&) {
        if (progress) progress->finish();
        throw;
    }
    begin();
    progress->finish();
    if (framesRead < reader.claimedFrames()) {
        // A file cut short (a copy interrupted, a recorder that died) is
        // rendered as far as it goes, but not in silence.
        std::fprintf(stderr, "ondulaxis: warning: %s claims %lld frames but holds %lld; rendered those\n",
                     options.input.c_str(), static_cast<long long>(reader.claimedFrames()),
                     static_cast<long long>(framesRead));
    }
    if (nonFinite > 0) {
        const std::string what = "plug-in " + name + " output " + std::to_string(nonFinite) +
                                 " samples that are NaN or infinite, the first at frame " +
                                 std::to_string(firstNonFinite);
        if (!options.keepNonFinite) {
            throw HostError(what + "; " + options.output.string() + " was not written (--keep-nan writes them)");
        }
        std::fprintf(stderr, "ondulaxis: warning: %s; written as they are in float files, elsewhere NaN as 0 and "
                     "infinities at full scale\n", what.c_str());
    }
    writer->commit();
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

}  // namespace ondulaxis::tool
