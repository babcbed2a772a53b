// ondulaxis render and demo on short files the tests write themselves.
#include "PluginTestSupport.h"

#include <sndfile.h>

#include <bit>
#include <cmath>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace ondulaxis::host::test {
namespace {

struct Sound {
    SF_INFO info{};
    std::vector<float> samples;  // interleaved
};

void writeSound(const std::filesystem::path& path, int channels, int format, const std::vector<float>& samples,
                int sampleRate = 44100) {
    SF_INFO info{};
    info.channels = channels;
    info.samplerate = sampleRate;
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    ASSERT_EQ(sf_writef_float(file, samples.data(), static_cast<sf_count_t>(samples.size() / channels)),
              static_cast<sf_count_t>(samples.size() / channels));
    sf_close(file);
}

Sound readSound(const std::filesystem::path& path) {
    Sound sound;
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &sound.info);
    if (file == nullptr) {
        ADD_FAILURE() << "cannot read " << path << ": " << sf_strerror(nullptr);
        return sound;
    }
    sound.samples.resize(static_cast<std::size_t>(sound.info.frames * sound.info.channels));
    sf_readf_float(file, sound.samples.data(), sound.info.frames);
    sf_close(file);
    return sound;
}

// A few thousand frames of a decaying two-tone signal, different per channel.
std::vector<float> testSignal(int channels, int frames) {
    std::vector<float> samples;
    for (int i = 0; i < frames; ++i) {
        for (int channel = 0; channel < channels; ++channel) {
            const double t = i / 44100.0;
            samples.push_back(static_cast<float>(std::exp(-3.0 * t) *
                                                 (0.7 * std::sin(2 * M_PI * (220.0 + 110 * channel) * t) +
                                                  0.3 * std::sin(2 * M_PI * 1375.0 * t))));
        }
    }
    return samples;
}

std::string contents(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

::testing::AssertionResult bitIdentical(const std::vector<float>& a, const std::vector<float>& b) {
    if (a.size() != b.size()) return ::testing::AssertionFailure() << "sizes " << a.size() << " and " << b.size();
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::bit_cast<uint32_t>(a[i]) != std::bit_cast<uint32_t>(b[i])) {
            return ::testing::AssertionFailure() << "sample " << i << ": " << a[i] << " vs " << b[i];
        }
    }
    return ::testing::AssertionSuccess();
}

class RenderCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        writeSound(folder / "stereo.wav", 2, SF_FORMAT_WAV | SF_FORMAT_FLOAT, testSignal(2, 3000));
        writeSound(folder / "mono16.wav", 1, SF_FORMAT_WAV | SF_FORMAT_PCM_16, testSignal(1, 2000));
    }

    CommandResult render(const std::string& in, const std::string& out, std::vector<std::string> options = {}) {
        std::vector<std::string> arguments{"render", (folder / in).string(), (folder / out).string(), "--quiet"};
        arguments.insert(arguments.end(), options.begin(), options.end());
        return runOndulaxis(arguments);
    }

    TemporaryFolder folder;
};

TEST_F(RenderCommandTest, MonoSixteenBitTakesTheMonoRouteWithThePlainCurve) {
    const CommandResult result = render("mono16.wav", "out.wav", {"--set", "funcmix=0"});
    ASSERT_EQ(result.status, 0) << result.errors;
    const Sound in = readSound(folder / "mono16.wav");
    const Sound out = readSound(folder / "out.wav");
    EXPECT_EQ(out.info.channels, 1);
    EXPECT_EQ(out.info.samplerate, 44100);
    EXPECT_EQ(out.info.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    ASSERT_EQ(out.samples.size(), in.samples.size());
    for (std::size_t i = 0; i < in.samples.size(); ++i) {
        const double x = in.samples[i];
        EXPECT_NEAR(out.samples[i], std::copysign(4 * x * x / (1 + 4 * x * x), x), 1e-6) << "sample " << i;
    }
}

TEST_F(RenderCommandTest, StereoOutputMatchesTheClosedFormPerChannel) {
    // Defaults with ZeroX on and no slew limit: 0.5·sign(x)·s + 0.5·s·sin(2πx).
    ASSERT_EQ(render("stereo.wav", "out.wav").status, 0);
    const Sound in = readSound(folder / "stereo.wav");
    const Sound out = readSound(folder / "out.wav");
    ASSERT_EQ(out.info.channels, 2);
    ASSERT_EQ(out.samples.size(), in.samples.size());
    for (std::size_t i = 0; i < in.samples.size(); ++i) {
        const double x = in.samples[i];
        const double s = 4 * x * x / (1 + 4 * x * x);
        EXPECT_NEAR(out.samples[i], 0.5 * std::copysign(s, x) + 0.5 * s * std::sin(2 * M_PI * x), 2e-6);
    }
}

TEST_F(RenderCommandTest, BlockSizeDoesNotChangeTheResult) {
    // A slow slew keeps state across blocks, so boundaries would show.
    const std::vector<std::string> settings{"--set", "SlewLim=0.2", "--set", "AmpMin=0.3"};
    auto with = [&](std::vector<std::string> extra) {
        extra.insert(extra.end(), settings.begin(), settings.end());
        return extra;
    };
    ASSERT_EQ(render("stereo.wav", "b512.wav", with({})).status, 0);
    ASSERT_EQ(render("stereo.wav", "b1.wav", with({"--block", "1"})).status, 0);
    ASSERT_EQ(render("stereo.wav", "b7.wav", with({"--block", "7"})).status, 0);
    ASSERT_EQ(render("stereo.wav", "b4096.wav", with({"--block", "4096"})).status, 0);
    const std::vector<float> reference = readSound(folder / "b512.wav").samples;
    EXPECT_TRUE(bitIdentical(readSound(folder / "b1.wav").samples, reference));
    EXPECT_TRUE(bitIdentical(readSound(folder / "b7.wav").samples, reference));
    EXPECT_TRUE(bitIdentical(readSound(folder / "b4096.wav").samples, reference));
}

TEST_F(RenderCommandTest, AccumulateEqualsReplacing) {
    ASSERT_EQ(render("stereo.wav", "replace.wav", {"--set", "ZeroX=0"}).status, 0);
    ASSERT_EQ(render("stereo.wav", "add.wav", {"--set", "ZeroX=0", "--accumulate", "--block", "100"}).status, 0);
    EXPECT_TRUE(bitIdentical(readSound(folder / "add.wav").samples, readSound(folder / "replace.wav").samples));
}

TEST_F(RenderCommandTest, BypassOnFloatWavIsABitIdenticalCopy) {
    const CommandResult result = render("stereo.wav", "copy.wav", {"--bypass", "--set", "InGain=1"});
    ASSERT_EQ(result.status, 0) << result.errors;
    EXPECT_TRUE(bitIdentical(readSound(folder / "copy.wav").samples, readSound(folder / "stereo.wav").samples));
}

// Plug-ins whose pins differ from the file's channels, and bypass carried
// out by the plug-in or, when it will not, by the host.
struct LayoutRenderCase {
    const char* name;
    const char* stub;  // "" for the built plug-in
    const char* input;
    bool bypass;
    float cross;  // the stub's share of the other channel in each output
    const char* header;
};

void PrintTo(const LayoutRenderCase& row, std::ostream* os) { *os << row.name; }

class LayoutRenderTest : public RenderCommandTest, public ::testing::WithParamInterface<LayoutRenderCase> {};

TEST_P(LayoutRenderTest, FeedsEachChannelWhereTheLayoutSaysAndBypassesForReal) {
    const LayoutRenderCase& c = GetParam();
    std::vector<std::string> arguments{"render", (folder / c.input).string(), (folder / "out.wav").string()};
    if (*c.stub != '\0') arguments.insert(arguments.end(), {"--plugin", stubPath(c.stub).string()});
    if (c.bypass) arguments.push_back("--bypass");
    const CommandResult result = runOndulaxis(arguments);
    ASSERT_EQ(result.status, 0) << result.errors;
    EXPECT_NE(result.out.find(c.header), std::string::npos) << result.out;
    const Sound in = readSound(folder / c.input);
    const Sound out = readSound(folder / "out.wav");
    ASSERT_EQ(out.info.channels, in.info.channels);
    if (c.bypass) {
        EXPECT_TRUE(bitIdentical(out.samples, in.samples));
        return;
    }
    ASSERT_EQ(out.samples.size(), in.samples.size());
    const std::size_t channels = static_cast<std::size_t>(in.info.channels);
    for (std::size_t i = 0; i < in.samples.size(); ++i) {
        const float other = channels == 2 ? in.samples[i ^ 1] : 0.0f;
        EXPECT_EQ(out.samples[i], 2.0f * in.samples[i] + c.cross * other) << "sample " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, LayoutRenderTest,
    ::testing::Values(
        LayoutRenderCase{"MonoEffectOnStereo", "OneInOneOut", "stereo.wav", false, 0.0f,
                         "Layout: 1-in/1-out plug-in, two instances, one per channel\n"},
        LayoutRenderCase{"MonoEffectOnMono", "OneInOneOut", "mono16.wav", false, 0.0f,
                         "Layout: 1-in/1-out plug-in, one instance\n"},
        LayoutRenderCase{"SixOutputsOnStereo", "TwoInSixOut", "stereo.wav", false, 0.5f,
                         "one instance; outputs 3-6 unconnected (dropped)\n"},
        LayoutRenderCase{"SixOutputsOnMono", "TwoInSixOut", "mono16.wav", false, 0.0f,
                         "one instance; input 2 unconnected (fed silence); outputs 2-6 unconnected (dropped)\n"},
        LayoutRenderCase{"BypassNotOffered", "OneInOneOut", "stereo.wav", true, 0.0f, ", bypassed by the host"},
        LayoutRenderCase{"BypassRefused", "TwoInSixOut", "mono16.wav", true, 0.0f, ", bypassed by the host"},
        LayoutRenderCase{"BypassAccepted", "", "stereo.wav", true, 0.0f, ", bypassed by the plug-in)"}),
    [](const ::testing::TestParamInfo<LayoutRenderCase>& info) { return std::string(info.param.name); });

struct FormatCase {
    const char* file;
    std::vector<std::string> options;
    int format;
};

void PrintTo(const FormatCase& row, std::ostream* os) { *os << row.file; }

class OutputFormatTest : public RenderCommandTest, public ::testing::WithParamInterface<FormatCase> {};

TEST_P(OutputFormatTest, ExtensionAndBitsChooseTheFormat) {
    const CommandResult result = render("stereo.wav", GetParam().file, GetParam().options);
    ASSERT_EQ(result.status, 0) << result.errors;
    const Sound out = readSound(folder / GetParam().file);
    EXPECT_EQ(out.info.format, GetParam().format);
    EXPECT_EQ(out.info.channels, 2);
    EXPECT_EQ(out.info.frames, 3000);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, OutputFormatTest,
    ::testing::Values(FormatCase{"f.wav", {}, SF_FORMAT_WAV | SF_FORMAT_FLOAT},
                      FormatCase{"i16.wav", {"--bits", "16"}, SF_FORMAT_WAV | SF_FORMAT_PCM_16},
                      FormatCase{"i24.WAV", {"--bits", "24"}, SF_FORMAT_WAV | SF_FORMAT_PCM_24},
                      FormatCase{"a.aiff", {}, SF_FORMAT_AIFF | SF_FORMAT_FLOAT},
                      FormatCase{"c.flac", {}, SF_FORMAT_FLAC | SF_FORMAT_PCM_24}));

TEST_F(RenderCommandTest, PrintsTheParameterTableAndASummary) {
    const CommandResult result = runOndulaxis({"render", (folder / "stereo.wav").string(),
                                               (folder / "out.wav").string(), "--set", "FuncMix=0.25"});
    ASSERT_EQ(result.status, 0) << result.errors;
    EXPECT_NE(result.out.find("25.000"), std::string::npos) << result.out;  // applied before the table
    EXPECT_NE(result.out.find("3000 frames"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("real time"), std::string::npos) << result.out;
    EXPECT_EQ(result.errors, "");  // no progress bar without a terminal
}

TEST_F(RenderCommandTest, PlotIsAnSvgWithBothPanels) {
    ASSERT_EQ(render("stereo.wav", "out.wav", {"--plot", (folder / "plot.svg").string()}).status, 0);
    const std::string svg = contents(folder / "plot.svg");
    EXPECT_EQ(svg.rfind("<?xml", 0), 0u);
    EXPECT_NE(svg.find("<svg"), std::string::npos);
    EXPECT_NE(svg.find("</svg>"), std::string::npos);
    EXPECT_NE(svg.find("Transfer curve"), std::string::npos);
    EXPECT_NE(svg.find("time (ms)"), std::string::npos);
}

// Each refusal: non-zero exit, one line saying why, and no file written or
// changed, not even a temporary one.
struct RefusalCase {
    const char* name;
    std::vector<std::string> arguments;  // IN and OUT are relative to the folder
    const char* message;
    int status = 1;  // 2 for a mistake on the line, a bad setting included
};

void PrintTo(const RefusalCase& c, std::ostream* out) { *out << c.name; }

class RenderRefusalTest : public RenderCommandTest, public ::testing::WithParamInterface<RefusalCase> {
protected:
    std::vector<std::string> resolve(std::vector<std::string> arguments) {
        for (std::string& argument : arguments) {
            if (argument.rfind("@", 0) == 0) argument = (folder / argument.substr(1)).string();
            if (argument.rfind("stub:", 0) == 0) argument = stubPath(argument.substr(5)).string();
        }
        arguments.insert(arguments.begin(), "render");
        return arguments;
    }
};

TEST_P(RenderRefusalTest, FailsCleanlyLeavingNoFileAndOutputUntouched) {
    std::ofstream(folder / "out.wav") << "precious";
    std::ofstream(folder / "notes.txt") << "not audio\n";
    writeSound(folder / "three.wav", 3, SF_FORMAT_WAV | SF_FORMAT_PCM_16, testSignal(3, 100));
    link((folder / "stereo.wav").c_str(), (folder / "hardlink.wav").c_str());
    const std::vector<std::string> before = folder.names();

    const CommandResult result = runOndulaxis(resolve(GetParam().arguments));
    EXPECT_EQ(result.status, GetParam().status);
    ASSERT_EQ(lines(result.errors).size(), 1u) << result.errors;
    EXPECT_NE(result.errors.find(GetParam().message), std::string::npos) << result.errors;
    EXPECT_EQ(contents(folder / "out.wav"), "precious");
    EXPECT_EQ(folder.names(), before);  // not even a temporary file is left
}

INSTANTIATE_TEST_SUITE_P(
    BadInput, RenderRefusalTest,
    ::testing::Values(
        RefusalCase{"MissingInput", {"@absent.wav", "@out.wav"}, "cannot read"},
        RefusalCase{"MissingInputNewOutput", {"@absent.wav", "@new.wav"}, "cannot read"},
        RefusalCase{"InputNotAudio", {"@notes.txt", "@out.wav"}, "cannot read"},
        RefusalCase{"ThreeChannels", {"@three.wav", "@out.wav"}, "only mono and stereo"},
        RefusalCase{"UnknownParameter", {"@stereo.wav", "@out.wav", "--set", "Drive=0.5"}, "ZeroX, InGain", 2},
        RefusalCase{"ValueNotANumber", {"@stereo.wav", "@out.wav", "--set", "FuncMix=lots"}, "no value of FuncMix shows lots", 2},
        RefusalCase{"ValueAboveOne", {"@stereo.wav", "@out.wav", "--set", "FuncMix=1.5"}, "between 0 and 1", 2},
        RefusalCase{"ValueBelowZero", {"@stereo.wav", "@out.wav", "--set", "FuncMix=-0.1"}, "between 0 and 1", 2},
        RefusalCase{"ValueNotFinite", {"@stereo.wav", "@out.wav", "--set", "FuncMix=nan"}, "not a number", 2},
        RefusalCase{"ValueUnderflows", {"@stereo.wav", "@out.wav", "--set", "InGain=1e-50"}, "out of range", 2},
        RefusalCase{"DisplayValueOutOfRange", {"@stereo.wav", "@out.wav", "--set", "InGain=50dB"}, "0.00 dB to 48.16 dB", 2},
        RefusalCase{"PresetMissing", {"@stereo.wav", "@out.wav", "--preset", "@absent.preset"}, "cannot read preset"},
        RefusalCase{"OversampleUnsupported", {"@stereo.wav", "@out.wav", "--oversample", "3"}, "--oversample", 2},
        RefusalCase{"SettingWithoutEquals", {"@stereo.wav", "@out.wav", "--set", "FuncMix"}, "NAME=VALUE", 2},
        RefusalCase{"OutputFolderMissing", {"@stereo.wav", "@no/such/out.wav"}, "does not exist"},
        RefusalCase{"OutputIsAFolder", {"@stereo.wav", "@."}, "cannot"},
        RefusalCase{"OutputSameAsInput", {"@stereo.wav", "@stereo.wav"}, "same file"},
        RefusalCase{"OutputLinkedToInput", {"@stereo.wav", "@hardlink.wav"}, "same file"},
        RefusalCase{"UnknownExtension", {"@stereo.wav", "@out.mp9"}, "extension"},
        RefusalCase{"PluginNotLoadable", {"@stereo.wav", "@out.wav", "--plugin", "@notes.txt"}, "cannot load"},
        RefusalCase{"PluginWithoutEntry", {"@stereo.wav", "@out.wav", "--plugin", "stub:NoEntry"}, "no entry"},
        RefusalCase{"PluginIsAnInstrument", {"@stereo.wav", "@out.wav", "--plugin", "stub:Instrument"},
                    "it is an instrument"},
        RefusalCase{"PluginMainCrashes", {"@stereo.wav", "@out.wav", "--plugin", "stub:MainCrashes"},
                    "crashed in its entry function main"},
        RefusalCase{"PluginThatStaysOff", {"@stereo.wav", "@out.wav", "--plugin", "stub:MainOnly"},
                    "did not switch on"},
        RefusalCase{"BlockZero", {"@stereo.wav", "@out.wav", "--block", "0"}, "--block", 2},
        RefusalCase{"BlockNotANumber", {"@stereo.wav", "@out.wav", "--block", "big"}, "--block", 2},
        RefusalCase{"BitsUnsupported", {"@stereo.wav", "@out.wav", "--bits", "8"}, "--bits", 2},
        RefusalCase{"UnknownOption", {"@stereo.wav", "@out.wav", "--loud"}, "unknown option", 2},
        RefusalCase{"MissingOutput", {"@stereo.wav"}, "input and an output", 2},
        RefusalCase{"PlotIsTheOutput", {"@stereo.wav", "@out.wav", "--plot", "@out.wav"}, "would overwrite"},
        RefusalCase{"PlotIsTheNewOutputSpelledOtherwise", {"@stereo.wav", "@new.wav", "--plot", "@./new.wav"},
                    "would overwrite"}),
    [](const ::testing::TestParamInfo<RefusalCase>& info) { return std::string(info.param.name); });

// The summary's peak covers every channel, not only the first.
TEST_F(RenderCommandTest, PeakIsTheLoudestSampleOfEitherChannel) {
    std::vector<float> samples;
    for (int i = 0; i < 1000; ++i) {
        samples.push_back(i == 10 ? -0.5f : 0.25f);
        samples.push_back(i == 700 ? -0.75f : 0.125f);
    }
    writeSound(folder / "loud-right.wav", 2, SF_FORMAT_WAV | SF_FORMAT_FLOAT, samples);
    const CommandResult result = runOndulaxis(
        {"render", (folder / "loud-right.wav").string(), (folder / "out.wav").string(), "--bypass"});
    ASSERT_EQ(result.status, 0) << result.errors;
    EXPECT_NE(result.out.find("output peak 0.7500"), std::string::npos) << result.out;
}

// Files come out as any file the user creates would: 0666 less the umask,
// the plot as well as the audio.
class RenderModeTest : public RenderCommandTest, public ::testing::WithParamInterface<mode_t> {};

TEST_P(RenderModeTest, FilesTakeTheModeTheUmaskGives) {
    const mode_t previous = umask(GetParam());
    const CommandResult result = render("stereo.wav", "out.wav", {"--plot", (folder / "plot.svg").string()});
    umask(previous);
    ASSERT_EQ(result.status, 0) << result.errors;
    for (const char* name : {"out.wav", "plot.svg"}) {
        struct stat status{};
        ASSERT_EQ(stat((folder / name).c_str(), &status), 0) << name;
        EXPECT_EQ(status.st_mode & 0777, 0666 & ~GetParam()) << name;
    }
}

INSTANTIATE_TEST_SUITE_P(Umasks, RenderModeTest, ::testing::Values(022, 077, 002));

// The temporary file lies beside OUT, not in the working directory: from a
// working directory on another file system the final rename would fail, and
// in a read-only one (/proc, read-only even for root) it could not be made.
TEST_F(RenderCommandTest, TemporaryFileLiesBesideTheOutput) {
    std::error_code error;
    const std::filesystem::path elsewhere =
        std::filesystem::path("/dev/shm") / ("ondulaxis-cwd-" + std::to_string(getpid()));
    const bool haveElsewhere = std::filesystem::create_directory(elsewhere, error);
    for (const std::filesystem::path& cwd : {elsewhere, std::filesystem::path("/proc")}) {
        if (cwd == elsewhere && !haveElsewhere) continue;
        std::filesystem::remove(folder / "out.wav", error);
        std::filesystem::remove(folder / "plot.svg", error);
        const CommandResult result = runOndulaxis(
            {"render", (folder / "stereo.wav").string(), (folder / "out.wav").string(), "--quiet", "--plot",
             (folder / "plot.svg").string()},
            false, cwd);
        EXPECT_EQ(result.status, 0) << cwd << ": " << result.errors;
        EXPECT_TRUE(std::filesystem::exists(folder / "out.wav")) << cwd;
        EXPECT_TRUE(std::filesystem::exists(folder / "plot.svg")) << cwd;
    }
    if (haveElsewhere) {
        EXPECT_TRUE(std::filesystem::is_empty(elsewhere));
        std::filesystem::remove_all(elsewhere, error);
    }
}

// A preset named without a folder is found among the command's own, with
// or without its extension, from any working directory.
TEST_F(RenderCommandTest, PresetNameFindsTheCommandsPreset) {
    for (const char* name : {"warmth", "warmth.preset"}) {
        const CommandResult result = runOndulaxis(
            {"render", (folder / "stereo.wav").string(), (folder / "out.wav").string(), "--preset", name}, false,
            "/");
        EXPECT_EQ(result.status, 0) << name << ": " << result.errors;
        EXPECT_NE(result.out.find("FuncMix  0.250000"), std::string::npos) << result.out;
    }
}

TEST_F(RenderCommandTest, InterruptedRenderLeavesNoPartialFile) {
    // Interrupted once the plug-in hangs in its second block: the output
    // has been started by then.
    writeSound(folder / "long.wav", 2, SF_FORMAT_WAV | SF_FORMAT_FLOAT, testSignal(2, 44100));
    const std::vector<std::string> before = folder.names();
    const CommandResult result = runOndulaxis({"render", (folder / "long.wav").string(),
                                               (folder / "new.wav").string(), "--quiet", "--block", "64", "--plugin",
                                               stubPath("HangsInProcessing").string()},
                                              true);
    EXPECT_EQ(result.status, 130) << result.errors;
    EXPECT_NE(result.errors.find("interrupted"), std::string::npos) << result.errors;
    EXPECT_EQ(folder.names(), before);
}

TEST(DemoCommandTest, WritesTheDryPieceAndEveryPreset) {
    TemporaryFolder folder;
    const CommandResult result = runOndulaxis({"demo", (folder / "demo").string()});
    ASSERT_EQ(result.status, 0) << result.errors;
    const Sound dry = readSound(folder / "demo" / "dry.wav");
    EXPECT_EQ(dry.info.channels, 2);
    EXPECT_EQ(dry.info.samplerate, 48000);
    EXPECT_GE(dry.info.frames, 48000 * 3);
    int presets = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder / "demo")) {
        if (entry.path().extension() != ".svg") continue;
        ++presets;
        std::filesystem::path audio = entry.path();
        audio.replace_extension(".wav");
        const Sound wet = readSound(audio);
        EXPECT_EQ(wet.info.frames, dry.info.frames) << audio;
        EXPECT_FALSE(bitIdentical(wet.samples, dry.samples)) << audio;
        EXPECT_NE(result.out.find(audio.filename().string()), std::string::npos) << result.out;
    }
    EXPECT_EQ(presets, 4);
}

TEST_F(RenderCommandTest, SavedPresetReproducesTheSettingsAndSetOverridesPresets) {
    const std::string table = [&] {
        const CommandResult result = runOndulaxis({"render", (folder / "stereo.wav").string(),
                                                   (folder / "a.wav").string(), "--set", "InGain=12dB", "--set",
                                                   "ZeroX=off", "--save-preset", (folder / "saved.preset").string()});
        EXPECT_EQ(result.status, 0) << result.errors;
        EXPECT_NE(result.out.find("InGain=12dB is 0.249"), std::string::npos) << result.out;
        EXPECT_NE(result.out.find("the plug-in shows 12.00 dB"), std::string::npos) << result.out;
        return result.out.substr(result.out.find("InGain"));
    }();
    // --set comes after the preset whatever the order on the line.
    const CommandResult again =
        runOndulaxis({"render", (folder / "stereo.wav").string(), (folder / "b.wav").string(), "--set",
                      "FuncMix=0.9", "--preset", (folder / "saved.preset").string()});
    ASSERT_EQ(again.status, 0) << again.errors;
    EXPECT_NE(again.out.find("90.000"), std::string::npos) << again.out;
    const CommandResult same = runOndulaxis({"render", (folder / "stereo.wav").string(), (folder / "c.wav").string(),
                                             "--preset", (folder / "saved.preset").string()});
    EXPECT_TRUE(bitIdentical(readSound(folder / "a.wav").samples, readSound(folder / "c.wav").samples));
}

TEST_F(RenderCommandTest, OversampledRenderKeepsRateLengthAndSaysSo) {
    const CommandResult result = runOndulaxis({"render", (folder / "stereo.wav").string(),
                                               (folder / "out.wav").string(), "--oversample", "4", "--set",
                                               "SlewLim=5%"});
    ASSERT_EQ(result.status, 0) << result.errors;
    EXPECT_NE(result.out.find("runs at 176400 Hz"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("SlewLim"), std::string::npos) << result.out;
    const Sound in = readSound(folder / "stereo.wav");
    const Sound out = readSound(folder / "out.wav");
    EXPECT_EQ(out.info.samplerate, in.info.samplerate);
    EXPECT_EQ(out.samples.size(), in.samples.size());
}

TEST_F(RenderCommandTest, AnalyzePrintsTheFiguresAndDrawsBothSpectra) {
    const CommandResult result =
        runOndulaxis({"analyze", (folder / "spectrum.svg").string(), "--freq", "5000", "--oversample", "2"});
    ASSERT_EQ(result.status, 0) << result.errors;
    for (const char* line : {"THD+N", "aliasing", "10000.0 Hz", "20000.0 Hz", "2x"}) {
        EXPECT_NE(result.out.find(line), std::string::npos) << line << " in\n" << result.out;
    }
    const std::string svg = contents(folder / "spectrum.svg");
    EXPECT_NE(svg.find("1x aliases and noise"), std::string::npos);
    EXPECT_NE(svg.find("2x tone and harmonics"), std::string::npos);
    EXPECT_EQ(svg.substr(svg.size() - 7), "</svg>\n");
}

TEST_F(RenderCommandTest, AnalyzeSweepDrawsOnePointPerToneAndFactor) {
    const CommandResult result = runOndulaxis({"analyze", (folder / "sweep.svg").string(), "--sweep"});
    ASSERT_EQ(result.status, 0) << result.errors;
    const std::string svg = contents(folder / "sweep.svg");
    std::size_t points = 0;
    for (std::size_t at = svg.find("<circle"); at != std::string::npos; at = svg.find("<circle", at + 1)) ++points;
    EXPECT_EQ(points, 25u);
    // Aliasing grows with the tone's frequency: the lowest tone's partials
    // all lie below half the rate, the highest tone's all above.
    std::istringstream rows(result.out.substr(result.out.find("1x (dB)") + 7));
    double tone = 0.0;
    double first = 0.0;
    double last = 0.0;
    for (int row = 0; row < 25 && rows >> tone >> last; ++row) {
        if (row == 0) first = last;
    }
    EXPECT_LT(first, -120.0) << result.out;
    EXPECT_GT(last, -20.0) << result.out;
}

}  // namespace
}  // namespace ondulaxis::host::test
