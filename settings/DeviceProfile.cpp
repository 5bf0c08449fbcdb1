#include "settings/DeviceProfile.h"

#include <expat.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "platform/core/Files.h"
#include "platform/core/Paths.h"
#include "platform/core/Text.h"
#include "settings/Settings.h"

namespace trek {

using platform::EqualsNoCase;

std::optional<int32_t> DeviceProfile::actionForKey(uint32_t keyCode) const {
    for (size_t i = 0; i < buttonCount; ++i)
        if (buttons[i].keyCode == keyCode) return buttons[i].action;
    return std::nullopt;
}

DeviceProfile& DeviceProfile::current() {
    static DeviceProfile profile;
    return profile;
}

namespace {

// "%d": blanks, sign, digits; nothing when there are no digits.
std::optional<int32_t> ParseDecimal(std::string_view s) {
    std::string t(s);
    char* end = nullptr;
    long v = std::strtol(t.c_str(), &end, 10);
    if (end == t.c_str()) return std::nullopt;
    return static_cast<int32_t>(v);
}

// "%X" when the text begins with "0x", else "%d".
std::optional<int32_t> ParseNumber(std::string_view s) {
    if (s.size() >= 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        std::string t(s.substr(2));
        char* end = nullptr;
        unsigned long v = std::strtoul(t.c_str(), &end, 16);
        if (end == t.c_str()) return std::nullopt;
        return static_cast<int32_t>(v);
    }
    return ParseDecimal(s);
}

const char* Attribute(const XML_Char** atts, const char* name) {
    for (size_t i = 0; atts[i]; i += 2)
        if (EqualsNoCase(atts[i], name)) return atts[i + 1];
    return nullptr;
}

}  // namespace

struct DeviceProfileLoader::State {
    Settings& settings;
    DeviceProfile& profile;
    bool inDevice = false;  // inside a device whose name matches
    bool inButton = false;
    bool buttonSlot = false;  // the current button has a slot in the table
    bool inFolder = false;
    bool inLcd = false;
    bool inGps = false;
    bool inMin = false;
    bool inIo = false;
    bool dllFunc = false;
    bool dllCopy = false;
    bool foldersApplied = false;
    std::vector<std::string> texts;  // character data per open element

    State(Settings& s, DeviceProfile& p) : settings(s), profile(p) {}

    void start(const char* name, const XML_Char** atts) {
        texts.emplace_back();
        if (EqualsNoCase(name, "device")) {
            const char* n = Attribute(atts, "name");
            inDevice = n && platform::StartsWithNoCase(settings.oem(), n);
            if (inDevice) profile.buttonCount = 0;
            return;
        }
        if (!inDevice) return;
        if (EqualsNoCase(name, "folder")) {
            inFolder = true;
        } else if (EqualsNoCase(name, "button")) {
            inButton = true;
            buttonSlot = profile.buttonCount < DeviceProfile::kMaxButtons;
            if (buttonSlot) {
                ButtonBinding& b = profile.buttons[profile.buttonCount];
                b = ButtonBinding{};
                if (const char* a = Attribute(atts, "action")) b.action = ParseDecimal(a).value_or(0);
            }
        } else if (EqualsNoCase(name, "lcd")) {
            inLcd = true;
            if (const char* cap = Attribute(atts, "cap"))
                if (auto v = ParseDecimal(cap)) profile.lcdCapability = *v;
        } else if (inLcd && EqualsNoCase(name, "min")) {
            inMin = true;
        } else if (inLcd && EqualsNoCase(name, "io")) {
            if (const char* r = Attribute(atts, "r"))
                if (auto v = ParseDecimal(r)) profile.ioRegister = *v;
            inIo = true;
        } else if (inLcd && EqualsNoCase(name, "dll")) {
            const char* c = Attribute(atts, "c");
            dllCopy = c && std::string_view(c) == "1";
            dllFunc = Attribute(atts, "func") != nullptr;
            if (const char* r = Attribute(atts, "r"))
                if (auto v = ParseDecimal(r)) profile.dllRegister = *v;
        } else if (EqualsNoCase(name, "gps")) {
            inGps = true;
            settings.flags.set_gpsBt(0);
            if (const char* port = Attribute(atts, "port")) {
                // "%s": the first word, cut to the port buffer.
                std::string p(port);
                size_t lead = p.find_first_not_of(" \t\r\n");
                p = lead == std::string::npos ? "" : p.substr(lead);
                p = p.substr(0, p.find_first_of(" \t\r\n"));
                if (!p.empty()) settings.port = p.substr(0, Settings::kPortChars - 1);
            }
            if (const char* baud = Attribute(atts, "baudrate"))
                if (auto v = ParseDecimal(baud)) settings.baud = static_cast<uint32_t>(*v);
        }
    }

    void characters(const XML_Char* s, int len) {
        // Line breaks and indentation between elements are not content.
        if (len <= 0 || static_cast<unsigned char>(s[0]) < 20 || texts.empty()) return;
        texts.back().append(s, static_cast<size_t>(len));
    }

    void applyText(std::string_view name, const std::string& text) {
        if (!inDevice || text.empty()) return;
        if (inButton && EqualsNoCase(name, "button")) {
            if (buttonSlot)
                if (auto v = ParseNumber(text)) profile.buttons[profile.buttonCount].keyCode = static_cast<uint32_t>(*v);
        } else if (inMin && EqualsNoCase(name, "min")) {
            if (auto v = ParseDecimal(text)) profile.lcdMinimum = *v;
        } else if (inIo && EqualsNoCase(name, "io")) {
            if (auto v = ParseNumber(text)) profile.ioValue = *v;
        } else if (EqualsNoCase(name, "dll")) {
            if (dllFunc) profile.backlightFunction = text.substr(std::min(text.find_first_not_of(" \t"), text.size()));
            if (dllCopy) copyToRoot(text);
        } else if (inGps && EqualsNoCase(name, "gps")) {
            if (text[0] == '1') settings.flags.set_gpsBt(1);
        } else if (inFolder && EqualsNoCase(name, "folder")) {
            bool open = !settings.searchPaths.empty() && settings.searchPaths[0] == ":na";
            if (open || foldersApplied) {
                settings.searchPaths = Settings::ParseSearchPaths(text);
                foldersApplied = true;
            }
        }
    }

    // Copies a device library into the root folder; an existing file stays.
    static void copyToRoot(const std::string& devicePath) {
        std::string source = platform::MapPath(devicePath);
        size_t cut = devicePath.find_last_of("\\/");
        std::string name = cut == std::string::npos ? devicePath : devicePath.substr(cut + 1);
        if (name.empty()) return;
        std::error_code ec;
        std::filesystem::copy_file(source, platform::MapPath("\\" + name),
                                   std::filesystem::copy_options::skip_existing, ec);
    }

    void end(const char* name) {
        std::string text = texts.empty() ? std::string() : std::move(texts.back());
        if (!texts.empty()) texts.pop_back();
        applyText(name, text);
        if (EqualsNoCase(name, "device")) {
            if (inDevice) saveDevice();
            inDevice = false;
        } else if (EqualsNoCase(name, "button")) {
            if (inButton && inDevice) {
                if (buttonSlot)
                    ++profile.buttonCount;
                else
                    ++profile.rejectedButtons;
            }
            inButton = false;
        } else if (EqualsNoCase(name, "folder")) {
            inFolder = false;
        } else if (EqualsNoCase(name, "lcd")) {
            inLcd = false;
        } else if (EqualsNoCase(name, "min")) {
            inMin = false;
        } else if (EqualsNoCase(name, "io")) {
            inIo = false;
        } else if (EqualsNoCase(name, "dll")) {
            dllFunc = dllCopy = false;
        } else if (EqualsNoCase(name, "gps")) {
            inGps = false;
        }
    }

    void saveDevice() {
        {
            platform::Registry::Batch batch(settings.registry());
            settings.registry().setString(platform::HKey::LocalMachine, kSettingsKey, "Folders",
                                          settings.joinedSearchPaths());
            settings.saveReceiver();
            settings.saveAll(false);
        }
        settings.exportBackup();
    }

    void resetElementState() {
        inDevice = inButton = buttonSlot = inFolder = inLcd = inGps = inMin = inIo = dllFunc = dllCopy = false;
        texts.clear();
    }
};

namespace {

struct Parser {
    XML_Parser p;
    explicit Parser(DeviceProfileLoader::State& state) : p(XML_ParserCreate(nullptr)) {
        XML_SetUserData(p, &state);
        XML_SetElementHandler(
            p,
            [](void* u, const XML_Char* n, const XML_Char** a) { static_cast<DeviceProfileLoader::State*>(u)->start(n, a); },
            [](void* u, const XML_Char* n) { static_cast<DeviceProfileLoader::State*>(u)->end(n); });
        XML_SetCharacterDataHandler(p, [](void* u, const XML_Char* s, int len) {
            static_cast<DeviceProfileLoader::State*>(u)->characters(s, len);
        });
    }
    ~Parser() { XML_ParserFree(p); }
    bool feed(const char* data, size_t n, bool final, std::string* error) {
        if (XML_Parse(p, data, static_cast<int>(n), final) != XML_STATUS_ERROR) return true;
        if (error) {
            char buf[256];
            std::snprintf(buf, sizeof buf, "line %lu, column %lu: %s",
                          static_cast<unsigned long>(XML_GetCurrentLineNumber(p)),
                          static_cast<unsigned long>(XML_GetCurrentColumnNumber(p)),
                          XML_ErrorString(XML_GetErrorCode(p)));
            *error = buf;
        }
        return false;
    }
};

}  // namespace

DeviceProfileLoader::DeviceProfileLoader(Settings& settings, DeviceProfile& profile)
    : state_(std::make_unique<State>(settings, profile)) {}

DeviceProfileLoader::~DeviceProfileLoader() = default;

bool DeviceProfileLoader::parseDocument(std::string_view xml, std::string* error) {
    state_->resetElementState();
    Parser parser(*state_);
    // Fed in blocks too, so that documents of any size are handled alike.
    size_t pos = 0;
    do {
        size_t n = std::min(kBlockSize, xml.size() - pos);
        bool final = pos + n >= xml.size();
        if (!parser.feed(xml.data() + pos, n, final, error)) return false;
        pos += n;
    } while (pos < xml.size());
    return true;
}

bool DeviceProfileLoader::parseFile(const std::string& nativePath, std::string* error) {
    FILE* f = std::fopen(nativePath.c_str(), "rb");
    if (!f) {
        if (error) *error = "cannot open " + nativePath;
        return false;
    }
    state_->resetElementState();
    Parser parser(*state_);
    std::vector<char> block(kBlockSize);
    bool ok = true;
    for (;;) {
        size_t n = std::fread(block.data(), 1, block.size(), f);
        bool final = n < block.size();
        if (!parser.feed(block.data(), n, final, error)) {
            ok = false;
            break;
        }
        if (final) break;
    }
    std::fclose(f);
    if (!ok && error) *error = nativePath + ": " + *error;
    return ok;
}

std::string DeviceProfileLoader::ProfileFile() {
    std::string first = platform::JoinDevicePath("\\", "thisdev.xml");
    if (platform::FileExists(platform::MapPath(first))) return first;
    return platform::JoinDevicePath("\\", "devcfg.xml");
}

void DeviceProfileLoader::load(std::string* error) {
    parseDocument(BuiltinProfileXml(), error);
    std::string file = platform::MapPath(ProfileFile());
    if (platform::FileExists(file)) parseFile(file, error);
}

void LoadDeviceProfile(std::string* error) {
    static DeviceProfileLoader loader(Settings::instance(), DeviceProfile::current());
    loader.load(error);
}

}  // namespace trek
