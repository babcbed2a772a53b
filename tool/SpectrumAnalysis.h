// Harmonic and aliasing analysis of a plug-in driven by a sine tone.
#pragma once

#include "EffectSession.h"
#include "RenderedEffect.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace ondulaxis::tool {

// The command is built on the host library and names its types unqualified.
using namespace ondulaxis::host;

struct ToneSettings {
    double frequency = 1000.0;
    double levelDbfs = -6.0;  // peak level of the sine
};

// Other: neither the tone, a harmonic nor DC (Direct): aliases and noise.
enum class BinKind : uint8_t { Other, Fundamental, Harmonic, Direct };

struct Harmonic {
    int order;
    double frequency;
    double dbfs;  // peak level of the partial, -inf when absent
};

struct Spectrum {
    double sampleRate = 48000.0;
    double toneFrequency = 1000.0;
    double binWidth = 0.0;                 // Hz
    std::vector<double> binDbfs;           // 0 Hz to half the rate: a sine's peak level at its bin
    std::vector<BinKind> binKinds;         // which partial each bin belongs to
    double fundamentalDbfs = 0.0;
    std::vector<Harmonic> harmonics;       // orders 2 upwards, below half the rate
    double thdDb = 0.0;                    // harmonics against the fundamental
    double thdPlusNoiseDb = 0.0;           // everything but the fundamental and DC against it
    double aliasingDb = 0.0;               // everything but harmonics and DC against the fundamental
};

// Samples of one channel long enough for the analysis.
constexpr std::size_t kAnalysisLength = 1 << 16;

// Windowed FFT of the last kAnalysisLength samples, sorted into the tone,
// its harmonics and everything else.
Spectrum analyseTone(const std::vector<float>& samples, double sampleRate, double toneFrequency);

// A mono session of the plug-in (at `factor` times settings.sampleRate)
// fed the tone until it settles, then long enough for analyseTone.
std::vector<float> renderTone(std::shared_ptr<const EffectSource> source, const SessionSettings& settings,
                              const ToneSettings& tone, int factor);

// Fraction of the analysed power as a level: 10·log10, floored far below
// anything float audio holds so that silence prints as a number.
double powerDb(double ratio);

}  // namespace ondulaxis::tool
