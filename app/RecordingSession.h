#pragma once
// The tour being recorded across program runs: at start the tour named by
// "CurTour" is opened for recording again (a new run in the same file, with
// the saved counters); at exit its name and counters are stored and the file
// is closed, so that the next start continues it.
#include <memory>
#include <string>

#include "tours/TourRecording.h"

namespace trek {

struct GpsFix;

class RecordingSession {
public:
    explicit RecordingSession(const GpsFix* fix) : fix_(fix) {}
    ~RecordingSession();

    // False (and no current tour) when nothing was being recorded or the
    // file cannot be opened.
    bool reopen();
    bool active() const { return recording_ != nullptr; }
    std::string tourName() const;
    std::string tourPath() const;
    // A new fix: the recorder's filter decides (nothing while paused).
    bool onPosition();
    // Exit: "CurTour" and the counters stored, buffered points written, file closed.
    void closeForExit();
    TourRecording* recording() { return recording_.get(); }

private:
    const GpsFix* fix_;
    std::shared_ptr<Tour> tour_;
    std::unique_ptr<TourRecording> recording_;
};

}  // namespace trek
