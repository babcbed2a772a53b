// The exported entry point: one function under the three names hosts look up.
#pragma once

#include <new>
#include <stdexcept>

#include "EffectRecord.h"

// Creates one instance of Effect for a host and hands back its embedded record,
// or null when the host is unusable or the instance cannot be made.
template <class Effect>
AEffect* createEffectRecord(audioMasterCallback audioMaster) noexcept {
    if (audioMaster != nullptr &&
        audioMaster(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) {
        return nullptr;
    }
    Effect* effect = nullptr;
    try {
        effect = new Effect(audioMaster);
        if (!effect->isActive()) {
            delete effect;
            return nullptr;
        }
    } catch (const std::bad_alloc&) {
        delete effect;  // still null when construction itself failed
        return nullptr;
    } catch (const std::runtime_error&) {
        delete effect;
        return nullptr;
    } catch (...) {
        delete effect;
        return nullptr;
    }
    return effect->getRecord();
}

#if defined(_WIN32)

// A Windows DLL takes its export table from plugin/exports.def, which lists this
// one function under all three names, undecorated, so no alias or assembler name
// is needed (on 32-bit Windows the latter would also miss the C name prefix).
#define DEFINE_PLUGIN_ENTRY(Effect)                                                      \
    extern "C" AEffect* VSTPluginMain(audioMasterCallback audioMaster) {                 \
        return createEffectRecord<Effect>(audioMaster);                                  \
    }

#else

#define PLUGIN_EXPORT extern "C" __attribute__((visibility("default")))

// Defines VSTPluginMain and exports the same function as `main` and `main_gcc`.
// `main` is reached through an assembler name, since C++ reserves the identifier.
#define DEFINE_PLUGIN_ENTRY(Effect)                                                      \
    PLUGIN_EXPORT AEffect* VSTPluginMain(audioMasterCallback audioMaster) {              \
        return createEffectRecord<Effect>(audioMaster);                                  \
    }                                                                                    \
    PLUGIN_EXPORT AEffect* main_gcc(audioMasterCallback) __attribute__((alias("VSTPluginMain"))); \
    PLUGIN_EXPORT AEffect* pluginMainEntry(audioMasterCallback) __asm__("main")          \
        __attribute__((alias("VSTPluginMain")));

#endif
