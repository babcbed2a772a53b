// Trying an unknown plug-in in a child process before loading it, as hosts
// scan plug-ins: a library that crashes, hangs or hands over no record while
// it loads takes down only the child. POSIX only.
#pragma once

#include "PluginLibrary.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>

namespace ondulaxis::host {

// What the child found in the record.
struct PluginScan {
    int32_t inputs = 0;
    int32_t outputs = 0;
    int32_t flags = 0;
};

inline constexpr std::chrono::milliseconds kScanTimeout{10000};

// In a child process: loads the library, creates an instance, opens it,
// asks its name and closes it; for a CLAP module (.clap), initialises it and
// creates, initialises, questions and destroys each of its plug-ins (the
// scan's pins and flags are 0 then). Throws HostError, one line, when the child
// crashes, takes longer than `timeout`, ends without a report, or fails
// (with the child's message), and InterruptedError on Ctrl-C once
// installInterruptHandler() has run. The child never outlives the caller.
PluginScan scanPlugin(const std::filesystem::path& path, std::chrono::milliseconds timeout = kScanTimeout);

// scanPlugin, then the library loaded in this process.
std::shared_ptr<const PluginLibrary> loadScannedPlugin(const std::filesystem::path& path,
                                                      std::chrono::milliseconds timeout = kScanTimeout);

}  // namespace ondulaxis::host
