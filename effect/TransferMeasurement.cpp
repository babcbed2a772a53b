#include "TransferMeasurement.h"

#include <algorithm>
#include <vector>

#include "EmbeddedEffectHost.h"

namespace {

constexpr double sampleRate = 48000.0;
constexpr int32_t blockSize = 512;

}  // namespace

// The kernel path of a fresh instance is chosen by the processor and the
// environment; the curve is the reference kernels'.
struct TransferMeasurementAccess {
    static void useReferenceKernels(Ondulaxis& effect) noexcept {
        effect.useKernelPath(Ondulaxis::KernelPath::reference);
    }
};

namespace transferMeasurement {

intptr_t host(AEffect*, int32_t opcode, int32_t index, intptr_t, void*, float) {
    return embeddedEffectHost::answer(opcode, index, 1, sampleRate);
}

TransferCurve measure(Ondulaxis& fresh, std::span<const float> values) {
    fresh.setSampleRate(static_cast<float>(sampleRate));
    fresh.setBlockSize(blockSize);
    for (std::size_t index = 0; index < values.size(); ++index) {
        fresh.setParameter(static_cast<int32_t>(index), values[index]);
    }
    TransferMeasurementAccess::useReferenceKernels(fresh);
    fresh.resume();
    std::vector<float> ramp = transferRamp::signal();
    std::vector<float> output(ramp.size());
    // The second pins are not connected; they get silence and a place to write.
    std::vector<float> silence(blockSize, 0.0f);
    std::vector<float> unheard(blockSize);
    for (std::size_t start = 0; start < ramp.size(); start += blockSize) {
        const auto frames = static_cast<int32_t>(std::min<std::size_t>(ramp.size() - start, blockSize));
        float* inputs[2] = {ramp.data() + start, silence.data()};
        float* outputs[2] = {output.data() + start, unheard.data()};
        fresh.processReplacing(inputs, outputs, frames);
    }
    fresh.suspend();
    return transferRamp::curveOf(ramp, output);
}

}  // namespace transferMeasurement
