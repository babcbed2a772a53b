// Drives one plug-in instance through its record with a script decoded from
// arbitrary bytes: dispatcher calls with any opcode, index, value and opt,
// parameter calls and short blocks. The same code serves the coverage-guided
// fuzzer and the replay of saved inputs in the ordinary test suite.
#pragma once

#include <cstddef>
#include <cstdint>

// Runs the whole script against a fresh instance and closes it. A crash or a
// sanitizer report is the only way it fails.
void runDispatchFuzzInput(const uint8_t* data, std::size_t size);
