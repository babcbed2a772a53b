// AudioEffectX::dispatcher, opcodes 25 to 76, and the base behaviours it
// reaches.
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "PluginTestSupport.h"

namespace {

using Log = std::vector<std::string>;

// Marks which dispatcher handled the edge opcodes 24 and 25, 76 and 77, and
// answers pointers through the two opcodes whose result is a pointer.
class EdgeEffect : public ProbeEffect {
public:
    EdgeEffect() : ProbeEffect(MockHost::callback) {}
    int32_t processEvents(HostEvents* /*events*/) override { return 25; }
    int32_t beginLoadProgram(PatchChunkInfo* /*info*/) override { return 76; }
    float* reportDestinationBuffer() override { return buffer; }
    void* getIcon() override { return &buffer[1]; }
    float buffer[2] = {};
};

class ExtendedDispatcher : public PluginTest {};

// ---- Which dispatcher answers ----

TEST(ExtendedRouting, Opcodes24And77ReachTheBaseDispatcher) {
    EdgeEffect effect;
    char chunk[4] = {};
    EXPECT_EQ(effect.dispatcher(effSetChunk, 0, 4, chunk, 0.0f), 88);  // AudioEffect's 24
    EXPECT_EQ(effect.dispatcher(effIdentify, 0, 0, nullptr, 0.0f), kIdentifyAnswer);
    EXPECT_EQ(effect.dispatcher(77, 0, 0, chunk, 0.0f), 0);
    EXPECT_EQ(effect.dispatcher(-1, 0, 0, chunk, 0.0f), 0);
    EXPECT_EQ(effect.log, (Log{"setChunk 4 bank"}));
}

TEST(ExtendedRouting, Opcodes25And76StayInTheExtendedDispatcher) {
    EdgeEffect effect;
    int events = 0;
    EXPECT_EQ(effect.dispatcher(effProcessEvents, 0, 0, &events, 0.0f), 25);
    EXPECT_EQ(effect.dispatcher(effBeginLoadProgram, 0, 0, &events, 0.0f), 76);
    EXPECT_TRUE(effect.log.empty());  // nothing of the base table ran
}

TEST(ExtendedRouting, PointerResultsAreReturnedWhole) {
    EdgeEffect effect;
    EXPECT_EQ(effect.dispatcher(effGetDestinationBuffer, 0, 0, nullptr, 0.0f),
              reinterpret_cast<intptr_t>(effect.buffer));
    EXPECT_EQ(effect.dispatcher(effGetIcon, 0, 0, nullptr, 0.0f),
              reinterpret_cast<intptr_t>(&effect.buffer[1]));
}

// ---- Argument placement ----

TEST_F(ExtendedDispatcher, ProgramNameIndexedTakesCategoryFromValueAndIndexFromIndex) {
    char text[16] = {};
    EXPECT_EQ(dispatch(effGetProgramNameIndexed, 3, 7, text), 1);
    EXPECT_STREQ(text, "P");
    EXPECT_EQ(effect->log, (Log{"getProgramNameIndexed category=7 index=3"}));
}

TEST_F(ExtendedDispatcher, KeysRequiredAnswerIsInverted) {
    effect->keysAnswer = false;
    EXPECT_EQ(dispatch(effKeysRequired), 1);
    effect->keysAnswer = true;
    EXPECT_EQ(dispatch(effKeysRequired), 0);
}

TEST_F(ExtendedDispatcher, SetSpeakerArrangementReadsValueAsInputPointer) {
    SpeakerArrangement input{};
    SpeakerArrangement output{};
    EXPECT_EQ(dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<intptr_t>(&input), &output),
              1);
    EXPECT_EQ(effect->arrangementIn, &input);
    EXPECT_EQ(effect->arrangementOut, &output);
}

TEST_F(ExtendedDispatcher, GetSpeakerArrangementReadsValueAsPlaceForInputPointer) {
    SpeakerArrangement dummy{};
    SpeakerArrangement* input = &dummy;
    SpeakerArrangement* output = &dummy;
    EXPECT_EQ(dispatch(effGetSpeakerArrangement, 0, reinterpret_cast<intptr_t>(&input), &output),
              0);
    EXPECT_EQ(effect->placeIn, &input);
    EXPECT_EQ(effect->placeOut, &output);
    EXPECT_EQ(input, nullptr);  // base behaviour clears both
    EXPECT_EQ(output, nullptr);
}

TEST_F(ExtendedDispatcher, ConnectionsAnswerOneWhateverTheOperationDoes) {
    EXPECT_EQ(dispatch(effConnectInput, 1, 0), 1);
    EXPECT_EQ(dispatch(effConnectInput, 0, 5), 1);
    EXPECT_EQ(dispatch(effConnectOutput, 1, 1), 1);
    EXPECT_EQ(effect->log, (Log{"inputConnected 1 off", "inputConnected 0 on"}));
}

TEST_F(ExtendedDispatcher, BlockSizeAndSampleRateFromValueAndOpt) {
    EXPECT_EQ(dispatch(effSetBlockSizeAndSampleRate, 0, 512, nullptr, 96000.0f), 1);
    EXPECT_EQ(effect->getBlockSize(), 512);
    EXPECT_FLOAT_EQ(effect->getSampleRate(), 96000.0f);
}

TEST_F(ExtendedDispatcher, BypassFromValue) {
    EXPECT_EQ(dispatch(effSetBypass, 0, 1), 1);
    EXPECT_EQ(dispatch(effSetBypass, 0, 0), 1);
    EXPECT_EQ(effect->log, (Log{"setBypass on", "setBypass off"}));
}

TEST_F(ExtendedDispatcher, VendorSpecificPassesAllFour) {
    int data = 0;
    EXPECT_EQ(dispatch(effVendorSpecific, 2, 3, &data, 0.5f), 5);
    EXPECT_EQ(effect->log, (Log{"vendorSpecific 2 3 0.500000"}));
    EXPECT_EQ(effect->lastPointer, &data);
}

TEST_F(ExtendedDispatcher, CanDoAnswerIsPassedAsIs) {
    char text[] = "bypass";
    EXPECT_EQ(dispatch(effCanDo, 0, 0, text), -1);
    EXPECT_EQ(effect->log, (Log{"canDo bypass"}));
}

TEST_F(ExtendedDispatcher, KeyRecordForTheEditor) {
    int deletions = 0;
    auto* editor = new ProbeEditor(&deletions);
    effect->attachEditor(editor);

    EXPECT_EQ(dispatch(effEditKeyDown, 65, 0x1ff, nullptr, 300.7f), 21);
    EXPECT_EQ(editor->lastKey.character, 65);
    EXPECT_EQ(editor->lastKey.virtualKey, 0xff);
    EXPECT_EQ(editor->lastKey.modifiers, 300 & 0xff);
    EXPECT_EQ(editor->lastKey.padding[0], 0);
    EXPECT_EQ(editor->lastKey.padding[1], 0);

    EXPECT_EQ(dispatch(effEditKeyUp, -2, 0x12, nullptr, -1.9f), 22);
    EXPECT_EQ(editor->lastKey.character, -2);
    EXPECT_EQ(editor->lastKey.virtualKey, 0x12);
    EXPECT_EQ(editor->lastKey.modifiers, 0xff);  // -1 truncated toward zero

    // A modifier value that is not finite converts to 0 rather than UB.
    EXPECT_EQ(dispatch(effEditKeyDown, 1, 1, nullptr, std::numeric_limits<float>::infinity()),
              21);
    EXPECT_EQ(editor->lastKey.modifiers, 0);

    EXPECT_EQ(dispatch(effSetEditKnobMode, 0, 2), 23);
    EXPECT_EQ(editor->knobMode, 2);

    delete effect;
    effect = nullptr;
    EXPECT_EQ(deletions, 1);
}

// ---- Answers where the base behaviour is kept ----

class ExtendedBase : public ::testing::Test {
protected:
    intptr_t dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0,
                      void* ptr = nullptr, float opt = 0.0f) {
        return effect.dispatcher(opcode, index, value, ptr, opt);
    }
    MockHost host;
    BareEffect effect{MockHost::callback};
};

TEST_F(ExtendedBase, OpcodesAnsweringZero) {
    long long scratch[32] = {};
    SpeakerArrangement arrangement{};
    for (int32_t opcode : {25, 27, 29, 30, 33, 34, 36, 37, 38, 39, 40, 41, 44, 45, 46, 47, 48, 49,
                           50, 51, 52, 53, 54, 55, 56, 59, 60, 61, 62, 64, 65, 66, 67, 68, 70, 71,
                           72, 74, 75, 76}) {
        EXPECT_EQ(dispatch(opcode, 1, 1, scratch, 1.0f), 0) << "opcode " << opcode;
    }
    EXPECT_EQ(dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<intptr_t>(&arrangement),
                       &arrangement),
              0);
    for (long long word : scratch) EXPECT_EQ(word, 0);  // nothing written
    EXPECT_TRUE(host.calls.empty());
}

TEST_F(ExtendedBase, OpcodesWithOtherAnswers) {
    EXPECT_EQ(dispatch(effCanBeAutomated, 0), 1);
    EXPECT_EQ(dispatch(effCanBeAutomated, 1234), 1);
    EXPECT_EQ(dispatch(effGetNumProgramCategories), 1);
    EXPECT_EQ(dispatch(effKeysRequired), 1);
    EXPECT_EQ(dispatch(effGetVstVersion), 2300);
    int name = 0;
    EXPECT_EQ(dispatch(effGetCurrentMidiProgram, 0, 0, &name), -1);
    EXPECT_EQ(dispatch(effSetTotalSampleToProcess, 0, 4096), 4096);
    EXPECT_EQ(dispatch(effSetTotalSampleToProcess, 0, -7), -7);
    EXPECT_EQ(dispatch(effConnectInput, 0, 1), 1);
    EXPECT_EQ(dispatch(effConnectOutput, 0, 1), 1);
}

TEST_F(ExtendedBase, PlugCategoryFollowsTheSynthFlag) {
    EXPECT_EQ(dispatch(effGetPlugCategory), 0);
    effect.isSynth(true);
    EXPECT_EQ(dispatch(effGetPlugCategory), 2);
    effect.isSynth(false);
    EXPECT_EQ(dispatch(effGetPlugCategory), 0);
}

TEST_F(ExtendedBase, OperationsReachedByNoOpcode) {
    EXPECT_FLOAT_EQ(effect.reservedFloatQuery(1, 2), 0.0f);
    EXPECT_EQ(effect.reservedQuery1(), 0);
    EXPECT_EQ(effect.reservedQuery2(), 0);
    EXPECT_EQ(effect.getEditor(), nullptr);
}

// ---- Null host pointers: nothing written, nothing called, answer 0 ----

TEST_F(ExtendedDispatcher, NullPointersAnswerZeroWithoutCalling) {
    for (int32_t opcode : {25, 27, 29, 33, 34, 38, 39, 40, 41, 42, 45, 46, 47, 48, 51, 56, 62,
                           64, 66, 69, 70, 75, 76}) {
        EXPECT_EQ(dispatch(opcode, 1, 0, nullptr), 0) << "opcode " << opcode;
    }
    EXPECT_TRUE(effect->log.empty());
    // The base getCurrentMidiProgram never reads its pointer: no guard, no new answer.
    EXPECT_EQ(dispatch(effGetCurrentMidiProgram, 1, 0, nullptr), -1);
    EXPECT_EQ(effect->arrangementIn, nullptr);
    EXPECT_EQ(effect->placeIn, nullptr);
}

TEST_F(ExtendedDispatcher, NullValuePointerOfArrangementOpcodesIsGuarded) {
    SpeakerArrangement output{};
    SpeakerArrangement* place = &output;
    EXPECT_EQ(dispatch(effSetSpeakerArrangement, 0, 0, &output), 0);
    EXPECT_EQ(dispatch(effGetSpeakerArrangement, 0, 0, &place), 0);
    EXPECT_EQ(effect->arrangementOut, nullptr);
    EXPECT_EQ(effect->placeOut, nullptr);
    EXPECT_EQ(place, &output);  // untouched
}

// A pointer-sized value is read as its low 32 bits wherever it is a number or
// a switch: upper bits alone switch nothing on.
TEST_F(ExtendedDispatcher, ValueIsReadAsItsLow32Bits) {
    // 0 on a 32-bit build, where the rows hold as well.
    const auto upperOnly = static_cast<intptr_t>(INT64_C(1) << 32);
    const auto lowOne = upperOnly | 1;
    dispatch(effMainsChanged, 0, upperOnly);
    dispatch(effMainsChanged, 0, lowOne);
    dispatch(effConnectInput, 2, upperOnly);
    dispatch(effSetBypass, 0, upperOnly);
    dispatch(effSetBypass, 0, lowOne);
    EXPECT_EQ(effect->log, (Log{"suspend", "resume", "inputConnected 2 off", "setBypass off",
                                "setBypass on"}));
}

}  // namespace
