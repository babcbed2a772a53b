// The command on CLAP files: the test module's plug-ins chosen, set,
// contained and compensated, one row per behaviour; and Ondulaxis.clap
// rendering what Ondulaxis.so and OndulaxisHQ.so render, bit for bit.
#include "PluginTestSupport.h"

#include <sndfile.h>

#include <bit>
#include <cmath>
#include <filesystem>

namespace ondulaxis::host::test {
namespace {

const std::string kClapStub = std::string(STUB_FOLDER) + "/ClapStub.clap";

void writeTone(const std::filesystem::path& path, int channels, int frames) {
    SF_INFO info{};
    info.channels = channels;
    info.samplerate = 48000;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr);
    std::vector<float> samples;
    for (int i = 0; i < channels * frames; ++i) {
        samples.push_back(static_cast<float>(0.7 * std::sin(0.013 * i) * std::sin(0.0007 * i + 0.3 * (i % channels))));
    }
    sf_writef_float(file, samples.data(), frames);
    sf_close(file);
}

struct ClapCase {
    const char* name;
    std::vector<std::string> arguments;  // $IN, $OUT, $SVG and $CLAP are filled in
    int status;
    const char* errors;  // a part of the standard error
    const char* out;     // a part of the standard output
};

void PrintTo(const ClapCase& c, std::ostream* out) { *out << c.name; }

class ClapCommandTest : public ::testing::TestWithParam<ClapCase> {};

TEST_P(ClapCommandTest, EndsAsItShould) {
    const ClapCase& c = GetParam();
    TemporaryFolder folder;
    writeTone(folder / "in.wav", 2, 3000);
    std::vector<std::string> arguments;
    for (std::string argument : c.arguments) {
        if (argument == "$IN") argument = (folder / "in.wav").string();
        if (argument == "$OUT") argument = (folder / "out.wav").string();
        if (argument == "$SVG") argument = (folder / "out.svg").string();
        if (argument.rfind("$CLAP", 0) == 0) argument = std::string(STUB_FOLDER) + "/ClapStub" + argument.substr(5) + ".clap";
        arguments.push_back(argument);
    }
    const CommandResult result = runOndulaxis(arguments);
    EXPECT_EQ(result.status, c.status) << result.errors;
    EXPECT_NE(result.errors.find(c.errors), std::string::npos) << result.errors;
    EXPECT_NE(result.out.find(c.out), std::string::npos) << result.out;
    if (c.status != 0) {
        EXPECT_EQ(lines(result.errors).size(), 1u) << result.errors;
        EXPECT_EQ(folder.names(), std::vector<std::string>{"in.wav"});
    }
}

std::vector<std::string> render(std::vector<std::string> options) {
    std::vector<std::string> arguments{"render", "$IN", "$OUT", "--plugin", "$CLAP"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    return arguments;
}

INSTANTIATE_TEST_SUITE_P(
    Stubs, ClapCommandTest,
    ::testing::Values(
        ClapCase{"InfoListsEveryPlugin", {"info", "$CLAP"}, 0, "", "Plug-in 5 of 7:\n  ID:              test.fail-init"},
        ClapCase{"InfoShowsLatency", {"info", "$CLAP"}, 0, "", "Latency:         3 samples"},
        ClapCase{"InfoShowsRanges", {"info", "$CLAP"}, 0, "", "Gain  0      0.00 dB  -24 to 24"},
        ClapCase{"ChoiceNeeded", render({}), 1, "holds 7 plug-ins; choose one with --plugin-id ID|NAME", ""},
        ClapCase{"UnknownChoice", render({"--plugin-id", "Echo"}), 1, "no plug-in with ID or name 'Echo'", ""},
        ClapCase{"ChoiceForRecordInterface", {"render", "$IN", "$OUT", "--plugin-id", "Gain"}, 2,
                 "--plugin-id chooses among the plug-ins of a CLAP file", ""},
        ClapCase{"ByName", render({"--plugin-id", "gain", "--set", "Gain=6dB"}), 0, "",
                 "Gain=6dB is 6; the plug-in shows 6.00 dB"},
        ClapCase{"BareNumberIsPlainValue", render({"--plugin-id", "test.gain", "--set", "Gain=-12"}), 0, "",
                 "Gain=-12 is -12; the plug-in shows -12.00 dB"},
        ClapCase{"OutOfRange", render({"--plugin-id", "test.gain", "--set", "Gain=30"}), 2,
                 "Gain=30 is out of range: Gain takes values from -24 to 24", ""},
        ClapCase{"UnreadText", render({"--plugin-id", "test.gain", "--set", "Gain=loud"}), 2,
                 "the plug-in reads no value of Gain from 'loud'", ""},
        ClapCase{"CrashContained", render({"--plugin-id", "test.crash"}), 1,
                 "ClapStub.clap (test.crash) crashed while processing block 3 (Segmentation fault)", ""},
        ClapCase{"CrashInAnalysis", {"analyze", "$SVG", "--plugin", "$CLAP", "--plugin-id", "Crash"}, 1,
                 "ClapStub.clap (Crash) crashed while processing block 3 (Segmentation fault)", ""},
        ClapCase{"Analysis", {"analyze", "$SVG", "--plugin", "$CLAP", "--plugin-id", "Gain", "--set", "Gain=-6dB"}, 0,
                 "", "fundamental                 -12.00"},
        ClapCase{"AbsurdLatency", render({"--plugin-id", "test.bad-latency"}), 1,
                 "reports a latency of 4294967280 frames, more than a minute", ""},
        ClapCase{"FailedInit", render({"--plugin-id", "test.fail-init"}), 1,
                 "ClapStub.clap failed to initialise", ""},
        ClapCase{"NoFactory", {"info", "$CLAPNoFactory"}, 1, "ClapStubNoFactory.clap offers no plug-in factory", ""},
        ClapCase{"NoEntry", {"render", "$IN", "$OUT", "--plugin", "$CLAPNoEntry"}, 1, "exports no clap_entry", ""},
        ClapCase{"LatencyReported", render({"--plugin-id", "test.delay", "--set", "Delay=250"}), 0, "",
                 "Latency: the plug-in reports 250 frames"},
        ClapCase{"LatencyChangedByRestart", render({"--plugin-id", "test.restart", "--set", "Gain=5"}), 1,
                 "changed its latency from 0 to 5 frames during the render", ""},
        ClapCase{"RestartKeepingLatency", render({"--plugin-id", "test.restart"}), 0, "", "3000 frames"},
        ClapCase{"NoAccumulatingCall", render({"--plugin-id", "test.gain", "--accumulate"}), 2,
                 "--accumulate asks for the accumulating process call, which CLAP plug-ins do not have", ""},
        ClapCase{"HostBypass", render({"--plugin-id", "test.gain", "--bypass"}), 0, "",
                 "bypassed by the host since the plug-in does not bypass itself"}),
    [](const ::testing::TestParamInfo<ClapCase>& info) { return std::string(info.param.name); });

struct AudioCase {
    const char* name;
    std::vector<std::string> options;
    int channels;
    float gain;  // the output is the input times this, aligned,
    float level = 0.0f;  // plus this
};

void PrintTo(const AudioCase& c, std::ostream* out) { *out << c.name; }

class ClapRenderTest : public ::testing::TestWithParam<AudioCase> {};

// The delay's latency comes with a restart after its first block; it is
// removed, with the stereo file on two mono instances.
TEST_P(ClapRenderTest, OutputIsTheInputScaledAndAligned) {
    const AudioCase& c = GetParam();
    TemporaryFolder folder;
    writeTone(folder / "in.wav", c.channels, 2000);
    std::vector<std::string> arguments{"render", (folder / "in.wav").string(), (folder / "out.wav").string(),
                                       "--plugin", kClapStub, "--quiet", "--block", "77"};
    arguments.insert(arguments.end(), c.options.begin(), c.options.end());
    const CommandResult result = runOndulaxis(arguments);
    ASSERT_EQ(result.status, 0) << result.errors;
    const std::vector<float> input = samplesOf(folder / "in.wav");
    const std::vector<float> output = samplesOf(folder / "out.wav");
    ASSERT_EQ(output.size(), input.size());
    for (std::size_t i = 0; i < input.size(); ++i) ASSERT_EQ(output[i], c.gain * input[i] + c.level) << i;
}

INSTANTIATE_TEST_SUITE_P(
    Stubs, ClapRenderTest,
    ::testing::Values(AudioCase{"GainStereo", {"--plugin-id", "test.gain", "--set", "Gain=6.0206dB"}, 2,
                                static_cast<float>(std::pow(10.0, 6.0206 / 20.0))},
                      AudioCase{"GainMono", {"--plugin-id", "test.gain", "--set", "Gain=0"}, 1, 1.0f},
                      AudioCase{"DelayStereo", {"--plugin-id", "test.delay", "--set", "Delay=130 smp"}, 2, 0.5f},
                      AudioCase{"DelayMonoAtFactorOne", {"--plugin-id", "test.delay", "--oversample", "1"}, 1, 0.5f},
                      AudioCase{"DelayBypassedByItself", {"--plugin-id", "test.delay", "--bypass"}, 2, 1.0f},
                      AudioCase{"GainBypassedByTheHost", {"--plugin-id", "test.gain", "--set", "Gain=3", "--bypass"},
                                2, 1.0f},
                      // Written only in each block's first frame, the rest filled by the host.
                      AudioCase{"ConstantChannelsFilled", {"--plugin-id", "test.constant"}, 2, 0.0f, 0.25f}),
    [](const ::testing::TestParamInfo<AudioCase>& info) { return std::string(info.param.name); });

// Oversampled, the delay's latency at the plug-in's rate, known only after
// the restart its value asks for, is removed as exactly: the output is that
// of the same plug-in without delay.
TEST(ClapOversamplingTest, DelayMonoOversampledIsAligned) {
    TemporaryFolder folder;
    writeTone(folder / "in.wav", 1, 2000);
    const auto render = [&](const std::string& delay) {
        const CommandResult result =
            runOndulaxis({"render", (folder / "in.wav").string(), (folder / "out.wav").string(), "--plugin", kClapStub,
                          "--plugin-id", "test.delay", "--set", "Delay=" + delay, "--oversample", "2", "--quiet",
                          "--block", "77"});
        EXPECT_EQ(result.status, 0) << result.errors;
        return samplesOf(folder / "out.wav");
    };
    const std::vector<float> undelayed = render("0");
    ASSERT_EQ(undelayed.size(), 2000u);
    EXPECT_EQ(render("130 smp"), undelayed);
}

// A saved preset holds the plug-in's own values, and they read back as such.
TEST(ClapPresetTest, SavedValuesReadBack) {
    TemporaryFolder folder;
    writeTone(folder / "in.wav", 1, 500);
    const std::vector<std::string> common{"render", (folder / "in.wav").string(), (folder / "out.wav").string(),
                                          "--plugin", kClapStub, "--plugin-id", "test.gain"};
    std::vector<std::string> save = common;
    save.insert(save.end(), {"--set", "Gain=-7.25 dB", "--save-preset", (folder / "p.preset").string(), "--quiet"});
    ASSERT_EQ(runOndulaxis(save).status, 0);
    std::vector<std::string> load = common;
    load.insert(load.end(), {"--preset", (folder / "p.preset").string()});
    const CommandResult result = runOndulaxis(load);
    EXPECT_EQ(result.status, 0) << result.errors;
    EXPECT_NE(result.out.find("Gain=-7.25 is -7.25; the plug-in shows -7.25 dB"), std::string::npos) << result.out;
}

TEST(ClapInfoTest, ListsBothOndulaxisPlugins) {
#if !defined(ONDULAXIS_CLAP_PATH)
    GTEST_SKIP() << "this build has no Ondulaxis.clap";
#else
    const CommandResult result = runOndulaxis({"info", ONDULAXIS_CLAP_PATH});
    ASSERT_EQ(result.status, 0) << result.errors;
    for (const char* part : {"Plug-ins:        2", "ID:              example.ondulaxis.plain",
                             "ID:              example.ondulaxis.hq", "Latency:         ",
                             "Oversample  2      4x"}) {
        EXPECT_NE(result.out.find(part), std::string::npos) << part << " in\n" << result.out;
    }
#endif
}

// Ondulaxis.clap against the record-interface plug-ins, settings given as
// the texts both read.
struct MatchCase {
    const char* name;
    bool hq;
    std::vector<std::string> settings;
};

void PrintTo(const MatchCase& c, std::ostream* out) { *out << c.name; }

class ClapMatchesRecordInterfaceTest : public ::testing::TestWithParam<std::tuple<MatchCase, int>> {};

TEST_P(ClapMatchesRecordInterfaceTest, RendersTheSameBits) {
#if !defined(ONDULAXIS_CLAP_PATH)
    GTEST_SKIP() << "this build has no Ondulaxis.clap to compare";
#else
    const auto& [c, channels] = GetParam();
    TemporaryFolder folder;
    writeTone(folder / "in.wav", channels, 5000);
    const auto renderThrough = [&](const std::vector<std::string>& plugin, const std::string& output) {
        std::vector<std::string> arguments{"render", (folder / "in.wav").string(), (folder / output).string(),
                                           "--quiet", "--block", "300"};
        arguments.insert(arguments.end(), plugin.begin(), plugin.end());
        for (const std::string& setting : c.settings) {
            arguments.push_back("--set");
            arguments.push_back(setting);
        }
        const CommandResult result = runOndulaxis(arguments);
        EXPECT_EQ(result.status, 0) << result.errors;
        return samplesOf(folder / output);
    };
    const std::vector<float> record =
        renderThrough({"--plugin", c.hq ? ONDULAXIS_HQ_PATH : ONDULAXIS_PLUGIN_PATH}, "record.wav");
    const std::vector<float> clap = renderThrough(
        {"--plugin", ONDULAXIS_CLAP_PATH, "--plugin-id", c.hq ? "example.ondulaxis.hq" : "example.ondulaxis.plain"},
        "clap.wav");
    ASSERT_EQ(clap.size(), record.size());
    ASSERT_FALSE(record.empty());
    for (std::size_t i = 0; i < record.size(); ++i) {
        ASSERT_EQ(std::bit_cast<uint32_t>(clap[i]), std::bit_cast<uint32_t>(record[i])) << "sample " << i;
    }
#endif
}

INSTANTIATE_TEST_SUITE_P(
    Settings, ClapMatchesRecordInterfaceTest,
    ::testing::Combine(
        ::testing::Values(MatchCase{"Defaults", false, {}},
                          MatchCase{"Gains", false, {"InGain=12dB", "OutGain=-6dB"}},
                          MatchCase{"Mix", false, {"FuncMix=80%", "AmpMin=20%"}},
                          MatchCase{"NoZeroCrossing", false, {"ZeroX=No"}},
                          MatchCase{"Slew", false, {"SlewLim=5%", "FreqMin=2cycles", "FreqDif=-30cycles"}},
                          MatchCase{"SlewOff", false, {"SlewLim=off", "FreqMin=3.5cycles", "AmpMin=20%"}},
                          MatchCase{"HQ1x", true, {"Oversample=1x", "InGain=6dB"}},
                          MatchCase{"HQ2x", true, {"Oversample=2x", "InGain=6dB"}},
                          MatchCase{"HQ4x", true, {"Oversample=4x", "InGain=6dB"}},
                          MatchCase{"HQ8x", true, {"Oversample=8x", "InGain=6dB"}},
                          MatchCase{"HQ16x", true, {"Oversample=16x", "InGain=6dB"}}),
        ::testing::Values(1, 2)),
    [](const auto& info) {
        return std::string(std::get<0>(info.param).name) + (std::get<1>(info.param) == 1 ? "Mono" : "Stereo");
    });

}  // namespace
}  // namespace ondulaxis::host::test
