#include "app/RecordingSession.h"

#include <sys/stat.h>

#include "settings/Settings.h"

namespace trek {

namespace {

std::string DisplayNameOf(const std::string& path) {
    size_t slash = path.find_last_of("/\\");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

bool FileExists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

RecordingSession::~RecordingSession() = default;

bool RecordingSession::reopen() {
    const TourStats saved = TourStats::Load();
    if (!saved.active || saved.path.empty()) return false;
    // The stored name is the path the recorder wrote.
    if (!FileExists(saved.path)) return false;
    auto tour = std::make_shared<Tour>(DisplayNameOf(saved.path), saved.path);
    if (!tour->readHeader()) return false;
    auto recording = std::make_unique<TourRecording>(tour, fix_);
    if (!recording->resume()) return false;
    tour_ = std::move(tour);
    recording_ = std::move(recording);
    return true;
}

std::string RecordingSession::tourName() const { return tour_ ? tour_->displayName() : std::string(); }

std::string RecordingSession::tourPath() const { return tour_ ? tour_->path() : std::string(); }

bool RecordingSession::onPosition() { return recording_ && recording_->onPosition(); }

void RecordingSession::closeForExit() {
    if (!recording_) return;
    TourRecorder& recorder = recording_->recorder();
    recorder.flush();
    TourStats stats = recorder.stats();
    stats.active = 1;
    stats.path = tour_->path();
    stats.distance = static_cast<uint32_t>(recording_->distance());
    stats.save();
    // The recorder writes what is still buffered and lets go of the file.
    recording_.reset();
    tour_.reset();
}

}  // namespace trek
