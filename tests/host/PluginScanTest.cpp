// Trying plug-ins in a child process: what each kind of failure becomes.
#include "PluginScan.h"
#include "PluginTestSupport.h"
#include "StubEvents.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <unistd.h>

namespace ondulaxis::host::test {
namespace {

TEST(PluginScanTest, ReadsTheRecordOfAWorkingPlugin) {
    const PluginScan scan = scanPlugin(ONDULAXIS_PLUGIN_PATH);
    EXPECT_EQ(scan.inputs, 2);
    EXPECT_EQ(scan.outputs, 2);
    EXPECT_EQ(scan.flags, effFlagsCanReplacing);
}

// A plug-in that writes forged verdicts to every descriptor and leaves a
// helper holding them: the true verdict, as soon as the child has ended,
// while the helper still holds the descriptors.
TEST(PluginScanTest, TakesOnlyTheChildsVerdictAndEndsWithIt) {
    TemporaryFolder folder;
    const HelperRecord helpers(folder / "helpers");
    setenv("ONDULAXIS_STUB_HELPERS", helpers.file().c_str(), 1);
    const PluginScan scan = scanPlugin(stubPath("WritesEverywhere"), std::chrono::minutes(2));
    unsetenv("ONDULAXIS_STUB_HELPERS");
    EXPECT_EQ(helpers.endRunning(), 1) << "the scan waited for the helper";
    EXPECT_EQ(scan.inputs, 2);
    EXPECT_EQ(scan.flags, effFlagsCanReplacing);
}

extern "C" void exitQuietly(int) { _exit(0); }

// Dispositions the caller set must not change the verdict: a crash handler
// that exits quietly, an ignored SIGCHLD (which reaps children unasked).
TEST(PluginScanTest, ReadsTheSameWhateverTheSignalDispositions) {
    struct sigaction crash{};
    struct sigaction child{};
    struct sigaction oldCrash{};
    struct sigaction oldChild{};
    crash.sa_handler = exitQuietly;
    child.sa_handler = SIG_IGN;
    sigaction(SIGSEGV, &crash, &oldCrash);
    sigaction(SIGCHLD, &child, &oldChild);
    EXPECT_EQ(scanPlugin(ONDULAXIS_PLUGIN_PATH).inputs, 2);
    EXPECT_THROW(
        try { scanPlugin(stubPath("MainCrashes")); } catch (const HostError& error) {
            EXPECT_NE(std::string(error.what()).find("crashed in its entry function"), std::string::npos)
                << error.what();
            throw;
        },
        HostError);
    sigaction(SIGSEGV, &oldCrash, nullptr);
    sigaction(SIGCHLD, &oldChild, nullptr);
}

struct ScanFailure {
    const char* stub;  // "" for a text file
    const char* message;
};

void PrintTo(const ScanFailure& c, std::ostream* out) { *out << c.stub; }

class PluginScanFailureTest : public ::testing::TestWithParam<ScanFailure> {};

TEST_P(PluginScanFailureTest, BecomesOneLine) {
    TemporaryFolder folder;
    std::filesystem::path path = folder / "notes.so";
    std::ofstream(path) << "hello\n";
    if (*GetParam().stub != '\0') path = stubPath(GetParam().stub);
    try {
        scanPlugin(path, std::chrono::milliseconds(500));
        FAIL() << "no error";
    } catch (const HostError& error) {
        const std::string message = error.what();
        EXPECT_NE(message.find(GetParam().message), std::string::npos) << message;
        EXPECT_EQ(message.find('\n'), std::string::npos) << message;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Stubs, PluginScanFailureTest,
    ::testing::Values(
        ScanFailure{"", "cannot load plug-in"},
        ScanFailure{"NullEntry", "returned null"},
        ScanFailure{"BadMagic", "without the interface's magic number"},
        ScanFailure{"MainCrashes", "crashed in its entry function main (Segmentation fault): its `main` may be"},
        ScanFailure{"MainProgram", "entry function main returned 1, not the address of a record"},
        ScanFailure{"MainExits", "ended the process in its entry function main (exit status 0)"},
        ScanFailure{"MainHangs", "hung in its entry function main (no answer within 500 ms)"}),
    [](const ::testing::TestParamInfo<ScanFailure>& info) {
        return *info.param.stub != '\0' ? std::string(info.param.stub) : std::string("TextFile");
    });

}  // namespace
}  // namespace ondulaxis::host::test
