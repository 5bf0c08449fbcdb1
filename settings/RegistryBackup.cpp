#include "settings/RegistryBackup.h"

#include <zlib.h>

#include <cctype>
#include <cstdio>

#include "platform/core/Files.h"
#include "platform/core/Text.h"
#include "settings/SettingsKeys.h"

namespace trek {

using platform::HKey;
using platform::Registry;
using platform::RegType;
using platform::RegValue;

namespace {

// The program's own scrambling keys and markers. Changing them makes older
// backup files unreadable.
constexpr uint8_t kKey1[32] = {0x5A, 0x13, 0xC7, 0x2E, 0x91, 0x04, 0xB8, 0x6F, 0x3D, 0xE2, 0x47,
                               0x88, 0x1C, 0xF5, 0x60, 0xA9, 0x72, 0x0B, 0xDE, 0x35, 0x99, 0x4E,
                               0xC1, 0x26, 0x8B, 0x50, 0xE7, 0x1A, 0x63, 0xBC, 0x05, 0xF0};
constexpr uint8_t kKey2[32] = {0xA4, 0x39, 0x7E, 0xD1, 0x08, 0x6B, 0xF2, 0x15, 0xCC, 0x57, 0x2A,
                               0x93, 0xE0, 0x4D, 0xB6, 0x1F, 0x68, 0xD3, 0x0C, 0x85, 0x7A, 0xE9,
                               0x32, 0x5F, 0xA0, 0x17, 0xCE, 0x41, 0x9C, 0x23, 0xF8, 0x6D};
constexpr uint8_t kMarker0 = 0x54;  // 'T'
constexpr uint8_t kMarker1 = 0x56;  // 'V'

uint8_t Pad(size_t k) { return kKey1[(k - 2) % 32] ^ kKey2[(k + 3) % 32] ^ kKey2[k % 32] ^ kKey1[k % 32]; }

uint32_t Crc32(std::string_view bytes) {
    return static_cast<uint32_t>(
        ::crc32(::crc32(0L, Z_NULL, 0), reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

void PutLe32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

uint32_t GetLe32(std::string_view s, size_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(s[at + i]);
    return v;
}

// Size of the value as the platform stores it: UTF-16 with terminator for texts.
size_t StoredSize(const RegValue& v) {
    switch (v.type) {
        case RegType::Sz: return (platform::Utf8ToUtf16(v.text).size() + 1) * 2;
        case RegType::Dword: return 4;
        case RegType::Binary: return v.binary.size();
    }
    return 0;
}

void GenerateKey(const Registry& reg, HKey root, const std::string& path, std::string& out) {
    out += "\r\n[";
    out += platform::HKeyName(root);
    out += '\\';
    out += path;
    out += "]\r\n";
    char buf[32];
    for (const RegValue& v : reg.values(root, path)) {
        if (platform::Utf8ToUtf16(v.name).size() > kBackupMaxValueName || StoredSize(v) > kBackupMaxValueData)
            continue;
        out += '"';
        out += v.name;
        out += "\"=";
        switch (v.type) {
            case RegType::Sz:
                out += '"';
                out += v.text;
                out += '"';
                break;
            case RegType::Dword:
                std::snprintf(buf, sizeof buf, "dword:%8.8x", v.dword);
                out += buf;
                break;
            case RegType::Binary:
                out += "hex:";
                for (size_t i = 0; i < v.binary.size(); ++i) {
                    std::snprintf(buf, sizeof buf, i ? ",%2.2x" : "%2.2x", v.binary[i]);
                    out += buf;
                }
                break;
        }
        out += "\r\n";
    }
    for (const std::string& sub : reg.subkeys(root, path)) GenerateKey(reg, root, path + "\\" + sub, out);
}

// ---- the line parser: a cursor over one line, with the scanf-like steps the
// text form is defined by ----

struct LineCursor {
    std::string_view s;
    size_t pos = 0;

    bool atEnd() const { return pos >= s.size(); }
    // "%[set]": at least one character of the set.
    bool spanOf(std::string_view set) {
        size_t start = pos;
        while (pos < s.size() && set.find(s[pos]) != std::string_view::npos) ++pos;
        return pos > start;
    }
    // "%[^set]": at least one character outside the set.
    bool spanNotOf(std::string_view set, std::string& out) {
        size_t start = pos;
        while (pos < s.size() && set.find(s[pos]) == std::string_view::npos) ++pos;
        out.assign(s.substr(start, pos - start));
        return pos > start;
    }
    bool literal(std::string_view text) {
        if (s.substr(pos, text.size()) != text) return false;
        pos += text.size();
        return true;
    }
    // "%x": optional blanks, optional 0x, hex digits; false when there are none.
    bool hex(uint64_t& out) {
        while (pos < s.size() && (s[pos] == ' ' || s[pos] == '\t')) ++pos;
        if (s.substr(pos, 2) == "0x" || s.substr(pos, 2) == "0X") {
            if (pos + 2 < s.size() && std::isxdigit(static_cast<unsigned char>(s[pos + 2]))) pos += 2;
        }
        size_t start = pos;
        out = 0;
        while (pos < s.size() && std::isxdigit(static_cast<unsigned char>(s[pos]))) {
            char c = s[pos++];
            int d = c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
            out = (out << 4) | static_cast<uint64_t>(d);
            if (pos - start > 16) return false;
        }
        return pos > start;
    }
};

// %[ \"]%l[^=\"]%[ =\"] — the quoted name and what separates it from the data.
bool ReadName(LineCursor& c, std::string& name) {
    if (!c.spanOf(" \"")) return false;
    if (!c.spanNotOf("=\"", name)) return false;
    return c.spanOf(" =\"");
}

void ApplyValueLine(Registry& reg, HKey root, const std::string& path, std::string_view line) {
    size_t eq = line.find('=');
    if (eq == std::string_view::npos) return;
    std::string_view data = line.substr(eq + 1);
    std::string name;
    LineCursor c{line};
    if (data.substr(0, 5) == "dword") {
        uint64_t v;
        if (ReadName(c, name) && c.literal("dword:") && c.hex(v) && v <= 0xFFFFFFFFu)
            reg.setDword(root, path, name, static_cast<uint32_t>(v));
        return;
    }
    if (data.substr(0, 3) == "hex") {
        if (!ReadName(c, name) || !c.literal("hex:")) return;
        std::vector<uint8_t> bytes;
        uint64_t v;
        while (!c.atEnd() && c.hex(v)) {
            bytes.push_back(static_cast<uint8_t>(v & 0xFF));
            c.spanOf(", \r\n");
        }
        reg.setBinary(root, path, name, std::move(bytes));
        return;
    }
    std::string text;
    bool isDefault = !line.empty() && line[0] == '@';
    if (!isDefault && ReadName(c, name)) {
        // A quoted name followed by an empty quoted text is an empty value,
        // not the default value.
        c.spanNotOf("\"\r\n", text);
        reg.setString(root, path, name, text);
        return;
    }
    LineCursor d{line};
    d.spanOf(" @\"=");
    d.spanNotOf("\"\r\n", text);
    reg.setString(root, path, "", text);
}

}  // namespace

std::string GenerateRegistryText(const Registry& registry, HKey root, std::string_view path) {
    std::string out;
    if (registry.keyExists(root, path)) GenerateKey(registry, root, std::string(path), out);
    return out;
}

void ApplyRegistryText(Registry& registry, std::string_view raw) {
    std::string text = platform::Decode8BitText(raw);
    Registry::Batch batch(registry);
    // The current key; none before the first key line.
    HKey root = HKey::LocalMachine;
    bool haveKey = false;
    std::string path;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string::npos) end = text.size();
        std::string_view line(text.data() + pos, end - pos);
        // CR LF and LF CR count as one line end.
        pos = end;
        if (pos < text.size()) {
            char first = text[pos++];
            if (pos < text.size() && (text[pos] == '\r' || text[pos] == '\n') && text[pos] != first) ++pos;
        }
        if (line.empty()) continue;
        if (line[0] == '[') {
            haveKey = false;
            path.clear();
            std::string_view body = line.substr(1);
            size_t slash = body.find('\\');
            bool known = false;
            for (HKey r : {HKey::LocalMachine, HKey::ClassesRoot, HKey::CurrentUser, HKey::Users}) {
                std::string_view name = platform::HKeyName(r);
                if (body.substr(0, name.size()) == name) {
                    root = r;
                    known = true;
                    break;
                }
            }
            if (!known || slash == std::string_view::npos) continue;
            LineCursor c{body, slash + 1};
            haveKey = c.spanNotOf("]\r\n", path) && registry.createKey(root, path);
            continue;
        }
        if (haveKey) ApplyValueLine(registry, root, path, line);
    }
}

std::string ScrambleBackup(std::string_view text) {
    std::string plain;
    plain.reserve(text.size() + 8);
    PutLe32(plain, static_cast<uint32_t>(text.size()));
    PutLe32(plain, Crc32(text));
    plain += text;
    std::string out(plain.size() + 2, '\0');
    out[0] = static_cast<char>(kMarker0 ^ kKey1[0] ^ kKey2[0]);
    out[1] = static_cast<char>(kMarker1 ^ kKey1[1] ^ kKey2[1]);
    for (size_t k = 2; k < out.size(); ++k) out[k] = static_cast<char>(static_cast<uint8_t>(plain[k - 2]) ^ Pad(k));
    return out;
}

std::optional<std::string> UnscrambleBackup(std::string_view file, std::string* error) {
    auto reject = [&](const char* why) -> std::optional<std::string> {
        if (error) *error = why;
        return std::nullopt;
    };
    if (file.size() < 10) return reject("backup file is truncated");
    if ((static_cast<uint8_t>(file[0]) ^ kKey1[0] ^ kKey2[0]) != kMarker0 ||
        (static_cast<uint8_t>(file[1]) ^ kKey1[1] ^ kKey2[1]) != kMarker1)
        return reject("not a Trekvane registry backup");
    std::string plain(file.size() - 2, '\0');
    for (size_t k = 2; k < file.size(); ++k) plain[k - 2] = static_cast<char>(static_cast<uint8_t>(file[k]) ^ Pad(k));
    uint32_t n = GetLe32(plain, 0);
    if (static_cast<uint64_t>(n) + 8 != plain.size())
        return reject(static_cast<uint64_t>(n) + 8 > plain.size() ? "backup file is truncated"
                                                                   : "backup file has trailing bytes");
    std::string text = plain.substr(8);
    if (Crc32(text) != GetLe32(plain, 4)) return reject("backup file is damaged (CRC mismatch)");
    return text;
}

bool ExportBackup(const Registry& registry, const std::string& nativePath, std::string* error) {
    std::string text = GenerateRegistryText(registry, HKey::LocalMachine, kSettingsKey);
    return platform::WriteFileAtomic(nativePath, ScrambleBackup(text), error);
}

BackupImport ImportBackup(Registry& registry, const std::string& nativePath, bool deleteAfterwards, std::string* error) {
    auto finish = [&](BackupImport r) {
        if (deleteAfterwards) platform::RemoveFile(nativePath);
        return r;
    };
    if (!platform::FileExists(nativePath)) {
        if (error) *error = "no backup file " + nativePath;
        return BackupImport::Missing;
    }
    auto bytes = platform::ReadWholeFile(nativePath, 64u << 20);
    if (!bytes) {
        if (error) *error = "cannot read " + nativePath;
        return finish(BackupImport::Rejected);
    }
    if (bytes->empty()) {
        if (error) *error = "backup file is empty";
        return finish(BackupImport::Empty);
    }
    auto text = UnscrambleBackup(*bytes, error);
    if (!text) return finish(BackupImport::Rejected);
    ApplyRegistryText(registry, *text);
    return finish(BackupImport::Applied);
}

}  // namespace trek
