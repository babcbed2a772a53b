// Sine and cosine for the vector kernels' chunks with huge phases. SLEEF
// reduces such phases in vector code; the system's libsleef is loaded when
// present, so the plug-in needs nothing beyond glibc to run. Without it the
// chunks take libmvec, which handles them lane by lane: slower, and as exact,
// so the output is the same bits either way.
#pragma once

#include <dlfcn.h>

#include <cstdlib>
#include <cstring>

namespace farWaves {

// The system's SLEEF, opened on first use and closed when the plug-in is
// unloaded. ONDULAXIS_SLEEF=off leaves it out, for tests and measurements.
class SleefLibrary {
public:
    static void* function(const char* name) noexcept {
        static SleefLibrary library;
        return library.handle != nullptr ? dlsym(library.handle, name) : nullptr;
    }

private:
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
    void* handle = nullptr;
};

// SLEEF's sine and cosine of one vector width, or nulls when it lacks either.
// Called while the kernel tables are made, never on the audio thread.
struct Found {
    void* sin;
    void* cos;
};
inline Found find(const char* sinName, const char* cosName) noexcept {
    void* sin = SleefLibrary::function(sinName);
    void* cos = SleefLibrary::function(cosName);
    if (sin == nullptr || cos == nullptr) {
        return {nullptr, nullptr};
    }
    return {sin, cos};
}

}  // namespace farWaves
