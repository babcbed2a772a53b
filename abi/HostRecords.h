// Records that pointer arguments of the interface refer to. The layer passes
// most of them through unread, so they stay opaque; speaker arrangements are
// laid out because the layer allocates and copies them.
#pragma once

#include <cstdint>

struct TimeInfo;
struct HostEvents;
struct PinProperties;
struct ParameterProperties;
struct OfflineTask;
struct AudioFile;
struct WindowRecord;
struct VariableIo;
struct MidiProgramName;
struct MidiProgramCategory;
struct MidiKeyName;
struct FileSelect;
struct PatchChunkInfo;

struct SpeakerProperties {
    float azimuth;
    float elevation;
    float radius;
    float reserved;
    char name[64];
    int32_t type;
    char future[28];
};
static_assert(sizeof(SpeakerProperties) == 112);

// A header followed in memory by numChannels speaker records.
struct SpeakerArrangement {
    int32_t type;
    int32_t numChannels;

    static constexpr int32_t headerBytes = 8;
    SpeakerProperties* speakers() {
        return reinterpret_cast<SpeakerProperties*>(reinterpret_cast<char*>(this) + headerBytes);
    }
};
static_assert(sizeof(SpeakerArrangement) == SpeakerArrangement::headerBytes);
