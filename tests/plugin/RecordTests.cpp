// The plug-in record, its five entry functions and the entry point template
// with the decided containment of exceptions.
#include <algorithm>
#include <cstring>
#include <limits>
#include <string>

#include "PluginEntry.h"
#include "PluginTestSupport.h"

namespace {

// ---- The record after construction ----

TEST(RecordAfterConstruction, BaseConstructorFillsEveryField) {
    MockHost host;
    BareEffect effect(MockHost::callback, 3, 5);
    const AEffect* record = effect.getRecord();

    EXPECT_EQ(record->magic, 0x56737450);
    const auto* bytes = reinterpret_cast<const unsigned char*>(record);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes), 4), "PtsV");  // little-endian
    EXPECT_NE(record->dispatcher, nullptr);
    EXPECT_NE(record->process, nullptr);
    EXPECT_NE(record->setParameter, nullptr);
    EXPECT_NE(record->getParameter, nullptr);
    EXPECT_NE(record->processReplacing, nullptr);
    EXPECT_NE(reinterpret_cast<void*>(record->process),
              reinterpret_cast<void*>(record->processReplacing));
    EXPECT_EQ(record->numPrograms, 3);
    EXPECT_EQ(record->numParams, 5);
    EXPECT_EQ(record->numInputs, 1);
    EXPECT_EQ(record->numOutputs, 2);
    EXPECT_EQ(record->flags, 0);
    EXPECT_EQ(record->resvd1, 0);
    EXPECT_EQ(record->resvd2, 0);
    EXPECT_EQ(record->initialDelay, 0);
    EXPECT_EQ(record->realQualities, 0);
    EXPECT_EQ(record->offQualities, 0);
    EXPECT_FLOAT_EQ(record->ioRatio, 1.0f);
    EXPECT_EQ(record->object, static_cast<void*>(static_cast<AudioEffect*>(&effect)));
    EXPECT_EQ(record->user, nullptr);
    EXPECT_EQ(record->uniqueID, 0x4e6f4566);  // 'NoEf'
    EXPECT_EQ(record->version, 1);
    for (size_t i = offsetof(AEffect, reserved); i < sizeof(AEffect); ++i) {
        EXPECT_EQ(bytes[i], 0) << "reserved byte " << i;
    }
    EXPECT_TRUE(host.calls.empty());  // constructing asks the host nothing
}

TEST(RecordAfterConstruction, InstanceFields) {
    MockHost host;
    BareEffect effect(MockHost::callback, 3, 5);
    EXPECT_FLOAT_EQ(effect.sampleRateField(), 44100.0f);
    EXPECT_EQ(effect.blockSizeField(), 1024);
    EXPECT_EQ(effect.curProgramField(), 0);
    EXPECT_EQ(effect.numProgramsField(), 3);
    EXPECT_EQ(effect.numParamsField(), 5);
    EXPECT_EQ(effect.masterField(), &MockHost::callback);
    EXPECT_EQ(effect.editorField(), nullptr);
}

TEST(RecordAfterConstruction, RecordIsEmbeddedInTheInstance) {
    BareEffect effect(nullptr);
    const auto* begin = reinterpret_cast<const char*>(&effect);
    const auto* record = reinterpret_cast<const char*>(effect.getRecord());
    EXPECT_GE(record, begin);
    EXPECT_LE(record + sizeof(AEffect), begin + sizeof(BareEffect));
}

TEST(RecordAfterConstruction, FromRecordFindsTheInstance) {
    BareEffect effect(nullptr);
    EXPECT_EQ(AudioEffect::fromRecord(effect.getRecord()), &effect);
    EXPECT_EQ(AudioEffect::fromRecord(nullptr), nullptr);
}

// ---- Entry functions ----

class ForwardingEffect : public BareEffect {
public:
    ForwardingEffect() : BareEffect(nullptr) {}
    void process(float** inputs, float** outputs, int32_t frames) override {
        ++processCalls;
        lastInputs = inputs;
        lastOutputs = outputs;
        lastFrames = frames;
    }
    void processReplacing(float** inputs, float** outputs, int32_t frames) override {
        ++replacingCalls;
        lastInputs = inputs;
        lastOutputs = outputs;
        lastFrames = frames;
    }
    void setParameter(int32_t index, float value) override {
        if (throwing) throw std::runtime_error("ForwardingEffect::setParameter - Refused.");
        lastIndex = index;
        lastValue = value;
    }
    float getParameter(int32_t index) override {
        if (throwing) throw 3;
        return static_cast<float>(index) / 10.0f;
    }
    int processCalls = 0;
    int replacingCalls = 0;
    float** lastInputs = nullptr;
    float** lastOutputs = nullptr;
    int32_t lastFrames = 0;
    int32_t lastIndex = -1;
    float lastValue = -1.0f;
    bool throwing = false;
};

TEST(EntryFunctions, ForwardToTheInstance) {
    ForwardingEffect effect;
    AEffect* record = effect.getRecord();
    float* ins[2] = {};
    float* outs[2] = {};

    record->process(record, ins, outs, 64);
    EXPECT_EQ(effect.processCalls, 1);
    EXPECT_EQ(effect.lastInputs, ins);
    EXPECT_EQ(effect.lastOutputs, outs);
    EXPECT_EQ(effect.lastFrames, 64);

    record->processReplacing(record, outs, ins, 32);
    EXPECT_EQ(effect.replacingCalls, 1);
    EXPECT_EQ(effect.lastInputs, outs);
    EXPECT_EQ(effect.lastFrames, 32);

    record->setParameter(record, 3, 0.25f);
    EXPECT_EQ(effect.lastIndex, 3);
    EXPECT_FLOAT_EQ(effect.lastValue, 0.25f);
    EXPECT_FLOAT_EQ(record->getParameter(record, 4), 0.4f);

    EXPECT_EQ(record->dispatcher(record, effGetVstVersion, 0, 0, nullptr, 0.0f), 2300);
}

TEST(EntryFunctions, NullRecordOrObjectGivesHarmlessAnswers) {
    ForwardingEffect effect;
    const int destroyedBefore = BareEffect::destroyed;
    AEffect* record = effect.getRecord();
    AEffect copy = *record;
    copy.object = nullptr;
    for (AEffect* target : {static_cast<AEffect*>(nullptr), &copy}) {
        EXPECT_EQ(record->dispatcher(target, effGetVstVersion, 0, 0, nullptr, 0.0f), 0);
        EXPECT_EQ(record->dispatcher(target, effClose, 0, 0, nullptr, 0.0f), 0);
        record->process(target, nullptr, nullptr, 16);
        record->processReplacing(target, nullptr, nullptr, 16);
        record->setParameter(target, 0, 1.0f);
        EXPECT_FLOAT_EQ(record->getParameter(target, 0), 0.0f);
    }
    EXPECT_EQ(effect.processCalls, 0);
    EXPECT_EQ(effect.replacingCalls, 0);
    EXPECT_EQ(effect.lastIndex, -1);
    EXPECT_EQ(BareEffect::destroyed, destroyedBefore);
}

TEST(EntryFunctions, ParameterEntriesContainExceptions) {
    ForwardingEffect effect;
    AEffect* record = effect.getRecord();
    effect.throwing = true;
    ::testing::internal::CaptureStderr();
    record->setParameter(record, 1, 0.5f);
    EXPECT_FLOAT_EQ(record->getParameter(record, 1), 0.0f);
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("ForwardingEffect::setParameter - Refused.\n"), std::string::npos);
}

// ---- effClose and exceptions through the dispatch entry ----

class DispatchEntry : public ::testing::Test {
protected:
    void SetUp() override { BareEffect::resetCounters(); }
    void TearDown() override { BareEffect::resetCounters(); }
    MockHost host;
};

TEST_F(DispatchEntry, CloseCallsCloseDeletesAndAnswersOne) {
    auto* effect = new ProbeEffect(MockHost::callback);
    AEffect* record = effect->getRecord();
    EXPECT_EQ(effect->dispatcher(effClose, 0, 0, nullptr, 0.0f), 0);  // the instance's own answer
    effect->log.clear();
    EXPECT_EQ(record->dispatcher(record, effClose, 0, 0, nullptr, 0.0f), 1);
    EXPECT_EQ(BareEffect::destroyed, 1);
    EXPECT_EQ(BareEffect::releases, 1);
}

TEST_F(DispatchEntry, CloseThatThrowsStillDeletesAndAnswersOne) {
    class ThrowingClose : public BareEffect {
    public:
        ThrowingClose() : BareEffect(nullptr) {}
        void close() override { throw std::runtime_error("ThrowingClose::close - Failed."); }
    };
    auto* effect = new ThrowingClose;
    AEffect* record = effect->getRecord();
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(record->dispatcher(record, effClose, 0, 0, nullptr, 0.0f), 1);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "ThrowingClose::close - Failed.\n");
    EXPECT_EQ(BareEffect::destroyed, 1);
}

TEST_F(DispatchEntry, ExceptionFromResumeIsCaughtWrittenAndAnswersZero) {
    ProbeEffect effect(MockHost::callback);
    AEffect* record = effect.getRecord();
    effect.resumeThrows = true;
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(record->dispatcher(record, effMainsChanged, 0, 1, nullptr, 0.0f), 0);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "ProbeEffect::resume - No inputs connected.\n");
    EXPECT_EQ(effect.resumeState, 7);  // what resume wrote stands
    // The instance stays usable.
    EXPECT_EQ(record->dispatcher(record, effGetVstVersion, 0, 0, nullptr, 0.0f), 2300);
}

TEST_F(DispatchEntry, AnyOtherExceptionIsCaughtToo) {
    ProbeEffect effect(MockHost::callback);
    AEffect* record = effect.getRecord();
    effect.resumeThrowsOther = true;
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(record->dispatcher(record, effMainsChanged, 0, 1, nullptr, 0.0f), 0);
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1);
}

TEST_F(DispatchEntry, NegativeAnswersKeepTheirSign) {
    ProbeEffect effect(MockHost::callback);
    AEffect* record = effect.getRecord();
    int name = 0;
    EXPECT_EQ(record->dispatcher(record, effGetCurrentMidiProgram, 0, 0, &name, 0.0f), -1);
}

// ---- The entry template ----

class EntryTemplate : public ::testing::Test {
protected:
    void SetUp() override { BareEffect::resetCounters(); }
    void TearDown() override { BareEffect::resetCounters(); }
    MockHost host;
};

TEST_F(EntryTemplate, AsksTheVersionWithANullRecordThenReturnsTheEmbeddedRecord) {
    host.answer(audioMasterVersion, 2400);
    AEffect* record = createEffectRecord<BareEffect>(MockHost::callback);
    ASSERT_NE(record, nullptr);
    ASSERT_EQ(host.calls.size(), 1u);
    EXPECT_EQ(host.last().effect, nullptr);
    EXPECT_EQ(host.last().opcode, audioMasterVersion);
    EXPECT_EQ(host.last().index, 0);
    EXPECT_EQ(host.last().value, 0);
    EXPECT_EQ(host.last().ptr, nullptr);
    EXPECT_FLOAT_EQ(host.last().opt, 0.0f);

    auto* effect = static_cast<BareEffect*>(AudioEffect::fromRecord(record));
    EXPECT_EQ(record, effect->getRecord());  // inside the instance, not apart
    EXPECT_EQ(BareEffect::allocations, 1);
    EXPECT_EQ(record->dispatcher(record, effClose, 0, 0, nullptr, 0.0f), 1);
    EXPECT_EQ(BareEffect::releases, 1);
}

TEST_F(EntryTemplate, VersionZeroGivesNullAndAllocatesNothing) {
    host.answer(audioMasterVersion, 0);
    EXPECT_EQ(createEffectRecord<BareEffect>(MockHost::callback), nullptr);
    EXPECT_EQ(BareEffect::allocations, 0);
    EXPECT_EQ(BareEffect::constructed, 0);
}

TEST_F(EntryTemplate, NullCallbackStillCreates) {
    AEffect* record = createEffectRecord<BareEffect>(nullptr);
    ASSERT_NE(record, nullptr);
    EXPECT_TRUE(host.calls.empty());
    // Every later request is guarded.
    auto* effect = static_cast<BareEffect*>(AudioEffect::fromRecord(record));
    EXPECT_EQ(effect->getMasterVersion(), 1);
    EXPECT_TRUE(effect->isInputConnected(0));
    EXPECT_EQ(record->dispatcher(record, effClose, 0, 0, nullptr, 0.0f), 1);
    EXPECT_EQ(BareEffect::destroyed, 1);
}

TEST_F(EntryTemplate, InactiveInstanceIsDeletedAndNullReturned) {
    host.answer(audioMasterVersion, 2400);
    BareEffect::activeAnswer = false;
    EXPECT_EQ(createEffectRecord<BareEffect>(MockHost::callback), nullptr);
    EXPECT_EQ(BareEffect::constructed, 1);
    EXPECT_EQ(BareEffect::destroyed, 1);
    EXPECT_EQ(BareEffect::releases, 1);
}

TEST_F(EntryTemplate, ConstructionFailureIsCaughtAndMemoryReleased) {
    host.answer(audioMasterVersion, 2400);
    BareEffect::throwOnConstruct = true;
    EXPECT_EQ(createEffectRecord<BareEffect>(MockHost::callback), nullptr);
    EXPECT_EQ(BareEffect::allocations, 1);
    EXPECT_EQ(BareEffect::releases, 1);
}

TEST_F(EntryTemplate, AllocationFailureIsCaught) {
    host.answer(audioMasterVersion, 2400);
    BareEffect::failAllocation = true;
    EXPECT_EQ(createEffectRecord<BareEffect>(MockHost::callback), nullptr);
    EXPECT_EQ(BareEffect::constructed, 0);
}

}  // namespace
