// Everything the editor's picture shows, as plain values: the picture is a
// function of this state alone, and needs drawing again only when the state
// differs from the one last drawn.
#pragma once

#include <cstdint>

#include "ParameterRecords.h"

// Two points for each of 512 columns of the curve: about one column a pixel at
// 200 %.
constexpr int32_t maxCurvePoints = 1025;
constexpr int32_t maxLivePoints = 256;
constexpr int32_t maxTypedText = 15;

// Scales the layout is made for, in percent.
constexpr int32_t editorScales[] = {100, 150, 200};

// An input and the output the effect gives for it, each nominally -1 to 1.
struct SignalPoint {
    float in;
    float out;
};

struct EditorState {
    ParameterTable table{nullptr, 0};
    const char* title = "";  // static text
    int32_t scalePercent = 100;

    float values[maxParamCount] = {};  // normalised
    char texts[maxParamCount][maxParameterText + 1] = {};

    // The transfer curve at the current values, inputs ascending.
    int32_t curveCount = 0;
    SignalPoint curve[maxCurvePoints] = {};
    // Recent input/output pairs of the running signal.
    int32_t liveCount = 0;
    SignalPoint live[maxLivePoints] = {};

    // Parameter indexes, -1 for none.
    int32_t hovered = -1;
    int32_t focused = -1;
    int32_t dragged = -1;
    int32_t typing = -1;
    char typed[maxTypedText + 1] = {};

    int32_t count() const noexcept { return table.count() < maxParamCount ? table.count() : maxParamCount; }
    bool operator==(const EditorState& other) const noexcept;
};

// The supported scale nearest to `percent`.
int32_t nearestEditorScale(int32_t percent) noexcept;

// A state showing the table's defaults, with no curve and no signal, at the
// supported scale nearest to `scalePercent`.
EditorState makeEditorState(const ParameterTable& table, const char* title, int32_t scalePercent) noexcept;

// Sets a value (clamped to 0 to 1) and its display text; false for an index
// outside the table.
bool setEditorValue(EditorState& state, int32_t index, float normalised) noexcept;
