#include "platform/core/Registry.h"

#include <algorithm>
#include <cstdio>

#include "platform/core/Files.h"
#include "platform/core/Paths.h"
#include "platform/core/Text.h"

namespace trek::platform {

namespace {

constexpr const char* kRootNames[4] = {"HKEY_LOCAL_MACHINE", "HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER",
                                       "HKEY_USERS"};
constexpr const char* kHeader = "REGEDIT4";

// Splits "a\b\\c" into its names, skipping empty ones.
std::vector<std::string_view> SplitPath(std::string_view path) {
    std::vector<std::string_view> parts;
    size_t pos = 0;
    while (pos <= path.size()) {
        size_t end = path.find('\\', pos);
        if (end == std::string_view::npos) end = path.size();
        if (end > pos) parts.push_back(path.substr(pos, end - pos));
        pos = end + 1;
    }
    return parts;
}

}  // namespace

struct Registry::Node {
    std::string name;
    std::vector<RegValue> values;
    std::vector<std::unique_ptr<Node>> children;

    Node* child(std::string_view n) const {
        for (auto& c : children)
            if (EqualsNoCase(c->name, n)) return c.get();
        return nullptr;
    }
    RegValue* value(std::string_view n) {
        for (auto& v : values)
            if (EqualsNoCase(v.name, n)) return &v;
        return nullptr;
    }
};

const char* HKeyName(HKey root) { return kRootNames[static_cast<int>(root)]; }

std::optional<HKey> HKeyFromName(std::string_view name) {
    for (int i = 0; i < 4; ++i)
        if (EqualsNoCase(name, kRootNames[i])) return static_cast<HKey>(i);
    if (EqualsNoCase(name, "HKLM")) return HKey::LocalMachine;
    if (EqualsNoCase(name, "HKCR")) return HKey::ClassesRoot;
    return std::nullopt;
}

RegValue RegValue::Sz(std::string name, std::string text) {
    RegValue v;
    v.name = std::move(name);
    v.type = RegType::Sz;
    v.text = std::move(text);
    return v;
}

RegValue RegValue::Dword(std::string name, uint32_t value) {
    RegValue v;
    v.name = std::move(name);
    v.type = RegType::Dword;
    v.dword = value;
    return v;
}

RegValue RegValue::Binary(std::string name, std::vector<uint8_t> bytes) {
    RegValue v;
    v.name = std::move(name);
    v.type = RegType::Binary;
    v.binary = std::move(bytes);
    return v;
}

bool RegValue::operator==(const RegValue& o) const {
    if (name != o.name || type != o.type) return false;
    switch (type) {
        case RegType::Sz: return text == o.text;
        case RegType::Dword: return dword == o.dword;
        case RegType::Binary: return binary == o.binary;
    }
    return false;
}

std::string RegQuote(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        switch (c) {
            case '\\': out += "\\\\"; break;
            case '"': out += "\\\""; break;
            case '\r': out += "\\r"; break;
            case '\n': out += "\\n"; break;
            default: out += c;
        }
    }
    out += '"';
    return out;
}

// ---- construction and file binding ----

Registry::Registry() {
    for (auto& r : roots_) r = std::make_unique<Node>();
}

Registry::Registry(std::string file) : Registry() { bindFile(std::move(file)); }

Registry::~Registry() = default;

Registry& Registry::instance() {
    static Registry registry(RegistryFile());
    return registry;
}

void Registry::bindFile(std::string file) {
    std::lock_guard lock(mutex_);
    file_ = std::move(file);
    dirty_ = false;
    reload();
}

std::string Registry::file() const {
    std::lock_guard lock(mutex_);
    return file_;
}

bool Registry::reload() {
    std::lock_guard lock(mutex_);
    if (file_.empty()) return true;
    if (!FileExists(file_)) {
        clear();
        return true;
    }
    auto text = ReadWholeFile(file_, 64u << 20);
    if (!text) return false;
    loadText(*text);
    return true;
}

bool Registry::flush() {
    std::lock_guard lock(mutex_);
    return flushLocked();
}

bool Registry::flushLocked() {
    if (file_.empty()) {
        dirty_ = false;
        return true;
    }
    if (!WriteFileAtomic(file_, toText())) return false;
    dirty_ = false;
    return true;
}

bool Registry::changedLocked() {
    dirty_ = true;
    return batchDepth_ > 0 ? true : flushLocked();
}

Registry::Batch::Batch(Registry& r) : r_(r) {
    std::lock_guard lock(r_.mutex_);
    ++r_.batchDepth_;
}

Registry::Batch::~Batch() {
    std::lock_guard lock(r_.mutex_);
    if (--r_.batchDepth_ == 0 && r_.dirty_) r_.flushLocked();
}

// ---- keys ----

Registry::Node* Registry::find(HKey root, std::string_view path) const {
    Node* node = roots_[static_cast<int>(root)].get();
    for (auto part : SplitPath(path)) {
        node = node->child(part);
        if (!node) return nullptr;
    }
    return node;
}

Registry::Node* Registry::findOrCreate(HKey root, std::string_view path) {
    Node* node = roots_[static_cast<int>(root)].get();
    for (auto part : SplitPath(path)) {
        Node* next = node->child(part);
        if (!next) {
            node->children.push_back(std::make_unique<Node>());
            next = node->children.back().get();
            next->name = std::string(part);
        }
        node = next;
    }
    return node;
}

bool Registry::keyExists(HKey root, std::string_view path) const {
    std::lock_guard lock(mutex_);
    return !SplitPath(path).empty() && find(root, path) != nullptr;
}

bool Registry::createKey(HKey root, std::string_view path) {
    std::lock_guard lock(mutex_);
    if (SplitPath(path).empty()) return false;
    if (find(root, path)) return true;
    findOrCreate(root, path);
    return changedLocked();
}

bool Registry::deleteKey(HKey root, std::string_view path) {
    std::lock_guard lock(mutex_);
    auto parts = SplitPath(path);
    if (parts.empty()) return false;
    Node* parent = roots_[static_cast<int>(root)].get();
    for (size_t i = 0; i + 1 < parts.size(); ++i) {
        parent = parent->child(parts[i]);
        if (!parent) return false;
    }
    auto& kids = parent->children;
    auto it = std::find_if(kids.begin(), kids.end(), [&](auto& c) { return EqualsNoCase(c->name, parts.back()); });
    if (it == kids.end()) return false;
    kids.erase(it);
    changedLocked();
    return true;
}

std::vector<std::string> Registry::subkeys(HKey root, std::string_view path) const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> out;
    if (Node* n = find(root, path))
        for (auto& c : n->children) out.push_back(c->name);
    return out;
}

void Registry::clear() {
    std::lock_guard lock(mutex_);
    for (auto& r : roots_) r = std::make_unique<Node>();
}

// ---- values ----

std::vector<RegValue> Registry::values(HKey root, std::string_view path) const {
    std::lock_guard lock(mutex_);
    Node* n = SplitPath(path).empty() ? nullptr : find(root, path);
    return n ? n->values : std::vector<RegValue>{};
}

std::optional<RegValue> Registry::value(HKey root, std::string_view path, std::string_view name) const {
    std::lock_guard lock(mutex_);
    Node* n = SplitPath(path).empty() ? nullptr : find(root, path);
    if (!n) return std::nullopt;
    if (RegValue* v = n->value(name)) return *v;
    return std::nullopt;
}

std::optional<std::string> Registry::getString(HKey root, std::string_view path, std::string_view name) const {
    auto v = value(root, path, name);
    if (!v || v->type != RegType::Sz) return std::nullopt;
    return v->text;
}

std::optional<uint32_t> Registry::getDword(HKey root, std::string_view path, std::string_view name) const {
    auto v = value(root, path, name);
    if (!v) return std::nullopt;
    if (v->type == RegType::Dword) return v->dword;
    // A four-byte binary value holds the same little-endian word.
    if (v->type == RegType::Binary && v->binary.size() == 4)
        return uint32_t(v->binary[0]) | uint32_t(v->binary[1]) << 8 | uint32_t(v->binary[2]) << 16 |
               uint32_t(v->binary[3]) << 24;
    return std::nullopt;
}

std::optional<std::vector<uint8_t>> Registry::getBinary(HKey root, std::string_view path,
                                                        std::string_view name) const {
    auto v = value(root, path, name);
    if (!v || v->type != RegType::Binary) return std::nullopt;
    return v->binary;
}

bool Registry::setValue(HKey root, std::string_view path, RegValue v) {
    std::lock_guard lock(mutex_);
    if (SplitPath(path).empty()) return false;
    Node* n = findOrCreate(root, path);
    if (RegValue* existing = n->value(v.name)) {
        std::string keepName = existing->name;
        *existing = std::move(v);
        existing->name = std::move(keepName);
    } else {
        n->values.push_back(std::move(v));
    }
    return changedLocked();
}

bool Registry::setString(HKey root, std::string_view path, std::string_view name, std::string_view text) {
    return setValue(root, path, RegValue::Sz(std::string(name), std::string(text)));
}

bool Registry::setDword(HKey root, std::string_view path, std::string_view name, uint32_t v) {
    return setValue(root, path, RegValue::Dword(std::string(name), v));
}

bool Registry::setBinary(HKey root, std::string_view path, std::string_view name, std::vector<uint8_t> bytes) {
    return setValue(root, path, RegValue::Binary(std::string(name), std::move(bytes)));
}

bool Registry::deleteValue(HKey root, std::string_view path, std::string_view name) {
    std::lock_guard lock(mutex_);
    Node* n = SplitPath(path).empty() ? nullptr : find(root, path);
    if (!n) return false;
    auto it = std::find_if(n->values.begin(), n->values.end(), [&](auto& v) { return EqualsNoCase(v.name, name); });
    if (it == n->values.end()) return false;
    n->values.erase(it);
    changedLocked();
    return true;
}

// ---- text form ----

namespace {

void WriteValue(std::string& out, const RegValue& v) {
    out += v.name.empty() ? std::string("@") : RegQuote(v.name);
    out += '=';
    char buf[16];
    switch (v.type) {
        case RegType::Sz: out += RegQuote(v.text); break;
        case RegType::Dword:
            std::snprintf(buf, sizeof buf, "dword:%08x", v.dword);
            out += buf;
            break;
        case RegType::Binary:
            out += "hex:";
            for (size_t i = 0; i < v.binary.size(); ++i) {
                std::snprintf(buf, sizeof buf, i ? ",%02x" : "%02x", v.binary[i]);
                out += buf;
            }
            break;
    }
    out += '\n';
}

// One line at a time; a line ending in "\" (after hex data) continues on the next.
class LineCursor {
public:
    explicit LineCursor(std::string_view t) : text_(t) {
        if (text_.substr(0, 3) == "\xEF\xBB\xBF") pos_ = 3;
    }
    bool next(std::string& line) {
        if (pos_ >= text_.size()) return false;
        line.clear();
        for (;;) {
            size_t end = text_.find_first_of("\r\n", pos_);
            if (end == std::string_view::npos) end = text_.size();
            std::string_view part = text_.substr(pos_, end - pos_);
            pos_ = end;
            if (pos_ < text_.size() && text_[pos_] == '\r') ++pos_;
            if (pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
            size_t trimmed = part.find_last_not_of(" \t");
            bool continues = trimmed != std::string_view::npos && part[trimmed] == '\\' &&
                             line.size() + part.size() > 0 && IsHexLine(line, part);
            if (!continues) {
                line += part;
                return true;
            }
            line += part.substr(0, trimmed);
            // Leading blanks of the continuation line are not data.
            while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t')) ++pos_;
            if (pos_ >= text_.size()) return true;
        }
    }

private:
    static bool IsHexLine(const std::string& sofar, std::string_view part) {
        std::string_view probe = sofar.empty() ? part : std::string_view(sofar);
        size_t eq = probe.find("=hex");
        return eq != std::string_view::npos;
    }
    std::string_view text_;
    size_t pos_ = 0;
};

// Reads a quoted text at s[pos] (pos at the opening quote); false when unterminated.
bool ReadQuoted(std::string_view s, size_t& pos, std::string& out) {
    out.clear();
    ++pos;
    while (pos < s.size()) {
        char c = s[pos++];
        if (c == '"') return true;
        if (c == '\\' && pos < s.size()) {
            char e = s[pos++];
            switch (e) {
                case '\\': out += '\\'; break;
                case '"': out += '"'; break;
                case 'n': out += '\n'; break;
                case 'r': out += '\r'; break;
                default:
                    out += '\\';
                    out += e;
            }
            continue;
        }
        out += c;
    }
    return false;
}

void SkipBlanks(std::string_view s, size_t& pos) {
    while (pos < s.size() && (s[pos] == ' ' || s[pos] == '\t')) ++pos;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool StartsWith(std::string_view s, size_t pos, std::string_view prefix) {
    return s.size() - pos >= prefix.size() && EqualsNoCase(s.substr(pos, prefix.size()), prefix);
}

// Parses the data after "=": a quoted text, dword:... or hex:...
std::optional<RegValue> ParseData(std::string_view s, size_t pos, std::string name) {
    SkipBlanks(s, pos);
    if (pos < s.size() && s[pos] == '"') {
        std::string text;
        if (!ReadQuoted(s, pos, text)) return std::nullopt;
        return RegValue::Sz(std::move(name), std::move(text));
    }
    if (StartsWith(s, pos, "dword:")) {
        pos += 6;
        uint32_t v = 0;
        int digits = 0;
        for (; pos < s.size() && HexDigit(s[pos]) >= 0; ++pos, ++digits) v = (v << 4) | HexDigit(s[pos]);
        if (digits == 0 || digits > 8) return std::nullopt;
        SkipBlanks(s, pos);
        if (pos != s.size()) return std::nullopt;
        return RegValue::Dword(std::move(name), v);
    }
    if (StartsWith(s, pos, "hex:")) {
        pos += 4;
        std::vector<uint8_t> bytes;
        for (;;) {
            SkipBlanks(s, pos);
            if (pos >= s.size()) break;
            int hi = HexDigit(s[pos]);
            int lo = pos + 1 < s.size() ? HexDigit(s[pos + 1]) : -1;
            if (hi < 0) return std::nullopt;
            if (lo < 0) {
                bytes.push_back(static_cast<uint8_t>(hi));
                ++pos;
            } else {
                bytes.push_back(static_cast<uint8_t>(hi << 4 | lo));
                pos += 2;
            }
            SkipBlanks(s, pos);
            if (pos < s.size()) {
                if (s[pos] != ',') return std::nullopt;
                ++pos;
            }
        }
        return RegValue::Binary(std::move(name), std::move(bytes));
    }
    return std::nullopt;
}

}  // namespace

std::string Registry::toText() const {
    std::lock_guard lock(mutex_);
    std::string out = std::string(kHeader) + "\n";
    struct Walker {
        std::string& out;
        void walk(const Node& n, const std::string& path) {
            // A key without values shows up through its subkeys; only an
            // empty leaf needs a line of its own.
            if (!n.values.empty() || n.children.empty()) {
                out += "\n[" + path + "]\n";
                for (auto& v : n.values) WriteValue(out, v);
            }
            for (auto& c : n.children) walk(*c, path + "\\" + c->name);
        }
    } walker{out};
    for (int r = 0; r < 4; ++r)
        for (auto& c : roots_[r]->children) walker.walk(*c, std::string(kRootNames[r]) + "\\" + c->name);
    return out;
}

void Registry::loadText(std::string_view text) {
    std::lock_guard lock(mutex_);
    for (auto& r : roots_) r = std::make_unique<Node>();
    LineCursor cursor(text);
    std::string line;
    Node* current = nullptr;
    while (cursor.next(line)) {
        std::string_view s = line;
        size_t pos = 0;
        SkipBlanks(s, pos);
        if (pos >= s.size() || s[pos] == ';' || s[pos] == '#') continue;
        if (s[pos] == '[') {
            current = nullptr;
            size_t close = s.rfind(']');
            if (close == std::string_view::npos || close <= pos) continue;
            std::string_view section = s.substr(pos + 1, close - pos - 1);
            size_t slash = section.find('\\');
            auto root = HKeyFromName(section.substr(0, slash));
            if (!root || slash == std::string_view::npos) continue;
            std::string_view path = section.substr(slash + 1);
            if (SplitPath(path).empty()) continue;
            current = findOrCreate(*root, path);
            continue;
        }
        if (!current) continue;
        std::string name;
        if (s[pos] == '@') {
            ++pos;
        } else if (s[pos] == '"') {
            if (!ReadQuoted(s, pos, name)) continue;
        } else {
            continue;
        }
        SkipBlanks(s, pos);
        if (pos >= s.size() || s[pos] != '=') continue;
        auto v = ParseData(s, pos + 1, std::move(name));
        if (!v) continue;
        if (RegValue* existing = current->value(v->name))
            *existing = std::move(*v);
        else
            current->values.push_back(std::move(*v));
    }
}

}  // namespace trek::platform
