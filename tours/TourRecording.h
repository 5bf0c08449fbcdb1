#pragma once
// Live recording: the filter that decides for every new GPS position whether it
// becomes a track point, the course averager, kilometre timestamps, pause, and
// continuing the recorded tour after a restart.
#include <cstdint>
#include <functional>
#include <memory>

#include "gps/GpsFix.h"
#include "tours/TourRecorder.h"

namespace trek {

// The recording profiles (bits 6-8 of cfg7).
enum class FilterMode : uint32_t { Motorised = 0, BikeShip = 1, OnFoot = 2, Flying = 3, ManualDistance = 4 };

// Minimum distance in metres between recorded points. Flying takes the manual
// value when the settings are loaded and 2500 when the settings dialog is
// confirmed; motorised has none (0).
int32_t RecordingMinimumDistance(FilterMode mode, uint32_t manualDistance, bool fromDialog);

// The last ten course samples in whole degrees, unwrapped around north so that
// 359 followed by 1 averages near 0, not 180.
class CourseAverager {
public:
    static constexpr int kSamples = 10;

    // Adds a sample; stored samples (and the average noted at the last recorded
    // point) move by 360 when the new one lies more than 180 away from the last.
    void add(int32_t degrees);
    // sum / count in integer arithmetic (0 when empty).
    int32_t average() const { return count_ ? sum_ / count_ : 0; }
    int count() const { return count_; }
    int32_t last() const { return last_; }
    // Notes the current average as the average at the last recorded point.
    void markRecorded() { atRecorded_ = average(); }
    int32_t recordedAverage() const { return atRecorded_; }
    void clear() { *this = CourseAverager{}; }

private:
    int32_t samples_[kSamples] = {};
    int count_ = 0;
    int next_ = 0;
    int32_t sum_ = 0;
    int32_t last_ = 0;
    int32_t atRecorded_ = 0;
};

class TourRecording {
public:
    // A live recording of `tour` fed from `fix` (normally the process-wide fix).
    TourRecording(std::shared_ptr<Tour> tour, const GpsFix* fix);
    ~TourRecording();

    // tour_new: starts the file (colour index 0..6 for a new file, else the
    // tour's), makes TourStats active from now and saves them.
    bool startNew(int colour);
    // Program start: continues the tour that the saved TourStats name: a new run
    // in the same file, the saved counters and distance.
    bool resume();
    // tour_close: closes the run (a last point unless paused); TourStats become
    // inactive and are saved, so the tour is not resumed.
    bool close();
    bool closed() const { return closed_; }

    // The filter for the fix's newest position. Does nothing while paused.
    // Returns true when a point was recorded.
    bool onPosition();

    // tour_pause: toggles the pause bit of cfg4.
    static void TogglePause();
    // Kilometre timestamps (command 2079); switching on tells the user.
    void setKilometreMarks(bool on);
    bool kilometreMarks() const { return kilometreMarks_; }
    // The minimum distance of the non-motorised modes, in metres.
    void setMinimumDistance(int32_t metres) { minimumDistance_ = metres; }
    int32_t minimumDistance() const { return minimumDistance_; }

    double distance() const { return distance_; }          // metres accumulated
    int32_t lastSpeed() const { return lastSpeed_; }        // 0.1 km/h of the newest position
    const TourPoint& lastRecorded() const { return last_; }
    const CourseAverager& course() const { return course_; }
    TourRecorder& recorder() { return *recorder_; }
    Tour& tour() { return *tour_; }

    // Called after a kilometre mark (refresh the views) and after each recorded
    // point (move the tracking view along).
    std::function<void()> onViewsChanged;
    std::function<void()> onPointRecorded;

private:
    void record(int32_t lon, int32_t lat, int32_t alt, int32_t v);

    std::shared_ptr<Tour> tour_;
    const GpsFix* fix_;
    std::unique_ptr<TourRecorder> recorder_;
    TourPoint last_;
    bool haveLast_ = false;
    CourseAverager course_;
    double distance_ = 0;
    double nextMark_ = 0;
    bool havePrevious_ = false;
    GeoPoint previous_;
    bool kilometreMarks_ = false;
    int32_t minimumDistance_;
    int32_t lastSpeed_ = 0;
    bool closed_ = false;
};

}  // namespace trek
