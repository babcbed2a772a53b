// A CLAP module (.clap) loaded the way a host loads one: its entry
// initialised, its plug-in factory found and its plug-ins listed. POSIX only.
#pragma once

#include "ClapAbi.h"

#include <filesystem>
#include <string>
#include <vector>

namespace ondulaxis::host {

// A plug-in the factory offers, copied out of its descriptor.
struct ClapPluginDescription {
    std::string id;
    std::string name;
    std::string vendor;
    std::string version;
    std::string description;
    std::vector<std::string> features;
};

class ClapLibrary {
public:
    // [main thread] Opens the file, checks clap_entry's version, calls its
    // init with the path, finds the plug-in factory and reads every
    // descriptor. Throws HostError naming the file when any step fails (no
    // clap_entry, an incompatible version, init refused, no factory, a
    // descriptor without id or name); init is undone then.
    explicit ClapLibrary(const std::filesystem::path& path);
    // [main thread] deinit, then unloads; every plug-in made from it must be
    // destroyed by then.
    ~ClapLibrary();
    ClapLibrary(const ClapLibrary&) = delete;
    ClapLibrary& operator=(const ClapLibrary&) = delete;

    const std::filesystem::path& path() const { return path_; }
    const ClapPluginFactory& factory() const { return *factory_; }
    const ClapVersion& version() const { return entry_->clap_version; }
    const std::vector<ClapPluginDescription>& plugins() const { return plugins_; }

    // The plug-in whose ID is `choice`, else the one whose name is (any
    // case); with an empty choice the file's only plug-in. Throws HostError
    // listing the plug-ins when none or several match, PluginChoiceError
    // when the choice is empty and the file holds several.
    const ClapPluginDescription& choose(const std::string& choice) const;

private:
    std::filesystem::path path_;
    void* handle_ = nullptr;
    const ClapEntryTable* entry_ = nullptr;
    const ClapPluginFactory* factory_ = nullptr;
    std::vector<ClapPluginDescription> plugins_;
};

// True for a file named like a CLAP module.
bool isClapFile(const std::filesystem::path& path);

}  // namespace ondulaxis::host
