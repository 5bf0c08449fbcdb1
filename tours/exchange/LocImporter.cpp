#include "tours/exchange/LocImporter.h"

#include <cstdio>

#include "tours/exchange/XmlStreamReader.h"

namespace trek {

namespace {

enum class Field { None, Name, Type, Link };

class LocParse : public XmlHandler {
public:
    explicit LocParse(ImportSink& sink) : sink_(sink) {}

    void startElement(std::string_view name, const char** attributes) override {
        if (name == "waypoint") {
            inWaypoint_ = true;
            positionValid_ = false;
            point_ = ImportPoint{};
            poi_ = ImportPoi{};
        } else if (!inWaypoint_) {
            return;
        } else if (name == "name") {
            field_ = Field::Name;
            poi_.name.clear();
        } else if (name == "type") {
            field_ = Field::Type;
            poi_.symbol.clear();
        } else if (name == "link") {
            field_ = Field::Link;
            poi_.description.clear();
        } else if (name == "coord") {
            const char* lat = FindXmlAttribute(attributes, "lat");
            const char* lon = FindXmlAttribute(attributes, "lon");
            double latDeg = 0, lonDeg = 0;
            size_t p = 0, q = 0;
            positionValid_ = lat && lon && ScanDouble(lat, p, latDeg) && ScanDouble(lon, q, lonDeg) &&
                             DegreesToImportUnits(latDeg, point_.lat) && DegreesToImportUnits(lonDeg, point_.lon);
        }
    }

    void endElement(std::string_view name) override {
        if (name == "waypoint") {
            if (inWaypoint_ && positionValid_) {
                sink_.poi(point_, poi_);
                ++waypoints;
            }
            inWaypoint_ = false;
        }
        field_ = Field::None;
    }

    void characters(std::string_view text) override {
        switch (field_) {
        case Field::None: return;
        case Field::Name: AppendBounded(poi_.name, text, kImportNameCapacity); return;
        case Field::Type: AppendBounded(poi_.symbol, text, kImportSymbolCapacity); return;
        case Field::Link: AppendBounded(poi_.description, text, kImportDescriptionCapacity); return;
        }
    }

    long waypoints = 0;

private:
    ImportSink& sink_;
    bool inWaypoint_ = false;
    bool positionValid_ = false;
    Field field_ = Field::None;
    ImportPoint point_;
    ImportPoi poi_;
};

}  // namespace

ImportOutcome LocImporter::run(InputSource& input, ImportSink& sink, ProgressMeter* progress) {
    LocParse parse(sink);
    XmlStreamReader reader;
    std::optional<XmlError> error = reader.parse(input, parse, progress);
    ImportOutcome outcome;
    outcome.waypoints = parse.waypoints;
    if (error) {
        outcome.ok = false;
        outcome.error = XmlErrorMessage("Error LOC file", *error);
        outcome.errorCaption = "Tour Import";
    }
    return outcome;
}

}  // namespace trek
