// Ondulaxis HQ's identity: its own name, description and unique id; the
// vendor, home page and version are the plain plug-in's.
#pragma once

#include "PluginIdentity.h"

inline constexpr PluginIdentity ondulaxisHQIdentity{
    .name = "Ondulaxis HQ",
    .description = "Sinusoidal distortion unit, oversampled",
    .vendor = ondulaxisIdentity.vendor,
    .homePage = ondulaxisIdentity.homePage,
    .uniqueId = fourCharCode('O', 'd', 'H', 'Q'),
    .vendorVersion = ondulaxisIdentity.vendorVersion,
};
static_assert(fitsHostBuffers(ondulaxisHQIdentity));
