// `ondulaxis analyze`: a test tone through the plug-in, its harmonics and
// aliases printed and drawn.
#pragma once

#include "DisplayUnits.h"
#include "PluginScan.h"
#include "SpectrumAnalysis.h"

#include <chrono>
#include <filesystem>
#include <ostream>
#include <vector>

namespace ondulaxis::tool {

// The command is built on the host library and names its types unqualified.
using namespace ondulaxis::host;

struct AnalyzeOptions {
    std::filesystem::path output;  // the SVG
    std::filesystem::path plugin;
    std::string pluginChoice;  // as RenderOptions'
    std::vector<TypedSetting> parameters;
    ToneSettings tone;
    double sampleRate = 48000.0;
    int32_t blockSize = 512;
    int oversample = 1;  // above 1: measured at 1x and at this factor
    bool sweep = false;  // aliasing against tone frequency instead of one spectrum
    std::chrono::milliseconds scanTimeout = kScanTimeout;
};

// Measures with the plug-in in a child process, prints the figures to
// `report` and writes the SVG. Throws HostError (also for a crash, saying
// where); the SVG is then left as it was.
void runAnalysis(const AnalyzeOptions& options, std::ostream& report);

}  // namespace ondulaxis::tool
