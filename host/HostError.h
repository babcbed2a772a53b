// The one error type of the host library: a message fit to show a user.
#pragma once

#include <stdexcept>
#include <string>

namespace ondulaxis::host {

class HostError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace ondulaxis::host
