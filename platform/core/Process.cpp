#include "platform/core/Process.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstring>
#include <thread>

extern char** environ;

namespace trek::platform {

pid_t StartProcess(const std::vector<std::string>& argv, bool detached, std::string* error) {
    if (argv.empty() || argv[0].empty()) {
        if (error) *error = "no program";
        return -1;
    }
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = -1;
    bool search = argv[0].find('/') == std::string::npos;
    int rc = search ? ::posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ)
                    : ::posix_spawn(&pid, args[0], nullptr, nullptr, args.data(), environ);
    if (rc != 0) {
        if (error) *error = argv[0] + ": " + std::strerror(rc);
        return -1;
    }
    if (detached) std::thread([pid] { WaitProcess(pid); }).detach();
    return pid;
}

int WaitProcess(pid_t pid) {
    int status = 0;
    for (;;) {
        if (::waitpid(pid, &status, 0) >= 0) break;
        if (errno != EINTR) return -1;
    }
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
}

}  // namespace trek::platform
