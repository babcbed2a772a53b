#include "PluginLibrary.h"

#include "HostError.h"

#include <dlfcn.h>

namespace ondulaxis::host {

namespace {

constexpr const char* kEntryNames[] = {"VSTPluginMain", "main"};

std::string lastLoaderError() {
    const char* text = dlerror();
    return text != nullptr ? text : "unknown loader error";
}

}  // namespace

PluginLibrary::PluginLibrary(const std::filesystem::path& path) : path_(path) {
    // A bare file name would send the loader searching the system paths
    // instead of opening the file the user named.
    const std::filesystem::path loadPath = path.has_parent_path() ? path : std::filesystem::path(".") / path;
    handle_ = dlopen(loadPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
        throw HostError("cannot load plug-in " + path.string() + ": " + lastLoaderError());
    }
    for (const char* name : kEntryNames) {
        dlerror();
        void* symbol = dlsym(handle_, name);
        if (symbol != nullptr) {
            entry_ = reinterpret_cast<EntryFunction>(symbol);
            entryName_ = name;
            return;
        }
    }
    dlclose(handle_);
    handle_ = nullptr;
    throw HostError("not a plug-in: " + path.string() + " exports no entry function (VSTPluginMain or main)");
}

PluginLibrary::~PluginLibrary() {
    if (handle_ != nullptr) dlclose(handle_);
}

}  // namespace ondulaxis::host
