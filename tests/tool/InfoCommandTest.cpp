// ondulaxis info and the command's usage, run as a user would.
#include "PluginTestSupport.h"

#include <fstream>

namespace ondulaxis::host::test {
namespace {

TEST(InfoCommandTest, DescribesTheBuiltPluginByDefault) {
    const CommandResult result = runOndulaxis({"info"});
    ASSERT_EQ(result.status, 0) << result.errors;
    EXPECT_EQ(result.errors, "");
    for (const char* expected : {"Ondulaxis - Sinusoidal distortion unit", "Brakkenholtmark", "502",
                                 "'Odlx' (1331981432)", "0x10 (canReplacing)", "FreqMin", "cycles", "2.00"}) {
        EXPECT_NE(result.out.find(expected), std::string::npos) << expected << "\n" << result.out;
    }
}

TEST(InfoCommandTest, ListsEveryCapabilityWithItsAnswer) {
    const CommandResult result = runOndulaxis({"info", ONDULAXIS_PLUGIN_PATH});
    ASSERT_EQ(result.status, 0) << result.errors;
    int rows = 0;
    for (const std::string& line : lines(result.out)) {
        if (line.find("  bypass") == 0) {
            EXPECT_NE(line.find(" 1  yes"), std::string::npos) << line;
        }
        if (line.find("  1in2out") == 0) {
            EXPECT_NE(line.find("-1  no"), std::string::npos) << line;
        }
        rows += line.find("  yes") != std::string::npos || line.find("  no") != std::string::npos;
    }
    EXPECT_EQ(rows, 19);
}

TEST(InfoCommandTest, InstalledCommandPrefersThePluginInstalledBesideIt) {
    TemporaryFolder prefix;
    std::filesystem::create_directories(prefix / "bin");
    std::filesystem::create_directories(prefix / "lib" / "vst");
    std::filesystem::copy_file(ONDULAXIS_COMMAND_PATH, prefix / "bin" / "ondulaxis");
    // A stand-in that announces itself through its entry name.
    std::filesystem::copy_file(stubPath("MainOnly"), prefix / "lib" / "vst" / "Ondulaxis.so");
    const CommandResult result = runCommand(prefix / "bin" / "ondulaxis", {"info"});
    ASSERT_EQ(result.status, 0) << result.errors;
    EXPECT_NE(result.out.find("Entry function:  main\n"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("lib/vst/Ondulaxis.so"), std::string::npos) << result.out;
}

struct InfoLayoutCase {
    const char* stub;
    std::vector<std::string> expected;
};

void PrintTo(const InfoLayoutCase& c, std::ostream* out) { *out << c.stub; }

class InfoLayoutTest : public ::testing::TestWithParam<InfoLayoutCase> {};

TEST_P(InfoLayoutTest, ShowsTheLayoutARenderWouldUseAndNamesEveryFlag) {
    const std::string path = *GetParam().stub != '\0' ? stubPath(GetParam().stub).string() : ONDULAXIS_PLUGIN_PATH;
    const CommandResult result = runOndulaxis({"info", path});
    ASSERT_EQ(result.status, 0) << result.errors;
    for (const std::string& expected : GetParam().expected) {
        EXPECT_NE(result.out.find(expected + "\n"), std::string::npos) << expected << "\n" << result.out;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Stubs, InfoLayoutTest,
    ::testing::Values(
        InfoLayoutCase{"",
                       {"Mono files:      one instance; input 2 unconnected (fed silence); output 2 unconnected "
                        "(dropped)",
                        "Stereo files:    one instance"}},
        InfoLayoutCase{"OneInOneOut",
                       {"Flags:           0x1011 (hasEditor, canReplacing, unknown bits)",
                        "Mono files:      one instance", "Stereo files:    two instances, one per channel"}},
        InfoLayoutCase{"TwoInSixOut",
                       {"Mono files:      one instance; input 2 unconnected (fed silence); outputs 2-6 unconnected "
                        "(dropped)",
                        "Stereo files:    one instance; outputs 3-6 unconnected (dropped)"}},
        InfoLayoutCase{"Instrument", {"Stereo files:    refused: it is an instrument (no audio inputs), not an "
                                      "effect a file can pass through"}}),
    [](const ::testing::TestParamInfo<InfoLayoutCase>& info) {
        return *info.param.stub != '\0' ? std::string(info.param.stub) : std::string("Ondulaxis");
    });

class InfoRefusalTest : public ::testing::TestWithParam<std::string> {};

TEST_P(InfoRefusalTest, NonPluginGetsOneLineAndFailure) {
    TemporaryFolder folder;
    std::filesystem::path path;
    if (GetParam() == "text") {
        path = folder / "notes.so";
        std::ofstream(path) << "hello\n";
    } else if (GetParam() == "missing") {
        path = folder / "absent.so";
    } else {
        path = stubPath(GetParam());
    }
    // In the folder, where LoadsOnce notes that it was loaded.
    const CommandResult result = runOndulaxis({"info", path.string()}, false, folder.path());
    // 1, not a signal: a library that crashes does so in a child process.
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "");
    ASSERT_EQ(lines(result.errors).size(), 1u) << result.errors;
    EXPECT_EQ(result.errors.rfind("ondulaxis: ", 0), 0u) << result.errors;
}

INSTANTIATE_TEST_SUITE_P(BadFiles, InfoRefusalTest,
                         ::testing::Values("text", "missing", "NoEntry", "NullEntry", "BadMagic", "MainCrashes",
                                           "MainProgram", "MainExits",
                                           // Passes the scan, then fails in the child that asks.
                                           "LoadsOnce"));

TEST(CommandUsageTest, HelpPrintsUsageAndSucceeds) {
    const CommandResult result = runOndulaxis({"--help"});
    EXPECT_EQ(result.status, 0);
    EXPECT_NE(result.out.find("ondulaxis render IN OUT"), std::string::npos);
}

TEST(CommandUsageTest, VersionIsTheProjectVersion) {
    const CommandResult result = runOndulaxis({"--version"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, std::string("ondulaxis ") + ONDULAXIS_VERSION + "\n");
}

TEST(CommandUsageTest, NoArgumentsPrintsUsageAndFails) {
    const CommandResult result = runOndulaxis({});
    EXPECT_NE(result.status, 0);
    EXPECT_NE(result.errors.find("Usage:"), std::string::npos);
}

TEST(CommandUsageTest, UnknownCommandIsOneLine) {
    const CommandResult result = runOndulaxis({"frobnicate"});
    EXPECT_NE(result.status, 0);
    EXPECT_EQ(lines(result.errors).size(), 1u) << result.errors;
}

// Mistakes on the line: one line naming the wrong word, and status 2 for
// usage, 1 for what fails later.
struct LineCase {
    const char* name;
    std::vector<std::string> arguments;
    int status;
    const char* message;
};

void PrintTo(const LineCase& c, std::ostream* out) { *out << c.name; }

class CommandLineRefusalTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(CommandLineRefusalTest, SaysWhichWordInOneLine) {
    const CommandResult result = runOndulaxis(GetParam().arguments);
    EXPECT_EQ(result.status, GetParam().status);
    EXPECT_EQ(result.out, "");
    ASSERT_EQ(lines(result.errors).size(), 1u) << result.errors;
    EXPECT_NE(result.errors.find(GetParam().message), std::string::npos) << result.errors;
}

INSTANTIATE_TEST_SUITE_P(
    Words, CommandLineRefusalTest,
    ::testing::Values(LineCase{"UnknownCommand", {"frobnicate"}, 2, "'frobnicate'"},
                      LineCase{"UnknownOptionOfInfo", {"info", "--loud"}, 2, "unknown option --loud"},
                      LineCase{"MissingValueAtTheEnd", {"render", "in.wav", "out.wav", "--block"}, 2, "--block"},
                      LineCase{"MissingSetValue", {"analyze", "a.svg", "--set"}, 2, "--set"},
                      LineCase{"BadNumber", {"analyze", "a.svg", "--level", "loud"}, 2, "'loud'"},
                      LineCase{"TooManyOperands", {"demo", "a", "b"}, 2, "at most one"},
                      LineCase{"AfterTheEndOfOptions", {"info", "--", "-x"}, 2, "-x"},
                      // A file named like a command is still a file.
                      LineCase{"OperandNamedLikeACommand", {"info", "render"}, 1, "render"}),
    [](const ::testing::TestParamInfo<LineCase>& info) { return std::string(info.param.name); });

class CommandHelpTest : public ::testing::TestWithParam<const char*> {};

TEST_P(CommandHelpTest, EachCommandShowsItsOwnUsageAndSucceeds) {
    const std::string command = GetParam();
    // Help wins over a bad value elsewhere on the line.
    const CommandResult result = runOndulaxis({command, "--block", "0", "--help"});
    EXPECT_EQ(result.status, 0) << result.errors;
    EXPECT_EQ(result.out.rfind("Usage:\n  ondulaxis " + command, 0), 0u) << result.out;
    EXPECT_EQ(result.out.find("ondulaxis --version"), std::string::npos) << result.out;
}

INSTANTIATE_TEST_SUITE_P(Commands, CommandHelpTest, ::testing::Values("info", "render", "analyze", "demo"));

}  // namespace
}  // namespace ondulaxis::host::test
