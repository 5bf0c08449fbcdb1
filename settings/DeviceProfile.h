#pragma once
// Device profiles: per device model the GPS port and speed, whether the
// receiver is external, the search folders, the backlight capability and the
// hardware buttons. The built-in profile (res/profile/builtin.xml) is parsed
// first, then "thisdev.xml" (else "devcfg.xml") from the device root, so that
// a file can add models or override them. Only "device" elements whose name
// begins the OEM string (case-insensitively) are applied.
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace trek {

class Settings;

struct ButtonBinding {
    uint32_t keyCode = 0;
    int32_t action = 0;
};

struct DeviceProfile {
    static constexpr size_t kMaxButtons = 16;

    std::array<ButtonBinding, kMaxButtons> buttons{};
    size_t buttonCount = 0;
    size_t rejectedButtons = 0;  // pairs beyond the table, left out
    int32_t lcdCapability = 0;   // -1: no backlight control
    int32_t lcdMinimum = 0;
    int32_t ioRegister = 0;
    int32_t ioValue = 0;
    int32_t dllRegister = 0;
    std::string backlightFunction;

    // The action of a key code, when the table has one.
    std::optional<int32_t> actionForKey(uint32_t keyCode) const;

    // The process-wide profile (filled by LoadDeviceProfile).
    static DeviceProfile& current();
};

// The built-in profile text (UTF-8 XML).
std::string_view BuiltinProfileXml();

class DeviceProfileLoader {
public:
    static constexpr size_t kBlockSize = 131072;

    DeviceProfileLoader(Settings& settings, DeviceProfile& profile);
    ~DeviceProfileLoader();
    DeviceProfileLoader(const DeviceProfileLoader&) = delete;
    DeviceProfileLoader& operator=(const DeviceProfileLoader&) = delete;

    // One document. An XML error ends it (what was applied stays); false and
    // "line L, column C: message" in `error` then.
    bool parseDocument(std::string_view xml, std::string* error = nullptr);
    // A file, parsed in blocks of kBlockSize bytes. False when it cannot be
    // opened or has an XML error.
    bool parseFile(const std::string& nativePath, std::string* error = nullptr);
    // The built-in profile, then the profile file of the device root (when there is one).
    void load(std::string* error = nullptr);
    // "\thisdev.xml" when it exists, else "\devcfg.xml" (device paths).
    static std::string ProfileFile();

    struct State;

private:
    std::unique_ptr<State> state_;
};

// Loads Settings::instance()'s device profile into DeviceProfile::current().
void LoadDeviceProfile(std::string* error = nullptr);

}  // namespace trek
