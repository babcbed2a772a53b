// Ondulaxis.clap as a Windows host loads it: the one export is clap_entry,
// and a render of either plug-in, stereo and mono, equals the one the DLL of
// the other interface gives with the same values, bit for bit.
#include <gtest/gtest.h>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "ClapAbi.h"
#include "OndulaxisHQ.h"
#include "ParameterRecords.h"
#include "PluginInstance.h"
#include "PluginLibrary.h"

namespace {

const ClapEntryTable* clapEntry() {
    static HMODULE module = LoadLibraryA(ONDULAXIS_CLAP_PATH);
    if (module == nullptr) return nullptr;
    const auto* entry = reinterpret_cast<const ClapEntryTable*>(GetProcAddress(module, "clap_entry"));
    return entry != nullptr && entry->init(ONDULAXIS_CLAP_PATH) ? entry : nullptr;
}

TEST(ClapDll, ExportsOnlyTheEntry) {
    HMODULE module = LoadLibraryA(ONDULAXIS_CLAP_PATH);
    ASSERT_NE(module, nullptr) << GetLastError();
    const auto* base = reinterpret_cast<const unsigned char*>(module);
    const auto* headers =
        reinterpret_cast<const IMAGE_NT_HEADERS*>(base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory = headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    ASSERT_NE(directory.VirtualAddress, 0u);
    const auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + directory.VirtualAddress);
    ASSERT_EQ(exports->NumberOfNames, 1u);
    const auto* names = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
    EXPECT_STREQ(reinterpret_cast<const char*>(base + names[0]), "clap_entry");
    FreeLibrary(module);
}

struct Case {
    const char* id;
    const char* dll;
    uint32_t channels;
    float oversampleStep;  // HQ only
};

class ClapDllRender : public testing::TestWithParam<Case> {};

// InGain 20 dB, FuncMix 75 %, FreqDif -9 cycles, in the units CLAP carries.
const std::pair<ClapId, float> settings[] = {{InGain, 20.0f}, {FuncMix, 75.0f}, {FreqDif, -9.0f}};

TEST_P(ClapDllRender, EqualsTheOtherInterfacesDll) {
    const Case& test = GetParam();
    const bool hq = std::strcmp(test.dll, ONDULAXIS_HQ_PLUGIN_PATH) == 0;
    constexpr uint32_t frames = 2000, block = 400;
    std::vector<std::vector<float>> input(2, std::vector<float>(frames));
    for (uint32_t i = 0; i < frames; ++i) {
        input[0][i] = 0.8f * std::sin(0.013f * static_cast<float>(i));
        input[1][i] = 0.5f * std::sin(0.071f * static_cast<float>(i));
    }

    // Through the other interface's DLL and the project's host library.
    using namespace ondulaxis::host;
    PluginInstance instance(std::make_shared<const PluginLibrary>(test.dll));
    instance.open();
    instance.setSampleRate(48000.0f);
    instance.setBlockSize(block);
    for (const auto& [id, value] : settings) {
        instance.setParameter(static_cast<int32_t>(id), parameterValues::toNormalised(*ondulaxisParameters.find(id), value));
    }
    if (hq) instance.setParameter(8, test.oversampleStep / 4.0f);
    std::vector<std::vector<float>> expected(2, std::vector<float>(frames));
    instance.setConnections(PinConnections::forChannels(static_cast<int>(test.channels)));
    instance.mainsChanged(true);
    for (uint32_t start = 0; start < frames; start += block) {
        float* in[2] = {input[0].data() + start, input[test.channels - 1].data() + start};
        float* out[2] = {expected[0].data() + start, expected[test.channels - 1].data() + start};
        instance.processReplacing(in, out, static_cast<int32_t>(block));
    }

    // Through the module.
    const ClapEntryTable* entry = clapEntry();
    ASSERT_NE(entry, nullptr);
    const auto* factory = static_cast<const ClapPluginFactory*>(entry->get_factory(CLAP_PLUGIN_FACTORY_ID));
    static const ClapHostRecord host{CLAP_VERSION, nullptr, "windows tests", "", "", "1",
                                  [](const ClapHostRecord*, const char*) -> const void* { return nullptr; },
                                  [](const ClapHostRecord*) {}, [](const ClapHostRecord*) {}, [](const ClapHostRecord*) {}};
    const ClapPluginRecord* plugin = factory->create_plugin(factory, &host, test.id);
    ASSERT_NE(plugin, nullptr);
    ASSERT_TRUE(plugin->init(plugin));
    const auto* configs = static_cast<const ClapPluginAudioPortsConfig*>(
        plugin->get_extension(plugin, CLAP_EXT_AUDIO_PORTS_CONFIG));
    ASSERT_TRUE(configs->select(plugin, test.channels == 1 ? 1 : 0));
    const auto* params = static_cast<const ClapPluginParams*>(plugin->get_extension(plugin, CLAP_EXT_PARAMS));
    std::vector<ClapParamValueEvent> events;
    for (const auto& [id, value] : settings) {
        events.push_back({{sizeof(ClapParamValueEvent), 0, 0, CLAP_EVENT_PARAM_VALUE, 0}, id, nullptr, -1, -1, -1, -1, value});
    }
    if (hq) {
        events.push_back({{sizeof(ClapParamValueEvent), 0, 0, CLAP_EVENT_PARAM_VALUE, 0},
                          OndulaxisHQ::oversampleIndex, nullptr, -1, -1, -1, -1, test.oversampleStep});
    }
    ClapInputEvents list{&events,
                             [](const ClapInputEvents* l) {
                                 return static_cast<uint32_t>(static_cast<decltype(events)*>(l->ctx)->size());
                             },
                             [](const ClapInputEvents* l, uint32_t i) -> const ClapEventHeader* {
                                 return &(*static_cast<decltype(events)*>(l->ctx))[i].header;
                             }};
    params->flush(plugin, &list, nullptr);
    ASSERT_TRUE(plugin->activate(plugin, 48000.0, 1, block));
    ASSERT_TRUE(plugin->start_processing(plugin));
    std::vector<std::vector<float>> output(2, std::vector<float>(frames));
    for (uint32_t start = 0; start < frames; start += block) {
        float* in[2] = {input[0].data() + start, input[1].data() + start};
        float* out[2] = {output[0].data() + start, output[1].data() + start};
        ClapAudioBuffer inputs{in, nullptr, test.channels, 0, 0};
        ClapAudioBuffer outputs{out, nullptr, test.channels, 0, 0};
        ClapProcessBlock process{-1, block, nullptr, &inputs, &outputs, 1, 1, nullptr, nullptr};
        ASSERT_EQ(plugin->process(plugin, &process), CLAP_PROCESS_CONTINUE);
    }
    plugin->stop_processing(plugin);
    plugin->deactivate(plugin);
    plugin->destroy(plugin);
    for (uint32_t c = 0; c < test.channels; ++c) {
        EXPECT_EQ(std::memcmp(output[c].data(), expected[c].data(), frames * sizeof(float)), 0) << "channel " << c;
    }
}

INSTANTIATE_TEST_SUITE_P(ClapDll, ClapDllRender,
                         testing::Values(Case{"example.ondulaxis.plain", ONDULAXIS_PLUGIN_PATH, 2, 0},
                                         Case{"example.ondulaxis.plain", ONDULAXIS_PLUGIN_PATH, 1, 0},
                                         Case{"example.ondulaxis.hq", ONDULAXIS_HQ_PLUGIN_PATH, 2, 3},
                                         Case{"example.ondulaxis.hq", ONDULAXIS_HQ_PLUGIN_PATH, 1, 1}));

}  // namespace
