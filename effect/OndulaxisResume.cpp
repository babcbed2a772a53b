#include <mutex>
#include <stdexcept>

#include "Ondulaxis.h"

void Ondulaxis::resume() {
    uint32_t inputCount = 0;
    uint32_t outputCount = 0;
    {
        // Held across the host queries so that a block sees all of these writes
        // or none of them.
        std::lock_guard<StateLock> guard(stateLock);
        sharedState.clearRequest = true;
        sharedState.rerouteRequest = true;
        sharedState.inConnected[0] = isInputConnected(0) ? 1 : 0;
        sharedState.inConnected[1] = isInputConnected(1) ? 1 : 0;
        sharedState.outConnected[0] = isOutputConnected(0) ? 1 : 0;
        sharedState.outConnected[1] = isOutputConnected(1) ? 1 : 0;
        inputCount = sharedState.inConnected[0] + sharedState.inConnected[1];
        outputCount = sharedState.outConnected[0] + sharedState.outConnected[1];
        // A passing check switches the effect back on: hosts such as Ardour
        // resume once before they report the pins of a reopened session, and
        // an instance switched off for good would stay silent.
        sharedState.active = inputCount != 0 && inputCount == outputCount;
    }
    if (inputCount != outputCount) {
        throw std::runtime_error("Ondulaxis::resume - Input and output channel counts inequal.");
    }
    if (inputCount == 0) {
        throw std::runtime_error("Ondulaxis::resume - No inputs connected.");
    }
}
