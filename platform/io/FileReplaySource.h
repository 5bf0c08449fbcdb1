#pragma once
// A recorded log replayed as a virtual port, at the pace of the GPS times of
// its sentences: speed 1 is real time, 10 ten times faster, 0 as fast as the
// reader takes the bytes (then in whole blocks).
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "platform/io/GpsSource.h"

namespace trek::platform {

class FileReplaySource : public GpsSource {
public:
    static std::unique_ptr<FileReplaySource> Open(const std::string& path, double speed,
                                                  std::string* error = nullptr);
    ~FileReplaySource() override;

    int read(uint8_t* buffer, size_t n, int timeoutMs) override;
    bool waitForData(int timeoutMs) override;
    bool write(const void*, size_t) override { return false; }
    GpsSourceKind kind() const override { return GpsSourceKind::File; }
    size_t preferredReadSize() const override { return speed_ == 0 ? 4096 : 16; }

private:
    FileReplaySource(std::FILE* file, double speed) : file_(file), speed_(speed) {}
    // Refills the buffer with the next line (paced) or block (unpaced).
    bool fill();
    // Time of day (s) of a sentence that carries one, else a negative value.
    static double SentenceTime(const char* line, size_t n);
    // Milliseconds until the current line is due (0 when due now).
    int dueInMs() const;

    std::FILE* file_;
    double speed_;
    std::vector<uint8_t> pending_;
    size_t pendingPos_ = 0;
    bool eof_ = false;
    bool started_ = false;
    double lastTime_ = 0, elapsedLog_ = 0;  // seconds of log time
    std::chrono::steady_clock::time_point start_;
    double lineDue_ = 0;  // seconds of log time at which the pending line is due
};

}  // namespace trek::platform
