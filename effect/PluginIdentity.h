// What a plug-in tells hosts about itself, once for every format: the
// interface's getters, the CLAP descriptor, the LV2 description and an
// editor's title read it.
#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>

#include "EffectRecord.h"

struct PluginIdentity {
    const char* name;
    // One line; the product string is the name, " - " and this.
    const char* description;
    const char* vendor;
    const char* homePage;
    // The record interface's: the four-character unique id and the vendor's
    // version of the plug-in.
    int32_t uniqueId;
    int32_t vendorVersion;

    // [any thread] writes the product string into a host's buffer of 64 bytes.
    void writeProductString(char* text) const noexcept {
        std::strcpy(text, name);
        std::strcat(text, " - ");
        std::strcat(text, description);
    }
};

// The record interface's buffers: 32 bytes for the effect name, 64 for the
// vendor and product strings, terminators included.
constexpr bool fitsHostBuffers(const PluginIdentity& identity) noexcept {
    return std::string_view(identity.name).size() < 32 && std::string_view(identity.vendor).size() < 64 &&
           std::string_view(identity.name).size() + 3 + std::string_view(identity.description).size() < 64;
}

inline constexpr PluginIdentity ondulaxisIdentity{
    .name = "Ondulaxis",
    .description = "Sinusoidal distortion unit",
    .vendor = "Brakkenholtmark",
    .homePage = "https://ondulaxis.example/",
    .uniqueId = fourCharCode('O', 'd', 'l', 'x'),
    .vendorVersion = 502,
};
static_assert(fitsHostBuffers(ondulaxisIdentity));
