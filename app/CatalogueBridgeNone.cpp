// The shell without a map catalogue library: no maps are known or loaded.
#include "app/CatalogueBridge.h"

namespace trek::catalogue_bridge {

void Reload(const Settings&, const std::string&) {}
bool Busy() { return false; }
bool KnowsTour(const std::string&) { return false; }
bool IsMapFile(const std::string&) { return false; }
bool OpenMap(const std::string& path, char, std::string* error) {
    if (error) *error = path + ": no map support in this build";
    return false;
}
void Destroy() {}

}  // namespace trek::catalogue_bridge
