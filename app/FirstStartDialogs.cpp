#include "app/FirstStartDialogs.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "app/Trace.h"
#include "platform/core/Clock.h"
#include "platform/gui/WindowSystem.h"
#include "platform/gui/dialog/DateTimeControl.h"
#include "platform/gui/dialog/Dialog.h"
#include "settings/Settings.h"

namespace trek {

using platform::ControlKind;
using platform::Dialog;
using platform::DialogTemplate;
using platform::Message;

namespace {

DialogTemplate LanguageTemplate() {
    DialogTemplate t;
    t.caption = "Language";
    t.size = {220, 150};
    t.controls = {
        {ControlKind::Static, 100, {10, 10, 210, 40}, "Language / Sprache:"},
        {ControlKind::Button, IDC_LANGUAGE_ENGLISH, {10, 50, 210, 90}, "English", platform::BS_DEFPUSHBUTTON},
        {ControlKind::Button, IDC_LANGUAGE_GERMAN, {10, 100, 210, 140}, "German"},
    };
    return t;
}

DialogTemplate LocalTimeTemplate(const platform::LocalTime& now, bool sync, const std::string& hours) {
    char date[16], time[16];
    std::snprintf(date, sizeof date, "%04d-%02d-%02d", now.year, now.month, now.day);
    std::snprintf(time, sizeof time, "%02d:%02d:%02d", now.hour, now.minute, now.second);
    DialogTemplate t;
    t.caption = "Ortszeiteinstellung";
    t.size = {240, 230};
    t.controls = {
        {ControlKind::DateField, IDC_LOCAL_DATE, {10, 10, 230, 42}, date},
        {ControlKind::TimeField, IDC_LOCAL_TIME, {10, 50, 230, 82}, time},
        {ControlKind::CheckBox, IDC_SYNC_WITH_GPS, {10, 92, 230, 124}, "Sync with GPS"},
        {ControlKind::Static, 101, {10, 134, 150, 166}, "Hours to UTC:"},
        {ControlKind::Edit, IDC_HOURS_TO_UTC, {156, 132, 230, 166}, hours},
        {ControlKind::Button, platform::IDOK, {10, 184, 115, 220}, "OK", platform::BS_DEFPUSHBUTTON},
        {ControlKind::Button, platform::IDCANCEL, {125, 184, 230, 220}, "Cancel"},
    };
    (void)sync;
    return t;
}

}  // namespace

int RunLanguageDialog(platform::WindowSystem& system, Settings& settings) {
    int result = Dialog::runModal(system, LanguageTemplate(), [](Dialog& d, const Message& m) -> int64_t {
        if (m.message != platform::WM_COMMAND) return 0;
        int id = static_cast<int>(platform::LoWord(m.wParam));
        if (id == IDC_LANGUAGE_ENGLISH || id == IDC_LANGUAGE_GERMAN) {
            d.end(id);
            return 1;
        }
        return 0;
    });
    // The default button (and a plain OK) mean English.
    if (result == platform::IDOK) result = IDC_LANGUAGE_ENGLISH;
    if (result == IDC_LANGUAGE_ENGLISH || result == IDC_LANGUAGE_GERMAN) {
        settings.languageCode = result == IDC_LANGUAGE_GERMAN ? "DEU" : "";
        settings.loadLanguage(settings.languageCode);
        settings.saveAll(false);
        ShellTrace("language \"%s\"", settings.languageCode.c_str());
    }
    return result;
}

bool ParseHoursToUtc(const std::string& text, float& hours) {
    const char* s = text.c_str();
    char* end = nullptr;
    double v = std::strtod(s, &end);
    if (end == s) return false;
    while (*end == ' ') ++end;
    if (*end || !std::isfinite(v) || v < -14.0 || v > 14.0) return false;
    hours = static_cast<float>(v);
    return true;
}

int RunLocalTimeDialog(platform::WindowSystem& system, Settings& settings, double utcOffsetHours) {
    const bool sync = settings.gpsTimeOffset < Settings::kGpsOffsetNotSet;
    // Hours to UTC: what must be added to local time to get UTC.
    double hoursToUtc = sync ? settings.gpsTimeOffset : -utcOffsetHours;
    if (hoursToUtc == 0) hoursToUtc = 0;  // no "-0"
    char hours[32];
    std::snprintf(hours, sizeof hours, "%g", hoursToUtc);
    const platform::LocalTime shown = platform::LocalNow();
    const DialogTemplate t = LocalTimeTemplate(shown, sync, hours);

    struct Choice {
        bool filled = false;
        bool sync = false;
        float hours = 0;
        platform::DateTime date, time;
    } choice;
    int result = Dialog::runModal(system, t, [&](Dialog& d, const Message& m) -> int64_t {
        if (m.message == platform::WM_INITDIALOG) {
            d.setChecked(IDC_SYNC_WITH_GPS, sync);
            return 1;
        }
        if (m.message != platform::WM_COMMAND || platform::LoWord(m.wParam) != platform::IDOK) return 0;
        if (!ParseHoursToUtc(d.itemText(IDC_HOURS_TO_UTC), choice.hours)) {
            d.setFocus(IDC_HOURS_TO_UTC);
            return 1;  // stays open until the field holds hours
        }
        choice.sync = d.isChecked(IDC_SYNC_WITH_GPS);
        if (auto* c = d.get<platform::DateTimeControl>(IDC_LOCAL_DATE)) choice.date = c->value();
        if (auto* c = d.get<platform::DateTimeControl>(IDC_LOCAL_TIME)) choice.time = c->value();
        choice.filled = true;
        d.end(platform::IDOK);
        return 1;
    });
    // An OK forced past a field without hours changes nothing.
    if (result != platform::IDOK || !choice.filled) return result;
    if (choice.sync) {
        settings.gpsTimeOffset = choice.hours;
        settings.saveGpsTimeOffset(choice.hours);
        ShellTrace("gps time offset %g", static_cast<double>(choice.hours));
    } else if (choice.date.year != shown.year || choice.date.month != shown.month || choice.date.day != shown.day ||
               choice.time.hour != shown.hour || choice.time.minute != shown.minute ||
               choice.time.second != shown.second) {
        // Only a date or time the user changed becomes the clock.
        platform::LocalTime now;
        now.year = choice.date.year;
        now.month = choice.date.month;
        now.day = choice.date.day;
        now.hour = choice.time.hour;
        now.minute = choice.time.minute;
        now.second = choice.time.second;
        platform::SetLocalTime(now);
        settings.gpsTimeOffset = Settings::kGpsOffsetNotSet;
        settings.saveGpsTimeOffset(Settings::kGpsOffsetNotSet);
        ShellTrace("local time set by hand");
    } else {
        settings.gpsTimeOffset = Settings::kGpsOffsetNotSet;
        settings.saveGpsTimeOffset(Settings::kGpsOffsetNotSet);
    }
    return result;
}

}  // namespace trek
