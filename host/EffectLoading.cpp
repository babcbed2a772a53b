#include "EffectLoading.h"

#include "ClapSession.h"
#include "HostError.h"
#include "LayoutSession.h"

namespace ondulaxis::host {

std::shared_ptr<const EffectSource> openEffect(const std::filesystem::path& path, const std::string& choice) {
    if (isClapFile(path)) {
        auto library = std::make_shared<const ClapLibrary>(path);
        const std::string id = library->choose(choice).id;
        return std::make_shared<const ClapSource>(std::move(library), id);
    }
    if (!choice.empty()) {
        throw HostError("a choice among plug-ins applies to a CLAP file; " + path.string() + " holds one plug-in");
    }
    return std::make_shared<const PluginLibrarySource>(std::make_shared<const PluginLibrary>(path));
}

}  // namespace ondulaxis::host
