#include <cmath>
#include <cstring>
#include <mutex>

#include "LockProbe.h"
#include "Ondulaxis.h"
#include "ParameterCurves.h"

namespace {

struct Routing {
    uint32_t route[4];  // inA, inB, outA, outB
    int32_t baseEntry;  // kernel table entry without bypass
};

// Indexed by the connection mask 8*in1 + 4*in0 + 2*out1 + out0. An active
// instance has as many inputs as outputs, at least one (resume switches it
// off otherwise), so only masks 5, 6, 9, 10 and 15 are ever looked up; the
// rest hold the first mono route so that every entry is a valid one.
constexpr Routing routingByMask[16] = {
    {{0, 0, 0, 0}, 0}, {{0, 0, 0, 0}, 0}, {{0, 0, 0, 0}, 0}, {{0, 0, 0, 0}, 0},
    {{0, 0, 0, 0}, 0}, {{0, 0, 0, 0}, 0}, {{0, 0, 1, 1}, 0}, {{0, 0, 0, 0}, 0},
    {{0, 0, 0, 0}, 0}, {{1, 1, 0, 0}, 0}, {{1, 1, 1, 1}, 0}, {{0, 0, 0, 0}, 0},
    {{0, 0, 0, 0}, 0}, {{0, 0, 0, 0}, 0}, {{0, 0, 0, 0}, 0}, {{0, 1, 0, 1}, 2},
};

}  // namespace

void Ondulaxis::processReplacing(float** inputs, float** outputs, int32_t sampleFrames) noexcept {
    prepareBlock();
    runKernel(replaceKernel, inputs, outputs, sampleFrames);
}

void Ondulaxis::process(float** inputs, float** outputs, int32_t sampleFrames) noexcept {
    prepareBlock();
    runKernel(accumulateKernel, inputs, outputs, sampleFrames);
}

// Mono routes name the same channel for A and B, so checking all four routed
// pointers checks exactly what the chosen kernel uses. Skipping idle is the
// same as running it. A missing buffer would otherwise crash the host.
void Ondulaxis::runKernel(Kernel kernel, float** inputs, float** outputs,
                          int32_t sampleFrames) noexcept {
    if (sampleFrames <= 0 || inputs == nullptr || outputs == nullptr) {
        return;
    }
    float* inputA = inputs[route[inA]];
    float* inputB = inputs[route[inB]];
    float* outputA = outputs[route[outA]];
    float* outputB = outputs[route[outB]];
    if (inputA == nullptr || inputB == nullptr || outputA == nullptr || outputB == nullptr) {
        return;
    }
    ONDULAXIS_PROBE_CALLING(kernel);
    (this->*kernel)(inputA, inputB, outputA, outputB, sampleFrames);
}

void Ondulaxis::prepareBlock() noexcept {
    {
        std::lock_guard<StateLock> guard(stateLock);
        blockState = sharedState;
        sharedState.takeRequests();
    }
    if (blockState.resetRequest) {
        resetWorkingState();
    }
    if (blockState.rerouteRequest) {
        updateRouting();
    }
    if (!blockState.active) {
        return;
    }
    if (blockState.clearRequest) {
        slewState[0] = 0.0f;
        slewState[1] = 0.0f;
    }
    if (applyPendingChanges() > 0) {
        std::lock_guard<StateLock> guard(stateLock);
        std::memcpy(sharedState.paramValues, blockState.paramValues,
                    sizeof sharedState.paramValues);
    }
}

void Ondulaxis::resetWorkingState() noexcept {
    // ZeroX, InGain, SlewLim, FuncMix, AmpMin, FreqMin, FreqDif, OutGain,
    // then AmpMin's range and FreqDif's exponent.
    working = {true, 1.0f, parameterCurves::slewOff, 0.5f, 0.0f, parameterCurves::pi, 0.0f, 1.0f,
               1.0f, 1.0f};
    slewState[0] = 0.0f;
    slewState[1] = 0.0f;
    updateRouting();
}

void Ondulaxis::updateRouting() noexcept {
    if (!blockState.active) {
        replaceKernel = kernelTables.replace[idleEntry];
        accumulateKernel = kernelTables.accumulate[idleEntry];
        return;
    }
    const uint32_t connectionMask = 8 * blockState.inConnected[1] + 4 * blockState.inConnected[0] +
                                    2 * blockState.outConnected[1] + blockState.outConnected[0];
    // Flags are 0 or 1; the mask is masked anyway so a stray value cannot index
    // past the table.
    const Routing& routing = routingByMask[connectionMask & 15u];
    std::memcpy(route, routing.route, sizeof route);
    int32_t entry = routing.baseEntry;
    if (blockState.bypass) {
        entry += 1;
    }
    replaceKernel = kernelTables.replace[entry];
    accumulateKernel = kernelTables.accumulate[entry];
}

int Ondulaxis::applyPendingChanges() noexcept {
    int applied = 0;
    for (int32_t index = 0; index < maxParamCount; ++index) {
        const float value = blockState.pendingValues[index];
        if (std::isnan(value)) {
            continue;
        }
        // A variant's own values have no handler here: it reads them from
        // blockState after the prologue.
        if (index < paramCount) {
            // Through a local: GCC's sanitizer build misreads a call through an
            // indexed member pointer as an out-of-bounds index.
            const ParameterHandler handler = paramHandlers[index];
            ONDULAXIS_PROBE_CALLING(handler);
            (this->*handler)(value);
        }
        blockState.paramValues[index] = value;
        ++applied;
    }
    return applied;
}
