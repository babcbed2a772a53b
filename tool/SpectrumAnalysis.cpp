#include "SpectrumAnalysis.h"

#include "HostError.h"
#include "Oversampler.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace ondulaxis::tool {

namespace {

// Seven-term Blackman-Harris window: side lobes below -180 dB, so the
// tone's own leakage stays under any alias worth measuring, at the cost of
// a main lobe eight bins wide on each side.
constexpr double kWindow[] = {0.27105140069342, 0.43329793923448, 0.21812299954311, 0.06592544638803,
                              0.01081174209837, 0.00077658482522, 0.00001388721735};
constexpr int kLobeBins = 10;
constexpr double kSettleSeconds = 0.25;
// Tone rendered past the analysed stretch, so that the resamplers' response
// to the tone's end stays out of it.
constexpr std::size_t kTailFrames = 8192;

std::vector<double> window(std::size_t length) {
    std::vector<double> values(length);
    for (std::size_t n = 0; n < length; ++n) {
        const double phase = 2.0 * std::numbers::pi * static_cast<double>(n) / static_cast<double>(length);
        double value = 0.0;
        for (std::size_t term = 0; term < std::size(kWindow); ++term) {
            value += (term % 2 == 0 ? 1.0 : -1.0) * kWindow[term] * std::cos(static_cast<double>(term) * phase);
        }
        values[n] = value;
    }
    return values;
}

// Owns FFTW's buffers and plan for one transform.
class RealTransform {
public:
    explicit RealTransform(std::size_t length)
        : length_(length),
          input_(fftw_alloc_real(length)),
          output_(fftw_alloc_complex(length / 2 + 1)),
          plan_(fftw_plan_dft_r2c_1d(static_cast<int>(length), input_, output_, FFTW_ESTIMATE)) {
        if (input_ == nullptr || output_ == nullptr || plan_ == nullptr) {
            release();
            throw HostError("cannot set up the FFT");
        }
    }
    ~RealTransform() { release(); }
    RealTransform(const RealTransform&) = delete;
    RealTransform& operator=(const RealTransform&) = delete;

    double* input() { return input_; }
    // |X_k|² for k from 0 to length/2.
    std::vector<double> powers() {
        fftw_execute(plan_);
        std::vector<double> result(length_ / 2 + 1);
        for (std::size_t k = 0; k < result.size(); ++k) {
            result[k] = output_[k][0] * output_[k][0] + output_[k][1] * output_[k][1];
        }
        return result;
    }

private:
    void release() {
        if (plan_ != nullptr) fftw_destroy_plan(plan_);
        if (input_ != nullptr) fftw_free(input_);
        if (output_ != nullptr) fftw_free(output_);
        plan_ = nullptr;
        input_ = nullptr;
        output_ = nullptr;
    }

    std::size_t length_;
    double* input_;
    fftw_complex* output_;
    fftw_plan plan_;
};

}  // namespace

double powerDb(double ratio) { return 10.0 * std::log10(std::max(ratio, 1e-30)); }

Spectrum analyseTone(const std::vector<float>& samples, double sampleRate, double toneFrequency) {
    if (samples.size() < kAnalysisLength) throw HostError("too few samples to analyse");
    const std::size_t length = kAnalysisLength;
    const std::vector<double> weights = window(length);
    double weightSum = 0.0;
    double weightPower = 0.0;
    for (double weight : weights) {
        weightSum += weight;
        weightPower += weight * weight;
    }
    RealTransform transform(length);
    const float* first = samples.data() + (samples.size() - length);
    for (std::size_t n = 0; n < length; ++n) transform.input()[n] = weights[n] * static_cast<double>(first[n]);
    const std::vector<double> powers = transform.powers();

    Spectrum spectrum;
    spectrum.sampleRate = sampleRate;
    spectrum.toneFrequency = toneFrequency;
    spectrum.binWidth = sampleRate / static_cast<double>(length);
    const std::size_t bins = powers.size();
    spectrum.binKinds.assign(bins, BinKind::Other);
    spectrum.binDbfs.resize(bins);
    for (std::size_t k = 0; k < bins; ++k) {
        // A sine centred on bin k reads its own peak level here.
        spectrum.binDbfs[k] = 20.0 * std::log10(std::max(2.0 * std::sqrt(powers[k]) / weightSum, 1e-15));
    }
    // Power in bins [from, to], marked with `kind` unless already marked.
    const auto lobe = [&](double frequency, BinKind kind) {
        const long centre = std::lround(frequency / spectrum.binWidth);
        const long from = std::max(0L, centre - kLobeBins);
        const long to = std::min(static_cast<long>(bins) - 1, centre + kLobeBins);
        double power = 0.0;
        for (long k = from; k <= to; ++k) {
            if (spectrum.binKinds[static_cast<std::size_t>(k)] != BinKind::Other) continue;
            spectrum.binKinds[static_cast<std::size_t>(k)] = kind;
            power += powers[static_cast<std::size_t>(k)];
        }
        return power;
    };
    // Sum over a lobe of |X|² is A²/4 · N · Σw² for a sine of peak A.
    const auto peakLevel = [&](double power) {
        return 20.0 * std::log10(std::max(2.0 * std::sqrt(power / (static_cast<double>(length) * weightPower)), 1e-15));
    };

    lobe(0.0, BinKind::Direct);
    const double fundamental = lobe(toneFrequency, BinKind::Fundamental);
    spectrum.fundamentalDbfs = peakLevel(fundamental);
    const double nyquist = sampleRate / 2.0;
    double harmonicPower = 0.0;
    for (int order = 2; order * toneFrequency < nyquist - kLobeBins * spectrum.binWidth; ++order) {
        const double power = lobe(order * toneFrequency, BinKind::Harmonic);
        harmonicPower += power;
        spectrum.harmonics.push_back({order, order * toneFrequency, peakLevel(power)});
    }
    double otherPower = 0.0;
    for (std::size_t k = 0; k < bins; ++k) {
        if (spectrum.binKinds[k] == BinKind::Other) otherPower += powers[k];
    }
    const double reference = std::max(fundamental, 1e-300);
    spectrum.thdDb = powerDb(harmonicPower / reference);
    spectrum.thdPlusNoiseDb = powerDb((harmonicPower + otherPower) / reference);
    spectrum.aliasingDb = powerDb(otherPower / reference);
    return spectrum;
}

std::vector<float> renderTone(std::shared_ptr<const EffectSource> source, const SessionSettings& settings,
                              const ToneSettings& tone, int factor) {
    SessionSettings mono = settings;
    mono.channels = 1;
    OversampledSession chain(std::move(source), mono, factor);
    const std::size_t settle = static_cast<std::size_t>(kSettleSeconds * settings.sampleRate);
    const std::size_t total = settle + kAnalysisLength + kTailFrames;
    const double amplitude = std::pow(10.0, tone.levelDbfs / 20.0);
    const double step = 2.0 * std::numbers::pi * tone.frequency / settings.sampleRate;
    std::vector<float> input(static_cast<std::size_t>(settings.blockSize));
    std::vector<float> output;
    output.reserve(total);
    for (std::size_t done = 0; done < total; done += input.size()) {
        const std::size_t count = std::min(input.size(), total - done);
        for (std::size_t n = 0; n < count; ++n) {
            input[n] = static_cast<float>(amplitude * std::sin(step * static_cast<double>(done + n)));
        }
        chain.process(input.data(), static_cast<int64_t>(count), output);
    }
    chain.finish(output);
    return std::vector<float>(output.begin() + static_cast<std::ptrdiff_t>(settle),
                              output.begin() + static_cast<std::ptrdiff_t>(settle + kAnalysisLength));
}

}  // namespace ondulaxis::tool
