// One record per parameter: everything a format needs to name, show, convert
// and parse it. The plug-in's getters, the LV2 ports and their Turtle, the
// presets and CLAP all read these records, so no format restates a curve.
// Ondulaxis HQ extends the table with its own two records.
#pragma once

#include <cstdint>
#include <limits>
#include <string_view>

#include "ParameterIndex.h"

struct ParameterRecord {
    const char* name;
    const char* label = "";  // unit shown after the display text ("dB", "%")
    // 0: continuous. Otherwise the parameter takes steps + 1 values k / steps.
    int32_t steps = 0;
    float defaultValue;  // normalised
    // Display units, as LV2 ports carry them and CLAP values of continuous
    // parameters (a stepped one's CLAP value is its step number): the ends of
    // the range, the floats a host parses from the Turtle.
    float displayMinimum;
    float displayMaximum;
    // The default in display units is the curve's at defaultValue
    // (parameterValues::displayDefault), unless this states a rounder one
    // that the curve misses. NaN: none stated.
    float displayDefaultOffCurve = std::numeric_limits<float>::quiet_NaN();
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

// Pieces of the effect's records a variant's own records reuse.
namespace parameterText {
// Fixed-point text cut to what the host's buffer takes; rounds like printf's
// "%1.Nf" and ignores the locale.
void writeFixed(double value, int precision, char* text) noexcept;
// A normalised value as a percentage with three decimals, its curve and inverse.
void formatPercent(float v, char* text) noexcept;
double percentDisplay(double v) noexcept;
float percentValue(double percent) noexcept;
}  // namespace parameterText

namespace parameterValues {

// [any thread] the normalised value whose display shows `display` (display
// units): clamped to the range, the ends give exactly 0 and 1, the default
// exactly the record's default. NaN: 0. A float display value is what an
// LV2 port carries; a double, what a CLAP value carries: the curve's own
// double, toDisplay(v), maps back to exactly v. Allocates nothing.
float toNormalised(const ParameterRecord& record, double display) noexcept;

// [any thread] the float display value nearest the curve at `normalised`
// that toNormalised maps back to exactly `normalised` (for presets written
// in port values); NaN when no float does, or for a value outside 0 to 1.
float fromNormalised(const ParameterRecord& record, float normalised) noexcept;

// [any thread] the display value of `normalised` in double: the range's
// ends and default exactly, the curve elsewhere; clamped to 0 to 1, NaN
// gives the default.
double displayOf(const ParameterRecord& record, float normalised) noexcept;

// [any thread] the default in display units, as the Turtle and CLAP state it.
double displayDefault(const ParameterRecord& record) noexcept;

// [any thread] which step, 0 to steps, a stepped parameter's value takes
// (the one its display shows); 0 for a continuous one.
int32_t stepOf(const ParameterRecord& record, float normalised) noexcept;

// [any thread] reads a value as a user types it: the display text ("24.08",
// "Off", "Yes", "8x"), a number in display units with any number of
// decimals, with or without the label after it, with or without a space,
// any case. True and the normalised value when the text is a value of the
// parameter within its range (values that display as an end count as in
// it); false otherwise. Allocates nothing.
bool normalisedFromText(const ParameterRecord& record, std::string_view text, float& normalised) noexcept;

}  // namespace parameterValues
