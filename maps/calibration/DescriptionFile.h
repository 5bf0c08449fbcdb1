#pragma once
// The map description file (".CAL" beginning with "TYPE:"): an 8-bit text file
// with one keyword line per field, read from its first 4096 bytes and written
// line by line with CR LF. Degree signs are the single byte 0xB0.
#include <string>
#include <string_view>

#include "maps/calibration/MapDescription.h"

namespace trek {

constexpr size_t kDescriptionReadLimit = 4096;
// Suffix of the description written beside a foreign ".CAL" of the same name.
constexpr const char* kOwnDescriptionSuffix = "_Trekvane.CAL";
// Writer failure text and title, as the program shows them.
constexpr const char* kCalWriteErrorMessage = "Error while opening .CAL file!";
constexpr const char* kCalWriteErrorTitle = "CAL file";

// True when the bytes begin with "TYPE:" (our own description, not a Touratech file).
bool IsDescriptionText(std::string_view bytes);
bool IsDescriptionFile(const std::string& path);

// Reads a description from text (only its first 4096 bytes count). `path` is the
// file's own path: the image path is its folder plus "FILENAME:" and the
// description path is `path`. Starts from a fresh map (type 0, hidden,
// UtmCalibration). The calibration is not calibrated here; callers call
// map.calibration().Calibrate(). Always succeeds on text.
void ParseDescription(std::string_view text, const std::string& path, MapDescription& map);

// Reads the file. false when it cannot be opened (nothing is changed then).
bool ReadDescriptionFile(const std::string& path, MapDescription& map);

// The text the writer produces, CR LF lines. eastLetter: hemisphere letter for
// east (the language's, 'E' in English).
std::string FormatDescription(const MapDescription& map, char eastLetter);

// Where the writer puts the description of `map`: its description path with the
// extension replaced by ".CAL".
std::string DescriptionTargetPath(const MapDescription& map);

// Writes the description atomically (temp file + rename) to DescriptionTargetPath.
// Refuses tile maps (flag bit 16) and maps whose image is a ".tvm" container.
// On failure returns false and, when error is given, sets a one-line reason.
bool WriteDescriptionFile(const MapDescription& map, char eastLetter, std::string* error = nullptr);

// The same, to an explicit file path (used as it stands, extension included).
bool WriteDescriptionFileTo(const MapDescription& map, const std::string& path, char eastLetter,
                            std::string* error = nullptr);

// The description path for a map found through a foreign file: the foreign
// path without extension + "_Trekvane.CAL".
std::string OwnDescriptionPathFor(const std::string& foreignPath);

// Formats one coordinate as the writer does: |value| in degrees with seven
// decimals, the degree byte 0xB0, and the hemisphere letter.
std::string FormatDescriptionLatitude(int32_t lat);
std::string FormatDescriptionLongitude(int32_t lon, char eastLetter);

}  // namespace trek
