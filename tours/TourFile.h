#pragma once
// A tour file opened for an operation: positioned reads and writes (every
// operation seeks explicitly), size, and flushing to storage.
#include <cstddef>
#include <cstdint>
#include <string>

namespace trek {

class TourFile {
public:
    enum class Mode { Read, ReadWrite, Create };  // Create: read/write, made if missing

    TourFile() = default;
    ~TourFile();
    TourFile(const TourFile&) = delete;
    TourFile& operator=(const TourFile&) = delete;

    bool open(const std::string& path, Mode mode);
    void close();
    bool isOpen() const { return fd_ >= 0; }

    // Bytes read (fewer at the end of the file), or -1.
    long readAt(uint64_t offset, void* data, size_t size) const;
    // True when all bytes were written; `written` (optional) receives how many were.
    bool writeAt(uint64_t offset, const void* data, size_t size, size_t* written = nullptr);
    bool readWord(uint64_t offset, uint32_t& value) const;
    bool writeWord(uint64_t offset, uint32_t value);
    // Current size, or -1.
    int64_t size() const;
    // Data to storage (fdatasync).
    bool sync();
    bool truncate(uint64_t size);

private:
    int fd_ = -1;
};

}  // namespace trek
