#pragma once
// A line per shell event (layout chosen, backlight level, button action,
// handover, reconnect...) written to the file given with --trace. Tests read
// it to see what the running program did; without --trace nothing is written.
#include <string>

namespace trek {

bool OpenShellTrace(const std::string& path);
void CloseShellTrace();
bool ShellTraceOn();
// printf-style; a newline is added. Safe from any thread.
void ShellTrace(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace trek
