// Where the editor's changes go: each change wrapped in a gesture, so hosts
// record it as one edit.
#pragma once

#include <cstdint>

class EditorGestures {
public:
    virtual ~EditorGestures() = default;
    // [UI thread] the user starts changing parameter `index`.
    virtual void begin(int32_t index) noexcept = 0;
    // [UI thread] a new normalised value, only between begin and end.
    virtual void change(int32_t index, float normalised) noexcept = 0;
    // [UI thread] the change is complete.
    virtual void end(int32_t index) noexcept = 0;
};
