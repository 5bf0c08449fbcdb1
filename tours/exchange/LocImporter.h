#pragma once
// LOC files of geocaching sites: one POI per <waypoint>.
#include "tours/exchange/Importer.h"

namespace trek {

class LocImporter : public Importer {
public:
    ImportOutcome run(InputSource& input, ImportSink& sink, ProgressMeter* progress) override;
};

}  // namespace trek
