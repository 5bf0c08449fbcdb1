#include "tests/exchange/TourFixture.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace trek::test {

TempFolder::TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "exchange-XXXXXX").string();
    path_ = mkdtemp(pattern.data()) ? pattern : "";
}

TempFolder::~TempFolder() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
}

namespace {
class Reader : public TourWalker {
public:
    std::vector<ReadPoint> points;
    void onPoint(const TourPoint& p) override { points.push_back({p, false, "", "", ""}); }
    void onAttachedRecord(const AttachedRecord& record) override {
        if (points.empty() || record.removed()) return;
        ReadPoint& r = points.back();
        r.poi = true;
        if (auto named = NamedPoiRecord::From(record)) {
            r.symbol = named->symbol;
            if (named->nameOffset) r.name = tour()->readText(ownerOffset() + named->nameOffset).value_or("?");
            if (named->descOffset)
                r.description = tour()->readText(ownerOffset() + named->descOffset).value_or("?");
        }
    }
};
}  // namespace

std::vector<ReadPoint> ReadTour(const std::string& path) {
    Tour tour("read", path);
    Reader reader;
    if (!reader.walk(&tour)) return {};
    return reader.points;
}

void AppendPoint(TourRecorder& recorder, Tour& tour, const TourPoint& p, uint32_t extraBits, const PoiSpec* poi) {
    recorder.appendRecord(p, poi != nullptr, extraBits, poi != nullptr);
    if (!poi) return;
    uint32_t offset = recorder.lastPointOffset();
    recorder.appendAttached(poi->symbol);
    std::optional<std::string> name, description;
    if (!poi->name.empty()) name = poi->name;
    if (!poi->description.empty()) description = poi->description;
    TourRecorder::SetPoiTexts(tour, offset, name, description);
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

}  // namespace trek::test
