// A plug-in file of either format opened as an EffectSource.
#pragma once

#include "RenderedEffect.h"

#include <filesystem>
#include <memory>
#include <string>

namespace ondulaxis::host {

// [main thread] In this process, without a scan first (the command scans,
// then opens it again in the child that renders). A .clap file is a CLAP
// module, whose plug-in `choice` names by ID or name (empty: its only
// one); any other file a library of the record interface, for which the
// choice must be empty. Throws HostError.
std::shared_ptr<const EffectSource> openEffect(const std::filesystem::path& path, const std::string& choice);

}  // namespace ondulaxis::host
