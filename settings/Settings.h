#pragma once
// The one settings record of the program: flag words, receiver, folders, the
// language record and the load/save operations against the registry key.
#include <cstdint>
#include <string>

#include "settings/FlagWords.h"

namespace trek {

// The current UI language: its code, the letter for East in coordinates and
// two layout numbers used by text layout.
struct LanguageRecord {
    std::string code;       // "" English (built in), "DEU", "SWE"
    char eastLetter = 'E';  // 'O' for German
    int layoutA = 16;
    int layoutB = 13;
};

// The tour being recorded, as the registry keeps it across restarts.
struct RecordedTour {
    std::string file;
    uint32_t points = 0;
    uint32_t startTime = 0;  // stored as "Duration": tour time at which recording started
    uint32_t distance = 0;   // metres
};

class Settings {
public:
    static Settings& instance();

    FlagWords flags;

    const LanguageRecord& language() const { return language_; }
    char eastLetter() const { return language_.eastLetter; }

    // The recorded tour's file and counters ("CurTour", "TourPoint", "Duration", "Distance").
    void saveRecordedTour(const RecordedTour& tour);
    RecordedTour loadRecordedTour() const;

private:
    LanguageRecord language_;
    RecordedTour recorded_;
};

}  // namespace trek
