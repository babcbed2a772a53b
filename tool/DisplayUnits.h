// Parameter values typed the way a plug-in displays them ("12dB", "80%",
// "off", "8x"), kept as text until the plug-in itself says which value shows
// it: the command knows no plug-in's curves.
#pragma once

#include "SessionSettings.h"

#include <string>
#include <string_view>

namespace ondulaxis::tool {

// The command is built on the host library and names its types unqualified.
using namespace ondulaxis::host;

// One NAME=VALUE setting as typed: on the command line or in a preset file.
struct TypedSetting {
    ParameterSetting setting;  // a normalised value, or the text to resolve
    std::string typed;         // the value as typed, when it is a text
};

// Parses "NAME=VALUE". A bare number is a normalised value from 0 to 1;
// anything else is a display text that resolveParameterSettings asks the
// plug-in about. Throws HostError for a malformed setting or a bare number
// outside 0 to 1.
TypedSetting parseTypedSetting(std::string_view text);

// Parses "NAME=VALUE" for a plug-in that reads its values itself (CLAP):
// the value is kept as text, for the plug-in to read, a bare number too.
// Throws HostError for a missing '=', name or value.
TypedSetting parsePluginSetting(std::string_view text);

}  // namespace ondulaxis::tool
