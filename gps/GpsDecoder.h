#pragma once
// The receiver's decoded state: the fix records, the moving-average filters
// and the bookkeeping the NMEA and SiRF parsers share. The owner (GpsReceiver)
// holds its lock around every call; the decoder itself has no lock.
#include <cstdint>

#include "gps/GpsFix.h"
#include "gps/MovingAverage.h"
#include "settings/FlagWords.h"

namespace trek {

// The filter settings of the flag words cfg5 and cfg6. Speeds in whole km/h.
struct GpsFilterSettings {
    bool positionOn = true;
    unsigned positionWindow = 5;
    unsigned positionSpeedLimit = 2;   // at or above: raw values, filters cleared
    bool courseOn = true;
    unsigned courseWindow = 4;
    unsigned courseMinSpeed = 2;       // below: a course only goes into an empty filter
    unsigned courseClearSpeed = 20;    // at or above: the course filter is cleared

    static GpsFilterSettings FromFlags(const FlagWords& flags);
};

// How the decoder reaches its owner. Both are called with the owner's lock held.
class GpsDecoderEvents {
public:
    virtual ~GpsDecoderEvents() = default;
    // An accepted sentence or binary message: restarts the no-data watchdog.
    virtual void received() {}
    // UM_POSITION or UM_SATELLITES.
    virtual void post(uint32_t message) = 0;
};

// State that outlives a receiver: replacing the receiver must not restart the
// count of consecutive valid RMC sentences.
struct GpsRunState {
    int rmcValidRun = 0;
    static GpsRunState& process();
};

// Talkers whose GGA, RMC and GSA sentences are read; each one's GSV cycles
// are kept apart. The sky view lists their satellites in this order.
constexpr int kNmeaTalkerCount = 6;
extern const char kNmeaTalkers[kNmeaTalkerCount][3];  // "GP", "GL", "GA", "GB", "BD", "GN"

enum class NmeaType : uint8_t { Other, GGA, GSV, GSA, RMC };
struct NmeaId {
    NmeaType type = NmeaType::Other;
    int talker = -1;  // index into kNmeaTalkers
};
// Looks at the first six characters only.
NmeaId ClassifyNmea(const char* line);

// A talker's GSV list drops out of the sky view after this many complete
// cycles of other talkers without one of its own (the receiver stopped
// tracking that system).
constexpr int kGsvStaleCycles = 8;

class GpsDecoder {
public:
    explicit GpsDecoder(const GpsFilterSettings& settings = {}, GpsDecoderEvents* events = nullptr,
                        GpsRunState* run = &GpsRunState::process());

    // Recognises a complete line (NUL-terminated, starting with '$') and runs
    // its parser. False for other sentences and checksum failures.
    bool parseLine(const char* line);

    // Copies the records, the smoothed values, the course average and the GPS time.
    void snapshot(GpsFix& fix) const;
    // Averaged course in mrad (the raw course with course averaging off).
    int32_t courseAverage() const;

    // Sets every record, smoothed value and the GPS time to 0 (the filters stay).
    void clearRecords();
    // Filter windows are fixed at creation; thresholds may change at any time.
    void setFilterSettings(const GpsFilterSettings& settings);
    const GpsFilterSettings& filterSettings() const { return settings_; }

    // Used by the parsers and the SiRF decoder.
    void markReceived();
    void post(uint32_t message);
    // Unwraps the course history across north and pushes the course, unless
    // it is 0 or the speed is too low for a non-empty filter.
    void pushCourse(uint16_t course, uint32_t speedCms);

    // Parsers for lines already classified and checksummed.
    void parseGGA(const char* line);
    void parseGSV(const char* line, int talker);
    void parseGSA(const char* line);
    void parseRMC(const char* line);

    // Records (the GpsFix parts) and receiver state.
    GpsPosition position;
    GpsSkyView sky;
    GpsChannels channels;
    GeoPoint smoothed;
    int32_t smoothedAltitude = 0;
    int32_t smoothedSpeed = 0;
    uint32_t gpsTime = 0;
    bool dataReceived = false;
    bool gsaSeen = false;
    bool filtersResetRequest = true;
    int32_t lastCourse = 0;

    MovingAverage64 lonFilter, latFilter;
    MovingAverage32 altFilter, speedFilter, courseFilter;

private:
    struct GsvTalker {
        int index = 0;  // running index of the cycle in progress
        GpsSatellite cycle[kGpsMaxSatellites];
        bool present = false;  // a complete cycle is kept
        int count = 0;
        int staleness = 0;
        GpsSatellite kept[kGpsMaxSatellites];
    };
    void completeGsvCycle(int talker);

    GpsFilterSettings settings_;
    GpsDecoderEvents* events_;
    GpsRunState* run_;
    GsvTalker gsv_[kNmeaTalkerCount];
};

// The four sentence parsers on their own: each checks the sentence type and
// the checksum and ignores anything else.
bool ParseGGA(GpsDecoder& decoder, const char* line);
bool ParseGSV(GpsDecoder& decoder, const char* line);
bool ParseGSA(GpsDecoder& decoder, const char* line);
bool ParseRMC(GpsDecoder& decoder, const char* line);

// Speed in whole km/h from cm/s, truncated toward zero.
inline int64_t SpeedKmh(int64_t cms) { return cms * 36 / 1000; }

}  // namespace trek
