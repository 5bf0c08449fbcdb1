#include "gps/Sirf.h"

#include <cctype>
#include <cmath>
#include <cstdio>

#include "geo/GeoUnits.h"
#include "gps/GpsDecoder.h"
#include "gps/GpsMessages.h"
#include "gps/GpsTime.h"
#include "gps/NmeaFields.h"

namespace trek {
namespace {

// Big-endian reads from the payload (offset 0 = the MID).
uint16_t Be16(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }
int32_t Be32s(const uint8_t* p) {
    return static_cast<int32_t>(static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
                                static_cast<uint32_t>(p[2]) << 8 | p[3]);
}

// MID 41 navigation type (bits 0..2) to the fix modes of GSA.
constexpr uint16_t kFixModeByNavType[8] = {
    kFixModeNone,  // no fix
    kFixMode2D,    // 1-SV Kalman filter
    kFixMode2D,    // 2-SV Kalman filter
    kFixMode2D,    // 3-SV Kalman filter
    kFixMode3D,    // more than 3 SV Kalman filter
    kFixMode2D,    // 2-D least squares
    kFixMode3D,    // 3-D least squares
    kFixMode2D,    // dead reckoning
};

constexpr size_t kMid41Length = 91;
constexpr size_t kMid19MinLength = 14;

void DecodeGeodetic(GpsDecoder& d, const uint8_t* p) {
    GpsPosition& pos = d.position;
    uint16_t navValid = Be16(p + 1);
    pos.fixMode = navValid == 0 ? kFixModeByNavType[Be16(p + 3) & 7] : uint16_t{kFixModeNone};
    // Published layout: 1e-7 degree, cm above mean sea level, cm/s, 1/100 degree.
    pos.lat = TruncToInt32(std::round(Be32s(p + 23) * 1e-7 * geo::kUnitsPerDegree));
    pos.lon = TruncToInt32(std::round(Be32s(p + 27) * 1e-7 * geo::kUnitsPerDegree));
    pos.altitude = Be32s(p + 35);
    pos.speed = Be16(p + 40);
    pos.course = TruncToUint16(Be16(p + 42) * 0.174532925199);
    pos.satellitesUsed = p[88];
    unsigned year = Be16(p + 11);
    if (year >= 1980) {
        pos.year = static_cast<uint16_t>(year);
        pos.month = p[13];
        pos.day = p[14];
        pos.hour = p[15];
        pos.minute = p[16];
        pos.second = static_cast<uint16_t>(Be16(p + 17) / 1000);
        d.gpsTime = navValid == 0 ? GpsSecondsSince1980(year, pos.month, pos.day, pos.hour, pos.minute,
                                                         pos.second)
                                  : 0;
    }
    // No averaging for binary positions.
    d.smoothed = {pos.lon, pos.lat};
    d.smoothedAltitude = pos.altitude;
    d.smoothedSpeed = static_cast<int32_t>(pos.speed);
    d.pushCourse(pos.course, pos.speed);
    d.markReceived();
    d.post(UM_POSITION);
}

}  // namespace

std::vector<uint8_t> BuildSirfFrame(uint8_t mid, const uint8_t* data, size_t length) {
    size_t payload = length + 1;
    std::vector<uint8_t> frame;
    frame.reserve(payload + 8);
    frame.push_back(0xA0);
    frame.push_back(0xA2);
    frame.push_back(static_cast<uint8_t>(payload >> 8));
    frame.push_back(static_cast<uint8_t>(payload));
    frame.push_back(mid);
    uint32_t sum = mid;
    for (size_t i = 0; i < length; ++i) {
        frame.push_back(data[i]);
        sum += data[i];
    }
    sum &= 0x7FFF;
    frame.push_back(static_cast<uint8_t>(sum >> 8));
    frame.push_back(static_cast<uint8_t>(sum));
    frame.push_back(0xB0);
    frame.push_back(0xB3);
    return frame;
}

std::string SirfBinarySwitchSentence(uint32_t baud) {
    char body[48];
    int n = std::snprintf(body, sizeof body, "PSRF100,0,%u,8,1,0", baud);
    char line[64];
    std::snprintf(line, sizeof line, "$%s*%2.2X\r\n", body, NmeaChecksum(body, static_cast<size_t>(n)));
    return line;
}

std::vector<uint8_t> SirfNmeaModeData(uint32_t baud) {
    return {
        0x00,                                  // mode
        1, 1,                                  // GGA rate, checksum
        0, 1,                                  // GLL
        1, 1,                                  // GSA
        2, 1,                                  // GSV
        1, 1,                                  // RMC
        0, 1,                                  // VTG
        0, 1,                                  // MSS
        0, 0, 0, 0,                            // EPE and ZDA off
        0, 0,                                  // reserved
        static_cast<uint8_t>(baud >> 8), static_cast<uint8_t>(baud),
    };
}

bool DecodeSirfFrame(GpsDecoder& decoder, const uint8_t* frame, size_t length) {
    if (length < 9 || frame[0] != 0xA0 || frame[1] != 0xA2) return false;
    size_t payload = static_cast<size_t>(Be16(frame + 2));
    if (payload + 8 != length || frame[length - 2] != 0xB0 || frame[length - 1] != 0xB3) return false;
    const uint8_t* p = frame + 4;
    uint32_t sum = 0;
    for (size_t i = 0; i < payload; ++i) sum += p[i];
    // A damaged frame would put a wrong position on the map.
    if ((sum & 0x7FFF) != Be16(frame + 4 + payload)) return false;
    switch (p[0]) {
        case kSirfMidNavigationParameters:
            if (payload < kMid19MinLength) return false;
            StaticNavigationState() = p[13] != 0;
            decoder.markReceived();
            return true;
        case kSirfMidGeodeticNavigation:
            if (payload < kMid41Length) return false;
            DecodeGeodetic(decoder, p);
            return true;
        default:
            return false;
    }
}

std::atomic<bool>& StaticNavigationState() {
    static std::atomic<bool> state{false};
    return state;
}

bool SirfAllowedOnDevice(std::string_view oem) {
    static constexpr std::string_view kExcluded[] = {"Mitac", "M800V02", "Centrality"};
    for (std::string_view prefix : kExcluded) {
        if (oem.size() < prefix.size()) continue;
        bool same = true;
        for (size_t i = 0; i < prefix.size() && same; ++i)
            same = std::tolower(static_cast<unsigned char>(oem[i])) ==
                   std::tolower(static_cast<unsigned char>(prefix[i]));
        if (same) return false;
    }
    return true;
}

}  // namespace trek
