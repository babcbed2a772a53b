// One record per parameter: everything a format needs to name, show, convert
// and parse it. The plug-in's getters, the LV2 ports and their Turtle, the
// presets and CLAP all read these records, so no format restates a curve.
// Ondulaxis HQ extends the table with its own two records.
#pragma once

#include <cstdint>
#include <string_view>

#include "ParameterTables.h"

struct ParameterRecord {
    const char* name;
    const char* label;     // unit shown after the display text ("dB", "%")
    float defaultValue;    // normalised
    // 0: continuous. Otherwise the parameter takes steps + 1 values k / steps.
    int32_t steps;
    // Display units, as LV2 ports and CLAP values carry them: the ends of the
    // range and the default, the floats a host parses from the Turtle.
    float displayMinimum;
    float displayMaximum;
    float displayDefault;
    // Normalised value to display text: at most 7 characters and the
    // terminator, "." as decimal point whatever the locale.
    ParameterFormatter format;
    // The curve in display units, in double, before any rounding.
    double (*toDisplay)(double normalised) noexcept;
    // Its inverse, rounded to float once, for a value strictly inside the range.
    float (*fromDisplay)(double display) noexcept;
};

// The effect's records, and those a variant appends after them.
struct ParameterTable {
    const ParameterRecord* base;
    int32_t baseCount;
    const ParameterRecord* extension = nullptr;
    int32_t extensionCount = 0;

    constexpr int32_t count() const noexcept { return baseCount + extensionCount; }
    // Null for an index outside the table.
    constexpr const ParameterRecord* find(int32_t index) const noexcept {
        if (index >= 0 && index < baseCount) return base + index;
        if (index >= baseCount && index < count()) return extension + (index - baseCount);
        return nullptr;
    }
};

extern const ParameterRecord ondulaxisParameterRecords[paramCount];
inline constexpr ParameterTable ondulaxisParameters{ondulaxisParameterRecords, paramCount};

namespace parameterValues {

// [any thread] the normalised value whose display shows `display` (display
// units): clamped to the range, the ends give exactly 0 and 1, the default
// exactly the record's default, a stepped value the nearest step. NaN: the
// default. Allocates nothing.
float toNormalised(const ParameterRecord& record, float display) noexcept;

// [any thread] the display-unit value nearest the curve at `normalised`
// that toNormalised maps back to exactly `normalised`; NaN when no float
// does, or for a value outside 0 to 1.
float fromNormalised(const ParameterRecord& record, float normalised) noexcept;

// [any thread] the display-unit value of `normalised` itself, for showing
// (not for a round trip): the curve rounded to float, a stepped value's step.
float displayOf(const ParameterRecord& record, float normalised) noexcept;

// [any thread] reads a value as a user types it: the display text ("24.08",
// "Off", "Yes", "8x"), a number in display units with any number of
// decimals, with or without the label after it, with or without a space,
// any case. True and the normalised value when the text is a value of the
// parameter within its range (values that display as an end count as in
// it); false otherwise. Allocates nothing.
bool normalisedFromText(const ParameterRecord& record, std::string_view text, float& normalised) noexcept;

}  // namespace parameterValues
