#pragma once
// Helpers shared by the GPS tests: sentences with their checksum, and a
// decoder that records what it posts.
#include <cstdio>
#include <string>
#include <vector>

#include "gps/GpsDecoder.h"
#include "gps/NmeaFields.h"

namespace trek::test {

// "GPGGA,..." -> "$GPGGA,...*hh" (no line end).
inline std::string Nmea(const std::string& body) {
    char sum[8];
    std::snprintf(sum, sizeof sum, "*%02X", NmeaChecksum(body.data(), body.size()));
    return "$" + body + sum;
}

struct RecordingEvents : GpsDecoderEvents {
    std::vector<uint32_t> posted;
    int receivedCount = 0;
    void received() override { ++receivedCount; }
    void post(uint32_t message) override { posted.push_back(message); }
    int count(uint32_t message) const {
        int n = 0;
        for (uint32_t m : posted) n += m == message;
        return n;
    }
};

}  // namespace trek::test
