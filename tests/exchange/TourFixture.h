#pragma once
// Tours built in a temporary folder, and a walker that reads them back.
#include <string>
#include <vector>

#include "tours/Tour.h"
#include "tours/TourRecorder.h"
#include "tours/TourWalker.h"

namespace trek::test {

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

struct ReadPoint {
    TourPoint point;
    bool poi = false;
    std::string symbol, name, description;
};

// Every point of a tour with its POI fields, in file order.
std::vector<ReadPoint> ReadTour(const std::string& path);

// A POI as a test writes it.
struct PoiSpec {
    std::string symbol, name, description;
};

// Appends a ready-made point (and its POI) the way the importers do.
void AppendPoint(TourRecorder& recorder, Tour& tour, const TourPoint& p, uint32_t extraBits,
                 const PoiSpec* poi = nullptr);

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);

}  // namespace trek::test
