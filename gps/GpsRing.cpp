#include "gps/GpsRing.h"

#include <algorithm>
#include <cstring>

namespace trek {

size_t GpsRing::writable(size_t most) const {
    size_t n = std::min(most, kGpsRingSize - write_);
    return std::min(n, kGpsRingSize - fill_);
}

void GpsRing::commit(size_t n) {
    write_ = (write_ + n) % kGpsRingSize;
    fill_ = std::min(fill_ + n, kGpsRingSize);
}

size_t GpsRing::put(const void* data, size_t n) {
    const uint8_t* p = static_cast<const uint8_t*>(data);
    size_t done = 0;
    while (done < n) {
        size_t room = writable(n - done);
        if (room == 0) break;
        std::memcpy(writePointer(), p + done, room);
        commit(room);
        done += room;
    }
    return done;
}

void GpsRing::consume(size_t n) {
    n = std::min(n, fill_);
    read_ = (read_ + n) % kGpsRingSize;
    fill_ -= n;
}

ptrdiff_t GpsRing::find(uint8_t c, size_t from) const {
    while (from < fill_) {
        size_t start = (read_ + from) % kGpsRingSize;
        size_t run = std::min(fill_ - from, kGpsRingSize - start);
        const void* hit = std::memchr(buffer_ + start, c, run);
        if (hit) return static_cast<ptrdiff_t>(from + (static_cast<const uint8_t*>(hit) - (buffer_ + start)));
        from += run;
    }
    return -1;
}

void GpsRing::copyOut(size_t offset, size_t n, void* out) const {
    uint8_t* o = static_cast<uint8_t*>(out);
    size_t start = (read_ + offset) % kGpsRingSize;
    size_t first = std::min(n, kGpsRingSize - start);
    std::memcpy(o, buffer_ + start, first);
    std::memcpy(o + first, buffer_, n - first);
}

bool GpsRing::extractLine(char* line, size_t* length) {
    ptrdiff_t dollar = find('$', 0);
    if (dollar < 0) {
        // Nothing here can ever start a line.
        consume(fill_);
        return false;
    }
    consume(static_cast<size_t>(dollar));
    ptrdiff_t lf = find('\n', 1);
    if (lf < 0) {
        // A "line" as long as the whole ring never ends: give up its '$'.
        if (fill_ == kGpsRingSize) consume(1);
        return false;
    }
    size_t n = static_cast<size_t>(lf) + 1;  // '$' through the line feed
    copyOut(0, n, line);
    consume(n);
    size_t end = (n >= 2 && line[n - 2] == '\r') ? n - 2 : n - 1;
    line[end] = '\0';
    if (length) *length = end;
    return true;
}

bool GpsRing::extractSirfFrame(uint8_t* frame, size_t* length) {
    for (;;) {
        size_t skipped = 0;
        for (;;) {
            ptrdiff_t a0 = find(0xA0, skipped);
            if (a0 < 0) {
                // A full ring without a frame start would stall the reader.
                if (fill_ == kGpsRingSize) consume(fill_ - 1);
                return false;
            }
            skipped = static_cast<size_t>(a0);
            if (skipped + 1 >= fill_) return false;
            if (at(skipped + 1) == 0xA2) break;
            ++skipped;
        }
        if (skipped + 4 > fill_) return false;
        size_t payload = static_cast<size_t>(at(skipped + 2)) << 8 | at(skipped + 3);
        size_t total = payload + 8;
        if (payload == 0 || total > kGpsRingSize) {
            // Not a frame of this protocol: look again after this start byte.
            consume(skipped + 1);
            continue;
        }
        if (skipped + total > fill_) {
            if (fill_ == kGpsRingSize) consume(skipped);
            return false;
        }
        copyOut(skipped, total, frame);
        consume(skipped + total);
        *length = total;
        return true;
    }
}

}  // namespace trek
