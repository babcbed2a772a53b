#include "FarWaves.h"

#include <dlfcn.h>

#include <cstdlib>
#include <cstring>

namespace {

// The system's SLEEF, opened on first use and closed when the plug-in is
// unloaded. ONDULAXIS_SLEEF=off leaves it out, for tests and measurements.
class SleefLibrary {
public:
    SleefLibrary() noexcept {
        const char* wanted = std::getenv("ONDULAXIS_SLEEF");
        if (wanted == nullptr || std::strcmp(wanted, "off") != 0) {
            handle = dlopen("libsleef.so.3", RTLD_NOW | RTLD_LOCAL);
        }
    }
    ~SleefLibrary() {
        if (handle != nullptr) {
            dlclose(handle);
        }
    }
    SleefLibrary(const SleefLibrary&) = delete;
    SleefLibrary& operator=(const SleefLibrary&) = delete;

    void* function(const char* name) const noexcept {
        return handle != nullptr ? dlsym(handle, name) : nullptr;
    }

private:
    void* handle = nullptr;
};

}  // namespace

farWaves::Found farWaves::find(const char* sinName, const char* cosName) noexcept {
    static const SleefLibrary library;
    void* sin = library.function(sinName);
    void* cos = library.function(cosName);
    if (sin == nullptr || cos == nullptr) {
        return {nullptr, nullptr};
    }
    return {sin, cos};
}
