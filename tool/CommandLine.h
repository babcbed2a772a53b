// The ondulaxis command: info, render, analyze and demo.
#pragma once

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

namespace ondulaxis::tool {

// Runs the command with its arguments (without the program name) and
// returns the exit status. Errors become one line on `errors`.
int runCommandLine(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& errors);

// The folder the running executable is in; empty when it cannot be read.
std::filesystem::path executableFolder();

// The plug-in used when none is named: Ondulaxis.so in ../lib/vst beside the
// executable when installed, else the one this build produced.
std::filesystem::path defaultPluginPath();

}  // namespace ondulaxis::tool
