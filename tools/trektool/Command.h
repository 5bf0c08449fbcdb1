#pragma once
// trektool's command table. Each command family lives in its own cmd_*.cpp and
// adds its rows with TREKTOOL_COMMAND; main() looks them up by name.
#include <functional>
#include <string>
#include <vector>

namespace trek::tool {

// Exit codes: 0 done, 1 failed (one line on stderr), 2 usage error.
using CommandFn = std::function<int(const std::vector<std::string>& args)>;

struct Command {
    std::string name;   // "geo", "settings", or two words such as "map info"
    std::string usage;  // lines shown by --help, e.g. "geo parse TEXT [--8bit]"
    CommandFn run;      // args exclude the command's words
};

std::vector<Command>& CommandTable();

struct CommandRegistrar {
    CommandRegistrar(std::string name, std::string usage, CommandFn fn) {
        CommandTable().push_back({std::move(name), std::move(usage), std::move(fn)});
    }
};

// Shared helpers for command implementations.
int UsageError(const std::string& message);  // prints "trektool: message" and returns 2
int Failure(const std::string& message);     // prints "trektool: message" and returns 1

}  // namespace trek::tool

#define TREKTOOL_CONCAT2(a, b) a##b
#define TREKTOOL_CONCAT(a, b) TREKTOOL_CONCAT2(a, b)
#define TREKTOOL_COMMAND(name, usage, fn) \
    static ::trek::tool::CommandRegistrar TREKTOOL_CONCAT(trektool_cmd_, __LINE__)(name, usage, fn)
