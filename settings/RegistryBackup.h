#pragma once
// The registry backup file: the settings key as registry-editor text, wrapped
// in a container with the text length, its CRC-32 and a scrambling step. It
// lives on storage that survives a reset of the device, and is restored at
// start when the registry holds no saved settings.
//
// Container before scrambling: u32 LE text length n, u32 LE CRC-32 of the
// text (zlib's crc32), then the n text bytes. Scrambling turns these n + 8
// bytes into n + 10 (two marker bytes in front).
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/Registry.h"

namespace trek {

// Bounds of the text generator: longer value names and larger values are
// left out of the backup.
constexpr size_t kBackupMaxValueName = 260;
constexpr size_t kBackupMaxValueData = 4096;

// The key and its subkeys, depth first, as text:
//   "\r\n[HKEY_LOCAL_MACHINE\path]\r\n", then "\"name\"=\"text\"\r\n",
//   "\"name\"=dword:%08x\r\n", "\"name\"=hex:01,02\r\n" per value.
// Texts are written as they are (no escaping), in UTF-8.
std::string GenerateRegistryText(const platform::Registry& registry, platform::HKey root, std::string_view path);

// Applies such text line by line: "[ROOT\path]" opens (creates) a key, value
// lines are written into it. Malformed lines are skipped. Bytes that are not
// valid UTF-8 are read as Windows-1252.
void ApplyRegistryText(platform::Registry& registry, std::string_view text);

// The container. Unscramble checks the marker, the length and the CRC and
// returns the text only when all agree.
std::string ScrambleBackup(std::string_view text);
std::optional<std::string> UnscrambleBackup(std::string_view file, std::string* error = nullptr);

// Writes the backup of HKEY_LOCAL_MACHINE\SOFTWARE\Ostrafen\Trekvane to a
// native path (atomically). False when the file could not be written.
bool ExportBackup(const platform::Registry& registry, const std::string& nativePath, std::string* error = nullptr);

enum class BackupImport { Applied, Missing, Empty, Rejected };
// Reads, checks and applies a backup file; deletes it afterwards when asked
// (whatever its content). A rejected file changes nothing.
BackupImport ImportBackup(platform::Registry& registry, const std::string& nativePath, bool deleteAfterwards,
                          std::string* error = nullptr);

}  // namespace trek
