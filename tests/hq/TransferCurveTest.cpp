// A plug-in's own transfer curve is the render of the ramp through an
// instance at the same values, point for point, for the effect and for HQ
// through the effect's base.
#include <algorithm>
#include <bit>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "HQParameters.h"
#include "OndulaxisHQ.h"
#include "TransferMeasurement.h"

namespace {

struct CurveCase {
    const char* name;
    bool hq;
    std::vector<std::pair<int32_t, float>> changes;  // from the defaults
};

void PrintTo(const CurveCase& row, std::ostream* os) { *os << row.name; }

class TransferCurveTest : public testing::TestWithParam<CurveCase> {};

TEST_P(TransferCurveTest, PointsAreTheRenderedRamp) {
    const CurveCase& row = GetParam();
    const ParameterTable& table = row.hq ? ondulaxisHQParameters : ondulaxisParameters;
    std::vector<float> values;
    for (int32_t index = 0; index < table.count(); ++index) values.push_back(table.find(index)->defaultValue);
    for (const auto& [index, value] : row.changes) values[static_cast<std::size_t>(index)] = value;
    const TransferCurve curve = row.hq ? transferMeasurement::curveOf<OndulaxisHQ>(values)
                                       : transferMeasurement::curveOf<Ondulaxis>(values);

    // In odd blocks, on whichever kernels the instance picks.
    const std::unique_ptr<Ondulaxis> effect = row.hq ? std::make_unique<OndulaxisHQ>(&transferMeasurement::host)
                                                     : std::make_unique<Ondulaxis>(&transferMeasurement::host);
    for (std::size_t index = 0; index < values.size(); ++index) {
        effect->setParameter(static_cast<int32_t>(index), values[index]);
    }
    effect->resume();
    std::vector<float> ramp = transferRamp::signal(), rendered(ramp.size()), silence(301, 0.0f), unheard(301);
    for (std::size_t start = 0; start < ramp.size(); start += 301) {
        float* inputs[2] = {ramp.data() + start, silence.data()};
        float* outputs[2] = {rendered.data() + start, unheard.data()};
        const auto frames = static_cast<int32_t>(std::min<std::size_t>(301, ramp.size() - start));
        effect->processReplacing(inputs, outputs, frames);
    }
    ASSERT_EQ(curve.input.size(), static_cast<std::size_t>(transferRamp::curveFrames));
    EXPECT_EQ(curve.input.front(), -1.0f);
    EXPECT_EQ(curve.input.back(), 1.0f);
    for (std::size_t i = 0; i < curve.output.size(); ++i) {
        const std::size_t frame = i + transferRamp::leadInFrames;
        ASSERT_EQ(std::bit_cast<uint32_t>(curve.input[i]), std::bit_cast<uint32_t>(ramp[frame])) << i;
        ASSERT_EQ(std::bit_cast<uint32_t>(curve.output[i]), std::bit_cast<uint32_t>(rendered[frame])) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Settings, TransferCurveTest,
    testing::Values(CurveCase{"Defaults", false, {}},
                    CurveCase{"RaisedCosineAlone", false, {{ZeroX, 0.0f}, {FuncMix, 1.0f}}},
                    // The tracked value comes into the curve from the lead-in.
                    CurveCase{"SlewLimited", false, {{SlewLim, 0.05f}, {InGain, 0.4f}}},
                    CurveCase{"Folding", false, {{FreqMin, 0.8f}, {FreqDif, 0.9f}, {AmpMin, 0.3f}, {OutGain, 0.7f}}},
                    CurveCase{"HQDefaults", true, {}},
                    CurveCase{"HQOnce", true, {{OndulaxisHQ::oversampleIndex, 0.0f}, {InGain, 0.4f}}}),
    [](const testing::TestParamInfo<CurveCase>& info) { return std::string(info.param.name); });

}  // namespace
