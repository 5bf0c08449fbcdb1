// Arbitrary bytes through the ring, the NMEA line parsers and the SiRF frame
// decoder: nothing may crash or read out of bounds.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "gps/GpsDecoder.h"
#include "gps/GpsRing.h"
#include "gps/Sirf.h"

namespace {

struct Quiet : trek::GpsDecoderEvents {
    void post(uint32_t) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace trek;
    Quiet events;
    GpsRunState run;
    GpsDecoder decoder({}, &events, &run);
    static char line[kGpsLineBufferSize];
    static uint8_t frame[kGpsRingSize];

    // The whole input as one line, through every parser.
    std::vector<char> text(data, data + size);
    text.push_back('\0');
    ParseGSV(decoder, text.data());
    ParseGSA(decoder, text.data());
    ParseGGA(decoder, text.data());
    ParseRMC(decoder, text.data());

    // As a stream: in odd-sized pieces, alternating NMEA and binary mode.
    GpsRing ring;
    size_t at = 0, piece = 1;
    bool binary = size > 0 && (data[0] & 1);
    while (at < size) {
        at += ring.put(data + at, std::min(piece, size - at));
        piece = piece * 7 % 61 + 1;
        size_t length = 0;
        if (binary) {
            while (ring.extractSirfFrame(frame, &length)) DecodeSirfFrame(decoder, frame, length);
        } else {
            while (ring.extractLine(line, &length)) decoder.parseLine(line);
        }
        binary = !binary && (at & 2);
    }
    GpsFix fix;
    decoder.snapshot(fix);
    return 0;
}
