// The effect's own transfer curve, for a view of its settings to draw: the
// slow ramp through a fresh instance of its own, never the host's.
#pragma once

#include <memory>
#include <span>

#include "Ondulaxis.h"
#include "TransferCurve.h"

namespace transferMeasurement {

// [any thread] the host a measured instance is made for: mono pins, 48 kHz.
intptr_t host(AEffect* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt);

// [any thread but an audio thread] output against input of the ramp through
// `fresh`, made with `host` and used for nothing yet, with `values` (normalised,
// by parameter index from 0) set, on the reference kernels, in blocks of 512.
// Allocates; throws what resume throws.
TransferCurve measure(Ondulaxis& fresh, std::span<const float> values);

// The same through a new instance of Effect, Ondulaxis or a variant of it.
template <class Effect = Ondulaxis>
TransferCurve curveOf(std::span<const float> values) {
    const auto fresh = std::make_unique<Effect>(&host);
    return measure(*fresh, values);
}

}  // namespace transferMeasurement
