// Parameter values typed the way the plug-in displays them ("12dB", "80%",
// "off", "-30cycles"), turned into the normalised values a host sets.
#pragma once

#include "ParameterSettings.h"

#include <string>
#include <string_view>

namespace ondulaxis::host {

// One NAME=VALUE setting as typed: on the command line or in a preset file.
struct TypedSetting {
    ParameterSetting setting;  // the normalised value the host sets
    std::string typed;         // the value as typed, when it carried a unit or word
};

// Parses "NAME=VALUE". A bare number is a normalised value from 0 to 1; a
// number with a unit (dB, %, cycles) or a word (on, off, yes, no) is
// converted by inverting the parameter's curve. Throws HostError for text
// that is no number, a unit the parameter does not show, or a value outside
// its range (the message gives the range).
TypedSetting parseTypedSetting(std::string_view text);

// Parses "NAME=VALUE" for a plug-in that reads its values itself (CLAP):
// the value is kept as text, for the plug-in to read. Throws HostError for
// a missing '=', name or value.
TypedSetting parsePluginSetting(std::string_view text);

// The normalised value whose display is `value` in `name`'s unit; the
// parameter names are the effect's own. Throws HostError as above.
float normalisedFromDisplay(std::string_view name, std::string_view value);

// SlewLim limits the step per sample. At `factor` times the rate the same
// limit per second is a step `factor` times smaller: returns the normalised
// value that keeps it, or the value unchanged when slew limiting is off.
// `clamped` tells whether the smallest step was reached first.
float slewLimitAtRate(float normalised, int factor, bool& clamped);

}  // namespace ondulaxis::host
