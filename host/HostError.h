// The host library's errors: messages fit to show a user, typed where the
// caller acts on the kind.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>

namespace ondulaxis::host {

class HostError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A setting the plug-in does not take: an unknown name, a value out of its
// range or a text it never shows. The user's mistake, not a failure: the
// command answers it as it answers a bad option.
class SettingError : public HostError {
public:
    using HostError::HostError;
};

// Ctrl-C or SIGTERM ended the wait for a child process (which is ended too).
struct InterruptedError : HostError {
    InterruptedError() : HostError("interrupted") {}
};

// The deadline set on a plug-in's process passed (the process is ended).
struct TimedOutError : HostError {
    TimedOutError() : HostError("timed out") {}
};

// A CLAP file holds several plug-ins and none was chosen. The message lists
// them; a caller that knows how its user chooses can say so with the parts.
struct PluginChoiceError : HostError {
    PluginChoiceError(const std::string& file, std::size_t count, const std::string& plugins)
        : HostError(file + " holds " + std::to_string(count) + " plug-ins; choose one: " + plugins),
          file(file), count(count), plugins(plugins) {}
    std::string file;
    std::size_t count;
    std::string plugins;  // "ID (name), ..."
};

}  // namespace ondulaxis::host
