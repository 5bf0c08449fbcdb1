#pragma once
// A cursor over the comma-separated fields of one NUL-terminated NMEA line.
// It walks the text once and never reads past the terminating NUL; '*' ends
// the last field. Numbers are read from the start of a field the way the C
// conversions read them (leading blanks, sign, digits, fraction, exponent).
#include <cstddef>
#include <cstdint>

namespace trek {

class NmeaFields {
public:
    // Starts on field 0, the sentence name ("$GPGGA").
    explicit NmeaFields(const char* line) : begin_(line), end_(ScanField(line)) {}

    // Moves to the next field. False when the current field was the last one
    // (it ended at '*' or at the end of the line); the cursor then stays.
    bool next() {
        if (*end_ != ',') return false;
        begin_ = end_ + 1;
        end_ = ScanField(begin_);
        return true;
    }

    bool empty() const { return begin_ == end_; }
    size_t size() const { return static_cast<size_t>(end_ - begin_); }
    const char* data() const { return begin_; }
    char first() const { return begin_ == end_ ? '\0' : *begin_; }
    // The character that ended the field: ',', '*' or '\0'.
    char terminator() const { return *end_; }

    // Whole field as a number; 0 when nothing numeric starts it.
    int64_t toInt() const { return ReadInt(begin_, end_); }
    double toDouble() const { return ReadDouble(begin_, end_); }
    // The number made of the characters [from, from + count) of the field
    // (clipped to the field), as atoi reads them.
    int64_t intAt(size_t from, size_t count) const;
    // The rest of the field from character `from` as a floating number.
    double doubleFrom(size_t from) const;

    static const char* ScanField(const char* p) {
        while (*p != ',' && *p != '*' && *p != '\0') ++p;
        return p;
    }
    static int64_t ReadInt(const char* p, const char* end);
    static double ReadDouble(const char* p, const char* end);

private:
    const char* begin_;
    const char* end_;
};

// XOR of the characters after '$' up to the first '*' (or CR), compared with
// the hexadecimal number after the '*'. A line without '*' never matches.
bool NmeaChecksumOk(const char* line);
// Two upper-case hex digits of the checksum of `body` (the text between '$' and '*').
uint8_t NmeaChecksum(const char* body, size_t length);

// Clamped conversions: values from outside data must not overflow a cast.
int32_t TruncToInt32(double v);
int16_t TruncToInt16(double v);
uint16_t TruncToUint16(double v);
uint32_t TruncToUint32(double v);

}  // namespace trek
