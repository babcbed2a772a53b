// Where an editor sends what the user does to a parameter: a gesture begins,
// the value changes (normalised, 0 to 1) any number of times, the gesture
// ends. Each plug-in format turns these into its host's calls, so an editor
// knows no format.
#pragma once

#include <cstdint>

#include "AudioEffectX.h"

class GestureSink {
public:
    // [main thread] a bad index is ignored.
    virtual void begin(int32_t index) noexcept = 0;
    virtual void change(int32_t index, float normalised) noexcept = 0;
    virtual void end(int32_t index) noexcept = 0;

protected:
    ~GestureSink() = default;
};

// The interface's sink: the effect takes the value and tells its host, which
// records the gesture as automation.
class EffectGestureSink final : public GestureSink {
public:
    explicit EffectGestureSink(AudioEffectX& effect) noexcept : effect(effect) {}

    void begin(int32_t index) noexcept override {
        if (known(index)) effect.beginEdit(index);
    }
    void change(int32_t index, float normalised) noexcept override {
        if (known(index)) effect.setParameterAutomated(index, normalised);
    }
    void end(int32_t index) noexcept override {
        if (known(index)) effect.endEdit(index);
    }

private:
    bool known(int32_t index) noexcept { return index >= 0 && index < effect.getRecord()->numParams; }

    AudioEffectX& effect;
};
