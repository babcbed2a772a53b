// Ondulaxis HQ's transfer curve, measured through the effect's base as the
// plain effect's is, is the render of the ramp through an HQ instance.
#include <algorithm>
#include <bit>
#include <vector>

#include <gtest/gtest.h>

#include "HQParameters.h"
#include "OndulaxisHQ.h"
#include "TransferMeasurement.h"

namespace {

class HQTransferCurveTest : public testing::TestWithParam<float> {};

TEST_P(HQTransferCurveTest, PointsAreTheRenderedRamp) {
    std::vector<float> values;
    for (int32_t index = 0; index < ondulaxisHQParameters.count(); ++index) {
        values.push_back(ondulaxisHQParameters.find(index)->defaultValue);
    }
    values[OndulaxisHQ::oversampleIndex] = GetParam();
    const TransferCurve curve = transferMeasurement::curveOf<OndulaxisHQ>(values);

    // In odd blocks, on whichever kernels the instance picks.
    OndulaxisHQ effect(&transferMeasurement::host);
    for (std::size_t index = 0; index < values.size(); ++index) {
        effect.setParameter(static_cast<int32_t>(index), values[index]);
    }
    effect.resume();
    std::vector<float> ramp = transferRamp::signal();
    std::vector<float> rendered(ramp.size());
    std::vector<float> silence(301, 0.0f);
    std::vector<float> unheard(301);
    for (std::size_t start = 0; start < ramp.size(); start += 301) {
        float* inputs[2] = {ramp.data() + start, silence.data()};
        float* outputs[2] = {rendered.data() + start, unheard.data()};
        effect.processReplacing(inputs, outputs, static_cast<int32_t>(std::min<std::size_t>(301, ramp.size() - start)));
    }
    ASSERT_EQ(curve.output.size(), static_cast<std::size_t>(transferRamp::curveFrames));
    for (std::size_t i = 0; i < curve.output.size(); ++i) {
        const std::size_t frame = i + transferRamp::leadInFrames;
        ASSERT_EQ(std::bit_cast<uint32_t>(curve.output[i]), std::bit_cast<uint32_t>(rendered[frame])) << i;
    }
}

// 1x and the default 4x.
INSTANTIATE_TEST_SUITE_P(Factors, HQTransferCurveTest, testing::Values(0.0f, OndulaxisHQ::defaultOversample));

}  // namespace
