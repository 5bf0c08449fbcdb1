#pragma once
// The reader thread's 4096-byte ring: bytes from the port go in at the write
// position, NMEA lines or SiRF frames come out at the read position. Only
// the reader thread touches it.
#include <cstddef>
#include <cstdint>

namespace trek {

constexpr size_t kGpsRingSize = 4096;
// A line of the whole ring plus its terminating NUL.
constexpr size_t kGpsLineBufferSize = kGpsRingSize + 1;

class GpsRing {
public:
    // Room for the next read: contiguous from the write position, never more
    // than the free space (unread bytes are not overwritten) and never more
    // than `most`.
    size_t writable(size_t most) const;
    uint8_t* writePointer() { return buffer_ + write_; }
    // Accounts for n bytes just read into writePointer().
    void commit(size_t n);
    // Copies bytes in (tests, benchmarks, file replay); returns how many fit.
    size_t put(const void* data, size_t n);

    // Cuts out the next complete line: from the next '$' through the line
    // feed. The line ends in a NUL that replaces the carriage return (or the
    // line feed when there is none). Bytes before the '$' are dropped. False
    // when no complete line is there yet; the partial line stays.
    bool extractLine(char* line, size_t* length = nullptr);

    // The next SiRF frame (A0 A2, length, payload, checksum, B0 B3): false
    // when none is complete; else the frame is copied to `frame` (at least
    // kGpsRingSize bytes) and removed with the bytes skipped before it.
    bool extractSirfFrame(uint8_t* frame, size_t* length);

    size_t fill() const { return fill_; }
    size_t readPosition() const { return read_; }
    size_t writePosition() const { return write_; }
    uint8_t at(size_t offsetFromRead) const { return buffer_[(read_ + offsetFromRead) % kGpsRingSize]; }
    void clear() { read_ = write_ = fill_ = 0; }
    // Drops n bytes at the read position.
    void consume(size_t n);

private:
    // Offset (from the read position) of the first byte c within [from, fill), or -1.
    ptrdiff_t find(uint8_t c, size_t from) const;
    void copyOut(size_t offset, size_t n, void* out) const;

    uint8_t buffer_[kGpsRingSize] = {};
    size_t write_ = 0;
    size_t read_ = 0;
    size_t fill_ = 0;
};

}  // namespace trek
