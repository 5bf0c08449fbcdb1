#pragma once
// The registry: keys under a few roots holding REG_SZ, REG_DWORD and
// REG_BINARY values, kept in one UTF-8 text file in the registry-editor form
// so that a person can read and edit it:
//
//   REGEDIT4
//
//   [HKEY_LOCAL_MACHINE\SOFTWARE\Ostrafen\Trekvane]
//   "COM Port"="gpsd"
//   "Baudrate"=dword:000012c0
//   "Blob"=hex:01,02,ff
//   @="default value"
//
// Inside quoted texts \\ and \" are escaped (and \r, \n, so that a value never
// breaks a line). Key and value names compare case-insensitively and keep the
// case they were created with; enumeration is in creation order.
//
// Every change is written at once — to a temporary file that is flushed and
// renamed, so a second process reading the file sees the old or the new
// content, never a mix. A Batch defers the writing until it ends. All
// operations are safe across threads.
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace trek::platform {

enum class HKey : uint8_t { LocalMachine, ClassesRoot, CurrentUser, Users };
enum class RegType : uint32_t { Sz = 1, Binary = 3, Dword = 4 };

// "HKEY_LOCAL_MACHINE" ... and back.
const char* HKeyName(HKey root);
std::optional<HKey> HKeyFromName(std::string_view name);

struct RegValue {
    std::string name;  // "" is the key's default value ("@")
    RegType type = RegType::Sz;
    std::string text;             // Sz
    uint32_t dword = 0;           // Dword
    std::vector<uint8_t> binary;  // Binary

    static RegValue Sz(std::string name, std::string text);
    static RegValue Dword(std::string name, uint32_t value);
    static RegValue Binary(std::string name, std::vector<uint8_t> bytes);
    bool operator==(const RegValue& o) const;
};

class Registry {
public:
    // Without a file: an in-memory registry (tests, scratch work).
    Registry();
    // Bound to a file, which is read when it exists.
    explicit Registry(std::string file);
    ~Registry();
    Registry(const Registry&) = delete;
    Registry& operator=(const Registry&) = delete;

    // The process-wide registry, bound to RegistryFile() on first use.
    static Registry& instance();

    // Rebinds to another file ("" = memory only) and reads it.
    void bindFile(std::string file);
    std::string file() const;
    // Re-reads the bound file (an absent file gives an empty registry).
    // False when the file exists but cannot be read.
    bool reload();
    // Writes the file now; false when writing failed (the registry stays as it is).
    bool flush();

    // Key paths use "\" between names; leading and doubled "\" are ignored.
    bool keyExists(HKey root, std::string_view path) const;
    bool createKey(HKey root, std::string_view path);
    bool deleteKey(HKey root, std::string_view path);  // with all subkeys; false when absent
    std::vector<std::string> subkeys(HKey root, std::string_view path) const;

    std::vector<RegValue> values(HKey root, std::string_view path) const;
    std::optional<RegValue> value(HKey root, std::string_view path, std::string_view name) const;
    std::optional<std::string> getString(HKey root, std::string_view path, std::string_view name) const;
    std::optional<uint32_t> getDword(HKey root, std::string_view path, std::string_view name) const;
    std::optional<std::vector<uint8_t>> getBinary(HKey root, std::string_view path, std::string_view name) const;

    // Writing a value creates its key when missing (as every save here does).
    bool setValue(HKey root, std::string_view path, RegValue v);
    bool setString(HKey root, std::string_view path, std::string_view name, std::string_view text);
    bool setDword(HKey root, std::string_view path, std::string_view name, uint32_t v);
    bool setBinary(HKey root, std::string_view path, std::string_view name, std::vector<uint8_t> bytes);
    bool deleteValue(HKey root, std::string_view path, std::string_view name);

    // Removes every key and value.
    void clear();

    // The file content, and its parser (which replaces the whole content).
    // The parser skips lines it does not understand.
    std::string toText() const;
    void loadText(std::string_view text);

    // Defers writing the file until the last Batch ends.
    class Batch {
    public:
        explicit Batch(Registry& r);
        ~Batch();
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;

    private:
        Registry& r_;
    };

private:
    struct Node;
    Node* find(HKey root, std::string_view path) const;
    Node* findOrCreate(HKey root, std::string_view path);
    bool changedLocked();
    bool flushLocked();

    mutable std::recursive_mutex mutex_;
    std::unique_ptr<Node> roots_[4];
    std::string file_;
    int batchDepth_ = 0;
    bool dirty_ = false;
};

// Quoting used in the file: escapes \ " CR LF.
std::string RegQuote(std::string_view text);

}  // namespace trek::platform
