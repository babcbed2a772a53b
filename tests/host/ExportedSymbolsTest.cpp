// The plug-in library exports its entry points and nothing else, so it
// cannot clash with the symbols of a host or of other plug-ins, and every
// plug-in file needs only glibc's own libraries, so it loads on any
// distribution: also where no X11 library is installed, as the editors load
// it only when they open.
#include "PluginTestSupport.h"

#include <cstdio>
#include <set>
#include <sstream>

namespace ondulaxis::host::test {
namespace {

// What a binary-inspection command prints about a built plug-in file.
std::string inspect(const std::string& tool, const char* path = ONDULAXIS_PLUGIN_PATH) {
    const std::string command = tool + " '" + path + "' 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    EXPECT_NE(pipe, nullptr);
    std::string listing;
    if (pipe == nullptr) return listing;
    char buffer[512];
    while (fgets(buffer, sizeof buffer, pipe) != nullptr) listing += buffer;
    EXPECT_EQ(pclose(pipe), 0) << listing;
    return listing;
}

TEST(ExportedSymbolsTest, OnlyEntryPointsAreExported) {
    const std::string listing = inspect("nm -D --defined-only");
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

class NeededLibrariesTest : public testing::TestWithParam<const char*> {};

TEST_P(NeededLibrariesTest, OnlyGlibcLibrariesAreNeeded) {
#ifdef ONDULAXIS_SANITIZED
    GTEST_SKIP() << "a sanitized build links the sanitizers' runtimes";
#endif
    const std::string listing = inspect("readelf -d", GetParam());
    // The C and math libraries and the dynamic loader; the C++ runtime is
    // linked in and the vector kernels bring their own math.
    const std::set<std::string> allowed{"libc.so.6", "libm.so.6", "ld-linux-x86-64.so.2",
                                        "ld-linux.so.2"};
    int needed = 0;
    for (const std::string& line : lines(listing)) {
        // " 0x... (NEEDED)  Shared library: [libc.so.6]"
        if (line.find("(NEEDED)") == std::string::npos) continue;
        const auto open = line.find('[');
        const auto close = line.find(']', open);
        ASSERT_NE(close, std::string::npos) << line;
        const std::string library = line.substr(open + 1, close - open - 1);
        EXPECT_EQ(allowed.count(library), 1u) << "needs " << library;
        ++needed;
    }
    EXPECT_GT(needed, 0) << listing;
}

INSTANTIATE_TEST_SUITE_P(PluginFiles, NeededLibrariesTest,
                         testing::Values(ONDULAXIS_PLUGIN_PATH, ONDULAXIS_HQ_PLUGIN_PATH, ONDULAXIS_CLAP_PATH));

}  // namespace
}  // namespace ondulaxis::host::test
