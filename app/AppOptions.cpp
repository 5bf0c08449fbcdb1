#include "app/AppOptions.h"

namespace trek {

namespace {

struct ValueOption {
    const char* name;
    std::string AppOptions::*field;
    const char* what;
};

constexpr ValueOption kValueOptions[] = {
    {"--root", &AppOptions::root, "a folder"},
    {"--registry", &AppOptions::registry, "a file"},
    {"--gps", &AppOptions::gps, "a port (e.g. /dev/ttyUSB0, gpsd, file:LOG@1)"},
    {"--trace", &AppOptions::trace, "a file"},
};

}  // namespace

bool ParseAppOptions(const std::vector<std::string>& argsIn, AppOptions& out, std::string* error) {
    std::vector<std::string> args = argsIn;
    if (!platform::TakeDisplayOptions(args, out.display, error)) return false;
    auto fail = [&](const std::string& why) {
        if (error) *error = why;
        return false;
    };
    bool filesOnly = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (!filesOnly && (a == "--help" || a == "-h")) {
            out.help = true;
            continue;
        }
        if (!filesOnly && a == "--") {
            filesOnly = true;
            continue;
        }
        if (!filesOnly && a == "--oem") {
            if (i + 1 >= args.size()) return fail("--oem needs a text");
            out.oem = args[++i];
            continue;
        }
        bool taken = false;
        for (const ValueOption& o : kValueOptions) {
            if (filesOnly || a != o.name) continue;
            if (i + 1 >= args.size() || args[i + 1].empty()) return fail(std::string(o.name) + " needs " + o.what);
            out.*o.field = args[++i];
            taken = true;
        }
        if (taken) continue;
        if (!filesOnly && a.size() > 1 && a[0] == '-') return fail("unknown option " + a + " (try --help)");
        out.commandLine += (out.commandLine.empty() ? "" : " ") + a;
    }
    return true;
}

std::string AppUsage() {
    std::string text =
        "usage: trekvane [options] [FILE]\n"
        "Outdoor navigation and track recording. FILE is a tour (.TUR, .GPX, .KML, ...)\n"
        "or a map (.tvm, .CAL, ...) to open; when trekvane already runs, FILE is handed\n"
        "to the running instance, which comes to the front, and this one ends.\n"
        "\n"
        "options:\n"
        "  --root DIR          device root: maps, tours and the backup file live below it\n"
        "                      (default $TREKVANE_ROOT, else $XDG_DATA_HOME/trekvane)\n"
        "  --registry FILE     settings file (default $TREKVANE_REGISTRY, else\n"
        "                      $XDG_CONFIG_HOME/trekvane/registry.reg)\n"
        "  --oem TEXT          device model name used to choose the device profile\n"
        "  --gps PORT          receiver for this run instead of the configured one:\n"
        "                      /dev/ttyUSB0, gpsd[:host[:port]], tcp:host:port, file:LOG[@SPEED]\n"
        "                      (SPEED 1 = real time, 0 = as fast as possible)\n";
    text += platform::DisplayOptionsHelp();
    text +=
        "  --trace FILE        append a line per shell event (layouts, backlight, keys,\n"
        "                      handover, receiver) to FILE\n"
        "  --help              this text\n"
        "\n"
        "environment: TREKVANE_POWER_EVENTS=FILE reads power notifications (one flags\n"
        "word a line, e.g. 0x00200000 for suspend) from FILE or a FIFO instead of logind.\n";
    return text;
}

}  // namespace trek
