// Settings typed in display units, and preset files.
#include "DisplayUnits.h"
#include "EffectSession.h"
#include "PluginTestSupport.h"
#include "PresetFile.h"

#include <fstream>

namespace ondulaxis::host::test {
namespace {

// The display the effect shows for each (name, normalised value).
std::string displayOf(const std::string& name, float value) {
    SessionSettings settings;
    settings.channels = 1;
    settings.parameters = {{name, value}};
    EffectSession session(builtPlugin(), settings);
    const auto index = resolveParameterSettings(session.instance(), settings.parameters).front().index;
    const std::string label = session.instance().parameterLabel(index);
    std::string display = session.instance().parameterDisplay(index);
    session.finish();
    // As a user would type it back: "12.00dB", "Off", "Yes".
    const bool numeric = !display.empty() && (std::isdigit(static_cast<unsigned char>(display.back())) != 0);
    return display + (numeric ? label : "");
}

struct RoundTrip {
    const char* name;
    std::vector<float> values;
};

class DisplayRoundTripTest : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(DisplayRoundTripTest, TypingTheDisplayGivesTheSameDisplay) {
    for (const float value : GetParam().values) {
        const std::string shown = displayOf(GetParam().name, value);
        const float typed = normalisedFromDisplay(GetParam().name, shown);
        EXPECT_EQ(displayOf(GetParam().name, typed), shown) << GetParam().name << " at " << value;
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

TEST(DisplayUnitsTest, ExamplesGiveTheirDisplays) {
    const std::pair<const char*, const char*> examples[] = {
        {"InGain=12dB", "12.00dB"},      {"OutGain=-6dB", "-6.00dB"},        {"FuncMix=80%", "80.000%"},
        {"SlewLim=off", "Off"},          {"SlewLim=5%", "5.00%"},            {"ZeroX=off", "No"},
        {"zerox=ON", "Yes"},             {"FreqMin=2cycles", "2.00cycles"}, {"FreqDif=-30 cycles", "-30.00cycles"},
        {"AmpMin=+20%", "20.000%"},     {"SlewLim=99.9%", "99.90%"},
    };
    for (const auto& [typed, display] : examples) {
        const TypedSetting setting = parseTypedSetting(typed);
        EXPECT_EQ(displayOf(setting.setting.name, setting.setting.value), display) << typed;
    }
}

struct Refusal {
    const char* setting;
    const char* message;
};

class DisplayRefusalTest : public ::testing::TestWithParam<Refusal> {};

TEST_P(DisplayRefusalTest, SaysWhyAndGivesTheRange) {
    try {
        parseTypedSetting(GetParam().setting);
        ADD_FAILURE() << GetParam().setting << " was taken";
    } catch (const HostError& error) {
        EXPECT_NE(std::string(error.what()).find(GetParam().message), std::string::npos) << error.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    BadValues, DisplayRefusalTest,
    ::testing::Values(Refusal{"InGain=60dB", "out of range: InGain runs from 0.00 to 48.16 dB"},
                      Refusal{"OutGain=1dB", "-48.16 to 0.00 dB"},
                      Refusal{"FuncMix=100.1%", "0.000 to 100.000 %"},
                      Refusal{"SlewLim=0.1%", "0.20 to 99.90 %, or off"},
                      Refusal{"FreqMin=0.4cycles", "0.50 to 256.00 cycles"},
                      Refusal{"FreqDif=200cycles", "-127.00 to 127.00 cycles"},
                      Refusal{"InGain=80%", "wrong unit"},
                      Refusal{"ZeroX=3dB", "on or off"},
                      Refusal{"FuncMix=on", "not a value of FuncMix"},
                      Refusal{"InGain=loud", "not a number"},
                      Refusal{"InGain=1e-50", "out of range"},
                      Refusal{"InGain=1e50", "between 0 and 1"},
                      Refusal{"InGain=1e999", "out of range"},
                      Refusal{"InGain=1e999dB", "out of range"}),
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
    std::ofstream(folder / "p.preset") << "ZeroX=1\n# fine\nInGain=99dB\n";
    try {
        readPresetFile(folder / "p.preset");
        ADD_FAILURE() << "taken";
    } catch (const HostError& error) {
        EXPECT_NE(std::string(error.what()).find("p.preset:3: InGain=99dB is out of range"), std::string::npos)
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
