// The plug-in library exports its entry points and nothing else, so it
// cannot clash with the symbols of a host or of other plug-ins.
#include "PluginTestSupport.h"

#include <cstdio>
#include <set>
#include <sstream>

namespace ondulaxis::host::test {
namespace {

TEST(ExportedSymbolsTest, OnlyEntryPointsAreExported) {
    const std::string command = std::string("nm -D --defined-only '") + ONDULAXIS_PLUGIN_PATH + "' 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string listing;
    char buffer[512];
    while (fgets(buffer, sizeof buffer, pipe) != nullptr) listing += buffer;
    ASSERT_EQ(pclose(pipe), 0) << listing;

    const std::set<std::string> allowed{"main", "main_gcc", "VSTPluginMain"};
    std::set<std::string> exported;
    for (const std::string& line : lines(listing)) {
        // "<address> <type> <name>[@version]"
        std::istringstream fields(line);
        std::string address, type, name;
        fields >> address >> type >> name;
        name = name.substr(0, name.find('@'));
        if (!name.empty()) exported.insert(name);
    }
    // Hosts look for any one of the three names: all three, and nothing else.
    EXPECT_EQ(exported, allowed) << listing;
}

}  // namespace
}  // namespace ondulaxis::host::test
