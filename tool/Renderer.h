// Renders an audio file through a plug-in into another file.
#pragma once

#include "DisplayUnits.h"
#include "RenderedEffect.h"
#include "SessionSettings.h"
#include "PluginScan.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <ostream>
#include <vector>

namespace ondulaxis::tool {

// The command is built on the host library and names its types unqualified.
using namespace ondulaxis::host;

struct RenderOptions {
    std::filesystem::path input;
    std::filesystem::path output;
    std::filesystem::path plugin;
    std::string pluginChoice;  // the plug-in of a CLAP file, by ID or name; empty: its only one
    std::filesystem::path plot;  // empty: no plot
    std::vector<ParameterSetting> parameters;
    // Settings typed in display units, to report what the plug-in shows.
    std::vector<TypedSetting> typedParameters;
    std::filesystem::path savePreset;  // empty: none
    int oversample = 1;                // 2, 4, 8 or 16: run the plug-in that many times faster
    bool bypass = false;
    bool accumulate = false;
    bool quiet = false;
    // Write NaN and infinite samples (with a warning) instead of failing.
    bool keepNonFinite = false;
    int32_t blockSize = 512;
    int bits = 0;  // 0: the output format's default
    std::chrono::milliseconds scanTimeout = kScanTimeout;
    // The whole render's, from the start; 0: none.
    std::chrono::milliseconds timeout{0};
};

struct RenderSummary {
    int64_t frames = 0;
    double audioSeconds = 0.0;
    double wallSeconds = 0.0;
    double realTimeFactor = 0.0;
    float peak = 0.0f;
};

constexpr int32_t kMaxBlockSize = 1 << 20;

// Renders options.input into options.output (and the plot, if asked for),
// with the plug-in in a child process: a crash there becomes a HostError
// that says where it happened.
// Writes the parameter table and the closing summary to `report` unless
// quiet, and a progress bar to stderr when that is a terminal. Throws
// HostError; after a failure neither the output nor the plot file has
// changed. An output holding NaN or infinite samples is such a failure
// unless options.keepNonFinite.
RenderSummary renderFile(const RenderOptions& options, std::ostream& report);

// One line: frames, seconds of audio, wall time, real-time factor, peak.
std::string describeSummary(const RenderSummary& summary);

// openEffect, telling a user who chose none of a CLAP file's several
// plug-ins how to choose one. Throws HostError.
std::shared_ptr<const EffectSource> openChosenEffect(const std::filesystem::path& path, const std::string& choice);

}  // namespace ondulaxis::tool
