// Spreading a file's channels over instances of plug-ins with other pin
// counts.
#include "ChannelLayout.h"

#include <gtest/gtest.h>

namespace ondulaxis::host::test {
namespace {

struct LayoutCase {
    int32_t inputs, outputs;
    int channels;
    int instances, groupChannels;
    const char* description;
};

void PrintTo(const LayoutCase& c, std::ostream* out) {
    *out << c.inputs << "in" << c.outputs << "out" << c.channels << "ch";
}

class ChannelLayoutTest : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(ChannelLayoutTest, PlansInstancesAndNamesUnusedPins) {
    const LayoutCase& c = GetParam();
    const ChannelLayout layout = planChannelLayout(c.inputs, c.outputs, c.channels);
    EXPECT_EQ(layout.instances, c.instances);
    EXPECT_EQ(layout.groupChannels, c.groupChannels);
    EXPECT_EQ(layout.usable(), c.instances > 0);
    EXPECT_EQ(describeLayout(layout), c.description);
}

INSTANTIATE_TEST_SUITE_P(
    Pins, ChannelLayoutTest,
    ::testing::Values(
        LayoutCase{2, 2, 2, 1, 2, "one instance"},
        LayoutCase{2, 2, 1, 1, 1, "one instance; input 2 unconnected (fed silence); output 2 unconnected (dropped)"},
        LayoutCase{1, 1, 2, 2, 1, "two instances, one per channel"},
        LayoutCase{1, 2, 2, 2, 1, "two instances, one per channel; output 2 of each unconnected (dropped)"},
        LayoutCase{2, 1, 2, 2, 1, "two instances, one per channel; input 2 of each unconnected (fed silence)"},
        LayoutCase{2, 6, 2, 1, 2, "one instance; outputs 3-6 unconnected (dropped)"},
        LayoutCase{4, 2, 2, 1, 2, "one instance; inputs 3-4 unconnected (fed silence)"},
        LayoutCase{2, 2, 4, 2, 2, "two instances, two channels each"},
        // Groups stay equal: three channels through a stereo effect take three.
        LayoutCase{2, 2, 3, 3, 1,
                   "three instances, one per channel; input 2 of each unconnected (fed silence); output 2 of each "
                   "unconnected (dropped)"},
        LayoutCase{0, 2, 2, 0, 0, "refused: it is an instrument (no audio inputs), not an effect a file can pass through"},
        LayoutCase{2, 0, 1, 0, 0, "refused: it has no audio outputs"},
        LayoutCase{-1, 2, 1, 0, 0, "refused: it is an instrument (no audio inputs), not an effect a file can pass through"}));

}  // namespace
}  // namespace ondulaxis::host::test
