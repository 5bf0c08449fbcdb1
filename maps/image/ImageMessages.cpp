#include "maps/image/ImageMessages.h"

#include <atomic>
#include <cstdio>
#include <mutex>

namespace trek {

namespace {
std::mutex g_sinkMutex;
MapMessageSink& Sink() {
    static MapMessageSink sink;
    return sink;
}
std::atomic<bool> g_errorMessages{true};
}  // namespace

MapMessageSink SetMapMessageSink(MapMessageSink sink) {
    std::lock_guard<std::mutex> lock(g_sinkMutex);
    MapMessageSink old = std::move(Sink());
    Sink() = std::move(sink);
    return old;
}

void ShowMapMessage(const std::string& text, const std::string& caption) {
    MapMessageSink sink;
    {
        std::lock_guard<std::mutex> lock(g_sinkMutex);
        sink = Sink();
    }
    if (sink) {
        sink(text, caption);
        return;
    }
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
}

void SetMapErrorMessagesEnabled(bool on) { g_errorMessages = on; }
bool MapErrorMessagesEnabled() { return g_errorMessages; }

}  // namespace trek
