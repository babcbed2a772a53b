// AudioEffect::dispatcher, opcodes 0 to 24, and the base behaviours it
// reaches.
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "PluginTestSupport.h"

namespace {

using Log = std::vector<std::string>;

// ---- Argument placement ----

using BaseDispatcher = PluginTest;

TEST_F(BaseDispatcher, OpenAndCloseCallTheirOperationsAndAnswerZero) {
    EXPECT_EQ(effect->dispatcher(effOpen, 0, 0, nullptr, 0.0f), 0);
    EXPECT_EQ(effect->dispatcher(effClose, 0, 0, nullptr, 0.0f), 0);
    EXPECT_EQ(effect->log, (Log{"open", "close"}));
}

TEST_F(BaseDispatcher, SetProgramComparesSigned) {
    dispatch(effSetProgram, 0, 1);  // one program: 1 is not below numPrograms
    EXPECT_TRUE(effect->log.empty());
    dispatch(effSetProgram, 0, -1);  // negative values are passed on
    dispatch(effSetProgram, 0, 0);
    EXPECT_EQ(effect->log, (Log{"setProgram -1", "setProgram 0"}));
}

TEST_F(BaseDispatcher, GetProgramAnswersCurProgram) {
    EXPECT_EQ(dispatch(effGetProgram), 0);
    dispatch(effSetProgram, 0, -3);
    EXPECT_EQ(dispatch(effGetProgram), -3);  // sign kept through the pointer-sized answer
}

TEST_F(BaseDispatcher, TextOpcodesPassIndexAndText) {
    char text[16] = "Name";
    EXPECT_EQ(dispatch(effSetProgramName, 0, 0, text), 0);
    char label[16] = "xx";
    EXPECT_EQ(dispatch(effGetParamLabel, 3, 0, label), 0);
    EXPECT_STREQ(label, "L");
    char display[16] = "xx";
    EXPECT_EQ(dispatch(effGetParamDisplay, 4, 0, display), 0);
    EXPECT_STREQ(display, "D");
    char name[16] = "xx";
    EXPECT_EQ(dispatch(effGetParamName, 5, 0, name), 0);
    EXPECT_STREQ(name, "N");
    EXPECT_EQ(effect->log, (Log{"setProgramName Name", "getParameterLabel 3",
                                "getParameterDisplay 4", "getParameterName 5"}));
}

TEST_F(BaseDispatcher, GetVuScalesAndTruncates) {
    effect->vu = 0.5f;
    EXPECT_EQ(dispatch(effGetVu), 16383);
    effect->vu = -0.5f;
    EXPECT_EQ(dispatch(effGetVu), -16383);
    effect->vu = 1.0f;
    EXPECT_EQ(dispatch(effGetVu), 32767);
}

// Not finite or beyond int32: NaN answers 0, the rest clamps to the int32 ends.
TEST_F(BaseDispatcher, GetVuConversionIsAlwaysDefined) {
    effect->vu = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(dispatch(effGetVu), 0);
    effect->vu = std::numeric_limits<float>::infinity();
    EXPECT_EQ(dispatch(effGetVu), std::numeric_limits<int32_t>::max());
    effect->vu = -std::numeric_limits<float>::infinity();
    EXPECT_EQ(dispatch(effGetVu), std::numeric_limits<int32_t>::min());
    effect->vu = 1.0e30f;
    EXPECT_EQ(dispatch(effGetVu), std::numeric_limits<int32_t>::max());
}

TEST_F(BaseDispatcher, SampleRateFromOptAndBlockSizeFromValue) {
    EXPECT_EQ(dispatch(effSetSampleRate, 7, 9, nullptr, 48000.0f), 0);
    EXPECT_FLOAT_EQ(effect->sampleRateField(), 48000.0f);
    EXPECT_EQ(dispatch(effSetBlockSize, 7, 256, nullptr, 1.0f), 0);
    EXPECT_EQ(effect->blockSizeField(), 256);
    EXPECT_FLOAT_EQ(effect->getSampleRate(), 48000.0f);
    EXPECT_EQ(effect->getBlockSize(), 256);
}

TEST_F(BaseDispatcher, MainsChangedSuspendsOnZeroAndResumesOtherwise) {
    EXPECT_EQ(dispatch(effMainsChanged, 0, 0), 0);
    EXPECT_EQ(dispatch(effMainsChanged, 0, 2), 0);
    EXPECT_EQ(effect->log, (Log{"suspend", "resume"}));
}

TEST_F(BaseDispatcher, IdentifyAnswersNvEf) {
    EXPECT_EQ(dispatch(effIdentify), 0x4e764566);
}

TEST_F(BaseDispatcher, ChunksPassPlaceSizeAndPresetFlag) {
    void* data = nullptr;
    EXPECT_EQ(dispatch(effGetChunk, 1, 0, &data), 77);
    EXPECT_EQ(data, effect);
    char bytes[4] = {};
    EXPECT_EQ(dispatch(effSetChunk, 0, 4, bytes), 88);
    EXPECT_EQ(effect->lastPointer, bytes);
    EXPECT_EQ(effect->log, (Log{"getChunk preset", "setChunk 4 bank"}));
}

TEST_F(BaseDispatcher, EditorOpcodesWithoutEditorAnswerZero) {
    void* rect = nullptr;
    for (int32_t opcode : {effEditGetRect, effEditOpen, effEditClose, effEditDraw, effEditMouse,
                           effEditKey, effEditIdle, effEditTop, effEditSleep}) {
        EXPECT_EQ(dispatch(opcode, 0, 0, &rect), 0) << "opcode " << opcode;
    }
    EXPECT_EQ(rect, nullptr);
}

TEST_F(BaseDispatcher, EditorOpcodesReachAnAttachedEditor) {
    int deletions = 0;
    auto* editor = new ProbeEditor(&deletions);
    effect->attachEditor(editor);
    void* rect = nullptr;
    EXPECT_EQ(dispatch(effEditGetRect, 0, 0, &rect), 11);
    EXPECT_EQ(rect, editor);
    int window = 0;
    EXPECT_EQ(dispatch(effEditOpen, 0, 0, &window), 12);
    EXPECT_EQ(editor->openedWith, &window);
    EXPECT_EQ(dispatch(effEditClose), 0);
    EXPECT_EQ(dispatch(effEditIdle), 0);
    EXPECT_EQ(editor->closes, 1);
    EXPECT_EQ(editor->idles, 1);
    delete effect;  // the instance owns its editor
    effect = nullptr;
    EXPECT_EQ(deletions, 1);
}

TEST_F(BaseDispatcher, OpcodesOutsideTheTableAnswerZeroAndCallNothing) {
    for (int32_t opcode : {77, 78, 1000, -1, -100, std::numeric_limits<int32_t>::min()}) {
        EXPECT_EQ(effect->AudioEffect::dispatcher(opcode, 1, 1, nullptr, 1.0f), 0);
        EXPECT_EQ(dispatch(opcode, 1, 1, nullptr, 1.0f), 0) << "opcode " << opcode;
    }
    EXPECT_TRUE(effect->log.empty());
    EXPECT_TRUE(host.calls.empty());
}

// ---- Null host pointers: nothing written, nothing called, answer 0 ----

TEST_F(BaseDispatcher, NullTextOrDataAnswersZeroWithoutCalling) {
    for (int32_t opcode : {effSetProgramName, effGetProgramName, effGetParamLabel,
                           effGetParamDisplay, effGetParamName, effGetChunk, effSetChunk}) {
        EXPECT_EQ(dispatch(opcode, 1, 4, nullptr), 0) << "opcode " << opcode;
    }
    EXPECT_TRUE(effect->log.empty());
}

TEST_F(BaseDispatcher, NullPointersDoNotReachAnAttachedEditor) {
    int deletions = 0;
    auto* editor = new ProbeEditor(&deletions);
    effect->attachEditor(editor);
    EXPECT_EQ(dispatch(effEditGetRect, 0, 0, nullptr), 0);
    EXPECT_EQ(dispatch(effEditOpen, 0, 0, nullptr), 0);
    EXPECT_EQ(editor->openedWith, nullptr);
    delete effect;
    effect = nullptr;
    EXPECT_EQ(deletions, 1);
}

// ---- Base behaviours (no overrides) ----

class BaseBehaviour : public ::testing::Test {
protected:
    MockHost host;
    BareEffect effect{MockHost::callback};
};

TEST_F(BaseBehaviour, AnswersOfTheUntouchedBase) {
    EXPECT_EQ(effect.dispatcher(effGetProgram, 0, 0, nullptr, 0.0f), 0);
    EXPECT_EQ(effect.dispatcher(effGetVu, 0, 0, nullptr, 0.0f), 0);
    void* data = &effect;
    EXPECT_EQ(effect.dispatcher(effGetChunk, 0, 0, &data, 0.0f), 0);
    EXPECT_EQ(effect.dispatcher(effSetChunk, 0, 4, &data, 0.0f), 0);
    EXPECT_EQ(effect.dispatcher(effIdentify, 0, 0, nullptr, 0.0f), kIdentifyAnswer);
    EXPECT_FLOAT_EQ(effect.getParameter(3), 0.0f);
    EXPECT_FLOAT_EQ(effect.getVu(), 0.0f);
    EXPECT_TRUE(host.calls.empty());
}

TEST_F(BaseBehaviour, TextOperationsWriteOnlyATerminator) {
    char text[4] = {'a', 'b', 'c', '\0'};
    for (int32_t opcode : {effSetProgramName, effGetProgramName, effGetParamLabel,
                           effGetParamDisplay, effGetParamName}) {
        text[0] = 'a';
        EXPECT_EQ(effect.dispatcher(opcode, 0, 0, text, 0.0f), 0);
        EXPECT_EQ(text[0], '\0') << "opcode " << opcode;
        EXPECT_EQ(text[1], 'b');
    }
}

TEST_F(BaseBehaviour, SetProgramMovesCurProgram) {
    effect.setProgram(5);
    EXPECT_EQ(effect.getProgram(), 5);
    EXPECT_EQ(effect.curProgramField(), 5);
}

TEST_F(BaseBehaviour, RecordFieldSetters) {
    AEffect* record = effect.getRecord();
    effect.setUniqueID(fourCharCode('T', 'e', 's', 't'));
    effect.setNumInputs(3);
    effect.setNumOutputs(5);
    effect.setRealtimeQualities(6);
    effect.setOfflineQualities(7);
    effect.setInitialDelay(64);
    EXPECT_EQ(record->uniqueID, 0x54657374);
    EXPECT_EQ(record->numInputs, 3);
    EXPECT_EQ(record->numOutputs, 5);
    EXPECT_EQ(record->realQualities, 6);
    EXPECT_EQ(record->offQualities, 7);
    EXPECT_EQ(record->initialDelay, 64);
}

struct FlagCase {
    const char* name;
    void (BareEffect::*setter)(bool);
    int32_t bit;
};

std::ostream& operator<<(std::ostream& out, const FlagCase& c) { return out << c.name; }

class FlagSetters : public ::testing::TestWithParam<FlagCase> {};

TEST_P(FlagSetters, SetAndClearOnlyTheirBit) {
    BareEffect effect(nullptr);
    AEffect* record = effect.getRecord();
    const FlagCase& c = GetParam();
    record->flags = 0;
    (effect.*c.setter)(true);
    EXPECT_EQ(record->flags, c.bit);
    record->flags = -1;
    (effect.*c.setter)(false);
    EXPECT_EQ(record->flags, ~c.bit);
    (effect.*c.setter)(true);
    EXPECT_EQ(record->flags, -1);
}

INSTANTIATE_TEST_SUITE_P(
    AllFlags, FlagSetters,
    ::testing::Values(FlagCase{"hasClip", &BareEffect::hasClip, 0x002},
                      FlagCase{"hasVu", &BareEffect::hasVu, 0x004},
                      FlagCase{"canMono", &BareEffect::canMono, 0x008},
                      FlagCase{"canProcessReplacing", &BareEffect::canProcessReplacing, 0x010},
                      FlagCase{"programsAreChunks", &BareEffect::programsAreChunks, 0x020},
                      FlagCase{"isSynth", &BareEffect::isSynth, 0x100},
                      FlagCase{"noTail", &BareEffect::noTail, 0x200},
                      FlagCase{"wantAsyncOperation", &BareEffect::wantAsyncOperation, 0x400},
                      FlagCase{"hasExternalBuffer", &BareEffect::hasExternalBuffer, 0x800}),
    [](const ::testing::TestParamInfo<FlagCase>& info) { return std::string(info.param.name); });

}  // namespace
