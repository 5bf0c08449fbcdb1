#pragma once
// Command-line options of every program with a window, and the backend they choose.
#include <memory>
#include <string>
#include <vector>

#include "platform/gui/Backend.h"
#include "platform/gui/Geometry.h"

namespace trek::platform {

struct DisplayOptions {
    bool headless = false;
    Size size{480, 640};
    int dpi = 96;
    std::string script;      // --script FILE
    std::string screenshot;  // --screenshot FILE.png, written when the program ends
};

// Display scale: 1 up to 120 dots per inch, 2 above.
constexpr int DisplayScale(int dpi) { return dpi > 120 ? 2 : 1; }

// Removes the display options from args (keeping the others in order).
// False with a message for a malformed value.
bool TakeDisplayOptions(std::vector<std::string>& args, DisplayOptions& out, std::string* error);
// Lines for --help.
const char* DisplayOptionsHelp();

// The SDL backend unless headless is asked for; when no display can be opened
// the headless backend takes over (said on stderr).
std::unique_ptr<Backend> CreateBackend(const DisplayOptions& options, const std::string& title);

}  // namespace trek::platform
