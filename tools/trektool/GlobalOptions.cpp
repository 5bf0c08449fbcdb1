#include "tools/trektool/GlobalOptions.h"

namespace trek::tool {

GlobalOptions& Options() {
    static GlobalOptions options;
    return options;
}

void ApplyGlobalOptions(const GlobalOptions&) {
    // Wired to the platform layer's device root, registry and OEM settings.
}

}  // namespace trek::tool
