#pragma once
// The entry point of trekvane: options, the handover to a running instance,
// settings, device profile and language, the first-start dialogs, the main
// window and the message loop.
#include <string>
#include <vector>

namespace trek {

// Returns the process exit code (0 also when a running instance took over).
int RunTrekvane(const std::vector<std::string>& args);

// East of UTC in hours for the local zone now (the default of the local-time dialog).
double LocalUtcOffsetHours();

}  // namespace trek
