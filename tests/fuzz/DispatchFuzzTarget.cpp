// Entry point for the coverage-guided fuzzer.
#include "DispatchFuzzHarness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    runDispatchFuzzInput(data, size);
    return 0;
}
