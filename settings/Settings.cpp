#include "settings/Settings.h"

namespace trek {

Settings& Settings::instance() {
    static Settings settings;
    return settings;
}

void Settings::saveRecordedTour(const RecordedTour& tour) { recorded_ = tour; }

RecordedTour Settings::loadRecordedTour() const { return recorded_; }

}  // namespace trek
