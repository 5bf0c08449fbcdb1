#pragma once
// Starting programs with an argument vector (never through a shell).
#include <string>
#include <sys/types.h>
#include <vector>

namespace trek::platform {

// argv[0] is the program: a path, or a name looked up in $PATH. Returns the
// child's id, or -1 with `error` set. A detached child is reaped in the
// background; otherwise the caller waits with WaitProcess.
pid_t StartProcess(const std::vector<std::string>& argv, bool detached = true, std::string* error = nullptr);
// The exit status (128 + signal when killed), or -1.
int WaitProcess(pid_t pid);

}  // namespace trek::platform
