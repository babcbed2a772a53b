// The analysis and the oversampled chain against plug-ins whose output is
// known: a pass-through, a polynomial shaper, and the effect itself.
#include "Oversampler.h"
#include "PluginTestSupport.h"
#include "SpectrumAnalysis.h"

#include <cmath>
#include <numbers>

namespace ondulaxis::host::test {
using namespace ondulaxis::tool;
namespace {

std::shared_ptr<const PluginLibrary> shaper(const std::string& kind) {
    return std::make_shared<const PluginLibrary>(std::filesystem::path(SHAPER_FOLDER) / ("Shaper" + kind + ".so"));
}

Spectrum analyse(std::shared_ptr<const PluginLibrary> library, double frequency, int factor,
                 std::vector<ParameterSetting> parameters = {}) {
    SessionSettings settings;
    settings.parameters = std::move(parameters);
    const ToneSettings tone{frequency, 20.0 * std::log10(0.5)};
    const auto source = std::make_shared<const PluginLibrarySource>(std::move(library));
    return analyseTone(renderTone(source, settings, tone, factor), settings.sampleRate, frequency);
}

class KnownSpectrumTest : public ::testing::TestWithParam<int> {};

TEST_P(KnownSpectrumTest, PassThroughHasNoHarmonicsAndNoAliases) {
    const Spectrum spectrum = analyse(shaper("PassThrough"), 997.0, GetParam());
    EXPECT_NEAR(spectrum.fundamentalDbfs, 20.0 * std::log10(0.5), 0.01);
    // Float samples and, when oversampling, the resamplers set the floor.
    EXPECT_LT(spectrum.thdDb, -120.0);
    EXPECT_LT(spectrum.aliasingDb, -110.0);
    for (const Harmonic& harmonic : spectrum.harmonics) EXPECT_LT(harmonic.dbfs, -130.0) << harmonic.order;
}

TEST_P(KnownSpectrumTest, PolynomialShaperGivesItsHarmonicLevels) {
    // x = A·sin: x²/2 adds A²/4 at 2f, x³/4 adds A³/16 at 3f and 3A³/16 at f.
    const double a = 0.5;
    const Spectrum spectrum = analyse(shaper("Polynomial"), 997.0, GetParam());
    EXPECT_NEAR(spectrum.fundamentalDbfs, 20.0 * std::log10(a + 3.0 * a * a * a / 16.0), 0.01);
    ASSERT_GE(spectrum.harmonics.size(), 3u);
    EXPECT_NEAR(spectrum.harmonics[0].dbfs, 20.0 * std::log10(a * a / 4.0), 0.01);
    EXPECT_NEAR(spectrum.harmonics[1].dbfs, 20.0 * std::log10(a * a * a / 16.0), 0.01);
    EXPECT_LT(spectrum.harmonics[2].dbfs, -120.0);
    const double thd = std::hypot(a * a / 4.0, a * a * a / 16.0) / (a + 3.0 * a * a * a / 16.0);
    EXPECT_NEAR(spectrum.thdDb, 20.0 * std::log10(thd), 0.01);
    EXPECT_NEAR(spectrum.thdPlusNoiseDb, spectrum.thdDb, 0.01);
}

INSTANTIATE_TEST_SUITE_P(Factors, KnownSpectrumTest, ::testing::Values(1, 4),
                         [](const ::testing::TestParamInfo<int>& info) { return std::to_string(info.param) + "x"; });

TEST(EffectAliasingTest, EightTimesOversamplingRemovesFortyDecibels) {
    // A 5 kHz tone at -6 dBFS through the default settings.
    const double once = analyse(builtPlugin(), 5000.0, 1).aliasingDb;
    const double eight = analyse(builtPlugin(), 5000.0, 8).aliasingDb;
    EXPECT_NEAR(once, -17.0, 1.5);
    EXPECT_LT(eight, once - 40.0);
}

class OversampledChainTest : public ::testing::TestWithParam<int> {};

TEST_P(OversampledChainTest, OutputIsAlignedWithTheInputAndAsLong) {
    const int factor = GetParam();
    SessionSettings settings;
    settings.channels = 2;
    settings.blockSize = 300;
    OversampledSession chain(std::make_shared<const PluginLibrarySource>(shaper("PassThrough")), settings, factor);
    // The plug-in is told the higher rate and block size.
    PluginInstance& instance = dynamic_cast<LayoutSession&>(chain.session()).instance();
    EXPECT_EQ(instance.record().uniqueID, 48000 * factor);
    EXPECT_EQ(instance.record().version, 300 * factor);

    // Two tones well inside the pass band, different per channel, fed in
    // uneven pieces; a sine in one channel and its cosine in the other
    // would show a shift as a phase error.
    const std::size_t frames = 20011;
    std::vector<float> input(2 * frames);
    for (std::size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / 48000.0;
        input[2 * i] = static_cast<float>(0.4 * std::sin(2 * std::numbers::pi * 440.0 * t) +
                                          0.3 * std::sin(2 * std::numbers::pi * 7000.0 * t));
        input[2 * i + 1] = static_cast<float>(0.5 * std::cos(2 * std::numbers::pi * 3100.0 * t));
    }
    std::vector<float> output;
    for (std::size_t done = 0; done < frames;) {
        const std::size_t count = std::min<std::size_t>(frames - done, 1 + (done * 7919) % 997);
        chain.process(input.data() + 2 * done, static_cast<int64_t>(count), output);
        done += count;
    }
    chain.finish(output);
    ASSERT_EQ(output.size(), input.size());
    // Away from the ends, where the tones start and stop abruptly.
    double error = 0.0;
    for (std::size_t i = 2 * 2000; i < 2 * (frames - 2000); ++i) error = std::max(error, std::fabs(static_cast<double>(output[i] - input[i])));
    EXPECT_LT(error, 1e-3);
}

INSTANTIATE_TEST_SUITE_P(Factors, OversampledChainTest, ::testing::Values(2, 4, 8, 16),
                         [](const ::testing::TestParamInfo<int>& info) { return std::to_string(info.param) + "x"; });

}  // namespace
}  // namespace ondulaxis::host::test
