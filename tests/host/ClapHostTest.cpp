// The CLAP side of the host library on the test module's plug-ins: which
// plug-in a choice finds, what a broken module says, values read through
// the plug-in's text_to_value, and the audio a session gives back.
#include "ClapSession.h"
#include "EffectLoading.h"
#include "HostError.h"
#include "PluginScan.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

namespace ondulaxis::host::test {
namespace {

std::filesystem::path clapStub(const std::string& kind = "") {
    return std::filesystem::path(STUB_FOLDER) / ("ClapStub" + kind + ".clap");
}

std::shared_ptr<const ClapLibrary> stubModule() {
    static const auto library = std::make_shared<const ClapLibrary>(clapStub());
    return library;
}

struct ChoiceCase {
    const char* name;
    const char* kind;    // ClapStub<kind>.clap
    const char* choice;  // --plugin-id
    const char* chosen;  // the ID found, or empty when it fails
    const char* error;   // a part of the message when it fails
};

void PrintTo(const ChoiceCase& c, std::ostream* out) { *out << c.name; }

class ClapChoiceTest : public ::testing::TestWithParam<ChoiceCase> {};

TEST_P(ClapChoiceTest, FindsThePluginOrSaysWhyNot) {
    const ChoiceCase& c = GetParam();
    try {
        const auto source = openEffect(clapStub(c.kind), c.choice);
        EXPECT_STREQ(c.error, "");
        EXPECT_EQ(source->name(), clapStub(c.kind).string() + " (" + c.chosen + ")");
    } catch (const HostError& error) {
        EXPECT_STREQ(c.chosen, "") << error.what();
        EXPECT_NE(std::string(error.what()).find(c.error), std::string::npos) << error.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Modules, ClapChoiceTest,
    ::testing::Values(ChoiceCase{"ById", "", "test.delay", "test.delay", ""},
                      ChoiceCase{"ByNameAnyCase", "", "GAIN", "test.gain", ""},
                      ChoiceCase{"SeveralNeedAChoice", "", "", "", "holds 7 plug-ins; choose one: test.gain (Gain), "},
                      ChoiceCase{"UnknownChoiceListsThem", "", "nope", "", "it holds test.gain (Gain), test.delay"},
                      ChoiceCase{"NoFactory", "NoFactory", "", "", "offers no plug-in factory"},
                      ChoiceCase{"NoEntry", "NoEntry", "", "", "is not a CLAP module: it exports no clap_entry"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ClapInstanceTest, FailedInitNamesThePlugin) {
    try {
        ClapInstance instance(stubModule(), "test.fail-init");
        FAIL() << "init failed but the instance was made";
    } catch (const HostError& error) {
        EXPECT_EQ(std::string(error.what()), "plug-in test.fail-init in " + clapStub().string() + " failed to initialise");
    }
}

TEST(ClapInstanceTest, ScanPassesAModuleWhosePluginRefusesInitAndFailsOneWithoutFactory) {
    EXPECT_NO_THROW(scanPlugin(clapStub()));
    EXPECT_THROW(scanPlugin(clapStub("NoFactory")), HostError);
}

struct SettingCase {
    const char* name;
    const char* text;   // as given after NAME=
    double value;       // the plug-in's own value it gives
    const char* error;  // a part of the message, when refused
};

void PrintTo(const SettingCase& c, std::ostream* out) { *out << c.name << "=" << c.text; }

class ClapSettingTest : public ::testing::TestWithParam<SettingCase> {};

TEST_P(ClapSettingTest, TextGoesThroughThePluginBareNumbersAreItsValues) {
    const SettingCase& c = GetParam();
    ClapInstance instance(stubModule(), "test.gain");
    try {
        const auto assignments = resolveClapSettings(instance, {{c.name, 0.0f, c.text}});
        ASSERT_EQ(assignments.size(), 1u);
        EXPECT_STREQ(c.error, "");
        EXPECT_EQ(assignments[0].value, c.value);
    } catch (const HostError& error) {
        ASSERT_STRNE(c.error, "") << error.what();
        EXPECT_NE(std::string(error.what()).find(c.error), std::string::npos) << error.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    GainInDecibels, ClapSettingTest,
    ::testing::Values(SettingCase{"Gain", "6dB", 6.0, ""}, SettingCase{"gain", "-3.5 dB", -3.5, ""},
                      SettingCase{"Gain", "12", 12.0, ""},  // not normalised: 12 dB
                      SettingCase{"Gain", "0.5", 0.5, ""},
                      SettingCase{"Gain", "30", 0.0, "out of range: Gain takes values from -24 to 24"},
                      SettingCase{"Gain", "40dB", 0.0, "out of range"},
                      SettingCase{"Gain", "6 smp", 0.0, "the plug-in reads no value of Gain from '6 smp' (it shows e.g. 0.00 dB"},
                      SettingCase{"Volume", "1", 0.0, "unknown parameter 'Volume'; the parameters are: Gain"}));

std::vector<float> ramp(std::size_t samples) {
    std::vector<float> values(samples);
    for (std::size_t i = 0; i < samples; ++i) values[i] = static_cast<float>(std::sin(0.37 * static_cast<double>(i)));
    return values;
}

// Renders interleaved `input` block by block through a fresh session.
std::vector<float> render(const std::string& id, SessionSettings settings, const std::vector<float>& input,
                          int32_t* latency = nullptr, BypassMode* bypass = nullptr, int* instances = nullptr) {
    ClapSession session(stubModule(), id, settings);
    const std::size_t stride = static_cast<std::size_t>(settings.channels);
    std::vector<float> output(input.size());
    for (std::size_t frame = 0; frame < input.size() / stride; frame += static_cast<std::size_t>(settings.blockSize)) {
        const std::size_t count = std::min(input.size() / stride - frame, static_cast<std::size_t>(settings.blockSize));
        session.processBlock(input.data() + frame * stride, output.data() + frame * stride, static_cast<int32_t>(count));
    }
    if (latency != nullptr) *latency = session.latency();
    if (bypass != nullptr) *bypass = session.bypassMode();
    if (instances != nullptr) *instances = session.layout().instances;
    session.finish();
    return output;
}

TEST(ClapSessionTest, ValuesReachThePluginBeforeTheFirstBlock) {
    SessionSettings settings;
    settings.blockSize = 67;
    settings.parameters = {{"Gain", 0.0f, "6dB"}};
    const std::vector<float> input = ramp(2 * 500);
    const std::vector<float> output = render("test.gain", settings, input);
    const float gain = static_cast<float>(std::pow(10.0, 6.0 / 20.0));
    for (std::size_t i = 0; i < input.size(); ++i) ASSERT_EQ(output[i], gain * input[i]) << i;
}

// The delay has no params flush: its value comes with the first process
// call, and the restart it asks for then gives the latency.
TEST(ClapSessionTest, MonoPluginOnStereoFileRestartsForItsNewLatency) {
    SessionSettings settings;
    settings.blockSize = 64;
    settings.parameters = {{"Delay", 0.0f, "100 smp"}};
    const std::vector<float> input = ramp(2 * 400);
    int32_t latency = 0;
    int instances = 0;
    const std::vector<float> output = render("test.delay", settings, input, &latency, nullptr, &instances);
    EXPECT_EQ(latency, 100);
    EXPECT_EQ(instances, 2);
    for (std::size_t i = 2 * 100; i < input.size(); ++i) ASSERT_EQ(output[i], 0.5f * input[i - 2 * 100]) << i;
}

struct BypassCase {
    const char* id;
    BypassMode mode;
    int32_t latency;
};

void PrintTo(const BypassCase& c, std::ostream* out) { *out << c.id; }

class ClapBypassTest : public ::testing::TestWithParam<BypassCase> {};

TEST_P(ClapBypassTest, BypassParameterOrHostCopy) {
    SessionSettings settings;
    settings.channels = 1;
    settings.bypass = true;
    const std::vector<float> input = ramp(300);
    int32_t latency = -1;
    BypassMode mode = BypassMode::none;
    const std::vector<float> output = render(GetParam().id, settings, input, &latency, &mode);
    EXPECT_EQ(mode, GetParam().mode);
    EXPECT_EQ(latency, GetParam().latency);
    for (std::size_t i = static_cast<std::size_t>(latency); i < input.size(); ++i) {
        ASSERT_EQ(output[i], input[i - static_cast<std::size_t>(latency)]) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Stubs, ClapBypassTest,
                         ::testing::Values(BypassCase{"test.gain", BypassMode::host, 0},
                                           BypassCase{"test.delay", BypassMode::plugin, 3}),
                         [](const auto& info) { return std::string(info.param.id).substr(5); });

// Asked for in block 2, the callback comes before block 3; the restart
// asked for in block 4 comes before block 5 and keeps the plug-in going.
TEST(ClapSessionTest, RequestsAreMetBetweenBlocks) {
    SessionSettings settings;
    settings.channels = 1;
    settings.blockSize = 16;
    ClapSession session(stubModule(), "test.restart", settings);
    const std::vector<float> input = ramp(16);
    std::vector<float> output(16);
    for (int block = 1; block <= 6; ++block) {
        session.processBlock(input.data(), output.data(), 16);
        EXPECT_EQ(session.parameterValue(1), block >= 3 ? 1.0 : 0.0) << "after block " << block;
        EXPECT_EQ(output, input) << "block " << block;
    }
    session.finish();
}

TEST(ClapSessionTest, AbsurdLatencyIsRefused) {
    SessionSettings settings;
    EXPECT_THROW(ClapSession(stubModule(), "test.bad-latency", settings), HostError);
}

}  // namespace
}  // namespace ondulaxis::host::test
