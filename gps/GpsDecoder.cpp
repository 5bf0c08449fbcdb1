#include "gps/GpsDecoder.h"

#include <cstring>

#include "gps/GpsMessages.h"
#include "gps/GpsTime.h"
#include "gps/NmeaFields.h"

namespace trek {

const char kNmeaTalkers[kNmeaTalkerCount][3] = {"GP", "GL", "GA", "GB", "BD", "GN"};

namespace {

// Satellite angles: 1e-4 radian per unit.
constexpr double kSatUnitsPerDegree = 174.532925199;
constexpr double kCourseUnitsPerDegree = 17.4532925199;  // mrad
constexpr double kCmsPerKnot = 1852.0 / 36.0;            // 51.444 cm/s

struct SentenceRow {
    char name[4];
    NmeaType type;
};
constexpr SentenceRow kSentences[] = {
    {"GGA", NmeaType::GGA},
    {"GSV", NmeaType::GSV},
    {"GSA", NmeaType::GSA},
    {"RMC", NmeaType::RMC},
};

}  // namespace

GpsFilterSettings GpsFilterSettings::FromFlags(const FlagWords& flags) {
    GpsFilterSettings s;
    s.positionOn = flags.fltOn() != 0;
    s.positionWindow = flags.fltWindow();
    s.positionSpeedLimit = flags.fltSpeedThreshold();
    s.courseOn = flags.courseFltOn() != 0;
    s.courseWindow = flags.courseWindow();
    s.courseMinSpeed = flags.courseThreshold();
    s.courseClearSpeed = flags.courseLimit();
    return s;
}

GpsRunState& GpsRunState::process() {
    static GpsRunState state;
    return state;
}

NmeaId ClassifyNmea(const char* line) {
    NmeaId id;
    if (line[0] != '$' || line[1] == '\0' || line[2] == '\0') return id;
    int talker = -1;
    for (int i = 0; i < kNmeaTalkerCount; ++i) {
        if (line[1] == kNmeaTalkers[i][0] && line[2] == kNmeaTalkers[i][1]) {
            talker = i;
            break;
        }
    }
    if (talker < 0) return id;
    for (const auto& row : kSentences) {
        if (std::strncmp(line + 3, row.name, 3) == 0) {
            id.type = row.type;
            id.talker = talker;
            return id;
        }
    }
    return id;
}

GpsDecoder::GpsDecoder(const GpsFilterSettings& settings, GpsDecoderEvents* events, GpsRunState* run)
    : lonFilter(settings.positionWindow),
      latFilter(settings.positionWindow),
      altFilter(settings.positionWindow),
      speedFilter(settings.positionWindow),
      courseFilter(settings.courseWindow),
      settings_(settings),
      events_(events),
      run_(run ? run : &GpsRunState::process()) {}

void GpsDecoder::setFilterSettings(const GpsFilterSettings& settings) {
    unsigned pw = settings_.positionWindow, cw = settings_.courseWindow;
    settings_ = settings;
    settings_.positionWindow = pw;
    settings_.courseWindow = cw;
}

void GpsDecoder::clearRecords() {
    position = {};
    sky = {};
    channels = {};
    smoothed = {};
    smoothedAltitude = smoothedSpeed = 0;
    gpsTime = 0;
}

void GpsDecoder::markReceived() {
    dataReceived = true;
    if (events_) events_->received();
}

void GpsDecoder::post(uint32_t message) {
    if (events_) events_->post(message);
}

int32_t GpsDecoder::courseAverage() const {
    return settings_.courseOn ? courseFilter.average() : position.course;
}

void GpsDecoder::snapshot(GpsFix& fix) const {
    fix.position = position;
    fix.sky = sky;
    fix.channels = channels;
    fix.smoothed = smoothed;
    fix.smoothedAltitude = smoothedAltitude;
    fix.smoothedSpeed = smoothedSpeed;
    fix.smoothedCourse = courseAverage();
    fix.gpsTime = gpsTime;
}

bool GpsDecoder::parseLine(const char* line) {
    NmeaId id = ClassifyNmea(line);
    if (id.type == NmeaType::Other || !NmeaChecksumOk(line)) return false;
    switch (id.type) {
        case NmeaType::GSV: parseGSV(line, id.talker); break;
        case NmeaType::GSA: parseGSA(line); break;
        case NmeaType::GGA: parseGGA(line); break;
        case NmeaType::RMC: parseRMC(line); break;
        case NmeaType::Other: break;
    }
    return true;
}

void GpsDecoder::pushCourse(uint16_t course, uint32_t speedCms) {
    if (course == 0) return;
    bool slow = SpeedKmh(speedCms) < static_cast<int64_t>(settings_.courseMinSpeed);
    if (slow && !courseFilter.empty()) return;
    int32_t c = course;
    if (lastCourse - 3142 > c) courseFilter.shift(-6283);
    else if (lastCourse + 3142 < c) courseFilter.shift(6283);
    courseFilter.push(c);
    lastCourse = c;
}

namespace {

// Reads "DDMM.mmm" (or "DDDMM.mmm") and its hemisphere letter. An empty
// value keeps `out`. False when the sentence ended.
bool ReadAngle(NmeaFields& f, size_t degreeChars, char negative, int32_t& out) {
    if (!f.next()) return false;
    bool have = !f.empty();
    int64_t v = 0;
    if (have) {
        v = TruncToInt32(static_cast<double>(f.intAt(0, degreeChars)) * geo::kUnitsPerDegree);
        v += TruncToInt32(f.doubleFrom(degreeChars) * geo::kUnitsPerMinute);
    }
    bool more = f.next();
    if (have) {
        if (more && f.first() == negative) v = -v;
        out = TruncToInt32(static_cast<double>(v));
    }
    return more;
}

}  // namespace

void GpsDecoder::parseGGA(const char* line) {
    markReceived();
    NmeaFields f(line);
    // time (not stored), latitude, longitude, quality, satellites, HDOP, altitude
    if (f.next() && ReadAngle(f, 2, 'S', position.lat) && ReadAngle(f, 3, 'W', position.lon) && f.next()) {
        if (f.empty()) position.fixMode = kFixModeNoQuality;
        if (f.next()) {
            position.satellitesUsed = f.empty() ? 0 : TruncToUint16(static_cast<double>(f.toInt()));
            if (f.next() && f.next() && !f.empty()) position.altitude = TruncToInt32(f.toDouble() * 100.0);
        }
    }

    const GpsFilterSettings& s = settings_;
    int64_t previousKmh = SpeedKmh(smoothedSpeed);
    if (s.positionOn && previousKmh >= s.positionSpeedLimit) {
        lonFilter.clear();
        latFilter.clear();
        altFilter.clear();
        speedFilter.clear();
    }
    if (s.courseOn && previousKmh >= s.courseClearSpeed) courseFilter.clear();
    if (filtersResetRequest) {
        lonFilter.clear();
        latFilter.clear();
        altFilter.clear();
        speedFilter.clear();
        courseFilter.clear();
        filtersResetRequest = false;
    }

    if (position.lon != 0) {
        lonFilter.push(position.lon);
        altFilter.push(position.altitude);
    }
    if (position.lat != 0) latFilter.push(position.lat);
    int32_t speed = static_cast<int32_t>(position.speed > 0x7FFFFFFFu ? 0x7FFFFFFFu : position.speed);
    speedFilter.push(speed);
    pushCourse(position.course, position.speed);

    smoothed.lon = static_cast<int32_t>(lonFilter.average());
    smoothed.lat = static_cast<int32_t>(latFilter.average());
    smoothedAltitude = altFilter.average();
    smoothedSpeed = speedFilter.average();
    if (!s.positionOn || SpeedKmh(speed) >= s.positionSpeedLimit) {
        smoothed = {position.lon, position.lat};
        smoothedAltitude = position.altitude;
        smoothedSpeed = speed;
    }
    post(UM_POSITION);
}

void GpsDecoder::parseGSV(const char* line, int talker) {
    markReceived();
    GsvTalker& t = gsv_[talker];
    NmeaFields f(line);
    if (!f.next()) return;
    int64_t total = f.empty() ? 0 : f.toInt();
    if (!f.next()) return;
    int64_t number = 1;
    if (!f.empty()) {
        number = f.toInt();
        if (number == 1 || number > 8) t.index = 0;
    }
    if (!f.next()) return;
    if (f.empty()) sky.satellitesInView = 0;

    // Empty fields repeat the previous group's value of this sentence.
    uint16_t prn = 0;
    int16_t elevation = 0, azimuth = 0;
    for (int group = 0; group < 4; ++group) {
        if (!f.next()) break;
        if (!f.empty()) prn = TruncToUint16(static_cast<double>(f.toInt()));
        if (!f.next()) break;
        if (!f.empty()) elevation = TruncToInt16(f.toDouble() * kSatUnitsPerDegree);
        if (!f.next()) break;
        if (!f.empty()) {
            double degrees = f.toDouble();
            azimuth = f.toInt() <= 180 ? TruncToInt16(degrees * kSatUnitsPerDegree)
                                       : TruncToInt16((360.0 - degrees) * -kSatUnitsPerDegree);
        }
        if (!f.next()) break;
        if (f.empty()) {
            // Not tracked: no signal-to-noise value.
            if (t.index < kGpsMaxSatellites) t.cycle[t.index].prn = 0;
        } else if (t.index < kGpsMaxSatellites) {
            t.cycle[t.index++] = {prn, azimuth, elevation};
        }
    }
    if (number == total) completeGsvCycle(talker);
}

void GpsDecoder::completeGsvCycle(int talker) {
    GsvTalker& t = gsv_[talker];
    t.present = true;
    t.staleness = 0;
    t.count = t.index;
    std::memcpy(t.kept, t.cycle, sizeof t.kept);
    for (int i = 0; i < kNmeaTalkerCount; ++i) {
        if (i != talker && gsv_[i].present && ++gsv_[i].staleness > kGsvStaleCycles) gsv_[i].present = false;
    }

    GpsSatellite list[kGpsMaxSatellites] = {};
    int count = 0;
    for (const GsvTalker& each : gsv_) {
        if (!each.present) continue;
        for (int i = 0; i < each.count && count < kGpsMaxSatellites; ++i) list[count++] = each.kept[i];
    }
    bool changed = count != sky.satellitesInView;
    for (int i = 0; i < count && !changed; ++i) changed = !(list[i] == sky.satellites[i]);
    if (!changed) return;
    sky.satellitesInView = static_cast<uint16_t>(count);
    for (int i = 0; i < kGpsMaxSatellites; ++i) sky.satellites[i] = list[i];
    post(UM_SATELLITES);
}

void GpsDecoder::parseGSA(const char* line) {
    markReceived();
    gsaSeen = true;
    NmeaFields f(line);
    if (!f.next() || !f.next()) return;  // mode, fix type
    position.fixMode = f.empty() ? 0 : TruncToUint16(static_cast<double>(f.toInt()));
    for (GpsChannel& ch : channels.channel) {
        if (!f.next()) return;
        if (f.empty()) {
            ch.status = kChannelEmpty;
        } else {
            ch.status = kChannelUsed;
            ch.prn = TruncToUint16(static_cast<double>(f.toInt()));
        }
    }
    uint16_t* dops[] = {&sky.pdop, &sky.hdop, &sky.vdop};
    for (uint16_t* dop : dops) {
        if (!f.next()) return;
        *dop = f.empty() ? 0 : TruncToUint16(f.toDouble() * 10.0);
    }
}

void GpsDecoder::parseRMC(const char* line) {
    markReceived();
    NmeaFields f(line);
    bool valid = false;
    auto pair = [&](size_t at) { return static_cast<uint16_t>(f.intAt(at, 2)); };
    // time, status, lat, N/S, lon, E/W (GGA supplies the position), speed, course, date
    if (f.next()) {
        bool have = !f.empty();
        position.hour = have ? pair(0) : 0;
        position.minute = have ? pair(2) : 0;
        position.second = have ? pair(4) : 0;
        if (f.next()) {
            if (f.first() == 'A') {
                if (run_->rmcValidRun < 10) ++run_->rmcValidRun;
                else valid = true;
            } else if (!f.empty()) {
                run_->rmcValidRun = 0;
            }
            if (f.next() && f.next() && f.next() && f.next() && f.next()) {
                position.speed = f.empty() ? 0 : TruncToUint32(f.toDouble() * kCmsPerKnot);
                if (f.next()) {
                    position.course = f.empty() ? 0 : TruncToUint16(f.toDouble() * kCourseUnitsPerDegree);
                    if (f.next()) {
                        bool date = !f.empty();
                        position.day = date ? pair(0) : 0;
                        position.month = date ? pair(2) : 0;
                        position.year = date ? static_cast<uint16_t>(pair(4) + 2000) : 0;
                    }
                }
            }
        }
    }
    gpsTime = valid ? GpsSecondsSince1980(position.year, position.month, position.day, position.hour,
                                          position.minute, position.second)
                    : 0;
}

bool ParseGGA(GpsDecoder& d, const char* line) {
    if (ClassifyNmea(line).type != NmeaType::GGA || !NmeaChecksumOk(line)) return false;
    d.parseGGA(line);
    return true;
}

bool ParseGSV(GpsDecoder& d, const char* line) {
    NmeaId id = ClassifyNmea(line);
    if (id.type != NmeaType::GSV || !NmeaChecksumOk(line)) return false;
    d.parseGSV(line, id.talker);
    return true;
}

bool ParseGSA(GpsDecoder& d, const char* line) {
    if (ClassifyNmea(line).type != NmeaType::GSA || !NmeaChecksumOk(line)) return false;
    d.parseGSA(line);
    return true;
}

bool ParseRMC(GpsDecoder& d, const char* line) {
    if (ClassifyNmea(line).type != NmeaType::RMC || !NmeaChecksumOk(line)) return false;
    d.parseRMC(line);
    return true;
}

}  // namespace trek
