#pragma once
// Runs the real trekvane headless in a scratch device root, registry and
// runtime folder, and reads back what it did (its trace, stderr, registry).
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace trek::testing {

namespace fs = std::filesystem;

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

// One scratch world: device root, registry, runtime folder (handover socket).
class Trekvane {
public:
    Trekvane() {
        char tmpl[] = "/tmp/trekvane-test-XXXXXX";
        dir_ = mkdtemp(tmpl);
        fs::create_directories(dir_ + "/root");
        fs::create_directories(dir_ + "/run");
    }
    ~Trekvane() {
        stop();
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    const std::string& dir() const { return dir_; }
    std::string registry() const { return dir_ + "/registry.reg"; }
    std::string trace() const { return dir_ + "/trace.txt"; }
    std::string errors() const { return ReadFile(dir_ + "/stderr.txt"); }

    // Settings key values in registry-file form ("\"cfg2\"=dword:00000001").
    // cfg2 is set so that the first-start dialog stays away.
    void seed(const std::vector<std::string>& values) {
        std::string text = "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Ostrafen\\Trekvane]\n\"cfg2\"=dword:00000001\n\"LAN\"=\"\"\n";
        for (const auto& v : values) text += v + "\n";
        WriteFile(registry(), text);
    }

    // Starts trekvane with a script (lines) and extra arguments.
    void start(const std::vector<std::string>& script, std::vector<std::string> extra = {},
               std::vector<std::string> env = {}) {
        std::string scriptFile = dir_ + "/script" + std::to_string(runs_++) + ".txt";
        std::string text;
        for (const auto& l : script) text += l + "\n";
        // A run ends when its script is done; this keeps a last "wait" in force.
        text += "command 0\n";
        WriteFile(scriptFile, text);
        std::vector<std::string> args = {std::string(TREK_BIN_DIR) + "/trekvane", "--headless", "--root", dir_ + "/root",
                                         "--registry", registry(), "--oem", "Test Device", "--trace", trace(),
                                         "--script", scriptFile};
        args.insert(args.end(), extra.begin(), extra.end());
        pid_ = spawn(args, env);
    }

    // A second process in the same world (no script): returns its exit code.
    int runOnce(std::vector<std::string> extra, int timeoutMs = 20000) {
        std::vector<std::string> args = {std::string(TREK_BIN_DIR) + "/trekvane", "--headless", "--root", dir_ + "/root",
                                         "--registry", registry(), "--trace", dir_ + "/trace2.txt"};
        args.insert(args.end(), extra.begin(), extra.end());
        pid_t pid = spawn(args, {}, "/stderr2.txt");
        return waitFor(pid, timeoutMs);
    }

    // Exit code, or -1 when it had to be killed.
    int wait(int timeoutMs = 60000) {
        int rc = waitFor(pid_, timeoutMs);
        pid_ = -1;
        return rc;
    }

    bool waitForTrace(const std::string& text, int timeoutMs = 20000) const {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (std::chrono::steady_clock::now() < deadline) {
            if (ReadFile(trace()).find(text) != std::string::npos) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }

    // The trace without the leading milliseconds.
    std::vector<std::string> traceLines() const {
        std::vector<std::string> lines;
        std::istringstream in(ReadFile(trace()));
        for (std::string l; std::getline(in, l);) {
            size_t sp = l.find(' ');
            lines.push_back(sp == std::string::npos ? l : l.substr(sp + 1));
        }
        return lines;
    }
    // Milliseconds of the first trace line containing text (-1: none).
    long traceTime(const std::string& text) const {
        std::istringstream in(ReadFile(trace()));
        for (std::string l; std::getline(in, l);)
            if (l.find(text) != std::string::npos) return std::stol(l);
        return -1;
    }
    int count(const std::string& line) const {
        int n = 0;
        for (const auto& l : traceLines()) n += l == line;
        return n;
    }

    void stop() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            int status;
            waitpid(pid_, &status, 0);
            pid_ = -1;
        }
    }

private:
    pid_t spawn(const std::vector<std::string>& args, const std::vector<std::string>& extraEnv,
                const std::string& errName = "/stderr.txt") {
        std::vector<std::string> env;
        for (char** e = environ; *e; ++e) {
            std::string entry = *e;
            if (entry.rfind("XDG_RUNTIME_DIR=", 0) == 0 || entry.rfind("TREKVANE_", 0) == 0) continue;
            env.push_back(entry);
        }
        env.push_back("XDG_RUNTIME_DIR=" + dir_ + "/run");
        env.insert(env.end(), extraEnv.begin(), extraEnv.end());
        std::vector<char*> argv, envp;
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        for (const auto& e : env) envp.push_back(const_cast<char*>(e.c_str()));
        envp.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        std::string out = dir_ + "/stdout.txt", err = dir_ + errName;
        posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        pid_t pid = -1;
        if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        return pid;
    }

    static int waitFor(pid_t pid, int timeoutMs) {
        if (pid <= 0) return -1;
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        int status = 0;
        while (std::chrono::steady_clock::now() < deadline) {
            if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        return -1;
    }

    std::string dir_;
    pid_t pid_ = -1;
    int runs_ = 0;
};

}  // namespace trek::testing
