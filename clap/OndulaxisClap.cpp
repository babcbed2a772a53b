// The CLAP module: Ondulaxis and Ondulaxis HQ through one plug-in factory,
// reached through the one exported symbol, clap_entry.
#include <cstring>
#include <iterator>

#include "ClapAbi.h"
#include "ClapPlugin.h"
#include "HQIdentity.h"
#include "HQParameters.h"
#include "Ondulaxis.h"
#include "OndulaxisHQ.h"
#include "PluginEntry.h"

#if defined(_WIN32)
#define CLAP_ENTRY_EXPORT extern "C"  // the .def file exports it
#else
#define CLAP_ENTRY_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

const char* const features[] = {
    CLAP_PLUGIN_FEATURE_AUDIO_EFFECT, CLAP_PLUGIN_FEATURE_DISTORTION, CLAP_PLUGIN_FEATURE_STEREO,
    CLAP_PLUGIN_FEATURE_MONO, nullptr,
};

// A plug-in's identity under the id CLAP knows it by.
constexpr ClapPluginDescriptor descriptorOf(const PluginIdentity& identity, const char* id) {
    return {CLAP_VERSION, id, identity.name, identity.vendor, identity.homePage, "", "", ONDULAXIS_VERSION,
            identity.description, features};
}

const ClapPluginDescriptor plainDescriptor = descriptorOf(ondulaxisIdentity, "example.ondulaxis.plain");
const ClapPluginDescriptor hqDescriptor = descriptorOf(ondulaxisHQIdentity, "example.ondulaxis.hq");

// Every value has its place in the driver, and an endless tail is endless to CLAP.
static_assert(OndulaxisHQ::hqParamCount <= static_cast<int32_t>(EmbeddedEffect::maxParameters));
static_assert(Ondulaxis::endlessTail >= INT32_MAX);

// The state tags spell "Odx1" and "OdxH".
const ClapPluginKind kinds[] = {
    {&plainDescriptor, createEffectRecord<Ondulaxis>, ondulaxisParameters, 0x3178644Fu, Ondulaxis::tailFrames},
    {&hqDescriptor, createEffectRecord<OndulaxisHQ>, ondulaxisHQParameters, 0x4878644Fu, OndulaxisHQ::tailFrames},
};

uint32_t pluginCount(const ClapPluginFactory* factory) noexcept { return factory != nullptr ? std::size(kinds) : 0; }

const ClapPluginDescriptor* pluginDescriptor(const ClapPluginFactory* factory, uint32_t index) noexcept {
    return factory != nullptr && index < std::size(kinds) ? kinds[index].descriptor : nullptr;
}

const ClapPluginRecord* createPlugin(const ClapPluginFactory* factory, const ClapHostRecord* host,
                                  const char* id) noexcept {
    if (factory == nullptr || id == nullptr) {
        return nullptr;
    }
    for (const ClapPluginKind& kind : kinds) {
        if (std::strcmp(kind.descriptor->id, id) == 0) {
            return ClapPlugin::create(kind, host);
        }
    }
    return nullptr;
}

constexpr ClapPluginFactory factory{pluginCount, pluginDescriptor, createPlugin};

bool entryInit(const char*) noexcept { return true; }
void entryDeinit() noexcept {}

const void* entryFactory(const char* id) noexcept {
    return id != nullptr && std::strcmp(id, CLAP_PLUGIN_FACTORY_ID) == 0 ? &factory : nullptr;
}

}  // namespace

CLAP_ENTRY_EXPORT const ClapEntryTable clap_entry = {CLAP_VERSION, entryInit, entryDeinit, entryFactory};
