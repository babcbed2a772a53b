#include "PluginLibrary.h"

#include "HostError.h"

#if defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#endif

namespace ondulaxis::host {

namespace {

constexpr const char* kEntryNames[] = {"VSTPluginMain", "main"};

#if defined(_WIN32)

std::string lastLoaderError(const std::filesystem::path&) {
    const DWORD code = GetLastError();
    char* text = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string message = length > 0 ? std::string(text, length) : "error " + std::to_string(code);
    if (text != nullptr) LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' ')) {
        message.pop_back();
    }
    return message;
}

void* openLibrary(const std::filesystem::path& path) {
    // An absolute path keeps the loader from searching for a file of that
    // name, and lets it look for the plug-in's own DLLs in its folder.
    const std::filesystem::path absolute = std::filesystem::absolute(path);
    // A broken file must fail the call, not put up a system dialog.
    DWORD previousMode = 0;
    SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previousMode);
    HMODULE module = LoadLibraryExW(absolute.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    const DWORD error = GetLastError();
    SetThreadErrorMode(previousMode, nullptr);
    SetLastError(error);
    return reinterpret_cast<void*>(module);
}

void* findSymbol(void* handle, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
}

void closeLibrary(void* handle) { FreeLibrary(static_cast<HMODULE>(handle)); }

#else

std::string lastLoaderError(const std::filesystem::path& path) {
    const char* text = dlerror();
    std::string message = text != nullptr ? text : "unknown loader error";
    // The loader starts with the path, which the caller's message already names.
    for (const std::string& prefix : {path.string() + ": ", (std::filesystem::path(".") / path).string() + ": "}) {
        if (message.rfind(prefix, 0) == 0) message.erase(0, prefix.size());
    }
    // A file that is no shared library at all gets the loader's view of its
    // insides ("file too short", "invalid ELF header"); say what it is.
    char magic[4] = {};
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file != nullptr) {
        const bool isElf = std::fread(magic, 1, 4, file) == 4 && std::memcmp(magic, "\x7f" "ELF", 4) == 0;
        std::fclose(file);
        if (!isElf) return "not a shared library (" + message + ")";
    }
    return message;
}

void* openLibrary(const std::filesystem::path& path) {
    // A bare file name would send the loader searching the system paths
    // instead of opening the file the user named.
    const std::filesystem::path loadPath = path.has_parent_path() ? path : std::filesystem::path(".") / path;
    return dlopen(loadPath.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void* findSymbol(void* handle, const char* name) {
    dlerror();
    return dlsym(handle, name);
}

void closeLibrary(void* handle) { dlclose(handle); }

#endif

}  // namespace

PluginLibrary::PluginLibrary(const std::filesystem::path& path) : path_(path) {
    handle_ = openLibrary(path);
    if (handle_ == nullptr) {
        throw HostError("cannot load plug-in " + path.string() + ": " + lastLoaderError(path));
    }
    for (const char* name : kEntryNames) {
        void* symbol = findSymbol(handle_, name);
        if (symbol != nullptr) {
            entry_ = reinterpret_cast<EntryFunction>(symbol);
            entryName_ = name;
            return;
        }
    }
    closeLibrary(handle_);
    handle_ = nullptr;
    throw HostError("not a plug-in: " + path.string() + " exports no entry function (VSTPluginMain or main)");
}

PluginLibrary::~PluginLibrary() {
    if (handle_ != nullptr) closeLibrary(handle_);
}

}  // namespace ondulaxis::host
