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
class InterruptedError : public HostError {
public:
    InterruptedError() : HostError("interrupted") {}
};

// The deadline set on a plug-in's process passed (the process is ended).
class TimedOutError : public HostError {
public:
    TimedOutError() : HostError("timed out") {}
};

// A CLAP file holds several plug-ins and none was chosen. The message lists
// them; a caller that knows how its user chooses can say so with the parts.
class PluginChoiceError : public HostError {
public:
    PluginChoiceError(const std::string& file, std::size_t count, const std::string& plugins)
        : HostError(file + " holds " + std::to_string(count) + " plug-ins; choose one: " + plugins),
          file_(file), count_(count), plugins_(plugins) {}
    const std::string& file() const { return file_; }
    std::size_t count() const { return count_; }
    // "ID (name), ..."
    const std::string& plugins() const { return plugins_; }

private:
    std::string file_;
    std::size_t count_;
    std::string plugins_;
};

}  // namespace ondulaxis::host
