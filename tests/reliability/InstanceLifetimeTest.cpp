// Hosts open and close instances all session long (scanning, duplicating
// tracks, undo): a thousand of them must leave nothing behind. Leaks are
// caught by LeakSanitizer in the sanitizer build and by the allocation
// balance in the real-time suite.
#include <gtest/gtest.h>

#include "PluginUnderTest.h"

namespace reliability {
namespace {

TEST(InstanceLifetime, AThousandOpenedAndClosedInstances) {
    const Channels input = makeProgramme(64, 9);
    for (int i = 0; i < 1000; ++i) {
        auto instance = openInstance(44100.0f, 64);
        if (i % 3 == 0) renderInBlocksOf(*instance, input, 64);
        if (i % 7 == 0) instance->setConnections(PinConnections{{false, false}, {false, false}});
        if (i % 5 == 0) instance->mainsChanged(true);  // sometimes a failing resume
        instance->mainsChanged(false);
        ASSERT_EQ(instance->close(), 1);
    }
}

}  // namespace
}  // namespace reliability
