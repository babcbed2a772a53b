#include "SpectrumPlot.h"

#include "SvgDrawing.h"

#include <algorithm>
#include <cmath>

namespace ondulaxis::tool {

namespace {

using namespace svg;

constexpr double kWidth = 960;
constexpr double kHeight = 540;
constexpr double kFloorDb = -180.0;

// Pale and full colours for the partials the tone explains and the rest.
struct Colours {
    const char* harmonic;
    const char* other;
};
constexpr Colours kPale{"#9ecae1", "#fdbe85"};
constexpr Colours kFull{"#08519c", "#d94801"};

std::string header(const std::string& title, const std::string& subtitle) {
    return page(kWidth, kHeight, title, subtitle);
}

std::string hertz(double frequency) {
    char label[32];
    if (frequency >= 1000.0) {
        std::snprintf(label, sizeof label, "%gk", frequency / 1000.0);
    } else {
        std::snprintf(label, sizeof label, "%g", frequency);
    }
    return label;
}

// Frame, grid and labels of a panel whose x axis is log10 of frequency.
std::string logFrequencyAxes(const Panel& panel, double yStep, const std::string& xLabel, const std::string& yLabel) {
    std::string svg;
    for (double decade = std::pow(10.0, std::floor(panel.xMin)); decade <= std::pow(10.0, panel.xMax); decade *= 10) {
        for (int multiple : {1, 2, 5}) {
            const double frequency = decade * multiple;
            const double at = std::log10(frequency);
            if (at < panel.xMin || at > panel.xMax) continue;
            svg += xTick(panel, at, hertz(frequency));
        }
    }
    for (double level = std::ceil(panel.yMin / yStep) * yStep; level <= panel.yMax; level += yStep) {
        svg += yTick(panel, level, std::to_string(static_cast<int>(level)));
    }
    svg += frame(panel, xLabel, yLabel, 48);
    return svg;
}

std::string path(const std::string& data, const char* colour, double width) {
    if (data.empty()) return "";
    return "<path d=\"" + data + "\" fill=\"none\" stroke=\"" + colour + "\" stroke-width=\"" + number(width) +
           "\"/>\n";
}

// One pixel column covers many bins at high frequencies and a fraction of
// one at low ones: each column draws the loudest bin in it that is not part
// of the tone, its harmonics or DC, and the line breaks over columns that
// hold none (those are drawn as stems).
std::string otherTrace(const Panel& panel, const Spectrum& spectrum, const char* colour, double width) {
    std::string data;
    bool open = false;
    const std::size_t bins = spectrum.binDbfs.size();
    const int columns = static_cast<int>(panel.width);
    for (int column = 0; column < columns; ++column) {
        const double low = std::pow(10.0, panel.xMin + (panel.xMax - panel.xMin) * column / columns);
        const double high = std::pow(10.0, panel.xMin + (panel.xMax - panel.xMin) * (column + 1) / columns);
        std::size_t from = static_cast<std::size_t>(std::ceil(low / spectrum.binWidth));
        std::size_t to = static_cast<std::size_t>(std::floor(high / spectrum.binWidth));
        if (from > to) from = to = static_cast<std::size_t>(std::lround(0.5 * (low + high) / spectrum.binWidth));
        if (from >= bins) break;
        to = std::min(to, bins - 1);
        double loudest = -HUGE_VAL;
        for (std::size_t k = from; k <= to; ++k) {
            if (spectrum.binKinds[k] == BinKind::Other) loudest = std::max(loudest, spectrum.binDbfs[k]);
        }
        if (loudest == -HUGE_VAL) {
            open = false;
            continue;
        }
        data += (open ? " L" : " M") + number(panel.left + column + 0.5) + "," + number(panel.y(loudest));
        open = true;
    }
    return path(data, colour, width);
}

// The tone and each audible harmonic as a stem up to its level, harmonics
// circled and numbered.
std::string harmonicStems(const Panel& panel, const Spectrum& spectrum, const char* colour, double width) {
    std::string svg;
    const auto stem = [&](double frequency, double level) {
        const double x = panel.x(std::log10(frequency));
        return "<line x1=\"" + number(x) + "\" y1=\"" + number(panel.y(panel.yMin)) + "\" x2=\"" + number(x) +
               "\" y2=\"" + number(panel.y(level)) + "\" stroke=\"" + colour + "\" stroke-width=\"" + number(width) +
               "\"/>\n";
    };
    svg += stem(spectrum.toneFrequency, spectrum.fundamentalDbfs);
    double lastLabelX = -1e9;
    for (const Harmonic& harmonic : spectrum.harmonics) {
        if (harmonic.dbfs < panel.yMin + 10) continue;
        const double x = panel.x(std::log10(harmonic.frequency));
        const double y = panel.y(harmonic.dbfs);
        svg += stem(harmonic.frequency, harmonic.dbfs);
        svg += "<circle cx=\"" + number(x) + "\" cy=\"" + number(y) + "\" r=\"3\" fill=\"none\" stroke=\"" + colour +
               "\"/>\n";
        if (x - lastLabelX > 16) {
            svg += text(x, y - 7, std::to_string(harmonic.order), "middle", " font-size=\"10\"");
            lastLabelX = x;
        }
    }
    return svg;
}

std::string legendEntry(double x, double y, const char* colour, const std::string& label) {
    return "<line x1=\"" + number(x) + "\" y1=\"" + number(y - 4) + "\" x2=\"" + number(x + 24) + "\" y2=\"" +
           number(y - 4) + "\" stroke=\"" + colour + "\" stroke-width=\"2\"/>\n" + text(x + 30, y, label, "start");
}

}  // namespace

std::string spectrumSvg(const std::vector<LabelledSpectrum>& spectra, const std::string& title,
                        const std::string& subtitle) {
    const Spectrum& last = spectra.back().spectrum;
    const double lowest = std::min(20.0, last.toneFrequency / 2.0);
    const Panel panel{90, 70, 840, 380, std::log10(lowest), std::log10(last.sampleRate / 2.0), kFloorDb, 10.0};
    std::string svg = header(title, subtitle);
    svg += logFrequencyAxes(panel, 20.0, "frequency (Hz)", "level (dBFS, a sine's peak)");
    double legendY = kHeight - 40;
    for (std::size_t i = 0; i < spectra.size(); ++i) {
        const bool front = i + 1 == spectra.size();
        const Colours& colours = front ? kFull : kPale;
        const Spectrum& spectrum = spectra[i].spectrum;
        svg += otherTrace(panel, spectrum, colours.other, front ? 1.2 : 1.0);
        svg += harmonicStems(panel, spectrum, colours.harmonic, front ? 1.5 : 5.0);
        char figures[160];
        std::snprintf(figures, sizeof figures, "%s: THD %.1f dB, THD+N %.1f dB, aliasing %.1f dB", spectra[i].label.c_str(),
                      spectrum.thdDb, spectrum.thdPlusNoiseDb, spectrum.aliasingDb);
        svg += legendEntry(90, legendY, colours.harmonic, spectra[i].label + " tone and harmonics (circled)");
        svg += legendEntry(400, legendY, colours.other, spectra[i].label + " aliases and noise");
        svg += text(600, legendY, figures, "start");
        legendY += 20;
    }
    svg += "</svg>\n";
    return svg;
}

std::string sweepSvg(const std::vector<SweepCurve>& curves, const std::string& title, const std::string& subtitle) {
    double lowest = 20.0;
    double highest = 20000.0;
    double floor = -40.0;
    for (const SweepCurve& curve : curves) {
        for (double frequency : curve.frequencies) {
            lowest = std::min(lowest, frequency);
            highest = std::max(highest, frequency);
        }
        for (double level : curve.aliasingDb) floor = std::min(floor, std::floor(level / 20.0) * 20.0);
    }
    const Panel panel{90, 70, 840, 380, std::log10(lowest), std::log10(highest), std::max(floor, kFloorDb), 0.0};
    std::string svg = header(title, subtitle);
    svg += logFrequencyAxes(panel, 20.0, "tone frequency (Hz)", "aliasing level (dB against the tone)");
    const char* colours[] = {"#fdbe85", "#d94801", "#08519c", "#31a354", "#756bb1"};
    double legendX = 90;
    for (std::size_t i = 0; i < curves.size(); ++i) {
        const char* colour = colours[i % std::size(colours)];
        const SweepCurve& curve = curves[i];
        std::string data;
        for (std::size_t p = 0; p < curve.frequencies.size(); ++p) {
            const double x = panel.x(std::log10(curve.frequencies[p]));
            const double y = panel.y(curve.aliasingDb[p]);
            data += (p == 0 ? "M" : " L") + number(x) + "," + number(y);
            svg += "<circle cx=\"" + number(x) + "\" cy=\"" + number(y) + "\" r=\"2.5\" fill=\"" + colour + "\"/>\n";
        }
        svg += path(data, colour, 1.5);
        svg += legendEntry(legendX, kHeight - 40, colour, curve.label);
        legendX += 120;
    }
    svg += "</svg>\n";
    return svg;
}

}  // namespace ondulaxis::tool
