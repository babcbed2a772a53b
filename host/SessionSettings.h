// What a host asks of a session, whatever the plug-in format: the file's
// rate and channels, the block size, parameter values by name and bypass.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ondulaxis::host {

struct ParameterSetting {
    std::string name;
    float value = 0.0f;  // normalised, 0 to 1
    // When not empty: the value is the one whose display reads this text
    // ("8x"), found by asking the plug-in.
    std::string display = {};
};

// Parses "NAME=VALUE". Throws SettingError when the text has no '=', an
// empty name, a value that is not a number, or one outside 0 to 1.
ParameterSetting parseParameterSetting(std::string_view text);

// Where `name` stands among a plug-in's parameter names, ignoring case.
// Throws SettingError, listing the names, when it is none of them.
std::size_t parameterIndex(const std::vector<std::string>& names, const std::string& name);

// "ZeroX=0 FuncMix=0.25" style summary.
std::string describeSettings(const std::vector<ParameterSetting>& settings, bool bypass);

struct SessionSettings {
    double sampleRate = 48000.0;
    int channels = 2;  // 1 takes the mono route, 2 the stereo route
    int32_t blockSize = 512;
    std::vector<ParameterSetting> parameters;
    bool bypass = false;
    bool accumulate = false;  // process onto zeroed outputs instead of processReplacing
    // Counts the blocks of audio as they start, for saying where a plug-in
    // crashed; null for none. Read by another process, so atomic.
    std::atomic<int64_t>* blockCounter = nullptr;
};

// Who carries out a requested bypass.
enum class BypassMode {
    none,    // not asked for
    plugin,  // the plug-in said it can and accepted the request
    host,    // the plug-in cannot or would not: the host passes the input on
};

}  // namespace ondulaxis::host
