// Control ports in the units the parameter displays show, and the way back
// from a port value to the normalised value the effect takes.
#pragma once

#include <cstdint>

#include "ControlState.h"

namespace portValues {

// Range and default of one control port, in display units. The Turtle files
// carry the same numbers; these are the floats a host parses them to.
struct PortRange {
    float minimum;
    float maximum;
    float defaultValue;
};

extern const PortRange portRanges[paramCount];

// [any thread] the normalised value whose display shows `portValue`: the
// parameter's curve inverted in double and rounded to float once. Values
// outside the range are clamped, the range ends give exactly 0 and 1, and
// the defaults exactly the parameter table's defaults.
// Allocates nothing. Bad index or NaN: 0.
float toNormalised(int32_t index, float portValue) noexcept;

// [any thread] the port value nearest the display of `normalised` that
// toNormalised maps back to exactly `normalised`, so a preset written in
// port values gives the effect the preset's own values. NaN when no float
// does (ZeroX takes only 0 and 1; near the low ends of the exponential
// curves normalised values are finer than the port values), for a bad
// index or for a value outside 0 to 1.
float fromNormalised(int32_t index, float normalised) noexcept;

}  // namespace portValues
