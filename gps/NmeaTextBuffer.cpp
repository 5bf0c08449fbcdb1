#include "gps/NmeaTextBuffer.h"

namespace trek {

void NmeaTextBuffer::add(const char* line, size_t length) {
    // Each line keeps its NUL; one more NUL ends the text.
    if (length + used_ + 2 >= kNmeaTextCapacity + 1) return;
    building_.emplace_back(line, length);
    used_ += length + 1;
}

void NmeaTextBuffer::publish() {
    std::lock_guard<std::mutex> lock(mutex_);
    lines_.swap(building_);
}

std::vector<std::string> NmeaTextBuffer::lines() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return lines_;
}

void NmeaTextBuffer::clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    lines_.clear();
}

}  // namespace trek
