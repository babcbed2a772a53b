// The editor's picture of a few states against digests stored from the
// x86-64 Linux build: every build must draw the same pixels.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <utility>

#include "EditorDrawing.h"
#include "EditorLayout.h"
#include "EditorState.h"
#include "HQParameters.h"
#include "PngFile.h"

namespace {

// A soft clipper driven by InGain, in plain arithmetic: a stand-in for the
// measured curve.
float shaped(float x, float drive) {
    const float d = x * drive;
    const float clipped = d * (27.0f + d * d) / (27.0f + 9.0f * d * d);
    return clipped > 1.0f ? 1.0f : clipped < -1.0f ? -1.0f : clipped;
}

void addCurveAndSignal(EditorState& state, int32_t livePoints) {
    const float drive = 1.0f + 4.0f * state.values[InGain];
    state.curveCount = 257;
    for (int32_t i = 0; i < state.curveCount; ++i) {
        const float x = static_cast<float>(i - 128) / 128.0f;
        state.curve[i] = {x, shaped(x, drive)};
    }
    // A decaying triangle wave's recent samples, lagging on the way down as
    // a slew limit makes them.
    state.liveCount = livePoints;
    for (int32_t i = 0; i < livePoints; ++i) {
        const int32_t phase = (i * 37) % 200;
        const bool rising = phase < 100;
        const float x = (rising ? phase - 50 : 150 - phase) / 50.0f * (1.0f - i / 400.0f);
        state.live[i] = {x, shaped(x, drive) * 0.8f + (rising ? -0.1f : 0.1f)};
    }
}

void defaults(EditorState& state) { addCurveAndSignal(state, 0); }

void awayFromDefaults(EditorState& state) {
    // The last two are HQ's Oversample and DryWet.
    const std::pair<int32_t, float> away[] = {{ZeroX, 0.0f},   {InGain, 0.35f}, {FuncMix, 0.8f},
                                              {FreqMin, 0.6f}, {FreqDif, 0.2f}, {OutGain, 0.9f},
                                              {paramCount, 1.0f}, {paramCount + 1, 0.7f}};
    for (const auto& [index, value] : away) {
        if (index < state.count()) setEditorValue(state, index, value);
    }
    state.hovered = AmpMin;
    state.focused = FreqMin;
    state.typing = FreqMin;
    std::strcpy(state.typed, "3.5");
    addCurveAndSignal(state, 200);
}

void dragging(EditorState& state) {
    awayFromDefaults(state);
    state.dragged = InGain;
}

struct Picture {
    const char* name;
    bool hq;
    int32_t scale;
    void (*setup)(EditorState&);
};

const Picture pictures[] = {
    {"hqDefaults100", true, 100, defaults},        {"hqDefaults200", true, 200, defaults},
    {"plainDefaults100", false, 100, defaults},    {"hqAway150", true, 150, awayFromDefaults},
    {"plainAway200", false, 200, dragging},
};

// From the x86-64 Linux build, in the order above.
const uint64_t expected[] = {
#include "EditorPictureDigests.inc"
};
static_assert(std::size(expected) == std::size(pictures));

uint64_t digest(const PixelCanvas& canvas) {
    uint64_t hash = 0xcbf29ce484222325u;  // FNV-1a
    const auto add = [&](uint32_t word) {
        for (int shift = 0; shift < 32; shift += 8) hash = (hash ^ ((word >> shift) & 0xFF)) * 0x100000001b3u;
    };
    add(static_cast<uint32_t>(canvas.width()));
    add(static_cast<uint32_t>(canvas.height()));
    for (int32_t y = 0; y < canvas.height(); ++y) {
        for (int32_t x = 0; x < canvas.width(); ++x) add(canvas.pixel(x, y));
    }
    return hash;
}

PixelCanvas draw(const Picture& picture) {
    EditorState state = makeEditorState(picture.hq ? ondulaxisHQParameters : ondulaxisParameters,
                                         picture.hq ? "Ondulaxis HQ" : "Ondulaxis", picture.scale);
    picture.setup(state);
    const EditorLayout layout(state.count(), state.scalePercent);
    PixelCanvas canvas(layout.width(), layout.height());
    drawEditor(state, canvas);
    return canvas;
}

TEST(EditorPictureTest, StatesDrawTheStoredPixels) {
    // scripts/editor-digests sets this to rewrite the stored digests.
    const char* rewrite = std::getenv("ONDULAXIS_WRITE_EDITOR_DIGESTS");
    // A directory to leave each picture in as a PNG, to look at.
    const char* pictureDirectory = std::getenv("ONDULAXIS_EDITOR_PICTURES");
    std::ofstream out;
    if (rewrite != nullptr) out.open(rewrite);
    for (size_t row = 0; row < std::size(pictures); ++row) {
        const PixelCanvas canvas = draw(pictures[row]);
        const uint64_t got = digest(canvas);
        if (pictureDirectory != nullptr) {
            EXPECT_TRUE(writePng(canvas, std::string(pictureDirectory) + "/" + pictures[row].name + ".png"));
        }
        if (rewrite != nullptr) {
            out << "    0x" << std::hex << got << ",  // " << pictures[row].name << "\n";
        } else {
            EXPECT_EQ(got, expected[row]) << pictures[row].name << ": 0x" << std::hex << got;
        }
    }
    if (rewrite != nullptr) {
        ASSERT_TRUE(out.good()) << rewrite;
    }
}

TEST(EditorPictureTest, StateDiffersExactlyWhenThePictureMay) {
    EditorState shown = makeEditorState(ondulaxisHQParameters, "Ondulaxis HQ", 100);
    awayFromDefaults(shown);
    void (*const changes[])(EditorState&) = {
        [](EditorState& s) { s.title = "Ondulaxis"; },         [](EditorState& s) { s.scalePercent = 200; },
        [](EditorState& s) { s.table = ondulaxisParameters; }, [](EditorState& s) { s.values[10] = 0.5f; },
        [](EditorState& s) { s.texts[10][0] = 'x'; },          [](EditorState& s) { s.curve[256].out = 0.0f; },
        [](EditorState& s) { --s.curveCount; },                [](EditorState& s) { s.live[199].in = 0.5f; },
        [](EditorState& s) { s.liveCount = 0; },               [](EditorState& s) { s.hovered = -1; },
        [](EditorState& s) { s.focused = 1; },                 [](EditorState& s) { s.dragged = 1; },
        [](EditorState& s) { s.typing = -1; },                 [](EditorState& s) { s.typed[1] = '\0'; },
    };
    for (size_t i = 0; i < std::size(changes); ++i) {
        EditorState changed = shown;
        EXPECT_TRUE(changed == shown);
        changes[i](changed);
        EXPECT_FALSE(changed == shown) << "change " << i;
    }
    // What lies beyond the points in use shows nowhere.
    EditorState same = shown;
    same.live[shown.liveCount].in = 0.5f;
    EXPECT_TRUE(same == shown);
}

}  // namespace
