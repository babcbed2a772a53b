#include "EditorState.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

template <typename T>
bool sameBits(const T* a, const T* b, int32_t count) {
    return count <= 0 || std::memcmp(a, b, sizeof(T) * static_cast<size_t>(count)) == 0;
}

bool sameText(const char* a, const char* b) { return std::strcmp(a != nullptr ? a : "", b != nullptr ? b : "") == 0; }

}  // namespace

bool EditorState::operator==(const EditorState& other) const noexcept {
    const int32_t n = count();
    return table.base == other.table.base && table.baseCount == other.table.baseCount &&
           table.extension == other.table.extension && table.extensionCount == other.table.extensionCount &&
           sameText(title, other.title) && scalePercent == other.scalePercent &&
           sameBits(values, other.values, n) && sameBits(texts, other.texts, n) && curveCount == other.curveCount &&
           sameBits(curve, other.curve, curveCount) && liveCount == other.liveCount &&
           sameBits(live, other.live, liveCount) && hovered == other.hovered && focused == other.focused &&
           dragged == other.dragged && typing == other.typing && std::strcmp(typed, other.typed) == 0;
}

int32_t nearestEditorScale(int32_t percent) noexcept {
    // Any int, without overflow below.
    percent = std::clamp(percent, 0, 1000);
    int32_t best = editorScales[0];
    for (int32_t scale : editorScales) {
        if (std::abs(scale - percent) < std::abs(best - percent)) best = scale;
    }
    return best;
}

EditorState makeEditorState(const ParameterTable& table, const char* title, int32_t scalePercent) noexcept {
    EditorState state;
    state.table = table;
    state.title = title != nullptr ? title : "";
    state.scalePercent = nearestEditorScale(scalePercent);
    for (int32_t i = 0; i < state.count(); ++i) {
        setEditorValue(state, i, table.find(i)->defaultValue);
    }
    return state;
}

bool setEditorValue(EditorState& state, int32_t index, float normalised) noexcept {
    const ParameterRecord* record = state.table.find(index);
    if (record == nullptr || index >= maxParamCount) return false;
    // NaN becomes 0, like the values hosts send.
    const float value = normalised > 0.0f ? std::min(normalised, 1.0f) : 0.0f;
    state.values[index] = value;
    std::memset(state.texts[index], 0, sizeof state.texts[index]);
    record->format(value, state.texts[index]);
    return true;
}
