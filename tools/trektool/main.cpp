// trektool: the command-line front end over Trekvane's libraries.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iostream>

#include "tools/trektool/Command.h"
#include "tools/trektool/GlobalOptions.h"

namespace trek::tool {

std::vector<Command>& CommandTable() {
    static std::vector<Command> table;
    return table;
}

int UsageError(const std::string& message) {
    std::fprintf(stderr, "trektool: %s\n", message.c_str());
    return 2;
}

int Failure(const std::string& message) {
    std::fprintf(stderr, "trektool: %s\n", message.c_str());
    return 1;
}

static void PrintHelp() {
    std::printf(
        "usage: trektool [--root DIR] [--registry FILE] [--oem TEXT] COMMAND [ARGS...]\n"
        "\n"
        "Global options:\n"
        "  --root DIR       device root: paths beginning with \"\\\" live below it\n"
        "                   (default: $TREKVANE_ROOT, else $XDG_DATA_HOME/trekvane)\n"
        "  --registry FILE  registry file (default: $XDG_CONFIG_HOME/trekvane/registry.reg)\n"
        "  --oem TEXT       device OEM string (default: $TREKVANE_OEM, else the device model)\n"
        "  --help           this text\n"
        "\n"
        "Commands:\n");
    auto table = CommandTable();
    std::sort(table.begin(), table.end(), [](auto& a, auto& b) { return a.name < b.name; });
    for (auto& c : table) {
        size_t start = 0;
        while (start < c.usage.size()) {
            size_t end = c.usage.find('\n', start);
            if (end == std::string::npos) end = c.usage.size();
            std::printf("  %s\n", c.usage.substr(start, end - start).c_str());
            start = end + 1;
        }
    }
}

}  // namespace trek::tool

int main(int argc, char** argv) {
    using namespace trek::tool;
    GlobalOptions& opts = Options();
    int i = 1;
    for (; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            PrintHelp();
            return 0;
        }
        auto value = [&](std::string& out) {
            if (i + 1 >= argc) return false;
            out = argv[++i];
            return true;
        };
        if (a == "--root") {
            if (!value(opts.root)) return UsageError("--root needs a folder");
        } else if (a == "--registry") {
            if (!value(opts.registry)) return UsageError("--registry needs a file");
        } else if (a == "--oem") {
            if (!value(opts.oem)) return UsageError("--oem needs a text");
            opts.oemSet = true;
        } else if (a.rfind("--", 0) == 0) {
            return UsageError("unknown option " + a + " (see --help)");
        } else {
            break;
        }
    }
    if (i >= argc) {
        PrintHelp();
        return 2;
    }
    // A command is one word ("geo") or two ("map info"); two-word rows win, so
    // that several command files can share a family name.
    std::string name = argv[i];
    if (i + 1 < argc) {
        std::string twoWords = name + " " + argv[i + 1];
        for (auto& c : CommandTable()) {
            if (c.name == twoWords) {
                ApplyGlobalOptions(opts);
                return c.run(std::vector<std::string>(argv + i + 2, argv + argc));
            }
        }
    }
    for (auto& c : CommandTable()) {
        if (c.name == name) {
            ApplyGlobalOptions(opts);
            return c.run(std::vector<std::string>(argv + i + 1, argv + argc));
        }
    }
    return UsageError("unknown command '" + name + "' (see --help)");
}
