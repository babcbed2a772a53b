// Settings typed in display units, and preset files.
#include "DisplayUnits.h"
#include "EffectSession.h"
#include "PluginTestSupport.h"
#include "PresetFile.h"

#include <fstream>

namespace ondulaxis::host::test {
using namespace ondulaxis::tool;
namespace {

// The display the effect shows once a setting (normalised or typed) is
// resolved through the loaded plug-in, as the command does.
std::string displayOf(std::shared_ptr<const PluginLibrary> plugin, const ParameterSetting& setting) {
    SessionSettings settings;
    settings.channels = 1;
    settings.parameters = {setting};
    EffectSession session(std::move(plugin), settings);
    const auto index = resolveParameterSettings(session.instance(), settings.parameters).front().index;
    const std::string label = session.instance().parameterLabel(index);
    std::string display = session.instance().parameterDisplay(index);
    session.finish();
    // As a user would type it back: "12.00dB", "Off", "Yes".
    const bool numeric = !display.empty() && (std::isdigit(static_cast<unsigned char>(display.back())) != 0);
    return display + (numeric ? label : "");
}

std::string displayOf(const std::string& typed) {
    return displayOf(builtPlugin(), parseTypedSetting(typed).setting);
}

struct RoundTrip {
    const char* name;
    std::vector<float> values;
};

class DisplayRoundTripTest : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(DisplayRoundTripTest, TypingTheDisplayGivesTheSameDisplay) {
    for (const float value : GetParam().values) {
        const std::string shown = displayOf(builtPlugin(), {GetParam().name, value});
        EXPECT_EQ(displayOf(std::string(GetParam().name) + "=" + shown), shown) << GetParam().name << " at " << value;
    }
}

// The ends of each range, the middle, and values between display steps.
INSTANTIATE_TEST_SUITE_P(
    EachParameter, DisplayRoundTripTest,
    ::testing::Values(RoundTrip{"ZeroX", {0.0f, 0.5f, 0.5000001f, 1.0f}},
                      RoundTrip{"InGain", {0.0f, 0.123457f, 0.5f, 0.77777f, 1.0f}},
                      RoundTrip{"SlewLim", {0.0f, 0.01f, 0.5f, 0.9f, 0.9998f, 0.99983f, 1.0f}},
                      RoundTrip{"FuncMix", {0.0f, 0.1234567f, 0.8f, 1.0f}},
                      RoundTrip{"AmpMin", {0.0f, 0.3333333f, 1.0f}},
                      RoundTrip{"FreqMin", {0.0f, 0.2222222f, 0.456789f, 0.99f, 1.0f}},
                      RoundTrip{"FreqDif", {0.0f, 0.001f, 0.25f, 0.4999f, 0.5f, 0.5003f, 0.75f, 0.999f, 1.0f}},
                      RoundTrip{"OutGain", {0.0f, 0.3f, 0.5f, 0.98765f, 1.0f}}),
    [](const ::testing::TestParamInfo<RoundTrip>& info) { return std::string(info.param.name); });

// Texts as users type them: any decimals, with or without the unit or a
// space, any case; the plug-in reads them, the command only passes them on.
TEST(DisplayUnitsTest, ExamplesGiveTheirDisplays) {
    const std::pair<const char*, const char*> examples[] = {
        {"InGain=12dB", "12.00dB"},      {"OutGain=-6dB", "-6.00dB"},        {"FuncMix=80%", "80.000%"},
        {"SlewLim=off", "Off"},          {"SlewLim=5%", "5.00%"},            {"ZeroX=off", "No"},
        {"zerox=ON", "Yes"},             {"FreqMin=2cycles", "2.00cycles"}, {"FreqDif=-30 cycles", "-30.00cycles"},
        {"AmpMin=+20%", "20.000%"},     {"SlewLim=99.9%", "99.90%"},        {"FuncMix=37.000 %", "37.000%"},
        {"FreqMin=4.44 cycle", "4.44cycles"},
    };
    for (const auto& [typed, display] : examples) EXPECT_EQ(displayOf(typed), display) << typed;
}

TEST(DisplayUnitsTest, HQTextsAreItsOwn) {
    const std::pair<const char*, const char*> examples[] = {
        {"Oversample=8x", "8x"}, {"Oversample=1X", "1x"}, {"DryWet=37%", "37.000%"}, {"DryWet=100 %", "100.000%"}, {"DryWet=1", "100.000%"},
    };
    for (const auto& [typed, display] : examples) {
        const auto hq = std::make_shared<const PluginLibrary>(ONDULAXIS_HQ_PLUGIN_PATH);
        EXPECT_EQ(displayOf(hq, parseTypedSetting(typed).setting), display) << typed;
    }
}

struct Refusal {
    const char* setting;
    const char* message;
};

class DisplayRefusalTest : public ::testing::TestWithParam<Refusal> {};

TEST_P(DisplayRefusalTest, SaysWhyAndGivesTheRange) {
    try {
        displayOf(GetParam().setting);
        ADD_FAILURE() << GetParam().setting << " was taken";
    } catch (const HostError& error) {
        EXPECT_NE(std::string(error.what()).find(GetParam().message), std::string::npos) << error.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    BadValues, DisplayRefusalTest,
    ::testing::Values(Refusal{"InGain=60dB", "no value of InGain shows 60dB; it shows 0.00 dB to 48.16 dB"},
                      Refusal{"OutGain=1dB", "-48.16 dB to 0.00 dB"},
                      Refusal{"FuncMix=100.1%", "0.000 % to 100.000 %"},
                      Refusal{"SlewLim=0.1%", "0.20 % to Off %"},
                      Refusal{"FreqMin=0.4cycles", "0.50 cycles to 256.00 cycles"},
                      Refusal{"InGain=80%", "no value of InGain shows 80%"},
                      Refusal{"ZeroX=3dB", "it shows No, Yes"},
                      Refusal{"FuncMix=on", "no value of FuncMix shows on"},
                      Refusal{"Foo=1dB", "unknown parameter 'Foo'"},
                      Refusal{"InGain=1e-50", "out of range"},
                      Refusal{"InGain=1e50", "between 0 and 1"},
                      Refusal{"InGain=1e999", "out of range"}),
    [](const ::testing::TestParamInfo<Refusal>& info) {
        std::string name;
        for (const char c : std::string(info.param.setting)) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        return name;
    });

TEST(PresetFileTest, ReadsSettingsAndSkipsComments) {
    TemporaryFolder folder;
    std::ofstream(folder / "p.preset") << "# crunchy\n\nInGain=12dB  # drive\n  FuncMix = 0.25\n#ZeroX=0\n";
    const Preset preset = readPresetFile(folder / "p.preset");
    EXPECT_EQ(preset.description, "crunchy");
    ASSERT_EQ(preset.settings.size(), 2u);
    EXPECT_EQ(preset.settings[0].typed, "12dB");
    EXPECT_EQ(preset.settings[1].setting.value, 0.25f);
}

TEST(PresetFileTest, BadLineIsNamedWithFileAndLine) {
    TemporaryFolder folder;
    std::ofstream(folder / "p.preset") << "ZeroX=1\n# fine\nInGain=2\n";
    try {
        readPresetFile(folder / "p.preset");
        ADD_FAILURE() << "taken";
    } catch (const HostError& error) {
        EXPECT_NE(std::string(error.what()).find("p.preset:3: value of InGain is out of range"), std::string::npos)
            << error.what();
    }
    EXPECT_THROW(readPresetFile(folder / "absent.preset"), HostError);
}

TEST(PresetFileTest, DemoPresetsAreReadable) {
    for (const char* name : {"warmth", "zerox-off", "fm-fold", "slow-slew"}) {
        const Preset preset = readPresetFile(presetFolder() / (std::string(name) + ".preset"));
        EXPECT_FALSE(preset.description.empty()) << name;
        EXPECT_FALSE(preset.settings.empty()) << name;
    }
}

}  // namespace
}  // namespace ondulaxis::host::test
