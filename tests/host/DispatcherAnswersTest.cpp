// Dispatcher answers for the opcodes whose behaviour the plug-in keeps from
// its base classes, and harmless handling of null pointers.
#include "PluginTestSupport.h"

namespace ondulaxis::host::test {
namespace {

struct DispatchCase {
    int32_t opcode;
    int32_t index;
    intptr_t value;
    intptr_t answer;
};

void PrintTo(const DispatchCase& c, std::ostream* out) {
    *out << "opcode " << c.opcode << " index " << c.index << " value " << c.value;
}

class DispatcherAnswerTest : public ::testing::TestWithParam<DispatchCase> {};

TEST_P(DispatcherAnswerTest, AnswersAsTheInterfaceDefines) {
    PluginInstance instance(builtPlugin());
    const DispatchCase& c = GetParam();
    // A zeroed record stands in for whatever the opcode's pointer expects.
    alignas(16) char buffer[PluginInstance::kTextBufferSize] = {};
    EXPECT_EQ(instance.dispatch(c.opcode, c.index, c.value, buffer), c.answer);
}

INSTANTIATE_TEST_SUITE_P(
    KeptBehaviour, DispatcherAnswerTest,
    ::testing::Values(DispatchCase{0, 0, 0, 0},            // open
                      DispatchCase{3, 0, 0, 0},            // current program
                      DispatchCase{9, 0, 0, 0},            // VU
                      DispatchCase{22, 0, 0, 0x4e764566},  // identify
                      DispatchCase{23, 0, 0, 0},           // no chunk
                      DispatchCase{25, 0, 0, 0},           // events
                      DispatchCase{26, 0, 0, 1},           // automatable
                      DispatchCase{26, 7, 0, 1},
                      DispatchCase{28, 0, 0, 1},           // program categories
                      DispatchCase{31, 0, 1, 1},           // input connected notice
                      DispatchCase{32, 1, 0, 1},           // output connected notice
                      DispatchCase{35, 0, 0, 1},           // category: effect
                      DispatchCase{44, 0, 1, 1},           // bypass accepted
                      DispatchCase{44, 0, 0, 1},
                      DispatchCase{49, 0, 0, 502},         // vendor version
                      DispatchCase{52, 0, 0, 0},           // tail
                      DispatchCase{57, 0, 0, 1},           // no keys needed
                      DispatchCase{58, 0, 0, 2300},        // interface version
                      DispatchCase{63, 0, 0, -1},          // no MIDI program
                      DispatchCase{71, 0, 0, 0},           // start process
                      DispatchCase{72, 0, 0, 0},           // stop process
                      DispatchCase{73, 0, 12345, 12345},   // echoed sample count
                      DispatchCase{73, 0, -7, -7},
                      DispatchCase{76, 0, 0, 0},
                      DispatchCase{77, 0, 0, 0},           // beyond the table
                      DispatchCase{1000, 0, 0, 0},
                      DispatchCase{-1, 0, 0, 0}));

class NullPointerTest : public ::testing::TestWithParam<int32_t> {};

TEST_P(NullPointerTest, TextAndRecordRequestsWithNullAreHarmless) {
    PluginInstance instance(builtPlugin());
    EXPECT_EQ(instance.dispatch(GetParam(), 0, 0, nullptr), 0);
    // Still alive and answering.
    EXPECT_EQ(instance.effectName(), "Ondulaxis");
}

INSTANTIATE_TEST_SUITE_P(TextOpcodes, NullPointerTest,
                         ::testing::Values(4,    // set program name
                                           5,    // program name
                                           6,    // parameter label
                                           7,    // parameter display
                                           8,    // parameter name
                                           23,   // chunk
                                           29,   // program name by index
                                           45,   // effect name
                                           47,   // vendor
                                           48,   // product
                                           51,   // can do
                                           69,   // speaker arrangement
                                           70)); // next shell plug-in

}  // namespace
}  // namespace ondulaxis::host::test
