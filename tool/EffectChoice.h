// A plug-in file opened with the plug-in the command line chose in it.
#pragma once

#include "RenderedEffect.h"

#include <filesystem>
#include <memory>
#include <string>

namespace ondulaxis::tool {

// openEffect, telling a user who chose none of a CLAP file's several
// plug-ins how to choose one. Throws HostError.
std::shared_ptr<const host::EffectSource> openChosenEffect(const std::filesystem::path& path,
                                                           const std::string& choice);

}  // namespace ondulaxis::tool
