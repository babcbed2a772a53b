// The optional user-interface object an instance may own. This plug-in has
// none; the layer only forwards to one when attached.
#pragma once

#include <cstdint>

// Key event handed to the editor, built on the stack by the dispatcher.
struct KeyRecord {
    int32_t character;
    uint8_t virtualKey;
    uint8_t modifiers;
    uint8_t padding[2];
};
static_assert(sizeof(KeyRecord) == 8);

class PluginEditor {
public:
    virtual ~PluginEditor() = default;
    virtual intptr_t getRect(void** rect) = 0;
    virtual intptr_t open(void* window) = 0;
    virtual void close() = 0;
    virtual void idle() = 0;
    virtual int32_t onKeyDown(KeyRecord& key) = 0;
    virtual int32_t onKeyUp(KeyRecord& key) = 0;
    virtual int32_t setKnobMode(intptr_t mode) = 0;
};
