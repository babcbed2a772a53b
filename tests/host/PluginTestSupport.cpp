#include "PluginTestSupport.h"

#include <sstream>

namespace ondulaxis::host::test {

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> found;
    std::stringstream stream(text);
    for (std::string line; std::getline(stream, line);) found.push_back(line);
    return found;
}

}  // namespace ondulaxis::host::test
