#include "ui/views/UtmGrid.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "geo/Utm.h"
#include "ui/views/ViewGeometry.h"

namespace trek {

namespace {

constexpr uint32_t kGridColour = 0xFF0000;  // blue
constexpr int kLineSteps = 16;              // pieces per grid line
constexpr int kMaxLines = 400;              // per axis

platform::Point ScreenOfUtm(const ViewProjection& p, int zone, char band, double e, double n) {
    cUTM u;
    u.SetUtm(zone, band, e, n);
    return p.toScreen(GeoPoint{DegreesToGeoRounded(u.longitude), DegreesToGeoRounded(u.latitude)});
}

void DrawLine(platform::Canvas& canvas, const ViewProjection& p, int zone, char band, double e0, double n0, double e1,
              double n1) {
    std::vector<platform::Point> pts;
    for (int i = 0; i <= kLineSteps; ++i) {
        const double t = double(i) / kLineSteps;
        pts.push_back(ScreenOfUtm(p, zone, band, e0 + (e1 - e0) * t, n0 + (n1 - n0) * t));
    }
    canvas.polyline(pts);
}

}  // namespace

int32_t UtmGridSpacing(int32_t scale, bool mapShown) {
    if (!mapShown || scale >= 5000000) return 0;
    return scale > 100000 ? 10000 : 1000;
}

void DrawUtmGrid(platform::Canvas& canvas, const ViewProjection& p, int32_t spacing, int s) {
    if (spacing <= 0) return;
    const int w = p.width(), h = p.height();
    const GeoPoint c = p.centre();
    const cUTM centre(c.lat, c.lon);
    const int zone = centre.zone;
    const char band = centre.band;
    if (band == '*' || zone == 0) return;

    // The view's corners in the centre's zone give the easting and northing range.
    double eMin = 1e12, eMax = -1e12, nMin = 1e12, nMax = -1e12;
    const double xs[3] = {0, w / 2.0, double(w)}, ys[3] = {0, h / 2.0, double(h)};
    for (double x : xs) {
        for (double y : ys) {
            const GeoPoint g = p.toGeo(x, y);
            const cUTM u(g.lat, g.lon, zone);
            eMin = std::min(eMin, u.easting);
            eMax = std::max(eMax, u.easting);
            nMin = std::min(nMin, u.northing);
            nMax = std::max(nMax, u.northing);
        }
    }
    canvas.setPen({kGridColour, 2 * s});
    const double first = std::ceil(eMin / spacing) * spacing;
    for (double e = first; e <= eMax && (e - first) / spacing < kMaxLines; e += spacing)
        DrawLine(canvas, p, zone, band, e, nMin, e, nMax);
    const double firstN = std::ceil(nMin / spacing) * spacing;
    for (double n = firstN; n <= nMax && (n - firstN) / spacing < kMaxLines; n += spacing)
        DrawLine(canvas, p, zone, band, eMin, n, eMax, n);

    // Zone boundaries every 6 degrees of longitude, with the zone labels.
    const GeoBox box = p.extent();
    const double west = GeoToDegrees(box.west), east = GeoToDegrees(box.east);
    const double south = GeoToDegrees(box.south), north = GeoToDegrees(box.north);
    canvas.setPen({kGridColour, s});
    platform::Font font;
    font.height = -14 * s;
    font.weight = 700;
    canvas.setFont(font);
    canvas.setTextColor(kGridColour);
    canvas.setBackgroundMode(platform::BackgroundMode::Transparent);
    const char bandLetter = cUTM::LatitudeBand(GeoToDegrees(c.lat));
    for (double lon = std::floor((west + 180) / 6) * 6 - 180; lon <= east; lon += 6) {
        int labelX = 0;
        if (lon > west) {
            std::vector<platform::Point> pts;
            for (int i = 0; i <= kLineSteps; ++i) {
                const double lat = south + (north - south) * i / kLineSteps;
                pts.push_back(p.toScreen(GeoPoint{DegreesToGeoRounded(lon), DegreesToGeoRounded(lat)}));
            }
            canvas.polyline(pts);
            labelX = std::max(0, pts.back().x);
        }
        if (labelX >= w) continue;
        const int zoneNumber = cUTM::ZoneOf(lon + 3);
        char text[16];
        std::snprintf(text, sizeof text, "%d", zoneNumber);
        canvas.textOut(labelX + 4 * s, 4 * s, text);
        std::snprintf(text, sizeof text, "%c", bandLetter);
        canvas.textOut(labelX + 4 * s, 4 * s + canvas.lineHeight(), text);
    }
}

}  // namespace trek
