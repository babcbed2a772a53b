// The effect's parameter numbers, and what the records of every plug-in's
// parameters share (ParameterRecords.h holds the records).
#pragma once

#include <cstdint>

#include "ControlState.h"

enum ParameterIndex : int32_t {
    ZeroX = 0,
    InGain,
    SlewLim,
    FuncMix,
    AmpMin,
    FreqMin,
    FreqDif,
    OutGain,
};

// Writes the display text of a normalised value: at most 7 characters and the
// terminator, with "." as decimal point whatever the process locale.
using ParameterFormatter = void (*)(float value, char* text) noexcept;

// Longest text the host's 8-byte parameter buffers take, terminator excluded.
constexpr int32_t maxParameterText = 7;
