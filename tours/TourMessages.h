#pragma once
// How the tour code tells the user something ("Error while writing file %s!").
// The application installs a sink that shows a message box; without one the
// text goes to stderr. Background work calls it too, so the sink must be
// thread-safe (posting to the UI thread is the usual answer).
#include <functional>
#include <string>

namespace trek {

using TourMessageSink = std::function<void(const std::string& text, const std::string& caption)>;

void SetTourMessageSink(TourMessageSink sink);  // nullptr: stderr
void ShowTourMessage(const std::string& text, const std::string& caption);

}  // namespace trek
