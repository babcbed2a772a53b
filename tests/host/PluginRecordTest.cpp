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

// Byte offsets hosts read, from the published layouts: 144 bytes with 32-bit
// pointers, 192 with 64-bit ones.
struct RecordOffsets {
    std::size_t dispatcher, process, setParameter, getParameter, numPrograms, numParams, numInputs,
        numOutputs, flags, resvd1, resvd2, initialDelay, realQualities, offQualities, ioRatio, object, user,
        uniqueID, version, processReplacing, reserved, size;
};
constexpr RecordOffsets kOffsets32{4,  8,  12, 16, 20, 24, 28, 32, 36, 40, 44,
                                   48, 52, 56, 60, 64, 68, 72, 76, 80, 84, 144};
constexpr RecordOffsets kOffsets64{8,  16, 24, 32, 40, 44,  48,  52,  56,  64,  72,
                                   80, 84, 88, 92, 96, 104, 112, 116, 120, 128, 192};
constexpr RecordOffsets kOffsets = sizeof(void*) == 8 ? kOffsets64 : kOffsets32;

TEST_F(PluginRecordTest, FieldsSitAtTheirOffsetsWithTheirValues) {
    const RecordOffsets& field = kOffsets;
    EXPECT_EQ(at<int32_t>(0), 0x56737450);
    EXPECT_NE(at<void*>(field.dispatcher), nullptr);
    EXPECT_NE(at<void*>(field.process), nullptr);
    EXPECT_NE(at<void*>(field.setParameter), nullptr);
    EXPECT_NE(at<void*>(field.getParameter), nullptr);
    EXPECT_EQ(at<int32_t>(field.numPrograms), 1);
    EXPECT_EQ(at<int32_t>(field.numParams), 8);
    EXPECT_EQ(at<int32_t>(field.numInputs), 2);
    EXPECT_EQ(at<int32_t>(field.numOutputs), 2);
    EXPECT_EQ(at<int32_t>(field.flags), 0x10);  // can replace, nothing else
    EXPECT_EQ(at<intptr_t>(field.resvd1), 0);
    EXPECT_EQ(at<intptr_t>(field.resvd2), 0);
    EXPECT_EQ(at<int32_t>(field.initialDelay), 0);
    EXPECT_EQ(at<int32_t>(field.realQualities), 0);
    EXPECT_EQ(at<int32_t>(field.offQualities), 0);
    EXPECT_EQ(at<float>(field.ioRatio), 1.0f);
    EXPECT_NE(at<void*>(field.object), nullptr);
    EXPECT_EQ(at<void*>(field.user), &instance);  // the host's own pointer
    EXPECT_EQ(at<int32_t>(field.uniqueID), 0x4f646c78);  // 'Odlx'
    EXPECT_EQ(at<int32_t>(field.version), 1);
    EXPECT_NE(at<void*>(field.processReplacing), nullptr);
    for (std::size_t offset = field.reserved; offset < field.size; ++offset) {
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

void PrintTo(const CapabilityCase& row, std::ostream* os) { *os << '"' << row.capability << '"'; }

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
