#include "ui/views/PoiSymbols.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "maps/image/BmpReader.h"
#include "res/symbols/BuiltinSymbols.h"
#include "tours/TourFormat.h"
#include "ui/views/MapOverlays.h"

namespace trek {

namespace {

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

bool LoadBmp(const std::string& path, platform::Bitmap& out) {
    BmpReader reader;
    if (reader.open(path) != ImageOpenStatus::Ok) return false;
    const BmpHeader& h = reader.header();
    if (h.width <= 0 || h.height <= 0 || h.width > 1024 || h.height > 1024) return false;
    return reader.decodeRegion(PixelRect{0, 0, h.width - 1, h.height - 1}, out);
}

}  // namespace

platform::Bitmap BitmapFromArt(const char* const* rows, int size) {
    platform::Bitmap bmp(size, size, platform::ColorRefToPixel(PoiSymbolLibrary::kTransparent));
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size && rows[y][x]; ++x) {
            for (const auto& entry : symbols::kArtPalette) {
                if (entry.key != rows[y][x]) continue;
                bmp.setPixel(x, y, platform::ColorRefToPixel(entry.colorRef));
                break;
            }
        }
    }
    return bmp;
}

PoiSymbolLibrary::PoiSymbolLibrary()
    : question_(BitmapFromArt(symbols::kQuestionMarkArt, symbols::kArtSize)),
      timeStamp_(BitmapFromArt(symbols::kTimeStampArt, symbols::kArtSize)) {}

PoiSymbolLibrary& PoiSymbolLibrary::instance() {
    static PoiSymbolLibrary library;
    return library;
}

void PoiSymbolLibrary::scan(const std::string& poiFolder, const std::function<void(const std::string&)>& progress) {
    if (progress) progress("Scanning directories...");
    if (progress) progress("Scanning symbols " + poiFolder);
    bitmaps_.clear();
    registry_.scan(poiFolder);
    for (const PoiSymbol& symbol : registry_.symbols()) {
        if (symbol.bitmapPath.empty()) continue;
        platform::Bitmap bmp;
        if (LoadBmp(symbol.bitmapPath, bmp)) bitmaps_.emplace(Lower(symbol.name), std::move(bmp));
        if (progress) progress(std::string());
    }
}

const platform::Bitmap& PoiSymbolLibrary::bitmapFor(const PoiSymbol& symbol) const {
    if (symbol.name == tourfile::kTimeStampName) return timeStamp_;
    auto it = bitmaps_.find(Lower(symbol.name));
    return it != bitmaps_.end() ? it->second : question_;
}

platform::Point PoiSymbolLibrary::SymbolOrigin(const PoiSymbol& symbol, platform::Point position,
                                               platform::Point direction, int s) {
    if (symbol.hotspotX >= 0 && symbol.hotspotY >= 0)
        return {position.x - symbol.hotspotX / 2 * s, position.y - symbol.hotspotY / 2 * s};
    // Centred one symbol size away in the given direction.
    const int size = kDrawnSize * s;
    return {position.x + direction.x * size - size / 2, position.y + direction.y * size - size / 2};
}

void PoiSymbolLibrary::draw(platform::Canvas& canvas, std::string_view name, platform::Point position,
                            platform::Point direction, int s) const {
    const PoiSymbol& symbol = symbolFor(name);
    const platform::Bitmap& bmp = bitmapFor(symbol);
    const int size = kDrawnSize * s;
    const platform::Point origin = SymbolOrigin(symbol, position, direction, s);
    const bool hotspot = symbol.hotspotX >= 0 && symbol.hotspotY >= 0;
    if (!hotspot) {
        // The joining line starts at the circle's rim, so that the position stays clear.
        const double dx = origin.x + size / 2 - position.x, dy = origin.y + size / 2 - position.y;
        const double len = std::max(1.0, std::hypot(dx, dy));
        canvas.setPen({kCircleColour, 2});
        canvas.line(position.x + static_cast<int>(std::lround(dx * kCircleRadius / len)),
                    position.y + static_cast<int>(std::lround(dy * kCircleRadius / len)), origin.x + size / 2,
                    origin.y + size / 2);
        canvas.setBrush(platform::Brush::hollow());
        DrawEllipse(canvas, {position.x - kCircleRadius, position.y - kCircleRadius, position.x + kCircleRadius + 1,
                        position.y + kCircleRadius + 1});
    }
    canvas.transparentFrom(bmp, {0, 0, bmp.width(), bmp.height()}, platform::Rect::fromSize(origin.x, origin.y, size, size),
                           kTransparent);
}

}  // namespace trek
