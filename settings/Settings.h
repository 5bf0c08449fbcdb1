#pragma once
// The one settings record of the program: flag words, receiver, folders, the
// language record and the load/save operations against the registry key
// HKEY_LOCAL_MACHINE\SOFTWARE\Ostrafen\Trekvane (see SettingsKeys.h).
//
// Loading never fails: every missing or unreadable value takes its default,
// and out-of-range values are repaired. Writes ignore registry errors.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/core/Registry.h"
#include "settings/FlagWords.h"
#include "settings/LanguageTable.h"
#include "settings/SettingsKeys.h"

namespace trek {

// The tour being recorded, as the registry keeps it across restarts.
struct RecordedTour {
    std::string file;
    uint32_t points = 0;
    uint32_t startTime = 0;  // stored as "Duration": tour time at which recording started
    uint32_t distance = 0;   // metres
};

// The last map centre and scale ("latitude", "longitude", "scale").
struct MapPosition {
    int32_t latitude = 84014881;  // geo units
    int32_t longitude = 20204016;
    int32_t scale = 8600;
};

// A tour entry of the old per-tour registry layout (subkey "Tour").
struct LegacyTourEntry {
    std::string name;
    std::string file;
    std::vector<uint8_t> date;  // 40 bytes as stored
    uint32_t visible = 0;
    uint32_t colour = 0;
    bool present = false;  // the file can be opened
};

class Settings {
public:
    static constexpr size_t kMaxSearchPaths = 9;
    static constexpr size_t kSearchPathChars = 128;
    // Port names here ("gpsd:host:port", "file:PATH@1") are longer than a
    // handheld's "COM5:", so the port buffer holds a path.
    static constexpr size_t kPortChars = 260;
    static constexpr uint32_t kDefaultBaud = 4800;
    static constexpr float kGpsOffsetNotSet = 255.0f;
    static constexpr uint32_t kMigrationCfg3 = 0x4017BFC3;
    // Linux has no "COM5:"; the local gpsd daemon is the receiver by default.
    static constexpr const char* kDefaultPort = "gpsd";
    static constexpr const char* kDefaultSelectedTour = "Tour Innenstadt";

    // The process-wide record on the process-wide registry, loaded on first use.
    static Settings& instance();

    // A record on the given registry for the given OEM string; call load().
    Settings(platform::Registry& registry, std::string oem);
    Settings(const Settings&) = delete;
    Settings& operator=(const Settings&) = delete;

    // Defaults, then the registry (restoring the backup file first when the
    // settings were never saved), then the repairs and the migration step.
    void load();

    // ---- the record ----
    FlagWords flags;
    std::string deviceSearchPaths = "\\";  // built-in folders of a recognised device
    std::string backupBase = "\\trekvane";  // backup file without ".reg"
    std::vector<std::string> searchPaths;   // at most kMaxSearchPaths
    std::string folders[2];                 // working folders: tours, POI lists
    std::string port = kDefaultPort;
    uint32_t baud = kDefaultBaud;
    float gpsTimeOffset = kGpsOffsetNotSet;  // hours; 255 = not set
    int32_t lastSaveStamp = -1;              // "cfg2"
    uint32_t settingsCloseRequest = 0;
    uint64_t settingsWindow = 0;
    uint32_t recordDistance = 100;           // effective recording distance, metres
    bool gpsStaticNavigation = false;        // from cfg1 bit 0
    std::string languageCode = "DEU";        // "LAN": the stored choice
    std::string selectedTour = kDefaultSelectedTour;  // "SelTour"

    // ---- language ----
    const LanguageRecord& language() const { return language_; }
    char eastLetter() const { return language_.eastLetter; }
    // Loads the UI language (module "<code>.so" from the program folder);
    // does nothing when the code was loaded last. False when the module could
    // not be loaded and the built-in English is used instead.
    bool loadLanguage(std::string_view code);
    // Folder the language modules are taken from (default: program folder).
    void setLanguageFolder(std::string folder) { languageFolder_ = std::move(folder); }

    // ---- saving ----
    // "GPSSyncTime", "cfg1", "cfg8", "cfg7", "cfg6", "cfg5", "cfg4", "cfg3",
    // "LAN", "SelTour", "TPath", "PPath"; then the backup file when asked.
    void saveAll(bool withBackup);
    void saveMapPosition(const MapPosition& position, std::string_view selectedMap);
    void saveReceiver();
    void saveSearchPaths();  // "Folders", then the backup file
    // (column, width) per displayed position, at most six.
    void saveRoadbookColumns(const std::vector<std::pair<uint32_t, uint32_t>>& columns);
    void saveRecordedTour(const RecordedTour& tour);  // then the backup file
    void saveGpsTimeOffset(float hours);
    void saveDestination(int32_t latitude, int32_t longitude);
    // Writes the backup file now.
    bool exportBackup(std::string* error = nullptr) const;

    // ---- reading ----
    RecordedTour loadRecordedTour() const;
    MapPosition readMapPosition() const;
    std::string readSelectedMap() const;
    // "DestLat", "DestLon"; nothing when either is missing.
    std::optional<std::pair<int32_t, int32_t>> readDestination() const;
    // "TPath", "PPath" into the two working folders (each only when present).
    void readWorkingFolders();
    // "InsDir" without a trailing "\"; "\" when missing.
    std::string readInstallFolder() const;
    std::vector<LegacyTourEntry> legacyTourEntries() const;

    bool hasSavedSettings();  // "cfg2" exists; asked once per run
    bool gpsTimeOffsetSet() const;
    bool deleteSubkey(std::string_view name);

    // ---- registrations outside the key ----
    void registerTodayItem();
    // ".tur" association and the save stamp "cfg2".
    void registerFileAssociation();
    void stampSaved();

    // ---- helpers ----
    // Splits a "Folders" text: "," and ";" separate, leading separators and
    // blanks are skipped, entries are cut to 128 characters, at most 9.
    static std::vector<std::string> ParseSearchPaths(std::string_view text);
    std::string joinedSearchPaths() const;
    // The built-in folders of a recognised device ("\" otherwise).
    static std::string DeviceSearchPathsFor(std::string_view oem);
    std::string backupFile() const { return backupBase + ".reg"; }  // device path
    const std::string& oem() const { return oem_; }
    platform::Registry& registry() { return registry_; }
    const platform::Registry& registry() const { return registry_; }

private:
    void applyKeyDefaults();
    void loadFlagWords();
    void migrate();
    std::optional<uint32_t> dword(std::string_view name) const;
    std::optional<std::string> text(std::string_view name) const;
    void putDword(std::string_view name, uint32_t v);
    void putText(std::string_view name, std::string_view text);

    platform::Registry& registry_;
    std::string oem_;
    std::string languageFolder_;
    LanguageRecord language_;
    std::string loadedLanguage_ = "111";  // never a real code: the first load always runs
    std::optional<bool> hasSaved_;
};

}  // namespace trek
