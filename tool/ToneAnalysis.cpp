#include "ToneAnalysis.h"

#include "ChannelLayout.h"
#include "HostError.h"
#include "Oversampler.h"
#include "PluginInstance.h"
#include "PluginProcess.h"
#include "PluginScan.h"
#include "Renderer.h"
#include "SoundFile.h"
#include "SpectrumPlot.h"

#include <cmath>
#include <cstdio>
#include <sstream>

namespace ondulaxis::tool {

namespace {

constexpr int kSweepPoints = 25;

// In the analysis child: counts the blocks, for saying where a crash was.
std::atomic<int64_t>* blockCounter = nullptr;

std::vector<ParameterSetting> settingsOf(const AnalyzeOptions& options) {
    std::vector<ParameterSetting> settings;
    for (const TypedSetting& setting : options.parameters) settings.push_back(setting.setting);
    return settings;
}

Spectrum measure(const AnalyzeOptions& options, const std::shared_ptr<const EffectSource>& library,
                 const ToneSettings& tone, int factor) {
    SessionSettings settings;
    settings.sampleRate = options.sampleRate;
    settings.blockSize = options.blockSize;
    settings.parameters = settingsOf(options);
    settings.blockCounter = blockCounter;
    return analyseTone(renderTone(library, settings, tone, factor), options.sampleRate, tone.frequency);
}

std::string factorLabel(int factor) { return std::to_string(factor) + "x"; }

void printSpectra(const std::vector<LabelledSpectrum>& spectra, std::ostream& report) {
    char row[256];
    std::string heading = "                      ";
    for (const LabelledSpectrum& entry : spectra) {
        std::snprintf(row, sizeof row, "%12s", entry.label.c_str());
        heading += row;
    }
    report << heading << "\n";
    const auto figure = [&](const char* name, auto value, const char* unit) {
        std::string line;
        std::snprintf(row, sizeof row, "%-22s", name);
        line += row;
        for (const LabelledSpectrum& entry : spectra) {
            std::snprintf(row, sizeof row, "%12.2f", value(entry.spectrum));
            line += row;
        }
        report << line << "  " << unit << "\n";
    };
    figure("fundamental", [](const Spectrum& s) { return s.fundamentalDbfs; }, "dBFS");
    figure("THD", [](const Spectrum& s) { return s.thdDb; }, "dB");
    figure("THD (percent)", [](const Spectrum& s) { return 100.0 * std::pow(10.0, s.thdDb / 20.0); }, "%");
    figure("THD+N", [](const Spectrum& s) { return s.thdPlusNoiseDb; }, "dB");
    figure("aliasing", [](const Spectrum& s) { return s.aliasingDb; }, "dB against the fundamental");
    report << "harmonics (dBFS):\n";
    const std::vector<Harmonic>& orders = spectra.front().spectrum.harmonics;
    for (std::size_t i = 0; i < orders.size(); ++i) {
        std::snprintf(row, sizeof row, "  %3d %10.1f Hz     ", orders[i].order, orders[i].frequency);
        std::string line = row;
        for (const LabelledSpectrum& entry : spectra) {
            std::snprintf(row, sizeof row, "%12.2f", entry.spectrum.harmonics[i].dbfs);
            line += row;
        }
        report << line << "\n";
    }
}

}  // namespace

namespace {

// Report text the child sends to the parent whenever it is flushed.
class TextMessages : public std::stringbuf {
public:
    explicit TextMessages(MessageLink& link) : link_(link) {}
    ~TextMessages() override { sync(); }

protected:
    int sync() override {
        if (!str().empty()) link_.send(MessageKind::text, str());
        str("");
        return 0;
    }

private:
    MessageLink& link_;
};

// The measurements, in the child: the plug-in runs only there.
void analyseInChild(const AnalyzeOptions& options, PluginProcess::Child& child) {
    TextMessages messages(child.link);
    std::ostream report(&messages);
    child.report.setStage("while the library was loading");
    const std::shared_ptr<const EffectSource> library = openChosenEffect(options.plugin, options.pluginChoice);
    child.report.setStage("while being prepared");
    {
        // Refused before any figure is printed: an instrument has no input.
        const ChannelLayout layout = library->planLayout(2);
        if (!layout.usable()) {
            throw HostError("cannot analyse " + options.plugin.string() + ": " + layout.refusal);
        }
    }
    child.report.setStage("while measuring");
    blockCounter = &child.report.block;
    std::vector<int> factors{1};
    if (options.oversample > 1) factors.push_back(options.oversample);
    // A setting typed as a text shows it, as the render's plot does.
    const std::string described = describeSettings(settingsOf(options), false);
    char subtitle[256];
    std::string svg;
    if (!options.sweep) {
        std::snprintf(subtitle, sizeof subtitle, "%g Hz sine at %.1f dBFS, %g Hz; settings: %s",
                      options.tone.frequency, options.tone.levelDbfs, options.sampleRate,
                      described.c_str());
        report << "Analysing " << options.plugin.filename().string() << ": " << subtitle << "\n";
        // Aliases fall on multiples of the largest common divisor of tone and
        // rate: all of them on harmonics when the tone divides the rate.
        const double periods = options.sampleRate / options.tone.frequency;
        if (std::fabs(periods - std::round(periods)) * options.tone.frequency < 0.5) {
            char note[200];
            std::snprintf(note, sizeof note,
                          "Note: %g Hz divides %g Hz, so every alias lands on a harmonic and is counted as one; "
                          "a tone such as %g Hz shows them apart\n",
                          options.tone.frequency, options.sampleRate, options.tone.frequency - 3.0);
            report << note;
        }
        std::vector<LabelledSpectrum> spectra;
        for (int factor : factors) {
            spectra.push_back({factorLabel(factor), measure(options, library, options.tone, factor)});
        }
        printSpectra(spectra, report);
        svg = spectrumSvg(spectra, "Spectrum of a tone through " + options.plugin.filename().string(), subtitle);
    } else {
        std::snprintf(subtitle, sizeof subtitle, "sine at %.1f dBFS, %g Hz; settings: %s", options.tone.levelDbfs,
                      options.sampleRate, described.c_str());
        report << "Aliasing sweep of " << options.plugin.filename().string() << ": " << subtitle << "\n";
        std::vector<SweepCurve> curves;
        for (int factor : factors) curves.push_back({factorLabel(factor), {}, {}});
        // Log-spaced from about 50 Hz (not a divisor of common rates) to 45 %
        // of the rate.
        const double lowest = 51.7;
        const double highest = 0.45 * options.sampleRate;
        char row[160];
        std::string heading = "  tone (Hz)";
        for (const SweepCurve& curve : curves) {
            std::snprintf(row, sizeof row, "%12s", (curve.label + " (dB)").c_str());
            heading += row;
        }
        report << heading << "\n";
        for (int point = 0; point < kSweepPoints; ++point) {
            ToneSettings tone = options.tone;
            // Not rounded: a tone that divides the rate would hide its aliases
            // on its harmonics.
            tone.frequency = lowest * std::pow(highest / lowest, point / (kSweepPoints - 1.0));
            std::snprintf(row, sizeof row, "%11.0f", tone.frequency);
            std::string line = row;
            for (std::size_t i = 0; i < factors.size(); ++i) {
                const double level = measure(options, library, tone, factors[i]).aliasingDb;
                curves[i].frequencies.push_back(tone.frequency);
                curves[i].aliasingDb.push_back(level);
                std::snprintf(row, sizeof row, "%12.2f", level);
                line += row;
            }
            report << line << "\n";
            report.flush();
        }
        svg = sweepSvg(curves, "Aliasing against tone frequency, " + options.plugin.filename().string(), subtitle);
    }
    report.flush();
    child.link.send(MessageKind::plot, svg);
}

}  // namespace

void runAnalysis(const AnalyzeOptions& options, std::ostream& report) {
    if (!(options.tone.frequency > 0.0) || options.tone.frequency >= options.sampleRate / 2.0) {
        throw HostError("the tone must lie between 0 Hz and half the sample rate");
    }
    checkWritableDestination(options.output, "output");
    scanPlugin(options.plugin, options.scanTimeout);
    report.flush();
    const std::string name =
        options.plugin.string() + (options.pluginChoice.empty() ? "" : " (" + options.pluginChoice + ")");
    PluginProcess worker(name, [&](PluginProcess::Child& child) { analyseInChild(options, child); });
    std::string svg;
    for (;;) {
        const Message message = worker.receive();
        if (message.kind == MessageKind::text) {
            report << message.bytes;
            report.flush();
        } else if (message.kind == MessageKind::plot) {
            svg = message.bytes;
        } else if (message.kind == MessageKind::done) {
            break;
        }
    }
    worker.finish();
    writeTextFileAtomically(options.output, svg);
    report << "Wrote " << options.output.string() << "\n";
}

}  // namespace ondulaxis::tool
