// The one error type of the host library: a message fit to show a user.
#pragma once

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

}  // namespace ondulaxis::host
