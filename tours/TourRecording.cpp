#include "tours/TourRecording.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "geo/GeoDistance.h"
#include "settings/Settings.h"
#include "tours/TourMessages.h"
#include "tours/TourTime.h"

namespace trek {

namespace {

constexpr int32_t kMinCourseSpeed = 20;       // 2.0 km/h
constexpr int32_t kSpeedCap = 1200;           // 120 km/h
constexpr int32_t kClimb = 500;               // 5 m in cm
constexpr int32_t kBendDegrees = 18;
constexpr double kSquaredUnitsToMetres = 0.0040680631590769;  // (6 378 137 m x 1e-8)^2
constexpr double kMarkSpacing = 1000.0;

// Minimum distances of the profiles, a row per mode (-1: the manual value).
struct ModeRow {
    FilterMode mode;
    int32_t loaded;
    int32_t dialog;
};
constexpr ModeRow kModes[] = {
    {FilterMode::Motorised, 0, 0},        {FilterMode::BikeShip, 50, 50},       {FilterMode::OnFoot, 25, 25},
    {FilterMode::Flying, -1, 2500},       {FilterMode::ManualDistance, -1, -1},
};

}  // namespace

int32_t RecordingMinimumDistance(FilterMode mode, uint32_t manual, bool fromDialog) {
    for (const ModeRow& row : kModes) {
        if (row.mode == mode) {
            const int32_t v = fromDialog ? row.dialog : row.loaded;
            return v < 0 ? int32_t(manual) : v;
        }
    }
    return int32_t(manual);
}

void CourseAverager::add(int32_t c) {
    int32_t shift = 0;
    if (c < last_ - 180) shift = -360;
    if (c > last_ + 180) shift = 360;
    if (shift) {
        for (int i = 0; i < count_; ++i) samples_[(next_ - 1 - i + 2 * kSamples) % kSamples] += shift;
        sum_ += shift * count_;
        // The average at the last recorded point lives in the same frame.
        atRecorded_ += shift;
    }
    if (count_ == kSamples) {
        sum_ -= samples_[next_];
    } else {
        ++count_;
    }
    samples_[next_] = c;
    sum_ += c;
    next_ = (next_ + 1) % kSamples;
    last_ = c;
}

TourRecording::TourRecording(std::shared_ptr<Tour> tour, const GpsFix* fix) : tour_(std::move(tour)), fix_(fix) {
    TourRecorder::Options options;
    options.fix = fix;
    options.timeMarks = true;
    options.saveStats = true;
    recorder_ = std::make_unique<TourRecorder>(*tour_, options);
    const FlagWords& flags = Settings::instance().flags;
    minimumDistance_ = RecordingMinimumDistance(FilterMode(flags.recordingProfile()), flags.fltDistSel(), false);
}

TourRecording::~TourRecording() = default;

bool TourRecording::startNew(int colour) {
    TourRecorder::Options options;
    options.fix = fix_;
    options.saveStats = true;
    options.colour = colour;
    options.kind = Tour::kTour;
    recorder_ = std::make_unique<TourRecorder>(*tour_, options);
    if (!recorder_->start()) return false;
    TourStats& stats = recorder_->stats();
    stats = TourStats{};
    stats.active = 1;
    stats.startTime = TourTimeNow();
    stats.path = tour_->path();
    stats.save();
    distance_ = stats.distance;
    return true;
}

bool TourRecording::resume() {
    const TourStats saved = TourStats::Load();
    if (!saved.active || saved.path.empty() || saved.path != tour_->path()) return false;
    if (!recorder_->start()) return false;
    recorder_->stats() = saved;
    recorder_->stats().active = 1;
    distance_ = saved.distance;
    return true;
}

bool TourRecording::close() {
    if (closed_) return true;
    recorder_->setRunDistance(uint32_t(distance_));
    const bool ok = recorder_->closeRun(Settings::instance().flags.recordingPaused() != 0);
    closed_ = true;
    return ok;
}

void TourRecording::TogglePause() {
    FlagWords& flags = Settings::instance().flags;
    flags.set_recordingPaused(flags.recordingPaused() ? 0 : 1);
}

void TourRecording::setKilometreMarks(bool on) {
    if (on && !kilometreMarks_) {
        ShowTourMessage("Es wird alle 1000m ein Zeitstempel aufgezeichnet.", "Trekvane");
        // The next recorded point gets the first mark.
        nextMark_ = distance_;
    }
    kilometreMarks_ = on;
}

bool TourRecording::onPosition() {
    if (closed_ || !fix_) return false;
    const FlagWords& flags = Settings::instance().flags;
    if (flags.recordingPaused()) return false;
    const GpsPosition& pos = fix_->position;
    const bool smoothed = flags.fltOn() && flags.fltRec();
    const int32_t lon = smoothed ? fix_->smoothed.lon : pos.lon;
    const int32_t lat = smoothed ? fix_->smoothed.lat : pos.lat;
    const int32_t alt = smoothed ? fix_->smoothedAltitude : pos.altitude;
    const int64_t rawSpeed = smoothed ? int64_t(fix_->smoothedSpeed) : int64_t(pos.speed);
    if (lon == 0 && lat == 0) return false;

    const int32_t v = int32_t(std::clamp<int64_t>(rawSpeed * 36 / 100, INT32_MIN, INT32_MAX));
    lastSpeed_ = v;
    if (v <= 0) return false;
    const int32_t vcap = std::min(v, kSpeedCap);
    const double dx = double(int64_t(lon) - last_.lon) * std::cos(lat * 1e-8);
    const double dy = double(int64_t(lat) - last_.lat);
    const double d2 = dx * dx + dy * dy;

    if (v >= kMinCourseSpeed) course_.add(int32_t(pos.course) * 573 / 10000);

    const auto mode = FilterMode(flags.recordingProfile());
    bool take = false;
    if (mode == FilterMode::Motorised) {
        take = d2 > 2.0 * double(vcap) * double(vcap) || std::abs(int64_t(alt) - last_.alt) >= kClimb;
    } else {
        const double m2 = d2 * kSquaredUnitsToMetres;
        if (m2 >= double(minimumDistance_) * double(minimumDistance_)) {
            take = true;
        } else if (v >= kMinCourseSpeed) {
            take = std::abs(course_.recordedAverage() - course_.average()) >= kBendDegrees;
        }
    }
    if (!take) return false;
    record(lon, lat, alt, v);
    return true;
}

void TourRecording::record(int32_t lon, int32_t lat, int32_t alt, int32_t v) {
    const uint16_t speed = uint16_t(std::min<int32_t>(v, 0xFFFF));
    last_.lon = lon;
    last_.lat = lat;
    last_.alt = alt;
    last_.speed = speed;
    last_.time = TourTimeNow();
    haveLast_ = true;
    course_.markRecorded();
    recorder_->appendPoint(lon, lat, alt, speed, false, 0, true);

    if (kilometreMarks_) {
        const GpsPosition& pos = fix_->position;
        if (distance_ >= nextMark_ && (pos.lon != 0 || pos.lat != 0)) {
            if (recorder_->appendPoint(lon, lat, alt, speed, true, 0, true)) {
                recorder_->appendAttached(tourfile::kTimeStampName);
            }
            // One mark per 1000 m, also when the distance ran ahead of the marks.
            nextMark_ += kMarkSpacing;
            if (nextMark_ <= distance_) nextMark_ = distance_ + kMarkSpacing;
            if (onViewsChanged) onViewsChanged();
        }
    }
    if (onPointRecorded) onPointRecorded();

    const GeoPoint here{lon, lat};
    if (!havePrevious_) {
        previous_ = here;
        havePrevious_ = true;
    }
    distance_ += GeoDistance(here, previous_);
    previous_ = here;
    recorder_->setRunDistance(uint32_t(distance_));
}

}  // namespace trek
