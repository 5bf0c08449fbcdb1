#pragma once
// The command line of trekvane: display options, where the data lives, the
// receiver override, and the file to open.
#include <optional>
#include <string>
#include <vector>

#include "platform/gui/DisplayOptions.h"

namespace trek {

struct AppOptions {
    platform::DisplayOptions display;
    std::string root;      // --root DIR: the device root
    std::string registry;  // --registry FILE
    std::optional<std::string> oem;  // --oem TEXT
    std::string gps;       // --gps PORT: the receiver of this run (not stored)
    std::string trace;     // --trace FILE
    std::string commandLine;  // the file argument(s), joined with blanks
    bool help = false;
};

// False with a one-line reason for a malformed or unknown option.
bool ParseAppOptions(const std::vector<std::string>& args, AppOptions& out, std::string* error);
std::string AppUsage();

}  // namespace trek
