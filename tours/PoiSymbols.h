#pragma once
// POI symbols and categories: the built-in category names of the attached-record
// codes, the registry of symbol bitmaps found in the POI folder with their
// hotspots, and the fallback symbol. Bitmaps are kept as file paths here; the
// map view loads and draws them.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace trek {

// The fallback symbol, used for names that are not registered and codes that
// are not in the category table.
constexpr const char* kFallbackSymbolName = "QM";
constexpr int kFallbackHotspotX = 52;
constexpr int kFallbackHotspotY = 55;

struct PoiCategory {
    uint32_t code;
    const char* name;
};

// The built-in category table, in code order.
const std::vector<PoiCategory>& PoiCategories();
// The category name of a code, or nullopt.
std::optional<std::string_view> PoiCategoryName(uint32_t code);
// The category name of a code, else the fallback name "QM".
std::string_view NameForCode(uint32_t code);

struct PoiSymbol {
    std::string name;         // 8-bit, compared without case
    std::string bitmapPath;   // empty for the built-in symbols
    int hotspotX = -1;        // -1, -1: not given
    int hotspotY = -1;
};

class PoiSymbolRegistry {
public:
    // Holds " TimeStamp" only.
    PoiSymbolRegistry();

    // Rebuilds the registry from "<folder>*.bmp" (folder ends with a separator)
    // and "<folder>hotspot.txt" (first 4096 bytes).
    void scan(const std::string& poiFolder);
    // Adds a symbol unless its name is registered (the first one wins).
    bool add(PoiSymbol symbol);
    void clear();  // back to " TimeStamp" only
    // Applies hotspot lines "name<sep>x,y"; a name that is not registered sets
    // the hotspot of the default entry (the first one).
    void applyHotspots(std::string_view text);

    // The symbol of that name, or nullptr.
    const PoiSymbol* find(std::string_view name) const;
    // The symbol of that name, else the fallback symbol.
    const PoiSymbol& symbolFor(std::string_view name) const;
    const std::vector<PoiSymbol>& symbols() const { return symbols_; }

private:
    std::vector<PoiSymbol> symbols_;
    PoiSymbol fallback_;
};

}  // namespace trek
