// A plug-in shared library loaded the way a host loads one.
#pragma once

#include "PluginRecord.h"

#include <filesystem>
#include <string>

namespace ondulaxis::host {

class PluginLibrary {
public:
    // Opens the file and finds its entry function (VSTPluginMain, then main).
    // Throws HostError when the file cannot be loaded or exports neither.
    explicit PluginLibrary(const std::filesystem::path& path);
    // Unloads the library; every instance made from it must be gone by then.
    ~PluginLibrary();

    PluginLibrary(const PluginLibrary&) = delete;
    PluginLibrary& operator=(const PluginLibrary&) = delete;

    const std::filesystem::path& path() const { return path_; }
    EntryFunction entry() const { return entry_; }
    // The name under which the entry function was found.
    const std::string& entryName() const { return entryName_; }

private:
    std::filesystem::path path_;
    void* handle_ = nullptr;
    EntryFunction entry_ = nullptr;
    std::string entryName_;
};

}  // namespace ondulaxis::host
