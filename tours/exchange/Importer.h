#pragma once
// The one interface of all format readers: read an input from start to end,
// hand points and POIs to a sink, and say how it went.
#include <string>

#include "tours/exchange/ImportSink.h"
#include "tours/exchange/InputSource.h"

namespace trek {

struct ImportOutcome {
    bool ok = true;
    std::string error;         // the message to show when !ok
    std::string errorCaption;  // its caption
    long trackPoints = 0;
    long waypoints = 0;
};

class Importer {
public:
    virtual ~Importer() = default;
    // Everything read before an error has already gone to the sink.
    virtual ImportOutcome run(InputSource& input, ImportSink& sink, ProgressMeter* progress) = 0;
};

// Parses a double at the cursor like "%lf" does (leading blanks skipped,
// "C" locale regardless of the process locale); advances the cursor.
bool ScanDouble(std::string_view text, size_t& pos, double& value);
bool ScanInt(std::string_view text, size_t& pos, long& value);

}  // namespace trek
