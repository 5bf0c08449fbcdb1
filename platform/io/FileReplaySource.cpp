#include "platform/io/FileReplaySource.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace trek::platform {

std::unique_ptr<FileReplaySource> FileReplaySource::Open(const std::string& path, double speed,
                                                         std::string* error) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        if (error) *error = path + ": " + std::strerror(errno);
        return nullptr;
    }
    return std::unique_ptr<FileReplaySource>(new FileReplaySource(f, speed));
}

FileReplaySource::~FileReplaySource() { std::fclose(file_); }

double FileReplaySource::SentenceTime(const char* line, size_t n) {
    // "$ttGGA,hhmmss.ss," and the like: the sentences whose first field is the UTC time.
    if (n < 14 || line[0] != '$') return -1;
    static constexpr const char* kTimed[] = {"GGA", "RMC", "GNS", "ZDA", "GBS", "GST"};
    bool timed = false;
    for (const char* t : kTimed) timed = timed || std::memcmp(line + 3, t, 3) == 0;
    if (!timed || line[6] != ',') return -1;
    const char* p = line + 7;
    for (int i = 0; i < 6; ++i)
        if (p[i] < '0' || p[i] > '9') return -1;
    double h = (p[0] - '0') * 10 + (p[1] - '0');
    double m = (p[2] - '0') * 10 + (p[3] - '0');
    double s = (p[4] - '0') * 10 + (p[5] - '0');
    double frac = 0;
    if (p[6] == '.') frac = std::strtod(p + 6, nullptr);
    if (frac < 0 || frac >= 1) frac = 0;
    return h * 3600 + m * 60 + s + frac;
}

bool FileReplaySource::fill() {
    pending_.clear();
    pendingPos_ = 0;
    if (eof_) return false;
    if (speed_ == 0) {
        pending_.resize(64 * 1024);
        size_t got = std::fread(pending_.data(), 1, pending_.size(), file_);
        pending_.resize(got);
        if (got == 0) eof_ = true;
        return got > 0;
    }
    // Paced: one line at a time, so that each waits for its own time.
    int c;
    while ((c = std::fgetc(file_)) != EOF) {
        pending_.push_back(static_cast<uint8_t>(c));
        if (c == '\n' || pending_.size() >= 4096) break;
    }
    if (pending_.empty()) {
        eof_ = true;
        return false;
    }
    double t = SentenceTime(reinterpret_cast<const char*>(pending_.data()), pending_.size());
    if (t >= 0) {
        if (!started_) {
            started_ = true;
            lastTime_ = t;
            start_ = std::chrono::steady_clock::now();
        }
        double step = t - lastTime_;
        if (step < -43200) step += 86400;  // past midnight
        if (step > 0) elapsedLog_ += step;  // times going back are not waited for
        lastTime_ = t;
    }
    lineDue_ = elapsedLog_;
    return true;
}

int FileReplaySource::dueInMs() const {
    if (speed_ == 0 || !started_) return 0;
    double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    double wait = lineDue_ / speed_ - wall;
    if (wait <= 0) return 0;
    return wait > 3600 ? 3600 * 1000 : static_cast<int>(wait * 1000) + 1;
}

int FileReplaySource::read(uint8_t* buffer, size_t n, int timeoutMs) {
    if (ended() || interrupted()) return -1;
    if (pendingPos_ >= pending_.size() && !fill()) {
        setEnded();
        return -1;
    }
    int due = dueInMs();
    if (due > 0) {
        int wait = timeoutMs < 0 ? due : std::min(due, timeoutMs);
        if (waitFd(-1, 0, wait) < 0) return -1;
        if (dueInMs() > 0) return 0;
    }
    size_t count = std::min(n, pending_.size() - pendingPos_);
    std::memcpy(buffer, pending_.data() + pendingPos_, count);
    pendingPos_ += count;
    return static_cast<int>(count);
}

bool FileReplaySource::waitForData(int timeoutMs) {
    if (ended() || interrupted()) return false;
    if (pendingPos_ >= pending_.size() && !fill()) {
        setEnded();
        return false;
    }
    int due = dueInMs();
    if (due == 0) return true;
    int wait = timeoutMs < 0 ? due : std::min(due, timeoutMs);
    if (waitFd(-1, 0, wait) < 0) return false;
    return dueInMs() == 0;
}

}  // namespace trek::platform
