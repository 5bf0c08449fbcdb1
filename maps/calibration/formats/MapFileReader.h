#pragma once
// Opens any calibration file the program understands, chosen by its extension:
// ".CAL" (own description, or Touratech when it does not begin with "TYPE:"),
// ".KAL", ".MAP", ".bpw", ".jgw", ".pgw", ".tfw".
#include <memory>
#include <string>

#include "maps/calibration/formats/CalibrationFormat.h"

namespace trek {

enum class MapFileKind { Unknown, Description, Touratech, Glopus, WorldFile, Ozi };

// By extension (case-insensitive); ".CAL" needs the first bytes to tell the two apart.
MapFileKind MapFileKindFor(const std::string& path, std::string_view firstBytes = {});
// The reader of a foreign kind; nullptr for Description and Unknown.
const CalibrationFormat* FormatFor(MapFileKind kind);

struct MapFileResult {
    bool ok = false;
    MapFileKind kind = MapFileKind::Unknown;
    ImageInfo image;
    std::vector<ReadMessage> messages;
    std::string error;  // one line when !ok
};

// Reads the file into `map` (description or foreign), then calibrates the map's
// calibration. The image size comes from the context (default: image headers).
MapFileResult ReadMapFile(const std::string& path, MapDescription& map,
                          const CalibrationReadContext& context = DefaultReadContext());

}  // namespace trek
