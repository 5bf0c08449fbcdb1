#include "tools/trektool/GlobalOptions.h"

#include "platform/core/Oem.h"
#include "platform/core/Paths.h"
#include "platform/core/Registry.h"

namespace trek::tool {

GlobalOptions& Options() {
    static GlobalOptions options;
    return options;
}

void ApplyGlobalOptions(const GlobalOptions& opts) {
    if (!opts.root.empty()) platform::SetDeviceRoot(opts.root);
    if (opts.oemSet) platform::SetOemInfo(opts.oem);
    if (!opts.registry.empty()) {
        platform::SetRegistryFile(opts.registry);
        // The registry may already be open (bound to the default file).
        if (platform::Registry::instance().file() != opts.registry) platform::Registry::instance().bindFile(opts.registry);
    }
}

}  // namespace trek::tool
