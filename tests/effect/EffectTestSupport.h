// Shared helpers for the effect's class-level tests: a stand-in host callback,
// a view of the audio thread's private state, and audio buffers.
#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <mutex>
#include <vector>

#include "Ondulaxis.h"
#include "ParameterRecords.h"

// Answers the host requests the effect makes; pins are connected unless told
// otherwise. Set it up before threads start: it is read, never locked.
struct FakeHost {
    static inline bool inputConnected[2] = {true, true};
    static inline bool outputConnected[2] = {true, true};
    // When set, every pin query calls back into this effect on the same thread.
    static inline Ondulaxis* reenter = nullptr;

    static void connect(bool in0, bool in1, bool out0, bool out1);
    static intptr_t callback(AEffect* effect, int32_t opcode, int32_t index, intptr_t value,
                             void* ptr, float opt);
};

struct OndulaxisTestAccess {
    using Coefficients = Ondulaxis::Coefficients;
    static Coefficients coefficients(const Ondulaxis& effect) { return effect.working; }
    static float* slewState(Ondulaxis& effect) { return effect.slewState; }
    static std::array<uint32_t, 4> route(const Ondulaxis& effect) {
        return {effect.route[0], effect.route[1], effect.route[2], effect.route[3]};
    }
    static ControlState shared(Ondulaxis& effect) {
        std::lock_guard<StateLock> guard(effect.stateLock);
        return effect.sharedState;
    }
    // The first step of a block alone: the hand-over, before anything is
    // applied or published.
    static void handOver(Ondulaxis& effect) {
        std::lock_guard<StateLock> guard(effect.stateLock);
        effect.blockState = effect.sharedState;
        effect.sharedState.takeRequests();
    }
    // Switches the instruction set before the next block; the processor must run it.
    static void useKernelPath(Ondulaxis& effect, Ondulaxis::KernelPath path) {
        effect.useKernelPath(path);
    }
    static Ondulaxis::KernelPath kernelPath(const Ondulaxis& effect) {
        return effect.kernelTables.path;
    }
    // Table entry of the chosen kernels, -1 when the pair does not match one entry.
    static int kernelEntry(const Ondulaxis& effect) {
        for (int entry = 0; entry < Ondulaxis::kernelCount; ++entry) {
            if (effect.replaceKernel == effect.kernelTables.replace[entry] &&
                effect.accumulateKernel == effect.kernelTables.accumulate[entry]) {
                return entry;
            }
        }
        return -1;
    }
};

using Coefficients = OndulaxisTestAccess::Coefficients;

// Two input and two output channels of one block, handed out as a host would.
struct AudioBlock {
    explicit AudioBlock(int frames, float inputFill = 0.0f, float outputFill = 0.0f);
    // Moving keeps the vectors' storage, so the channel pointers stay valid;
    // a copy would not.
    AudioBlock(AudioBlock&&) = default;
    AudioBlock& operator=(AudioBlock&&) = default;
    float** inputs() { return inputPointers.data(); }
    float** outputs() { return outputPointers.data(); }
    int32_t frames() const { return static_cast<int32_t>(in[0].size()); }

    std::vector<float> in[2];
    std::vector<float> out[2];
    std::array<float*, 2> inputPointers;
    std::array<float*, 2> outputPointers;
};

// Runs the prologue alone, as a host's empty block does.
inline void runEmptyBlock(Ondulaxis& effect) {
    AudioBlock block(0);
    effect.processReplacing(block.inputs(), block.outputs(), 0);
}

// Feeds `input` one block at a time through channel 0 of a mono effect and
// returns what came out.
std::vector<float> processMono(Ondulaxis& effect, const std::vector<float>& input);

// Always inlined: a float returned from a call on 32-bit x86 passes through
// the x87 stack, which turns a signalling NaN quiet.
[[gnu::always_inline]] inline uint32_t bitsOf(float value) { return std::bit_cast<uint32_t>(value); }
[[gnu::always_inline]] inline float floatOf(uint32_t bits) { return std::bit_cast<float>(bits); }
