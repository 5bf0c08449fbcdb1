#pragma once
// The SiRF binary protocol: framing, the commands that switch a SiRF
// receiver between NMEA and binary and set its static-navigation filter, and
// the decoding of the answers (MID 19 navigation parameters, MID 41
// geodetic navigation data).
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace trek {

class GpsDecoder;

enum : uint8_t {
    kSirfMidNavigationParameters = 19,
    kSirfMidGeodeticNavigation = 41,
    kSirfMidSwitchToNmea = 0x81,      // 129
    kSirfMidSetStaticNavigation = 0x8F,  // 143
    kSirfMidPollNavigation = 0x98,    // 152
};

// A0 A2, length, MID + data, 15-bit checksum, B0 B3 (framing fields big-endian).
std::vector<uint8_t> BuildSirfFrame(uint8_t mid, const uint8_t* data, size_t length);
// "$PSRF100,0,<baud>,8,1,0*hh\r\n": tells an NMEA receiver to speak binary.
std::string SirfBinarySwitchSentence(uint32_t baud);
// The 23 data bytes of MID 129: GGA 1 s, GSA 1 s, GSV 2 s, RMC 1 s, the rest off.
std::vector<uint8_t> SirfNmeaModeData(uint32_t baud);

// Checks a frame taken from the ring (start, length, checksum, end) and
// applies it: MID 19 sets the static-navigation state, MID 41 the position
// records of the decoder (the caller holds the receiver's lock). True when
// one of the two was decoded.
bool DecodeSirfFrame(GpsDecoder& decoder, const uint8_t* frame, size_t length);

// The static-navigation state of the receiver (cfg1 bit 0 at start, then
// what MID 19 reported or the settings dialog set). Process-wide.
std::atomic<bool>& StaticNavigationState();

// Some devices' own drivers take the port's binary traffic amiss: no SiRF
// commands are sent and binary input is not parsed when the device's OEM
// name begins (case-insensitively) with "Mitac", "M800V02" or "Centrality".
bool SirfAllowedOnDevice(std::string_view oemName);

}  // namespace trek
