#include "TransferPlot.h"

#include "SvgDrawing.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace ondulaxis::tool {

namespace {

using namespace svg;

constexpr float kTriggerLevel = 0.05f;  // about -26 dBFS
constexpr double kExcerptSeconds = 0.025;

std::string axes(const Panel& panel, const std::vector<double>& xTicks, const std::vector<double>& yTicks,
                 const std::string& xLabel, const std::string& yLabel) {
    std::string svg;
    for (double tick : xTicks) svg += xTick(panel, tick, number(tick));
    for (double tick : yTicks) svg += yTick(panel, tick, number(tick));
    svg += frame(panel, xLabel, yLabel, 44);
    return svg;
}

// One pixel column of the transfer panel each.
std::string transferPath(const Panel& panel, const TransferCurve& curve) {
    const std::vector<TransferColumn> columns = transferColumns(curve, static_cast<int>(panel.width));
    std::string path;
    double previous = 0.0;
    for (std::size_t column = 0; column < columns.size(); ++column) {
        if (columns[column].low > columns[column].high) continue;
        const double x = panel.left + static_cast<double>(column) + 0.5;
        const TransferStroke stroke = strokeThrough(columns[column], previous);
        path += (path.empty() ? "M" : " L") + number(x) + "," + number(panel.y(stroke.first));
        if (stroke.second != stroke.first) path += " L" + number(x) + "," + number(panel.y(stroke.second));
        previous = stroke.second;
    }
    return "<path d=\"" + path + "\" class=\"curve\"/>\n";
}

std::string waveformPath(const Panel& panel, const std::vector<float>& samples, double sampleRate,
                         const char* style) {
    std::string path;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const double value = std::isfinite(samples[i]) ? samples[i] : 0.0;
        path += (i == 0 ? "M" : " L") + number(panel.x(1000.0 * static_cast<double>(i) / sampleRate)) + "," +
                number(panel.y(value));
    }
    return "<path d=\"" + path + "\" class=\"" + style + "\"/>\n";
}

}  // namespace

TransferCurve measureTransferCurve(const EffectSource& source, SessionSettings settings) {
    settings.channels = 1;
    settings.accumulate = false;
    settings.blockCounter = nullptr;
    const std::unique_ptr<RenderedEffect> effect = source.open(settings);
    RenderedEffect& session = *effect;
    const std::vector<float> ramp = transferRamp::signal();
    std::vector<float> output(ramp.size());
    for (std::size_t start = 0; start < ramp.size(); start += static_cast<std::size_t>(settings.blockSize)) {
        const std::size_t frames = std::min(ramp.size() - start, static_cast<std::size_t>(settings.blockSize));
        session.processBlock(ramp.data() + start, output.data() + start, static_cast<int32_t>(frames));
    }
    session.finish();
    return transferRamp::curveOf(ramp, output);
}

ExcerptRecorder::ExcerptRecorder(double sampleRate, int channels)
    : sampleRate_(sampleRate),
      channels_(channels),
      length_(std::max<std::size_t>(16, static_cast<std::size_t>(std::lround(sampleRate * kExcerptSeconds)))),
      leadIn_(length_ / 5) {
    head_.sampleRate = captured_.sampleRate = sampleRate;
}

void ExcerptRecorder::feed(const float* input, const float* output, int64_t frames) {
    for (int64_t frame = 0; frame < frames; ++frame) {
        const std::size_t at = static_cast<std::size_t>(frame * channels_);
        keep(input[at], output[at]);
    }
}

void ExcerptRecorder::keep(float input, float output) {
    if (head_.input.size() < length_) {
        head_.input.push_back(input);
        head_.output.push_back(output);
    }
    if (!triggered_) {
        if (std::abs(input) >= kTriggerLevel) {
            triggered_ = true;
            capturedStart_ = position_ - static_cast<int64_t>(recent_.size());
            for (const auto& [in, out] : recent_) {
                captured_.input.push_back(in);
                captured_.output.push_back(out);
            }
            recent_.clear();
        } else {
            recent_.emplace_back(input, output);
            if (recent_.size() > leadIn_) recent_.pop_front();
        }
    }
    if (triggered_ && captured_.input.size() < length_) {
        captured_.input.push_back(input);
        captured_.output.push_back(output);
    }
    ++position_;
}

WaveformExcerpt ExcerptRecorder::excerpt() const {
    if (!triggered_) return head_;
    WaveformExcerpt result = captured_;
    result.startFrame = capturedStart_;
    return result;
}

std::string transferPlotSvg(const TransferCurve& curve, const WaveformExcerpt& excerpt, const std::string& title,
                            const std::string& subtitle) {
    const double width = 960;
    const double height = 470;
    const Panel transfer{90, 80, 320, 320, -1.0, 1.0, -1.0, 1.0};
    const double excerptMs = excerpt.input.empty()
                                 ? 1.0
                                 : 1000.0 * static_cast<double>(excerpt.input.size() - 1) / excerpt.sampleRate;
    const Panel wave{530, 80, 400, 320, 0.0, std::max(excerptMs, 1e-3), -1.0, 1.0};

    std::string svg;
    svg += page(width, height, title, subtitle,
                " .curve { fill: none; stroke: #c0392b; stroke-width: 1.5; }\n"
                " .dry { fill: none; stroke: #2c7fb8; stroke-width: 1.2; }\n"
                " .wet { fill: none; stroke: #d95f02; stroke-width: 1.2; }\n");

    const std::vector<double> unitTicks{-1.0, -0.5, 0.0, 0.5, 1.0};
    svg += text(transfer.left + transfer.width / 2, transfer.top - 10, "Transfer curve (slow ramp)");
    svg += axes(transfer, unitTicks, unitTicks, "input", "output");
    svg += line(transfer.x(-1), transfer.y(-1), transfer.x(1), transfer.y(1), "grid");
    svg += transferPath(transfer, curve);

    std::vector<double> timeTicks;
    const double step = excerptMs > 20 ? 5.0 : excerptMs > 8 ? 2.0 : excerptMs > 4 ? 1.0 : excerptMs / 4;
    for (double tick = 0.0; tick <= excerptMs + 1e-9; tick += step) timeTicks.push_back(tick);
    char heading[96];
    std::snprintf(heading, sizeof heading, "Waveforms from %.3f s, first channel",
                  static_cast<double>(excerpt.startFrame) / excerpt.sampleRate);
    svg += text(wave.left + wave.width / 2, wave.top - 10, heading);
    svg += axes(wave, timeTicks, unitTicks, "time (ms)", "amplitude");
    svg += waveformPath(wave, excerpt.input, excerpt.sampleRate, "dry");
    svg += waveformPath(wave, excerpt.output, excerpt.sampleRate, "wet");

    const double legendY = height - 22;
    svg += line(wave.left, legendY - 4, wave.left + 24, legendY - 4, "dry");
    svg += text(wave.left + 30, legendY, "input", "start");
    svg += line(wave.left + 90, legendY - 4, wave.left + 114, legendY - 4, "wet");
    svg += text(wave.left + 120, legendY, "output", "start");
    svg += "</svg>\n";
    return svg;
}

}  // namespace ondulaxis::tool
