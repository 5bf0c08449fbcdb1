// trektool profile: the device profile as it applies to this device (--oem).
#include <cstdio>
#include <string>

#include "platform/core/Text.h"
#include "settings/DeviceProfile.h"
#include "settings/Settings.h"
#include "tools/trektool/Command.h"

namespace trek::tool {
namespace {

int RunProfile(const std::vector<std::string>& args) {
    if (!args.empty()) return UsageError("profile takes no arguments");
    std::string error;
    LoadDeviceProfile(&error);
    if (!error.empty()) std::fprintf(stderr, "trektool: warning: device profile: %s\n", error.c_str());
    const Settings& s = Settings::instance();
    const DeviceProfile& p = DeviceProfile::current();
    using platform::JsonQuote;

    std::string folders = "[";
    for (size_t i = 0; i < s.searchPaths.size(); ++i) folders += (i ? ", " : "") + JsonQuote(s.searchPaths[i]);
    folders += "]";
    std::string buttons = "[";
    for (size_t i = 0; i < p.buttonCount; ++i)
        buttons += (i ? ", [" : "[") + std::to_string(p.buttons[i].keyCode) + ", " + std::to_string(p.buttons[i].action) + "]";
    buttons += "]";
    std::printf("{\"port\": %s, \"baud\": %u, \"external\": %s, \"folders\": %s, \"buttons\": %s, "
                "\"lcd_cap\": %d, \"lcd_min\": %d}\n",
                JsonQuote(s.port).c_str(), s.baud, s.flags.gpsBt() ? "true" : "false", folders.c_str(),
                buttons.c_str(), p.lcdCapability, p.lcdMinimum);
    return 0;
}

}  // namespace

TREKTOOL_COMMAND("profile", "profile                         the device profile of this device, as JSON", RunProfile);

}  // namespace trek::tool
