#include "tours/TourMessages.h"

#include <cstdio>
#include <mutex>

namespace trek {

namespace {
std::mutex& SinkMutex() {
    static std::mutex m;
    return m;
}
TourMessageSink& Sink() {
    static TourMessageSink sink;
    return sink;
}
}  // namespace

void SetTourMessageSink(TourMessageSink sink) {
    std::lock_guard<std::mutex> lock(SinkMutex());
    Sink() = std::move(sink);
}

void ShowTourMessage(const std::string& text, const std::string& caption) {
    TourMessageSink sink;
    {
        std::lock_guard<std::mutex> lock(SinkMutex());
        sink = Sink();
    }
    if (sink) {
        sink(text, caption);
    } else {
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    }
}

}  // namespace trek
