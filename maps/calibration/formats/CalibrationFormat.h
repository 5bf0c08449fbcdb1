#pragma once
// The shared interface of the foreign calibration readers (Touratech ".CAL",
// Glopus ".KAL", world files, OziExplorer ".MAP"). A reader parses the text of
// one file and fills a MapDescription; it asks the context for anything
// outside the text (the image size, today's date), so it never touches disk.
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "maps/calibration/ImageHeader.h"
#include "maps/calibration/MapDescription.h"

namespace trek {

constexpr size_t kCalibrationReadLimit = 4096;  // every reader reads at most this much

struct ReadMessage {
    int line = 0;    // 1-based; 0 = the file as a whole
    int column = 0;  // 1-based; 0 = the line as a whole
    std::string text;
};

struct CalibrationReadContext {
    // Image size by path; nullopt when the image cannot be read. Default: the image headers on disk.
    std::function<std::optional<ImageInfo>(const std::string& path)> imageInfo;
    // Today's date text; default TodayDateText().
    std::string today;
};
CalibrationReadContext DefaultReadContext();

struct CalibrationReadResult {
    bool ok = false;
    ImageInfo image;                    // width/height 0 when the image could not be read
    std::vector<ReadMessage> messages;  // warnings ("Unknown point format") or the error
};

class CalibrationFormat {
public:
    virtual ~CalibrationFormat() = default;
    virtual const char* name() const = 0;  // "Touratech (.CAL)", ...
    // Reads `text` (the first 4096 bytes of the file at `path`) into `map`,
    // which the caller passes fresh. The map's calibration is not calibrated.
    virtual CalibrationReadResult Read(std::string_view text, const std::string& path,
                                       const CalibrationReadContext& context, MapDescription& map) const = 0;
};

}  // namespace trek
