#pragma once
// The dialogs of the first start: the language (188) and the local time (171,
// "Ortszeiteinstellung"). Both store what the user chose in the settings.
#include <string>

namespace trek {

namespace platform {
class WindowSystem;
}
class Settings;

enum : int {
    IDD_LANGUAGE = 188,
    IDD_LOCAL_TIME = 171,
    IDC_LANGUAGE_ENGLISH = 1881,
    IDC_LANGUAGE_GERMAN = 1882,
    IDC_LOCAL_DATE = 1711,
    IDC_LOCAL_TIME = 1712,
    IDC_SYNC_WITH_GPS = 1713,
    IDC_HOURS_TO_UTC = 1714,
};

// "English" or "German"; the choice is loaded and stored ("LAN"). Returns the
// dialog's result (the button's id, or IDCANCEL).
int RunLanguageDialog(platform::WindowSystem& system, Settings& settings);

// Calendar, time, "Sync with GPS" and the hours to UTC. With the box ticked
// the hours become the GPS time offset ("GPSSyncTime"); without it the chosen
// date and time become the program's clock and the offset is cleared.
// utcOffsetHours: the local zone's offset east of UTC, the default of the field.
int RunLocalTimeDialog(platform::WindowSystem& system, Settings& settings, double utcOffsetHours);

// "-1", "2", "5.5": hours to UTC from the field; false outside -14..14.
bool ParseHoursToUtc(const std::string& text, float& hours);

}  // namespace trek
