#include "EffectChoice.h"

#include "EffectLoading.h"
#include "HostError.h"

namespace ondulaxis::tool {

std::shared_ptr<const host::EffectSource> openChosenEffect(const std::filesystem::path& path,
                                                           const std::string& choice) {
    try {
        return host::openEffect(path, choice);
    } catch (const host::PluginChoiceError& error) {
        throw host::HostError(error.file() + " holds " + std::to_string(error.count()) +
                              " plug-ins; choose one with --plugin-id ID|NAME: " + error.plugins());
    }
}

}  // namespace ondulaxis::tool
