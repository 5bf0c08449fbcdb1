#pragma once
// The NMEA text the NMEA view shows: the lines of the reader's latest read
// batch, at most 4096 characters in all. The reader thread refills it; the
// user-interface thread reads a copy.
#include <mutex>
#include <string>
#include <vector>

namespace trek {

constexpr size_t kNmeaTextCapacity = 4096;

class NmeaTextBuffer {
public:
    // Reader side: starts a new batch, then adds its lines. A line that would
    // bring the text past the capacity (length + position + 2 > 4096) is left out.
    void begin() { building_.clear(); used_ = 0; }
    void add(const char* line, size_t length);
    void publish();

    std::vector<std::string> lines() const;
    void clear();

private:
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
    std::vector<std::string> building_;
    size_t used_ = 0;
};

}  // namespace trek
