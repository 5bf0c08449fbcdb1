#pragma once
// What the shell asks of the data catalogue (maps, tour lists, POI lists):
// a rebuild from the search paths and the map loader's "open this file".
// Kept to these calls so that the shell does not depend on how the
// catalogue stores its entries.
#include <string>
#include <vector>

namespace trek {

class Settings;

namespace catalogue_bridge {

// Empties the catalogue and scans the search paths again.
void Reload(const Settings& settings, const std::string& programFolder);
// True while a rebuild runs (a device change then does not start another).
bool Busy();
// Known tour of that file name (compared without case), for the handover.
bool KnowsTour(const std::string& path);
// The map loader: a map file (".tvm", ".CAL", foreign calibrations) is looked
// up among the known maps or loaded into the catalogue. False with a reason.
bool OpenMap(const std::string& path, char eastLetter, std::string* error);
// Whether the catalogue would take the file as a map.
bool IsMapFile(const std::string& path);
void Destroy();

}  // namespace catalogue_bridge
}  // namespace trek
