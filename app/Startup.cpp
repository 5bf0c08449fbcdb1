#include "app/Startup.h"

#include <cstdio>
#include <ctime>
#include <memory>

#include "app/AppOptions.h"
#include "app/FirstStartDialogs.h"
#include "app/Shell.h"
#include "app/Trace.h"
#include "gps/GpsConnection.h"
#include "platform/core/Oem.h"
#include "platform/core/Paths.h"
#include "platform/core/Registry.h"
#include "platform/gui/InstanceHandover.h"
#include "platform/gui/MessageBox.h"
#include "platform/gui/WindowSystem.h"
#include "settings/DeviceProfile.h"
#include "settings/LanguageTable.h"
#include "settings/Settings.h"
#include "ui/ViewHost.h"

namespace trek {

namespace {

constexpr uint32_t kStringTitle = 1;
constexpr uint32_t kStringRecordingPaused = 40228;

void ApplyLocations(const AppOptions& o) {
    if (!o.root.empty()) platform::SetDeviceRoot(o.root);
    if (!o.registry.empty()) platform::SetRegistryFile(o.registry);
    if (o.oem) platform::SetOemInfo(*o.oem);
}

std::string Title() {
    std::string title = BuiltinString(kStringTitle);
    return title.empty() ? "Trekvane" : title;
}

bool HasInstallMark(const Settings& settings) {
    return settings.registry().value(platform::HKey::LocalMachine, kSettingsKey, "Install").has_value();
}

}  // namespace

double LocalUtcOffsetHours() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return static_cast<double>(local.tm_gmtoff) / 3600.0;
}

int RunTrekvane(const std::vector<std::string>& args) {
    AppOptions options;
    std::string error;
    if (!ParseAppOptions(args, options, &error)) {
        std::fprintf(stderr, "trekvane: %s\n", error.c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(AppUsage().c_str(), stdout);
        return 0;
    }
    if (!options.trace.empty() && !OpenShellTrace(options.trace)) {
        std::fprintf(stderr, "trekvane: cannot write %s\n", options.trace.c_str());
        return 2;
    }
    ApplyLocations(options);

    // A running instance takes the command line and comes to the front.
    const std::string title = Title();
    if (platform::InstanceHandover::handOver(title, options.commandLine)) {
        ShellTrace("handed over to the running instance");
        return 0;
    }

    // The OEM string and the program folder, then the settings.
    const std::string oem = platform::OemInfo();
    const std::string programFolder = platform::ProgramFolder();
    Settings& settings = Settings::instance();
    settings.setLanguageFolder(programFolder);
    ViewHost& host = ViewHost::instance();
    LoadDeviceProfile(&error);
    if (!error.empty()) std::fprintf(stderr, "trekvane: device profile: %s\n", error.c_str());
    host.backlight().lcdCapability = DeviceProfile::current().lcdCapability;
    settings.registerTodayItem();
    settings.loadLanguage(settings.languageCode);
    ShellTrace("oem \"%s\", program folder %s, language \"%s\"", oem.c_str(), programFolder.c_str(),
               settings.languageCode.c_str());

    platform::MessageLoop& loop = platform::MessageLoop::main();
    loop.bindToCurrentThread();
    platform::WindowSystem system(loop, platform::CreateBackend(options.display, title));
    if (!options.display.script.empty() && !system.loadScript(options.display.script, &error)) {
        std::fprintf(stderr, "trekvane: %s\n", error.c_str());
        return 2;
    }
    system.setScreenshotAtExit(options.display.screenshot);
    host.setDpi(system.dpi());

    // First start.
    const bool install = HasInstallMark(settings);
    if (install) RunLanguageDialog(system, settings);
    int exitCode = 0;
    {
        ShellOptions shellOptions;
        shellOptions.title = title;
        shellOptions.programFolder = programFolder;
        shellOptions.gpsPortOverride = options.gps;
        shellOptions.sound = !system.headless();
        Shell shell(system, settings, host, GpsConnection::instance(), shellOptions);
        shell.setInitialised();
        if (install || (!settings.hasSavedSettings() && !settings.registry().value(platform::HKey::LocalMachine, kSettingsKey, "GPSSyncTime")))
            RunLocalTimeDialog(system, settings, LocalUtcOffsetHours());
        shell.setStarting(true);
        // The zone of this machine (the dialog's default) is read by the C library.
        tzset();

        if (!shell.createMainWindow()) return 1;
        shell.openCommandLine(options.commandLine);
        shell.bringToFront();
        exitCode = shell.run();
    }
    ViewHost::destroyInstance();
    ShellTrace("exit %d", exitCode);
    CloseShellTrace();
    return exitCode;
}

}  // namespace trek
