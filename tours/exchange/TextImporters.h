#pragma once
// The line and record formats: Garmin POI CSV, TomTom OV2, and our own TXT
// export (with its TAB variant). One class per format, all behind Importer.
#include <string>

#include "tours/exchange/Importer.h"

namespace trek {

// Garmin POI CSV: "lon,lat,\"name [more]\"" per line; every POI gets the file's
// base name as its symbol.
class CsvImporter : public Importer {
public:
    explicit CsvImporter(std::string symbol) : symbol_(std::move(symbol)) {}
    ImportOutcome run(InputSource& input, ImportSink& sink, ProgressMeter* progress) override;

private:
    std::string symbol_;
};

// TomTom OV2: binary records; types 2 and 3 are POIs, 0 and 1 are skipped.
class Ov2Importer : public Importer {
public:
    // nowTourTime: the time every POI gets (the file holds none).
    Ov2Importer(std::string symbol, uint32_t nowTourTime) : symbol_(std::move(symbol)), now_(nowTourTime) {}
    ImportOutcome run(InputSource& input, ImportSink& sink, ProgressMeter* progress) override;

private:
    std::string symbol_;
    uint32_t now_;
};

// The TXT export read back: "lat, lon, alt, speed, Y/M/D, h:m:s[, symbol[, name[, description]]]".
class TxtImporter : public Importer {
public:
    ImportOutcome run(InputSource& input, ImportSink& sink, ProgressMeter* progress) override;
};

// Tab-separated POI lists: name, then the fields of the description. A line
// gives a POI when a latitude and a longitude follow the name (the first two
// fields that are numbers); lines without them are skipped.
class TabImporter : public Importer {
public:
    ImportOutcome run(InputSource& input, ImportSink& sink, ProgressMeter* progress) override;
};

// Parses one TXT line; returns the number of fields read as the export's
// scanf pattern counts them (separators included), 0 for nothing.
struct TxtLine {
    ImportPoint point;
    ImportPoi poi;
    int fields = 0;
};
TxtLine ParseTxtLine(std::string_view line);

// The Garmin CSV name split: "[a] Name  more [b]" -> name "Name", description
// "a\r\nb\r\nmore".
void SplitCsvName(std::string_view text, std::string& name, std::string& description);

}  // namespace trek
