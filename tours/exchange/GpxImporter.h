#pragma once
// GPX 1.0 and 1.1: tracks, routes, waypoints and the geocaching ("groundspeak")
// elements of pocket queries.
#include "tours/exchange/Importer.h"

namespace trek {

class GpxImporter : public Importer {
public:
    ImportOutcome run(InputSource& input, ImportSink& sink, ProgressMeter* progress) override;
};

}  // namespace trek
