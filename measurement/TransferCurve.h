// The transfer curve, output against input, as a slow ramp measures it: the
// ramp, the curve a render of it gives, and the curve cut into a drawing's
// columns. The command's plot measures any plug-in so, and the effect its
// own instances, so both draw the same curve. Standard library only.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

struct TransferCurve {
    std::vector<float> input;  // rising from -1 to +1
    std::vector<float> output;
};

namespace transferRamp {

// The curve's points, -1 to +1, come after a lead-in from 0 to -1 so that a
// slew-limited instance has caught up.
inline constexpr int32_t curveFrames = 65536;
inline constexpr int32_t leadInFrames = curveFrames / 2;
inline constexpr int32_t frames = leadInFrames + curveFrames;

// The ramp, lead-in first: what an instance is fed, frames samples.
inline std::vector<float> signal() {
    std::vector<float> ramp(static_cast<std::size_t>(frames));
    for (int32_t i = 0; i < leadInFrames; ++i) {
        ramp[static_cast<std::size_t>(i)] = -static_cast<float>(i) / leadInFrames;
    }
    for (int32_t i = 0; i < curveFrames; ++i) {
        ramp[static_cast<std::size_t>(leadInFrames + i)] = -1.0f + 2.0f * static_cast<float>(i) / (curveFrames - 1);
    }
    return ramp;
}

// The curve from the ramp and its render, the lead-in left out.
inline TransferCurve curveOf(const std::vector<float>& ramp, const std::vector<float>& output) {
    TransferCurve curve;
    curve.input.assign(ramp.begin() + leadInFrames, ramp.end());
    curve.output.assign(output.begin() + leadInFrames, output.end());
    return curve;
}

}  // namespace transferRamp

// One column of a drawing of the curve: the lowest and highest finite output
// of the points whose input falls in it. Empty: low above high.
struct TransferColumn {
    float low = std::numeric_limits<float>::infinity();
    float high = -std::numeric_limits<float>::infinity();
};

// Many points share a column: a path through each column's lowest and
// highest output keeps folds visible. Input -1 to +1 spans the columns.
inline std::vector<TransferColumn> transferColumns(const TransferCurve& curve, int columns) {
    std::vector<TransferColumn> spans(static_cast<std::size_t>(columns));
    for (std::size_t i = 0; i < curve.input.size(); ++i) {
        const float out = curve.output[i];
        if (!std::isfinite(out)) continue;
        const int column = std::clamp(static_cast<int>((curve.input[i] + 1.0f) / 2.0f * static_cast<float>(columns)),
                                      0, columns - 1);
        TransferColumn& span = spans[static_cast<std::size_t>(column)];
        span.low = std::min(span.low, out);
        span.high = std::max(span.high, out);
    }
    return spans;
}

// A column's span in the order a path runs through it: entered at the end
// nearer to where the last column left off (`previous`), so a smooth curve
// stays smooth and a fold fills its column.
struct TransferStroke {
    float first;
    float second;
};
inline TransferStroke strokeThrough(const TransferColumn& span, double previous) {
    const bool upward = std::abs(previous - span.low) <= std::abs(previous - span.high);
    return upward ? TransferStroke{span.low, span.high} : TransferStroke{span.high, span.low};
}
