#include "DemoPiece.h"

#include "HostError.h"
#include "PresetFile.h"
#include "Renderer.h"
#include "SoundFile.h"


#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <numbers>

namespace ondulaxis::tool {

namespace {

constexpr int kSampleRate = 48000;
constexpr double kTwoPi = 2.0 * std::numbers::pi;

// Short fades keep section edges free of clicks.
double edgeFade(double t, double length, double fade = 0.01) {
    return std::clamp(std::min(t, length - t) / fade, 0.0, 1.0);
}

// A plucked string: a noise burst circulating in a damped delay line.
void addPluck(std::vector<float>& out, int sampleRate, double startSeconds, double seconds, double frequency,
              double gain) {
    const std::size_t period = static_cast<std::size_t>(std::lround(sampleRate / frequency));
    std::vector<double> line(period);
    uint32_t seed = 12345;
    for (double& value : line) {
        seed = seed * 1664525u + 1013904223u;
        value = static_cast<double>(seed >> 8) / static_cast<double>(1u << 24) * 2.0 - 1.0;
    }
    // A softened burst: a soft pick rather than a scrape.
    for (int pass = 0; pass < 6; ++pass) {
        for (std::size_t i = 0; i < period; ++i) line[i] = 0.5 * (line[i] + line[(i + 1) % period]);
    }
    const double loudest = std::abs(*std::max_element(line.begin(), line.end(), [](double a, double b) {
        return std::abs(a) < std::abs(b);
    }));
    for (double& value : line) value /= loudest;
    const std::size_t first = static_cast<std::size_t>(startSeconds * sampleRate);
    const std::size_t length = static_cast<std::size_t>(seconds * sampleRate);
    for (std::size_t i = 0; i < length; ++i) {
        const std::size_t at = i % period;
        const double sample = line[at];
        line[at] = 0.996 * 0.5 * (sample + line[(at + 1) % period]);
        const double t = static_cast<double>(i) / sampleRate;
        const double value = gain * sample * edgeFade(t, seconds, 0.002);
        out[2 * (first + i)] += static_cast<float>(value * 0.9);
        out[2 * (first + i) + 1] += static_cast<float>(value * 0.7);
    }
}

// An exponential sweep, slow enough to hear the shape change with level.
void addSweep(std::vector<float>& out, int sampleRate, double startSeconds, double seconds, double from,
              double to, double gain) {
    const std::size_t first = static_cast<std::size_t>(startSeconds * sampleRate);
    const std::size_t length = static_cast<std::size_t>(seconds * sampleRate);
    const double ratio = std::log(to / from);
    for (std::size_t i = 0; i < length; ++i) {
        const double t = static_cast<double>(i) / sampleRate;
        const double phase = kTwoPi * from * seconds / ratio * (std::exp(t / seconds * ratio) - 1.0);
        const double level = gain * edgeFade(t, seconds) * (0.3 + 0.7 * t / seconds);
        out[2 * (first + i)] += static_cast<float>(level * std::sin(phase));
        out[2 * (first + i) + 1] += static_cast<float>(level * std::sin(phase + 0.3));
    }
}

// A minor triad with slightly detuned channels and a slow decay.
void addChord(std::vector<float>& out, int sampleRate, double startSeconds, double seconds, double gain) {
    constexpr double notes[] = {220.0, 261.63, 329.63};
    const std::size_t first = static_cast<std::size_t>(startSeconds * sampleRate);
    const std::size_t length = static_cast<std::size_t>(seconds * sampleRate);
    for (std::size_t i = 0; i < length; ++i) {
        const double t = static_cast<double>(i) / sampleRate;
        const double envelope = gain * edgeFade(t, seconds) * std::exp(-1.2 * t);
        double left = 0.0;
        double right = 0.0;
        for (double note : notes) {
            left += std::sin(kTwoPi * note * t);
            right += std::sin(kTwoPi * (note + 0.7) * t);
        }
        out[2 * (first + i)] += static_cast<float>(envelope * left / 3.0);
        out[2 * (first + i) + 1] += static_cast<float>(envelope * right / 3.0);
    }
}

void writeStereo(const std::filesystem::path& path, const std::vector<float>& samples, int sampleRate) {
    StagedSoundFile file(path, outputFormatFor(path, 0, 2, sampleRate), 2, sampleRate);
    file.write(samples.data(), static_cast<int64_t>(samples.size() / 2));
    file.commit();
}

}  // namespace

std::vector<DemoPreset> demoPresets() {
    std::vector<DemoPreset> presets;
    const std::filesystem::path folder = presetFolder();
    for (const char* name : {"warmth", "zerox-off", "fm-fold", "slow-slew"}) {
        const Preset preset = readPresetFile(folder / (std::string(name) + ".preset"));
        DemoPreset demo{name, preset.description, {}};
        for (const TypedSetting& setting : preset.settings) demo.parameters.push_back(setting.setting);
        presets.push_back(std::move(demo));
    }
    return presets;
}

std::vector<float> synthesiseDemoPiece(int sampleRate) {
    const double seconds = 6.0;
    std::vector<float> samples(2 * static_cast<std::size_t>(seconds * sampleRate), 0.0f);
    addPluck(samples, sampleRate, 0.0, 2.0, 196.0, 0.8);
    addSweep(samples, sampleRate, 2.0, 2.0, 60.0, 1200.0, 0.8);
    addChord(samples, sampleRate, 4.0, 2.0, 0.9);
    return samples;
}

void runDemo(const std::filesystem::path& folder, const std::filesystem::path& plugin, std::ostream& report) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (!std::filesystem::is_directory(folder)) {
        throw HostError("cannot create folder " + folder.string() + (error ? ": " + error.message() : ""));
    }
    const std::filesystem::path dry = folder / "dry.wav";
    writeStereo(dry, synthesiseDemoPiece(kSampleRate), kSampleRate);

    std::vector<std::vector<std::string>> rows{{"Preset", "Audio", "Plot", "Peak", "Settings"}};
    const std::vector<DemoPreset> presets = demoPresets();
    for (const DemoPreset& preset : presets) {
        RenderOptions options;
        options.input = dry;
        options.output = folder / (preset.name + ".wav");
        options.plot = folder / (preset.name + ".svg");
        options.plugin = plugin;
        options.parameters = preset.parameters;
        options.quiet = true;
        const RenderSummary summary = renderFile(options, report);
        char peak[16];
        std::snprintf(peak, sizeof peak, "%.3f", static_cast<double>(summary.peak));
        rows.push_back({preset.name, options.output.string(), options.plot.string(), peak,
                        describeSettings(preset.parameters, false) + "  (" + preset.description + ")"});
    }

    report << "Demo piece: " << dry.string() << " (6 s stereo, " << kSampleRate
           << " Hz: plucked tone, sine sweep, chord)\n\n";
    std::vector<std::size_t> widths(rows.front().size(), 0);
    for (const auto& row : rows) {
        for (std::size_t column = 0; column < row.size(); ++column) {
            widths[column] = std::max(widths[column], row[column].size());
        }
    }
    for (const auto& row : rows) {
        std::string line;
        for (std::size_t column = 0; column < row.size(); ++column) {
            line += row[column];
            if (column + 1 < row.size()) line.append(widths[column] - row[column].size() + 2, ' ');
        }
        report << line << "\n";
    }
}

}  // namespace ondulaxis::tool
