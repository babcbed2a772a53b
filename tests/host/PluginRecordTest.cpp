// The record and identity a freshly created instance shows a host.
#include "PluginTestSupport.h"

#include <cstring>

namespace ondulaxis::host::test {
namespace {

class PluginRecordTest : public ::testing::Test {
protected:
    // Reads the record at a byte offset, the way a host of another
    // language would, independent of this host's own struct.
    template <typename T>
    T at(std::size_t offset) const {
        T value;
        std::memcpy(&value, reinterpret_cast<const unsigned char*>(&instance.record()) + offset, sizeof value);
        return value;
    }

    PluginInstance instance{builtPlugin()};
};

TEST_F(PluginRecordTest, FieldsSitAtTheirOffsetsWithTheirValues) {
    EXPECT_EQ(at<int32_t>(0), 0x56737450);
    EXPECT_NE(at<void*>(8), nullptr);    // dispatcher
    EXPECT_NE(at<void*>(16), nullptr);   // process
    EXPECT_NE(at<void*>(24), nullptr);   // setParameter
    EXPECT_NE(at<void*>(32), nullptr);   // getParameter
    EXPECT_EQ(at<int32_t>(40), 1);       // numPrograms
    EXPECT_EQ(at<int32_t>(44), 8);       // numParams
    EXPECT_EQ(at<int32_t>(48), 2);       // numInputs
    EXPECT_EQ(at<int32_t>(52), 2);       // numOutputs
    EXPECT_EQ(at<int32_t>(56), 0x10);    // flags: can replace, nothing else
    EXPECT_EQ(at<intptr_t>(64), 0);      // resvd1
    EXPECT_EQ(at<intptr_t>(72), 0);      // resvd2
    EXPECT_EQ(at<int32_t>(80), 0);       // initialDelay
    EXPECT_EQ(at<int32_t>(84), 0);       // realQualities
    EXPECT_EQ(at<int32_t>(88), 0);       // offQualities
    EXPECT_EQ(at<float>(92), 1.0f);      // ioRatio
    EXPECT_NE(at<void*>(96), nullptr);   // object
    EXPECT_EQ(at<void*>(104), &instance);  // user: the host's own pointer
    EXPECT_EQ(at<int32_t>(112), 0x4f646c78);  // 'Odlx'
    EXPECT_EQ(at<int32_t>(116), 1);      // version
    EXPECT_NE(at<void*>(120), nullptr);  // processReplacing
    for (std::size_t offset = 128; offset < 192; ++offset) {
        EXPECT_EQ(at<unsigned char>(offset), 0) << "reserved byte " << offset;
    }
}

TEST_F(PluginRecordTest, ReportsItsIdentity) {
    EXPECT_EQ(instance.effectName(), "Ondulaxis");
    EXPECT_EQ(instance.productString(), "Ondulaxis - Sinusoidal distortion unit");
    EXPECT_EQ(instance.vendorString(), "Brakkenholtmark");
    EXPECT_EQ(instance.vendorVersion(), 502);
    EXPECT_EQ(instance.category(), 1);
}

TEST_F(PluginRecordTest, ProgramIsNamedDefaultThroughBothRequests) {
    EXPECT_EQ(instance.programName(), "Default");
    intptr_t answer = 0;
    EXPECT_EQ(instance.programNameIndexed(0, 0, &answer), "Default");
    EXPECT_EQ(answer, 1);
    EXPECT_EQ(instance.programNameIndexed(-1, 0, &answer), "Default");
    EXPECT_EQ(answer, 1);
    EXPECT_EQ(instance.programNameIndexed(1, 0, &answer), "");
    EXPECT_EQ(answer, 0);
    EXPECT_EQ(instance.programNameIndexed(0, 1, &answer), "");
    EXPECT_EQ(answer, 0);
}

TEST_F(PluginRecordTest, AskedTheHostForItsVersionWithoutARecord) {
    const std::vector<HostRequest> requests = instance.requests();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.front().opcode, audioMasterVersion);
    EXPECT_FALSE(requests.front().hadRecord);
}

TEST_F(PluginRecordTest, CloseAnswersOneAndLeavesTheInstanceClosed) {
    EXPECT_EQ(instance.close(), 1);
    EXPECT_FALSE(instance.isOpen());
    EXPECT_THROW(instance.record(), HostError);
}

struct CapabilityCase {
    const char* capability;
    intptr_t answer;
};

class CapabilityTest : public ::testing::TestWithParam<CapabilityCase> {};

TEST_P(CapabilityTest, AnswersFromItsTableWithSignIntact) {
    PluginInstance instance(builtPlugin());
    // A -1 must arrive sign-extended, not as 4294967295.
    EXPECT_EQ(instance.canDo(GetParam().capability), GetParam().answer);
}

INSTANTIATE_TEST_SUITE_P(
    EveryRow, CapabilityTest,
    ::testing::Values(CapabilityCase{"sendVstEvents", -1}, CapabilityCase{"sendVstMidiEvent", -1},
                      CapabilityCase{"sendVstTimeInfo", -1}, CapabilityCase{"receiveVstEvents", -1},
                      CapabilityCase{"receiveVstMidiEvent", -1}, CapabilityCase{"receiveVstTimeInfo", -1},
                      CapabilityCase{"offline", -1}, CapabilityCase{"noRealTime", -1},
                      CapabilityCase{"1in1out", 1}, CapabilityCase{"2in2out", 1}, CapabilityCase{"1in2out", -1},
                      CapabilityCase{"2in1out", -1}, CapabilityCase{"2in4out", -1}, CapabilityCase{"4in2out", -1},
                      CapabilityCase{"4in4out", -1}, CapabilityCase{"4in8out", -1}, CapabilityCase{"8in4out", -1},
                      CapabilityCase{"8in8out", -1}, CapabilityCase{"bypass", 1},
                      // Only exact, case-sensitive matches count.
                      CapabilityCase{"Bypass", 0}, CapabilityCase{"bypass ", 0}, CapabilityCase{"2in2", 0},
                      CapabilityCase{"", 0}));

}  // namespace
}  // namespace ondulaxis::host::test
