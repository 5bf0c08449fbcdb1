#include "tours/exchange/ImportSink.h"

#include <cmath>

#include "geo/GeoUnits.h"

namespace trek {

void AppendBounded(std::string& out, std::string_view text, size_t capacity) {
    if (out.size() >= capacity) return;
    size_t room = capacity - out.size();
    if (text.size() > room) {
        size_t cut = room;
        // Step back over continuation bytes so that the cut lands between characters.
        while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
        text = text.substr(0, cut);
    }
    out.append(text);
}

void AppendTextPiece(std::string& out, std::string_view text, size_t capacity) {
    if (!text.empty() && static_cast<unsigned char>(text[0]) >= 0x14) AppendBounded(out, text, capacity);
}

bool DegreesToImportUnits(double degrees, int32_t& units) {
    if (!std::isfinite(degrees) || degrees < -360.0 || degrees > 360.0) return false;
    units = static_cast<int32_t>(std::lround(degrees * geo::kUnitsPerDegree));
    return true;
}

int32_t MetresToCentimetres(double metres) {
    if (!std::isfinite(metres)) return 0;
    double cm = std::round(metres * 100.0);
    if (cm > 2147483647.0) return 2147483647;
    if (cm < -2147483648.0) return -2147483647 - 1;
    return static_cast<int32_t>(cm);
}

uint16_t KmhToTenths(double kmh) {
    if (!std::isfinite(kmh) || kmh <= 0) return 0;
    double tenths = std::round(kmh * 10.0);
    // Saturates: a wrapped speed would be a plausible but wrong value.
    return static_cast<uint16_t>(std::fmin(tenths, 65535.0));
}

}  // namespace trek
