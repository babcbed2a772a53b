// The effect's own transfer curve is the render of the ramp through the
// effect at the same values, point for point.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "EffectTestSupport.h"
#include "TransferMeasurement.h"

namespace {

struct CurveCase {
    const char* name;
    std::vector<std::pair<int32_t, float>> changes;  // from the defaults
};

void PrintTo(const CurveCase& row, std::ostream* os) { *os << row.name; }

class TransferMeasurementTest : public ::testing::TestWithParam<CurveCase> {
protected:
    void TearDown() override { FakeHost::connect(true, true, true, true); }
};

// Rendered in odd blocks on whichever kernels the instance picks.
std::vector<float> renderRamp(const std::vector<float>& values) {
    FakeHost::connect(true, false, true, false);
    Ondulaxis effect(&FakeHost::callback);
    for (std::size_t index = 0; index < values.size(); ++index) {
        effect.setParameter(static_cast<int32_t>(index), values[index]);
    }
    effect.resume();
    const std::vector<float> ramp = transferRamp::signal();
    std::vector<float> output;
    for (std::size_t start = 0; start < ramp.size(); start += 97) {
        const std::vector<float> block(ramp.begin() + static_cast<std::ptrdiff_t>(start),
                                       ramp.begin() + static_cast<std::ptrdiff_t>(std::min(start + 97, ramp.size())));
        const std::vector<float> out = processMono(effect, block);
        output.insert(output.end(), out.begin(), out.end());
    }
    return output;
}

TEST_P(TransferMeasurementTest, PointsAreTheRenderedRamp) {
    std::vector<float> values;
    for (int32_t index = 0; index < paramCount; ++index) {
        values.push_back(ondulaxisParameterRecords[index].defaultValue);
    }
    for (const auto& [index, value] : GetParam().changes) values[static_cast<std::size_t>(index)] = value;

    const TransferCurve curve = transferMeasurement::curveOf(values);
    const std::vector<float> ramp = transferRamp::signal();
    const std::vector<float> rendered = renderRamp(values);
    ASSERT_EQ(curve.input.size(), static_cast<std::size_t>(transferRamp::curveFrames));
    ASSERT_EQ(curve.output.size(), curve.input.size());
    EXPECT_EQ(curve.input.front(), -1.0f);
    EXPECT_EQ(curve.input.back(), 1.0f);
    for (std::size_t i = 0; i < curve.input.size(); ++i) {
        const std::size_t frame = i + transferRamp::leadInFrames;
        ASSERT_EQ(bitsOf(curve.input[i]), bitsOf(ramp[frame])) << i;
        ASSERT_EQ(bitsOf(curve.output[i]), bitsOf(rendered[frame])) << "point " << i << " input " << ramp[frame];
    }
}

INSTANTIATE_TEST_SUITE_P(
    Settings, TransferMeasurementTest,
    ::testing::Values(CurveCase{"Defaults", {}},
                      CurveCase{"RaisedCosineAlone", {{ZeroX, 0.0f}, {FuncMix, 1.0f}}},
                      // The tracked value comes into the curve from the lead-in.
                      CurveCase{"SlewLimited", {{SlewLim, 0.05f}, {InGain, 0.4f}}},
                      CurveCase{"Folding", {{FreqMin, 0.8f}, {FreqDif, 0.9f}, {AmpMin, 0.3f}, {OutGain, 0.7f}}}),
    [](const ::testing::TestParamInfo<CurveCase>& info) { return std::string(info.param.name); });

}  // namespace
