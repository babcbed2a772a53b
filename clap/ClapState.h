// The saved state of a CLAP instance: a tag naming the format and the
// plug-in, a version, and every parameter's value as CLAP carries it, a
// double each.
// Little-endian whatever the machine, so a state moves between them.
#pragma once

#include <cstdint>

#include "ClapAbi.h"

namespace clapState {

inline constexpr uint32_t version = 1;
inline constexpr uint32_t maxValues = 16;

// [main thread] false when the stream is null or refuses bytes.
bool save(const ClapOutputStream* stream, uint32_t plugin, const double* values, uint32_t count) noexcept;

// [main thread] fills `values` only from a whole state of this plug-in and
// version with 1 to `count` finite values and nothing after them (a state
// with fewer was saved before the later parameters existed: they keep their
// values); false, with `values` untouched, for anything else.
bool load(const ClapInputStream* stream, uint32_t plugin, double* values, uint32_t count) noexcept;

}  // namespace clapState
