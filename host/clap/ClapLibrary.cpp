#include "ClapLibrary.h"

#include "HostError.h"

#include <dlfcn.h>
#include <strings.h>

namespace ondulaxis::host {

namespace {

// The module's strings are its own: null or unterminated ones would be its
// fault, but only null can be caught here.
std::string copied(const char* text) { return text != nullptr ? std::string(text) : std::string(); }

std::string versionText(const ClapVersion& version) {
    return std::to_string(version.major) + "." + std::to_string(version.minor) + "." +
           std::to_string(version.revision);
}

}  // namespace

bool isClapFile(const std::filesystem::path& path) {
    return strcasecmp(path.extension().string().c_str(), ".clap") == 0;
}

ClapLibrary::ClapLibrary(const std::filesystem::path& path) : path_(path) {
    const std::string name = path.string();
    handle_ = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
        const char* error = dlerror();
        throw HostError("cannot load " + name + ": " + (error != nullptr ? error : "unknown error"));
    }
    // clap_entry is data, not a function: the symbol's address is the record.
    entry_ = static_cast<const ClapEntryTable*>(dlsym(handle_, "clap_entry"));
    if (entry_ == nullptr) {
        dlclose(handle_);
        throw HostError(name + " is not a CLAP module: it exports no clap_entry");
    }
    if (!clapVersionIsCompatible(entry_->clap_version) || entry_->init == nullptr ||
        entry_->get_factory == nullptr || entry_->deinit == nullptr) {
        const std::string version = versionText(entry_->clap_version);
        dlclose(handle_);
        throw HostError(name + ": its clap_entry (CLAP " + version + ") is not one this host can use");
    }
    if (!entry_->init(name.c_str())) {
        dlclose(handle_);
        throw HostError(name + ": the module refused to initialise (clap_entry.init failed)");
    }
    try {
        factory_ = static_cast<const ClapPluginFactory*>(entry_->get_factory(CLAP_PLUGIN_FACTORY_ID));
        if (factory_ == nullptr || factory_->get_plugin_count == nullptr ||
            factory_->get_plugin_descriptor == nullptr || factory_->create_plugin == nullptr) {
            throw HostError(name + " offers no plug-in factory");
        }
        const uint32_t count = factory_->get_plugin_count(factory_);
        for (uint32_t index = 0; index < count; ++index) {
            const ClapPluginDescriptor* descriptor = factory_->get_plugin_descriptor(factory_, index);
            if (descriptor == nullptr || descriptor->id == nullptr || descriptor->name == nullptr ||
                !clapVersionIsCompatible(descriptor->clap_version)) {
                throw HostError(name + ": plug-in " + std::to_string(index) + " of its factory has no usable descriptor");
            }
            ClapPluginDescription plugin{copied(descriptor->id),      copied(descriptor->name),
                                         copied(descriptor->vendor),  copied(descriptor->version),
                                         copied(descriptor->description), {}};
            for (const char* const* feature = descriptor->features; feature != nullptr && *feature != nullptr;
                 ++feature) {
                plugin.features.emplace_back(*feature);
            }
            plugins_.push_back(std::move(plugin));
        }
        if (plugins_.empty()) throw HostError(name + " holds no plug-ins");
    } catch (...) {
        entry_->deinit();
        dlclose(handle_);
        throw;
    }
}

ClapLibrary::~ClapLibrary() {
    entry_->deinit();
    dlclose(handle_);
}

const ClapPluginDescription& ClapLibrary::choose(const std::string& choice) const {
    std::string known;
    for (const ClapPluginDescription& plugin : plugins_) {
        known += (known.empty() ? "" : ", ") + plugin.id + " (" + plugin.name + ")";
    }
    if (choice.empty()) {
        if (plugins_.size() == 1) return plugins_.front();
        throw PluginChoiceError(path_.string(), plugins_.size(), known);
    }
    for (const ClapPluginDescription& plugin : plugins_) {
        if (plugin.id == choice) return plugin;
    }
    const ClapPluginDescription* found = nullptr;
    for (const ClapPluginDescription& plugin : plugins_) {
        if (strcasecmp(plugin.name.c_str(), choice.c_str()) != 0) continue;
        if (found != nullptr) {
            throw HostError(path_.string() + " holds several plug-ins named '" + choice + "'; choose by ID: " + known);
        }
        found = &plugin;
    }
    if (found == nullptr) {
        throw HostError(path_.string() + " holds no plug-in with ID or name '" + choice + "'; it holds " + known);
    }
    return *found;
}

}  // namespace ondulaxis::host
