#include "EffectTestSupport.h"

#include <cstring>

void FakeHost::connect(bool in0, bool in1, bool out0, bool out1) {
    inputConnected[0] = in0;
    inputConnected[1] = in1;
    outputConnected[0] = out0;
    outputConnected[1] = out1;
}

intptr_t FakeHost::callback(AEffect*, int32_t opcode, int32_t index, intptr_t value, void*,
                            float) {
    if (opcode == audioMasterVersion) {
        return 2400;
    }
    if (opcode == audioMasterPinConnected && index >= 0 && index < 2) {
        if (reenter != nullptr) {
            reenter->getParameter(0);
        }
        const bool connected = value == 0 ? inputConnected[index] : outputConnected[index];
        return connected ? 0 : 1;  // 0 means connected
    }
    return 0;
}

AudioBlock::AudioBlock(int frames, float inputFill, float outputFill)
    : in{std::vector<float>(frames, inputFill), std::vector<float>(frames, inputFill)},
      out{std::vector<float>(frames, outputFill), std::vector<float>(frames, outputFill)},
      inputPointers{in[0].data(), in[1].data()},
      outputPointers{out[0].data(), out[1].data()} {}

std::vector<float> processMono(Ondulaxis& effect, const std::vector<float>& input) {
    AudioBlock block(static_cast<int>(input.size()));
    block.in[0] = input;
    block.inputPointers[0] = block.in[0].data();
    effect.processReplacing(block.inputs(), block.outputs(), block.frames());
    return block.out[0];
}
