#pragma once
// Export of a tour to GPX, KML, LOC and TXT. Each writer is a TourWalker that
// walks the tour file once or twice and appends fixed text templates to its
// output file, which lands in the target folder under the tour's base name.
#include <functional>
#include <string>
#include <vector>

#include "tours/Tour.h"
#include "tours/TourWalker.h"
#include "tours/exchange/ExportText.h"

namespace trek {

// Held for the program's run, not stored.
struct ExportOptions {
    bool gpx = true;
    bool kml = false;
    bool loc = false;
    bool txt = false;
    bool speedExtension = true;
    char gpxVersion = '1';  // '1': GPX 1.1, '0': GPX 1.0
};
ExportOptions& RunExportOptions();

// The maker's address in creator, source and description fields.
constexpr const char* kProductName = "Trekvane";
constexpr const char* kMakerAddress = "https://trekvane.example";
constexpr const char* kMakerDomain = "trekvane.example";

// One finished output file.
struct ExportReport {
    std::string path;
    long points = 0;      // points of the writer's last pass
    bool written = false; // the file was created and written completely
};

// Shows "%ld points exported to %s!" ("Tour Export"); empty for a silent export.
using ExportMessage = std::function<void(const std::string& text, const std::string& caption)>;

// Writes the selected formats in the order GPX, KML, LOC, TXT into `folder`.
std::vector<ExportReport> ExportTour(Tour& tour, const std::string& folder, const ExportOptions& options,
                                     const ExportMessage& message = {});

// folder + "/" + the tour file's name without folder and extension + extension.
std::string ExportPath(const Tour& tour, const std::string& folder, const std::string& extension);

// The writers; each writes its whole file in write().
// The opening and closing tags a format writes a POI's name, description and
// symbol in.
struct ExportPoiTags {
    const char* nameOpen;
    const char* nameClose;
    const char* descriptionOpen;
    const char* descriptionClose;
    const char* symbolOpen;
    const char* symbolClose;
};

class ExportWriter : public TourWalker {
public:
    ExportWriter(Tour& tour, const std::string& path) : tour_(tour), out_(path) {}
    // Walks the tour and writes the file; returns the points of the last pass.
    virtual long write() = 0;
    bool commit() { return out_.commit(); }
    const std::string& path() const { return out_.path(); }

protected:
    // Name, description and symbol of an attached record, read with the rules
    // every format shares.
    struct PoiFields {
        bool timeStamp = false;
        uint32_t time = 0;
        bool hasName = false, hasDescription = false;
        std::string name, description;  // UTF-8
        std::string symbol;             // 8-bit as stored; empty for a timestamp mark
    };
    PoiFields readPoi(const AttachedRecord& record);
    // Writes each of the POI's texts that is there in the format's tags.
    static void AppendPoiTexts(std::string& t, const PoiFields& f, const ExportPoiTags& tags);
    bool usable(const AttachedRecord& record) const { return !record.removed() && version() >= 6; }
    std::string& text() { return out_.buffer(); }
    void flushMaybe() { out_.maybeFlush(); }

    Tour& tour_;
    ExportFile out_;
    TourPoint last_;  // the point that owns the next attached record
    long count_ = 0;
};

class GpxWriter : public ExportWriter {
public:
    GpxWriter(Tour& tour, const std::string& path, const ExportOptions& options)
        : ExportWriter(tour, path), options_(options) {}
    long write() override;

private:
    void onPoint(const TourPoint& point) override;
    void onAttachedRecord(const AttachedRecord& record) override;
    bool trackPass_ = false;
    bool firstTrackPoint_ = true;
    ExportOptions options_;
};

class KmlWriter : public ExportWriter {
public:
    using ExportWriter::ExportWriter;
    long write() override;

private:
    void onPoint(const TourPoint& point) override;
    void onAttachedRecord(const AttachedRecord& record) override;
    bool placemarkPass_ = false;
};

class LocWriter : public ExportWriter {
public:
    using ExportWriter::ExportWriter;
    long write() override;

private:
    void onPoint(const TourPoint& point) override;
    void onAttachedRecord(const AttachedRecord& record) override;
};

class TxtWriter : public ExportWriter {
public:
    using ExportWriter::ExportWriter;
    long write() override;

private:
    void onPoint(const TourPoint& point) override;
    void onAttachedRecord(const AttachedRecord& record) override;
};

}  // namespace trek
