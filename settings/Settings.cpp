#include "settings/Settings.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "platform/core/Clock.h"
#include "platform/core/Oem.h"
#include "platform/core/Paths.h"
#include "platform/core/Text.h"
#include "settings/RegistryBackup.h"

namespace trek {

using platform::HKey;

namespace {

constexpr int32_t kMaxScale = 500000000;
constexpr int32_t kDefaultScale = 8600;

// Registry strings are UTF-16 with a terminator in buffers of a fixed byte
// size; a longer stored text is cut to what the buffer holds.
std::string CutToBytes(const std::string& text, size_t maxBytes) {
    size_t maxUnits = maxBytes / 2 - 1;
    std::u16string wide = platform::Utf8ToUtf16(text);
    if (wide.size() <= maxUnits) return text;
    wide.resize(maxUnits);
    if (!wide.empty() && wide.back() >= 0xD800 && wide.back() <= 0xDBFF) wide.pop_back();
    return platform::Utf16ToUtf8(wide);
}

std::string CutToChars(const std::string& text, size_t maxUnits) { return CutToBytes(text, (maxUnits + 1) * 2); }

}  // namespace

Settings& Settings::instance() {
    static Settings settings(platform::Registry::instance(), platform::OemInfo());
    static const bool loaded = (settings.load(), true);
    (void)loaded;
    return settings;
}

Settings::Settings(platform::Registry& registry, std::string oem) : registry_(registry), oem_(std::move(oem)) {}

// ---- registry access within the settings key ----

std::optional<uint32_t> Settings::dword(std::string_view name) const {
    return registry_.getDword(HKey::LocalMachine, kSettingsKey, name);
}

std::optional<std::string> Settings::text(std::string_view name) const {
    return registry_.getString(HKey::LocalMachine, kSettingsKey, name);
}

void Settings::putDword(std::string_view name, uint32_t v) { registry_.setDword(HKey::LocalMachine, kSettingsKey, name, v); }

void Settings::putText(std::string_view name, std::string_view t) {
    registry_.setString(HKey::LocalMachine, kSettingsKey, name, t);
}

// ---- load ----

std::string Settings::DeviceSearchPathsFor(std::string_view oem) {
    struct Device {
        const char* prefix;
        const char* folders;
    };
    static constexpr Device kDevices[] = {
        {"N_HH_DASTRA", "\\Dastra SD Card\\Trekvane;\\Dastra\\Trekvane"},
        {"PLATFORM_OEM", "\\Storage Card\\Trekvane;\\Flash-Disk\\Trekvane"},
    };
    for (const Device& d : kDevices)
        if (platform::StartsWithNoCase(oem, d.prefix)) return d.folders;
    return "\\";
}

std::vector<std::string> Settings::ParseSearchPaths(std::string_view s) {
    std::vector<std::string> out;
    size_t pos = 0;
    while (pos < s.size() && out.size() < kMaxSearchPaths) {
        while (pos < s.size() && (s[pos] == ',' || s[pos] == ';' || s[pos] == ' ' || s[pos] == '\t')) ++pos;
        if (pos >= s.size()) break;
        size_t end = s.find_first_of(",;", pos);
        if (end == std::string_view::npos) end = s.size();
        out.push_back(CutToChars(std::string(s.substr(pos, end - pos)), kSearchPathChars));
        pos = end;
    }
    return out;
}

std::string Settings::joinedSearchPaths() const {
    std::string out;
    for (size_t i = 0; i < searchPaths.size(); ++i) {
        if (i) out += ';';
        out += searchPaths[i];
    }
    return out;
}

void Settings::applyKeyDefaults() {
    flags = FlagWords{};
    port = kDefaultPort;
    baud = kDefaultBaud;
    lastSaveStamp = -1;
    searchPaths = ParseSearchPaths(UiString(53));
}

void Settings::loadFlagWords() {
    const FlagWords defaults;
    flags.cfg1 = dword("cfg1").value_or(defaults.cfg1);
    flags.cfg4 = dword("cfg4").value_or(defaults.cfg4);
    flags.cfg5 = dword("cfg5").value_or(defaults.cfg5);
    flags.cfg6 = dword("cfg6").value_or(defaults.cfg6);
    flags.set_courseWindow(4);
    auto cfg7 = dword("cfg7");
    flags.cfg7 = cfg7.value_or(defaults.cfg7);
    switch (flags.recordingProfile()) {
        case 1: recordDistance = 50; break;
        case 2: recordDistance = 25; break;
        default: recordDistance = cfg7 ? flags.fltDistSel() : 100;
    }
    flags.set_cfg7Bit5(0);
    flags.cfg8 = dword("cfg8").value_or(defaults.cfg8);
    if (flags.normalLevel() > 6) flags.set_normalLevel(6);
    if (flags.dimLevel() > 5) flags.set_dimLevel(5);
    for (int i = 0; i < 6; ++i)
        flags.cfg10_15[i] = dword("cfg" + std::to_string(10 + i)).value_or(defaults.cfg10_15[i]);
    flags.set_courseLimit(20);
    gpsStaticNavigation = flags.gpsStatNav() != 0;
}

// An older version left cfg3 = 0x4017BFC3 behind; its cfg1 bit 22 meant
// something else, and a registry of that version without the ".tur"
// association gets the current display defaults.
void Settings::migrate() {
    auto cfg3 = dword("cfg3");
    if (!cfg3 || *cfg3 != kMigrationCfg3) return;
    flags.set_cfg1Reserved22(0);
    if (registry_.keyExists(HKey::ClassesRoot, kTourAssociationKey)) return;
    registerFileAssociation();
    flags.cfg1 = (flags.cfg1 & 7) | 0x83EF0018;
    flags.set_cfg1Reserved22(0);
    saveAll(true);
}

void Settings::load() {
    // 1. Scalar defaults and the device's built-in folders.
    baud = kDefaultBaud;
    gpsTimeOffset = kGpsOffsetNotSet;
    deviceSearchPaths = DeviceSearchPathsFor(oem_);
    searchPaths.clear();
    backupBase = "\\trekvane";
    hasSaved_.reset();

    // 2. A registry that lost its settings gets the last backup back.
    if (!dword("cfg2")) ImportBackup(registry_, platform::MapPath(backupFile()), false);

    if (!registry_.keyExists(HKey::LocalMachine, kSettingsKey)) {
        // 3. No key: every default.
        applyKeyDefaults();
    } else {
        // 4. Search paths, else the installation folder.
        auto folderText = text("Folders");
        searchPaths = ParseSearchPaths(folderText ? CutToBytes(*folderText, 4096) : readInstallFolder());
        // 5. Receiver and language.
        port = CutToChars(text("COM Port").value_or(kDefaultPort), kPortChars - 1);
        baud = dword("Baudrate").value_or(kDefaultBaud);
        languageCode = CutToBytes(text("LAN").value_or("DEU"), 46);
        if (LanguageTable::indexOf(languageCode) < 0) languageCode = "DEU";
        if (auto sync = text("GPSSyncTime")) {
            char* end = nullptr;
            std::string s = CutToBytes(*sync, 260);
            float v = std::strtof(s.c_str(), &end);
            if (end != s.c_str()) gpsTimeOffset = v;
        }
        // 6. Flag words with their repairs.
        loadFlagWords();
        // 7. Migration.
        migrate();
        // 8. Save stamp and the other values this record keeps.
        lastSaveStamp = static_cast<int32_t>(dword("cfg2").value_or(0xFFFFFFFFu));
        selectedTour = CutToBytes(text("SelTour").value_or(kDefaultSelectedTour), 260);
    }
    // 9. The info strip follows its rows; layout by rows always.
    flags.set_infoStrip(flags.topRow() | flags.bottomRow());
    flags.set_layoutByInfoRows(1);
    // 10. A recognised device always uses its built-in folders.
    if (deviceSearchPaths != "\\") searchPaths = ParseSearchPaths(deviceSearchPaths);
    // 11. Working folders.
    folders[0] = folders[1] = searchPaths.empty() ? std::string() : searchPaths[0];
}

// ---- language ----

bool Settings::loadLanguage(std::string_view code) {
    if (code == loadedLanguage_) return true;
    int index = LanguageTable::indexOf(code);
    UnloadLanguageModule();
    bool ok = true;
    if (!code.empty()) {
        std::string folder = languageFolder_.empty() ? platform::ProgramFolder() : languageFolder_;
        ok = index >= 0 && LoadLanguageModule(folder + "/" + std::string(code) + ".so");
        if (!ok) index = 0;
    }
    if (index <= 1 || !ok) {
        language_ = LanguageTable::record(index < 0 ? 0 : index);
    }
    language_.code = ok ? std::string(code) : std::string();
    loadedLanguage_ = std::string(code);
    return ok;
}

// ---- saving ----

void Settings::saveAll(bool withBackup) {
    {
        platform::Registry::Batch batch(registry_);
        char buf[64];
        std::snprintf(buf, sizeof buf, "%f", static_cast<double>(gpsTimeOffset));
        putText("GPSSyncTime", buf);
        putDword("cfg1", flags.cfg1);
        putDword("cfg8", flags.cfg8);
        putDword("cfg7", flags.cfg7);
        putDword("cfg6", flags.cfg6);
        putDword("cfg5", flags.cfg5);
        putDword("cfg4", flags.cfg4);
        putDword("cfg3", flags.cfg1);
        putText("LAN", languageCode);
        putText("SelTour", selectedTour);
        putText("TPath", folders[0]);
        putText("PPath", folders[1]);
    }
    if (withBackup) exportBackup();
}

void Settings::saveMapPosition(const MapPosition& p, std::string_view selectedMap) {
    platform::Registry::Batch batch(registry_);
    putDword("longitude", static_cast<uint32_t>(p.longitude));
    putDword("latitude", static_cast<uint32_t>(p.latitude));
    putDword("scale", static_cast<uint32_t>(p.scale));
    putDword("cfg4", flags.cfg4);
    putText("SelMap", selectedMap);
}

void Settings::saveReceiver() {
    platform::Registry::Batch batch(registry_);
    putText("COM Port", CutToChars(port, kPortChars - 1));
    putDword("Baudrate", baud);
}

void Settings::saveSearchPaths() {
    putText("Folders", joinedSearchPaths());
    exportBackup();
}

void Settings::saveRoadbookColumns(const std::vector<std::pair<uint32_t, uint32_t>>& columns) {
    size_t n = std::min<size_t>(columns.size(), 6);
    for (size_t i = 0; i < 6; ++i) {
        if (i < n) {
            flags.cfg10_15[i] = (columns[i].first & 0xF) | (columns[i].second & 0xFFF) << 4;
        } else {
            FlagWords::put(flags.cfg10_15[i], 0, 4, 0);
        }
    }
    platform::Registry::Batch batch(registry_);
    for (size_t i = 0; i < n; ++i) putDword("cfg" + std::to_string(10 + i), flags.cfg10_15[i]);
}

void Settings::saveRecordedTour(const RecordedTour& tour) {
    {
        platform::Registry::Batch batch(registry_);
        putText("CurTour", CutToBytes(tour.file, 260));
        putDword("TourPoint", tour.points);
        putDword("Duration", tour.startTime);
        putDword("Distance", tour.distance);
    }
    exportBackup();
}

void Settings::saveGpsTimeOffset(float hours) {
    gpsTimeOffset = hours;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%f", static_cast<double>(hours));
    putText("GPSSyncTime", buf);
}

void Settings::saveDestination(int32_t latitude, int32_t longitude) {
    platform::Registry::Batch batch(registry_);
    putDword("DestLat", static_cast<uint32_t>(latitude));
    putDword("DestLon", static_cast<uint32_t>(longitude));
}

bool Settings::exportBackup(std::string* error) const {
    return ExportBackup(registry_, platform::MapPath(backupFile()), error);
}

// ---- reading ----

RecordedTour Settings::loadRecordedTour() const {
    RecordedTour t;
    t.file = CutToBytes(text("CurTour").value_or(""), 260);
    t.points = dword("TourPoint").value_or(0);
    t.startTime = dword("Duration").value_or(0);
    t.distance = dword("Distance").value_or(0);
    return t;
}

MapPosition Settings::readMapPosition() const {
    MapPosition p;
    if (auto v = dword("latitude")) p.latitude = static_cast<int32_t>(*v);
    if (auto v = dword("longitude")) p.longitude = static_cast<int32_t>(*v);
    auto scale = dword("scale");
    int32_t s = scale ? static_cast<int32_t>(*scale) : 0;
    p.scale = s <= 0 ? kDefaultScale : (s > kMaxScale ? kMaxScale : s);
    return p;
}

std::string Settings::readSelectedMap() const { return CutToBytes(text("SelMap").value_or(""), 260); }

std::optional<std::pair<int32_t, int32_t>> Settings::readDestination() const {
    auto lat = dword("DestLat");
    auto lon = dword("DestLon");
    if (!lat || !lon) return std::nullopt;
    return std::make_pair(static_cast<int32_t>(*lat), static_cast<int32_t>(*lon));
}

void Settings::readWorkingFolders() {
    if (auto t = text("TPath")) folders[0] = CutToBytes(*t, 260);
    if (auto p = text("PPath")) folders[1] = CutToBytes(*p, 260);
}

std::string Settings::readInstallFolder() const {
    std::string dir = CutToBytes(text("InsDir").value_or("\\"), 260);
    if (dir.size() > 1 && dir.back() == '\\') dir.pop_back();
    return dir.empty() ? "\\" : dir;
}

std::vector<LegacyTourEntry> Settings::legacyTourEntries() const {
    std::vector<LegacyTourEntry> out;
    std::string key = std::string(kSettingsKey) + "\\" + UiString(54);
    for (const std::string& name : registry_.subkeys(HKey::LocalMachine, key)) {
        std::string sub = key + "\\" + name;
        LegacyTourEntry e;
        e.name = name;
        e.file = registry_.getString(HKey::LocalMachine, sub, "Filename").value_or("");
        if (auto v = registry_.value(HKey::LocalMachine, sub, "Date")) {
            if (v->type == platform::RegType::Binary)
                e.date = v->binary;
            else if (v->type == platform::RegType::Sz)
                e.date.assign(v->text.begin(), v->text.end());
            if (e.date.size() > 40) e.date.resize(40);
        }
        e.visible = registry_.getDword(HKey::LocalMachine, sub, "Visible").value_or(0);
        e.colour = registry_.getDword(HKey::LocalMachine, sub, "Colour").value_or(0);
        e.present = !e.file.empty() && std::ifstream(platform::MapPath(e.file)).good();
        out.push_back(std::move(e));
    }
    return out;
}

bool Settings::hasSavedSettings() {
    if (!hasSaved_) hasSaved_ = dword("cfg2").has_value();
    return *hasSaved_;
}

bool Settings::gpsTimeOffsetSet() const {
    auto t = text("GPSSyncTime");
    if (!t) return false;
    char* end = nullptr;
    float v = std::strtof(t->c_str(), &end);
    return end != t->c_str() && v < kGpsOffsetNotSet;
}

bool Settings::deleteSubkey(std::string_view name) {
    if (name.empty()) return false;
    return registry_.deleteKey(HKey::LocalMachine, std::string(kSettingsKey) + "\\" + std::string(name));
}

// ---- registrations ----

void Settings::registerTodayItem() {
    platform::Registry::Batch batch(registry_);
    // The start-screen host loads the library named here; ours lives next to the program.
    registry_.setString(HKey::LocalMachine, kTodayItemKey, "DLL", platform::ProgramFolder() + "/libtrektoday.so");
    registry_.setDword(HKey::LocalMachine, kTodayItemKey, "Type", 4);
    registry_.setDword(HKey::LocalMachine, kTodayItemKey, "Options", 0);
}

void Settings::registerFileAssociation() {
    platform::Registry::Batch batch(registry_);
    registry_.setString(HKey::ClassesRoot, kTourAssociationKey, "", "turfile");
    registry_.setString(HKey::ClassesRoot, kTourAssociationKey, "Content Type", "map/tour");
    stampSaved();
}

void Settings::stampSaved() {
    uint32_t now = platform::TourTimeNow();
    putDword("cfg2", now);
    lastSaveStamp = static_cast<int32_t>(now);
}

}  // namespace trek
