#pragma once
// The POI symbols as the map draws them: the symbol registry of the POI
// folder (names, bitmap files, hotspots) with the bitmaps loaded, the two
// built-in symbols " TimeStamp" and "QM", and the drawing of one POI with or
// without a hotspot.
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "platform/core/Bitmap.h"
#include "platform/gui/Canvas.h"
#include "tours/PoiSymbols.h"

namespace trek {

class PoiSymbolLibrary {
public:
    static constexpr int kDrawnSize = 32;             // x display scale
    static constexpr uint32_t kTransparent = 0xC0C0C0;  // silver
    static constexpr uint32_t kCircleColour = 0x000007;
    static constexpr int kCircleRadius = 6;

    // Only the built-in symbols until scan().
    PoiSymbolLibrary();

    // The process-wide library, scanned by the shell at start.
    static PoiSymbolLibrary& instance();

    // Rebuilds the registry from the POI folder (ending with a separator):
    // every "*.bmp" read by the bitmap reader, then "hotspot.txt". progress
    // gets "Scanning directories...", then "Scanning symbols <folder>", then
    // is called with an empty text per symbol file (2 steps each).
    void scan(const std::string& poiFolder, const std::function<void(const std::string&)>& progress = {});

    const PoiSymbolRegistry& registry() const { return registry_; }
    PoiSymbolRegistry& registry() { return registry_; }
    // The symbol of a name, else "QM"; its bitmap (never null).
    const PoiSymbol& symbolFor(std::string_view name) const { return registry_.symbolFor(name); }
    const platform::Bitmap& bitmapFor(const PoiSymbol& symbol) const;

    // Where the symbol's top-left corner lands for a POI at `position`; with a
    // hotspot at position - hotspot / 2 x s, else away from the position in
    // `direction` (one symbol size per unit).
    static platform::Point SymbolOrigin(const PoiSymbol& symbol, platform::Point position, platform::Point direction,
                                        int displayScale);

    // Draws one POI. Without a hotspot a circle marks the position, joined to the symbol.
    void draw(platform::Canvas& canvas, std::string_view name, platform::Point position, platform::Point direction,
              int displayScale) const;

private:
    PoiSymbolRegistry registry_;
    std::unordered_map<std::string, platform::Bitmap> bitmaps_;  // by lower-case name
    platform::Bitmap question_;
    platform::Bitmap timeStamp_;
};

// A 32-bit bitmap of pixel art rows with the built-in palette.
platform::Bitmap BitmapFromArt(const char* const* rows, int size);

}  // namespace trek
