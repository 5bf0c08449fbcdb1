#pragma once
// Small file helpers shared by everything that stores data.
#include <optional>
#include <string>
#include <string_view>

namespace trek::platform {

// Writes `data` to a temporary file next to `path`, flushes it to disk and
// renames it into place, so that a reader sees either the old or the new file.
// Creates missing parent folders.
bool WriteFileAtomic(const std::string& path, std::string_view data, std::string* error = nullptr);

// The whole file, or nothing when it cannot be read or is larger than maxBytes.
std::optional<std::string> ReadWholeFile(const std::string& path, size_t maxBytes = size_t(1) << 30);

bool FileExists(const std::string& path);      // a regular file (or link to one)
bool DirectoryExists(const std::string& path);
bool MakeDirectories(const std::string& path);  // like mkdir -p
bool RemoveFile(const std::string& path);

}  // namespace trek::platform
