// Shared helpers for the host tests: the built plug-in, stubs, temporary
// folders and running the ondulaxis command.
#pragma once

#include "HostError.h"
#include "PluginInstance.h"
#include "PluginLibrary.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace ondulaxis::host::test {

inline std::shared_ptr<const PluginLibrary> builtPlugin() {
    static const auto library = std::make_shared<const PluginLibrary>(ONDULAXIS_PLUGIN_PATH);
    return library;
}

inline std::filesystem::path stubPath(const std::string& kind) {
#if defined(_WIN32)
    return std::filesystem::path(STUB_FOLDER) / ("Stub" + kind + ".dll");
#else
    return std::filesystem::path(STUB_FOLDER) / ("Stub" + kind + ".so");
#endif
}

// An instance switched on with the given pins, sample rate 48 kHz.
inline std::unique_ptr<PluginInstance> resumedInstance(const PinConnections& pins, int32_t blockSize = 512) {
    auto instance = std::make_unique<PluginInstance>(builtPlugin());
    instance->open();
    instance->setSampleRate(48000.0f);
    instance->setBlockSize(blockSize);
    instance->setConnections(pins);
    instance->mainsChanged(true);
    return instance;
}

// A fresh folder under the test temporary directory, removed at the end.
class TemporaryFolder {
public:
    // create_directory answers false for a name already taken, so parallel
    // tests never share a folder.
    TemporaryFolder() {
        std::random_device random;
        do {
            path_ = std::filesystem::path(::testing::TempDir()) / ("ondulaxis-" + std::to_string(random()));
        } while (!std::filesystem::create_directory(path_));
    }
    ~TemporaryFolder() {
        std::error_code error;
        std::filesystem::remove_all(path_, error);
    }
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }
    std::vector<std::string> names() const {
        std::vector<std::string> found;
        for (const auto& entry : std::filesystem::directory_iterator(path_)) found.push_back(entry.path().filename().string());
        std::sort(found.begin(), found.end());
        return found;
    }

private:
    std::filesystem::path path_;
};

struct CommandResult {
    int status = -1;  // -1 when it had to be killed after minutes
    std::string out;
    std::string errors;
    int helpers = 0;         // helper processes stubs recorded
    int helpersRunning = 0;  // of them, still running when the command ended
};

// Runs the ondulaxis command with `arguments`, capturing both streams;
// sends it SIGINT once a stub announces its hang when `interruptOnceHung`.
// It runs in `workingDirectory` when one is given, and inherits an ignored
// SIGCHLD when asked to, as from a daemon. Helpers stubs record are ended.
CommandResult runOndulaxis(const std::vector<std::string>& arguments, bool interruptOnceHung = false,
                           const std::filesystem::path& workingDirectory = {}, bool ignoreChildSignal = false);
// The interleaved samples of a sound file the command wrote; empty when it
// cannot be read. (Tool tests only: they link the sound file library.)
std::vector<float> samplesOf(const std::filesystem::path& path);
// The same for a copy of the command elsewhere.
CommandResult runCommand(const std::filesystem::path& executable, const std::vector<std::string>& arguments,
                         bool interruptOnceHung = false, const std::filesystem::path& workingDirectory = {},
                         bool ignoreChildSignal = false);

// Splits text into lines, dropping a final empty one.
std::vector<std::string> lines(const std::string& text);

}  // namespace ondulaxis::host::test
