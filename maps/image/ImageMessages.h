#pragma once
// Messages the image and map code shows the user ("File %s not found!", the
// libpng texts, ...). The program routes them to its message boxes at start;
// until then, and in tools, they go to stderr. Tests capture them.
#include <functional>
#include <string>

namespace trek {

using MapMessageSink = std::function<void(const std::string& text, const std::string& caption)>;

// Replaces the sink; returns the previous one so callers can restore it.
MapMessageSink SetMapMessageSink(MapMessageSink sink);
void ShowMapMessage(const std::string& text, const std::string& caption);

// Error messages of container loading are shown only while this is on.
void SetMapErrorMessagesEnabled(bool on);
bool MapErrorMessagesEnabled();

}  // namespace trek
