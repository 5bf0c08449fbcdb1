#include "tours/PoiSymbols.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <dirent.h>
#include <strings.h>

#include "tours/TourFormat.h"

namespace trek {

const std::vector<PoiCategory>& PoiCategories() {
    static const std::vector<PoiCategory> table = {
        {512, "Tanken"},      {513, "Werkstatt"},      {514, "Telefon"},   {515, "change"},   {516, "Bank"},
        {517, "shop"},        {518, "Essen"},          {519, "WC"},        {520, "Rastplatz"}, {521, "Text"},
        {522, "Bild"},        {523, "Post"},           {524, "Aussichtspunkt"}, {525, "Flugplatz"},
        {526, "Hotel"},       {527, "Youth Hostel"},   {528, "BB"},        {529, "camping"},  {530, "Meer"},
        {531, "Berg"},        {532, "Schloss"},        {533, "Schwimmen"}, {534, "Fluss"},    {535, "Datemark"},
        {536, "crossing"},    {537, "outdoor"},        {768, "Summit"},    {769, "Pass"},     {770, "Hut"},
        {771, "Forking"},     {772, "Dive Site"},      {773, "Reef"},      {774, "Island"},   {775, "Harbour"},
    };
    return table;
}

std::optional<std::string_view> PoiCategoryName(uint32_t code) {
    const auto& table = PoiCategories();
    const auto it = std::lower_bound(table.begin(), table.end(), code,
                                     [](const PoiCategory& c, uint32_t v) { return c.code < v; });
    if (it == table.end() || it->code != code) return std::nullopt;
    return std::string_view(it->name);
}

std::string_view NameForCode(uint32_t code) { return PoiCategoryName(code).value_or(kFallbackSymbolName); }

PoiSymbolRegistry::PoiSymbolRegistry() {
    fallback_ = PoiSymbol{kFallbackSymbolName, "", kFallbackHotspotX, kFallbackHotspotY};
    clear();
}

void PoiSymbolRegistry::clear() {
    symbols_.clear();
    symbols_.push_back(PoiSymbol{tourfile::kTimeStampName, "", -1, -1});
}

bool PoiSymbolRegistry::add(PoiSymbol symbol) {
    if (find(symbol.name)) return false;
    symbols_.push_back(std::move(symbol));
    return true;
}

const PoiSymbol* PoiSymbolRegistry::find(std::string_view name) const {
    for (const PoiSymbol& s : symbols_) {
        if (s.name.size() == name.size() && strncasecmp(s.name.data(), name.data(), name.size()) == 0) return &s;
    }
    return nullptr;
}

const PoiSymbol& PoiSymbolRegistry::symbolFor(std::string_view name) const {
    const PoiSymbol* s = find(name);
    return s ? *s : fallback_;
}

void PoiSymbolRegistry::applyHotspots(std::string_view text) {
    // Each line: name up to ':' or '.', then any non-digits, then x ',' y.
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        const size_t nameEnd = line.find_first_of(":.");
        if (nameEnd == 0 || nameEnd == std::string_view::npos) continue;
        size_t i = nameEnd;
        while (i < line.size() && !std::isdigit(static_cast<unsigned char>(line[i]))) ++i;
        int x = 0, y = 0;
        const std::string rest(line.substr(i));
        if (std::sscanf(rest.c_str(), "%d,%d", &x, &y) != 2) continue;
        const std::string_view name = line.substr(0, nameEnd);
        PoiSymbol* target = nullptr;
        for (PoiSymbol& s : symbols_) {
            if (s.name.size() == name.size() && strncasecmp(s.name.data(), name.data(), name.size()) == 0) {
                target = &s;
            }
        }
        if (!target) target = &symbols_.front();  // an unknown name sets the default entry
        target->hotspotX = x;
        target->hotspotY = y;
    }
}

void PoiSymbolRegistry::scan(const std::string& poiFolder) {
    clear();
    std::vector<std::string> files;
    if (DIR* dir = opendir(poiFolder.empty() ? "." : poiFolder.c_str())) {
        while (dirent* e = readdir(dir)) {
            const std::string name = e->d_name;
            if (name.size() > 4 && strcasecmp(name.c_str() + name.size() - 4, ".bmp") == 0) files.push_back(name);
        }
        closedir(dir);
    }
    std::sort(files.begin(), files.end());  // a stable order decides which of two equal names wins
    for (const std::string& file : files) {
        add(PoiSymbol{file.substr(0, file.rfind('.')), poiFolder + file, -1, -1});
    }
    if (FILE* f = std::fopen((poiFolder + "hotspot.txt").c_str(), "rb")) {
        char data[4096];
        const size_t n = std::fread(data, 1, sizeof data, f);
        std::fclose(f);
        applyHotspots(std::string_view(data, n));
    }
}

}  // namespace trek
