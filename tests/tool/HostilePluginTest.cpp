// The command with plug-ins that crash, hang, scribble on descriptors or
// report a latency, and in settings that broke it: one row per fault.
#include "PluginTestSupport.h"
#include "StubEvents.h"

#include <sndfile.h>

#include <bit>
#include <cmath>
#include <csignal>
#include <fstream>
#include <sys/wait.h>
#include <unistd.h>

namespace ondulaxis::host::test {
namespace {

void writeTone(const std::filesystem::path& path, int frames) {
    SF_INFO info{};
    info.channels = 2;
    info.samplerate = 44100;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr);
    std::vector<float> samples;
    for (int i = 0; i < 2 * frames; ++i) samples.push_back(static_cast<float>(0.5 * std::sin(0.01 * i)));
    sf_writef_float(file, samples.data(), frames);
    sf_close(file);
}

struct HostileCase {
    const char* name;
    std::vector<std::string> arguments;  // $IN, $OUT, $DIR and Stub names are filled in
    int status;
    const char* errors;  // a part of the standard error
    const char* out;     // a part of the standard output
    bool interruptOnceHung = false;
    bool ignoreChildSignal = false;
};

void PrintTo(const HostileCase& c, std::ostream* out) { *out << c.name; }

class HostilePluginTest : public ::testing::TestWithParam<HostileCase> {};

TEST_P(HostilePluginTest, EndsAsItShould) {
    const HostileCase& c = GetParam();
    TemporaryFolder folder;
    writeTone(folder / "in.wav", 4096);
    // A header that claims 4096 frames over a file cut to 1000 of them.
    std::filesystem::copy_file(folder / "in.wav", folder / "cut.wav");
    std::filesystem::resize_file(folder / "cut.wav", std::filesystem::file_size(folder / "in.wav") - 3096 * 8);
    std::ofstream(folder / "notes.so") << "not a library\n";
    std::vector<std::string> arguments;
    for (std::string argument : c.arguments) {
        // Longer than the chunks the command hands the plug-in (32768 frames).
        if (argument == "$DIR/long.wav") writeTone(folder / "long.wav", 50000);
        if (argument == "$IN") argument = (folder / "in.wav").string();
        if (argument == "$OUT") argument = (folder / "out.wav").string();
        if (argument.rfind("$DIR/", 0) == 0) argument = (folder / argument.substr(5)).string();
        if (argument.rfind("Stub", 0) == 0) argument = stubPath(argument.substr(4)).string();
        arguments.push_back(argument);
    }
    const CommandResult result = runOndulaxis(arguments, c.interruptOnceHung, {}, c.ignoreChildSignal);
    // A helper a plug-in leaves holding the command's descriptors must not
    // hold the command: it is still there when the command has ended.
    EXPECT_EQ(result.helpersRunning, result.helpers) << "the command waited for a plug-in's helper";
    EXPECT_EQ(result.status, c.status) << result.errors;
    EXPECT_NE(result.errors.find(c.errors), std::string::npos) << result.errors;
    EXPECT_NE(result.out.find(c.out), std::string::npos) << result.out;
    if (c.status != 0) {
        std::vector<std::string> inputs{"cut.wav", "in.wav", "notes.so"};
        if (std::filesystem::exists(folder / "long.wav")) inputs.insert(inputs.begin() + 2, "long.wav");
        EXPECT_EQ(folder.names(), inputs);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Faults, HostilePluginTest,
    ::testing::Values(
        HostileCase{"CrashInRender", {"render", "$IN", "$OUT", "--plugin", "StubCrashesInProcessing"}, 1,
                    "crashed while processing block 4 (Segmentation fault)", ""},
        HostileCase{"CrashInAnalysis", {"analyze", "$DIR/a.svg", "--plugin", "StubCrashesInProcessing"}, 1,
                    "crashed while processing block 4 (Segmentation fault)", ""},
        HostileCase{"HangWithinScanTimeout", {"info", "StubMainHangs", "--scan-timeout", "0.2"}, 1,
                    "hung in its entry function main (no answer within 200 ms)", ""},
        HostileCase{"InterruptedScan", {"render", "$IN", "$OUT", "--plugin", "StubMainHangs"}, 130, "interrupted", "",
                    true},
        HostileCase{"IgnoredChildSignal", {"render", "$IN", "$OUT"}, 0, "", "4096 frames", false, true},
        HostileCase{"ForgedVerdicts", {"info", "StubWritesEverywhere"}, 0, "plug-in output: ok 1 1 1",
                    "Inputs:          2"},
        HostileCase{"ChannelWrittenInRender", {"render", "$IN", "$OUT", "--plugin", "StubWritesEverywhere"}, 1,
                    "wrote into the host's channel to its process", ""},
        HostileCase{"LatencyShown", {"info", "StubDelayLine"}, 0, "", "Latency:         40 samples"},
        HostileCase{"LatencyKnownOnceResumed", {"info", "StubLatencyOnResume"}, 0, "", "Latency:         40 samples"},
        HostileCase{"CrashInInfo", {"info", "StubCrashesInParameterName"}, 1,
                    "crashed while its parameters were read (Segmentation fault)", ""},
        HostileCase{"CrashWhileMeasuringCurve",
                    {"render", "$IN", "$OUT", "--plot", "$DIR/p.svg", "--plugin", "StubCrashesOnSecondResume"}, 1,
                    "crashed while its transfer curve was measured (Segmentation fault)", ""},
        HostileCase{"NaNOutput", {"render", "$IN", "$OUT", "--plugin", "StubOutputsNaN"}, 1,
                    "output 4 samples that are NaN or infinite, the first at frame 999", ""},
        HostileCase{"NaNAfterTheFirstChunk", {"render", "$DIR/long.wav", "$OUT", "--plugin", "StubOutputsLateNaN"}, 1,
                    "output 4 samples that are NaN or infinite, the first at frame 39999", ""},
        HostileCase{"HugeChannelCount", {"render", "$IN", "$OUT", "--plugin", "StubHugeChannelCount"}, 1,
                    "StubHugeChannelCount.so claims 2147483647 inputs", ""},
        HostileCase{"NegativeLatency", {"render", "$IN", "$OUT", "--plugin", "StubNegativeLatency"}, 0, "",
                    "4096 frames"},
        HostileCase{"HangEndedByTimeout",
                    {"render", "$IN", "$OUT", "--plugin", "StubHangsInProcessing", "--timeout", "1"}, 1,
                    "did not finish the render within --timeout 1 s", ""},
        HostileCase{"DeviceAsPreset", {"render", "$IN", "$OUT", "--save-preset", "/dev/null"}, 1,
                    "cannot write preset /dev/null: it is a device", ""},
        HostileCase{"FolderAsPlot", {"render", "$IN", "$OUT", "--plot", "$DIR/."}, 1, "/.: it is a directory", ""},
        HostileCase{"SteppedDisplayText", {"render", "$IN", "$OUT", "--plugin", "StubDelayLine", "--set",
                                           "oversample=8x"}, 0, "", "oversample=8x is 0.75; the plug-in shows 8x"},
        HostileCase{"UnknownDisplayText", {"render", "$IN", "$OUT", "--plugin", "StubDelayLine", "--set",
                                           "Oversample=3x"}, 2, "it shows 1x, 2x, 4x, 8x, 16x", ""},
        HostileCase{"TruncatedInput", {"render", "$DIR/cut.wav", "$OUT", "--quiet"}, 0,
                    "claims 4096 frames but holds 1000", ""},
        HostileCase{"InstrumentAnalysed", {"analyze", "$DIR/a.svg", "--plugin", "StubInstrument"}, 1, "cannot analyse",
                    ""},
        HostileCase{"TextFileAsLibrary", {"info", "$DIR/notes.so"}, 1, "notes.so: not a shared library (", ""},
        HostileCase{"NotAudio", {"render", "$DIR/notes.so", "$OUT"}, 1, "not an audio file libsndfile reads", ""}),
    [](const ::testing::TestParamInfo<HostileCase>& info) { return std::string(info.param.name); });

// The delay line's latency is taken out: it renders what a pass-through
// renders, bit for bit, at every length, block size and oversampling.
TEST(LatencyCompensationTest, AlignsTheOutputWithTheInput) {
    TemporaryFolder folder;
    writeTone(folder / "in.wav", 3000);
    const auto render = [&](const std::string& plugin, const std::vector<std::string>& options) {
        std::vector<std::string> arguments{"render", (folder / "in.wav").string(), (folder / "out.wav").string(),
                                           "--plugin", plugin, "--quiet"};
        arguments.insert(arguments.end(), options.begin(), options.end());
        const CommandResult result = runOndulaxis(arguments);
        EXPECT_EQ(result.status, 0) << result.errors;
        return samplesOf(folder / "out.wav");
    };
    for (const char* block : {"512", "7"}) {
        for (const char* oversample : {"1", "2"}) {
            const std::vector<float> expected = render(std::string(SHAPER_FOLDER) + "/ShaperPassThrough.so",
                                                       {"--block", block, "--oversample", oversample});
            for (const char* factor : {"1x", "16x"}) {
                const std::vector<float> output = render(stubPath("DelayLine").string(),
                                                         {"--set", std::string("Oversample=") + factor, "--block",
                                                          block, "--oversample", oversample});
                ASSERT_EQ(output.size(), expected.size());
                EXPECT_TRUE(std::equal(output.begin(), output.end(), expected.begin(),
                                       [](float a, float b) { return std::bit_cast<uint32_t>(a) == std::bit_cast<uint32_t>(b); }))
                    << factor << " in blocks of " << block << " at " << oversample << "x";
            }
        }
    }
}

bool sameBits(const std::vector<float>& a, const std::vector<float>& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](float x, float y) {
               return std::bit_cast<uint32_t>(x) == std::bit_cast<uint32_t>(y);
           });
}

// Bypassed, the output is the input whoever bypasses and whatever latency
// is reported: the host's copy is not delayed, and a plug-in's own bypass
// (here one that reports its latency only once resumed) may drop the delay.
TEST(LatencyCompensationTest, BypassCopiesTheInputExactly) {
    TemporaryFolder folder;
    writeTone(folder / "in.wav", 3000);
    for (const char* plugin : {"DelayLine", "LatencyOnResume"}) {
        for (const char* oversample : {"1", "16"}) {
            const CommandResult result =
                runOndulaxis({"render", (folder / "in.wav").string(), (folder / "out.wav").string(), "--plugin",
                              stubPath(plugin).string(), "--bypass", "--oversample", oversample, "--block", "7"});
            ASSERT_EQ(result.status, 0) << result.errors;
            EXPECT_NE(result.out.find(std::string(plugin) == "DelayLine" ? "bypassed by the host" : "by the plug-in"),
                      std::string::npos)
                << result.out;
            EXPECT_TRUE(sameBits(samplesOf(folder / "out.wav"), samplesOf(folder / "in.wav")))
                << plugin << " at " << oversample << "x";
        }
    }
}

// The command reads the file in chunks; the plug-in still gets whole
// blocks, and only the last may be shorter.
TEST(BlockTest, EveryBlockButTheLastIsWhole) {
    TemporaryFolder folder;
    writeTone(folder / "in.wav", 40000);
    const CommandResult result = runOndulaxis({"render", (folder / "in.wav").string(), (folder / "out.wav").string(),
                                               "--plugin", stubPath("BlockLengths").string(), "--block", "7"});
    ASSERT_EQ(result.status, 0) << result.errors;
    const std::vector<float> output = samplesOf(folder / "out.wav");
    ASSERT_EQ(output.size(), 80000u);
    const auto firstShort = std::find_if(output.begin(), output.end(), [](float length) { return length != 7.0f; });
    EXPECT_EQ(firstShort - output.begin(), 2 * (40000 - 40000 % 7));
    EXPECT_TRUE(std::all_of(firstShort, output.end(), [](float length) { return length == 40000 % 7; }));
}

// Kept on request, NaN goes into 16-bit samples as silence, not full scale.
TEST(NonFiniteOutputTest, KeptAsSilenceAndFullScaleInIntegerFiles) {
    TemporaryFolder folder;
    writeTone(folder / "in.wav", 4096);
    const CommandResult result =
        runOndulaxis({"render", (folder / "in.wav").string(), (folder / "out.wav").string(), "--plugin",
                      stubPath("OutputsNaN").string(), "--bits", "16", "--keep-nan"});
    ASSERT_EQ(result.status, 0) << result.errors;
    EXPECT_NE(result.errors.find("warning: plug-in"), std::string::npos) << result.errors;
    const std::vector<float> output = samplesOf(folder / "out.wav");
    ASSERT_EQ(output.size(), 8192u);
    EXPECT_EQ(output[2 * 999], 0.0f);
    EXPECT_EQ(output[2 * 1000], -1.0f);
}

// A helper process the plug-in leaves holding the channel to its process
// does not keep the command waiting: it is still there when the command
// has reported the crash.
TEST(HelperProcessTest, DoesNotHoldTheCommand) {
    TemporaryFolder folder;
    writeTone(folder / "in.wav", 4096);
    const CommandResult result =
        runOndulaxis({"render", (folder / "in.wav").string(), (folder / "out.wav").string(), "--plugin",
                      stubPath("CrashesLeavingHelper").string()},
                     false, folder.path());
    EXPECT_NE(result.errors.find("crashed while processing block 4"), std::string::npos) << result.errors;
    std::ifstream pids(folder / "helper.pid");
    int helpers = 0;
    for (long pid = 0; pids >> pid; ++helpers) {
        // Running, not a zombie nobody has reaped.
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        const std::string line((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
        const std::size_t state = line.rfind(") ");
        EXPECT_TRUE(state != std::string::npos && line[state + 2] != 'Z')
            << "helper " << pid << " ended before the command";
        kill(static_cast<pid_t>(pid), SIGKILL);
    }
    EXPECT_EQ(helpers, 2) << "the scan's and the render's";
}

// Starts the command with its output thrown away (or into a pipe nobody
// reads, `closedPipe`), and SIGINT ignored when `ignoreInterrupt`; a stub
// announces its hang into `hang` when one is given.
pid_t startOndulaxis(std::vector<std::string> arguments, const HangSignal* hang = nullptr, bool ignoreInterrupt = false,
                     bool closedPipe = false) {
    int pipeEnds[2] = {-1, -1};
    if (closedPipe && pipe(pipeEnds) != 0) return -1;
    const pid_t command = fork();
    if (command == 0) {
        freopen("/dev/null", "w", stdout);
        freopen("/dev/null", "w", stderr);
        if (closedPipe) {
            close(pipeEnds[0]);
            dup2(pipeEnds[1], STDOUT_FILENO);
        }
        if (ignoreInterrupt) signal(SIGINT, SIG_IGN);
        if (hang != nullptr) setenv("ONDULAXIS_STUB_HANG_FIFO", hang->path().c_str(), 1);
        std::vector<char*> argv{const_cast<char*>(ONDULAXIS_COMMAND_PATH)};
        for (std::string& argument : arguments) argv.push_back(argument.data());
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    if (closedPipe) {
        close(pipeEnds[0]);
        close(pipeEnds[1]);
    }
    return command;
}

// A plug-in that hangs while info asks it a parameter's name: SIGTERM ends
// the command with the shell's status for it, and its child with it.
TEST(KilledCommandTest, InfoHangingInThePlugInEndsOnSigterm) {
    HangSignal hang;
    const pid_t command = startOndulaxis({"info", stubPath("HangsInParameterName").string()}, &hang);
    ASSERT_TRUE(hang.hung(60));
    kill(command, SIGTERM);
    EXPECT_EQ(exitStatusWithin(command, 60), 143);
    EXPECT_TRUE(hang.holderGone(60)) << "the child outlived the command";
}

// Killed while a library hangs in its entry or in a render, the command
// leaves no process and no file behind; SIGTERM ends it with the shell's
// status for it.
TEST(KilledCommandTest, LeavesNothingBehind) {
    TemporaryFolder folder;
    writeTone(folder / "in.wav", 4096);
    const std::string in = (folder / "in.wav").string();
    const std::string out = (folder / "out.wav").string();
    const std::string hangs = stubPath("MainHangs").string();
    const std::string hangsRendering = stubPath("HangsInProcessing").string();
    struct Case {
        int signal;
        std::vector<std::string> arguments;
    };
    for (const Case& c : {Case{SIGTERM, {"info", hangs}}, Case{SIGTERM, {"render", in, out, "--plugin", hangs}},
                          Case{SIGKILL, {"render", in, out, "--plugin", hangs}},
                          Case{SIGKILL, {"render", in, out, "--plugin", hangsRendering}},
                          Case{SIGTERM, {"render", in, out, "--plugin", hangsRendering}}}) {
        HangSignal hang;
        const pid_t command = startOndulaxis(c.arguments, &hang);
        // Killed once the plug-in is known to be in its hang, inside the
        // command's child.
        ASSERT_TRUE(hang.hung(60)) << c.arguments[0] << " " << c.arguments.back();
        kill(command, c.signal);
        EXPECT_EQ(exitStatusWithin(command, 60), 128 + c.signal);
        EXPECT_TRUE(hang.holderGone(60)) << c.arguments.back() << " after signal " << c.signal;
        EXPECT_EQ(folder.names(), std::vector<std::string>{"in.wav"});
    }
}

// Started with SIGINT ignored (a script's background job), the command
// leaves it so: the terminal's Ctrl-C is not for it. Its own --timeout
// ends the hang.
TEST(SignalTest, InheritedIgnoredInterruptStaysIgnored) {
    TemporaryFolder folder;
    writeTone(folder / "in.wav", 4096);
    HangSignal hang;
    const pid_t command = startOndulaxis({"render", (folder / "in.wav").string(), (folder / "out.wav").string(),
                                          "--plugin", stubPath("HangsInProcessing").string(), "--timeout", "3"},
                                         &hang, true);
    ASSERT_TRUE(hang.hung(60));
    kill(command, SIGINT);
    EXPECT_EQ(exitStatusWithin(command, 60), 1) << "ended by its timeout, not by SIGINT (130)";
}

// A reader of the report that has gone costs the report, not the file.
TEST(SignalTest, ClosedStandardOutputStillWritesTheFile) {
    TemporaryFolder folder;
    writeTone(folder / "in.wav", 4096);
    const pid_t command =
        startOndulaxis({"render", (folder / "in.wav").string(), (folder / "out.wav").string()}, nullptr, false, true);
    EXPECT_EQ(exitStatusWithin(command, 300), 0);
    EXPECT_EQ(samplesOf(folder / "out.wav").size(), 8192u);
}

}  // namespace
}  // namespace ondulaxis::host::test
