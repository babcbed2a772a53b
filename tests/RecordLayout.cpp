// Built for both pointer widths: the header's compile-time layout checks run
// for the target's width, and this program proves the reserved tail is where
// hosts expect it and that a pointer-sized answer keeps its sign.
#include <cstdio>
#include <cstring>

#include "EffectRecord.h"

int main() {
    AEffect record;
    std::memset(&record, 0, sizeof record);
    const auto* bytes = reinterpret_cast<const unsigned char*>(&record);
    const size_t tail = offsetof(AEffect, reserved);
    const size_t expectedSize = sizeof(void*) == 8 ? 192 : 144;
    const size_t expectedTail = sizeof(void*) == 8 ? 128 : 84;
    int failures = 0;
    if (sizeof record != expectedSize || tail != expectedTail) {
        std::printf("record is %zu bytes with the reserved tail at %zu\n", sizeof record, tail);
        ++failures;
    }
    for (size_t i = tail; i < sizeof record; ++i) failures += bytes[i] != 0;
    const intptr_t no = -1;
    if (static_cast<long long>(no) != -1LL) ++failures;
    std::printf("%zu-bit record: %zu bytes, %s\n", sizeof(void*) * 8, sizeof record,
                failures == 0 ? "ok" : "FAILED");
    return failures == 0 ? 0 : 1;
}
