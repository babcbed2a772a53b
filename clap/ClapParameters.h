// Parameters as CLAP carries them, read from the parameter records: values
// in display units (dB, %, cycles), stepped ones as their step number. The
// one place the CLAP plug-ins touch the records.
#pragma once

#include <cstdint>

#include "ClapAbi.h"

struct ParameterRecord;
struct ParameterTable;

namespace clapParameters {

// [any thread] the table's record for a CLAP id, null for a bad one.
const ParameterRecord* find(const ParameterTable& table, ClapId id) noexcept;
uint32_t count(const ParameterTable& table) noexcept;

// [main thread] false for a bad index or a null info.
bool describe(const ParameterTable& table, uint32_t index, ClapParamInfo* info) noexcept;

// [any thread] the value a parameter keeps for `value`: clamped to the
// range, a step number cut to a whole step as CLAP casts it. False for NaN.
bool settle(const ParameterRecord& record, double value, double& display) noexcept;
// [any thread] the normalised value the effect takes for a settled value.
float normalised(const ParameterRecord& record, double display) noexcept;
// [any thread] the value CLAP carries for a normalised one: the step
// number, or the display value that maps back to it exactly.
double fromNormalised(const ParameterRecord& record, float normalised) noexcept;
// [any thread] the default, settled.
double defaultValue(const ParameterRecord& record) noexcept;

// [main thread] the display text of `value` followed by a space and the
// label when there is one; false when the buffer cannot take it all.
bool toText(const ParameterRecord& record, double value, char* text, uint32_t capacity) noexcept;
// [main thread] reads what toText writes, or what a user types.
bool fromText(const ParameterRecord& record, const char* text, double& value) noexcept;

}  // namespace clapParameters
