#pragma once
#include <string>

namespace trek::tool {

struct GlobalOptions {
    std::string root;      // --root
    std::string registry;  // --registry
    std::string oem;       // --oem
    bool oemSet = false;
};

GlobalOptions& Options();
// Hands the options to the platform layer (device root, registry file, OEM string).
void ApplyGlobalOptions(const GlobalOptions& opts);

}  // namespace trek::tool
