#pragma once
// An import sink that keeps everything it is given, for looking at in tests.
#include <string>
#include <vector>

#include "tours/exchange/ImportSink.h"

namespace trek::test {

struct SunkPoint {
    ImportPoint point;
    bool segmentStart = false;
    bool isPoi = false;
    ImportPoi poi;
};

class RecordingSink : public ImportSink {
public:
    void trackPoint(const ImportPoint& p, bool segmentStart) override { items.push_back({p, segmentStart, false, {}}); }
    void poi(const ImportPoint& p, const ImportPoi& poi) override { items.push_back({p, false, true, poi}); }
    void deferPoi(const ImportPoint& p, const ImportPoi& poi) override { deferred.push_back({p, false, true, poi}); }
    void flushDeferred() override {
        items.insert(items.end(), deferred.begin(), deferred.end());
        deferred.clear();
    }
    void tourDescription(std::string_view text) override { description = std::string(text); }
    void runStart() override { ++runStarts; }

    std::vector<SunkPoint> tracks() const {
        std::vector<SunkPoint> out;
        for (auto& i : items)
            if (!i.isPoi) out.push_back(i);
        return out;
    }
    std::vector<SunkPoint> pois() const {
        std::vector<SunkPoint> out;
        for (auto& i : items)
            if (i.isPoi) out.push_back(i);
        return out;
    }

    std::vector<SunkPoint> items;
    std::vector<SunkPoint> deferred;
    std::string description;
    int runStarts = 0;
};

// Reads a fixture of the project.
std::string Fixture(const std::string& name);
// Sets TZ for the test's lifetime.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* tz);
    ~ScopedTimeZone();

private:
    std::string old_;
    bool had_ = false;
};

}  // namespace trek::test
