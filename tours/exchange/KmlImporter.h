#pragma once
// KML (Google Earth and others): placemarks with points become POIs, LineStrings
// and Polygons become track segments, gx:Track becomes a timed track segment.
#include "tours/exchange/Importer.h"

namespace trek {

class KmlImporter : public Importer {
public:
    ImportOutcome run(InputSource& input, ImportSink& sink, ProgressMeter* progress) override;
};

// The symbol name a KML style reference stands for ("#msn_Hotel_0" -> "Hotel").
std::string KmlStyleToSymbol(std::string_view styleUrl);
// Turns the HTML line breaks and typographic characters of a KML description
// into plain text.
std::string CleanKmlDescription(std::string_view text);

// Cuts KML coordinate text, which may arrive in pieces, into tuples
// "lon,lat[,alt]" separated by white space; blanks around the commas are allowed.
class KmlTupleReader {
public:
    struct Tuple {
        double lon = 0, lat = 0, alt = 0;
    };
    // Feeds a piece of text; calls onTuple for each complete tuple. Returns
    // false once a tuple failed to parse (everything after it is ignored).
    template <class F>
    bool feed(std::string_view text, F&& onTuple);
    template <class F>
    bool finish(F&& onTuple);
    void reset() {
        token_.clear();
        pendingBlank_ = false;
        failed_ = false;
    }

private:
    bool flush(Tuple& tuple, bool& have);
    std::string token_;
    bool pendingBlank_ = false;
    bool failed_ = false;
};

template <class F>
bool KmlTupleReader::feed(std::string_view text, F&& onTuple) {
    for (char c : text) {
        if (failed_) return false;
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            pendingBlank_ = !token_.empty();
            continue;
        }
        if (c != ',' && pendingBlank_ && !token_.empty() && token_.back() != ',') {
            Tuple t;
            bool have = false;
            if (!flush(t, have)) return false;
            if (have) onTuple(t);
        }
        pendingBlank_ = false;
        if (token_.size() < 128) token_.push_back(c);
    }
    return !failed_;
}

template <class F>
bool KmlTupleReader::finish(F&& onTuple) {
    Tuple t;
    bool have = false;
    bool ok = flush(t, have);
    if (have) onTuple(t);
    reset();
    return ok;
}

}  // namespace trek
