#pragma once
// The main window and everything it runs: the panes and views, the message
// loop's rules, the private messages of the receiver, the timers, the
// handover from a second instance, power notifications and the shutdown.
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/InputGate.h"
#include "app/PowerWatch.h"
#include "app/ProximitySounds.h"
#include "app/RecordingSession.h"
#include "app/SoundPlayer.h"
#include "platform/core/DynamicLibrary.h"
#include "platform/gui/Accelerators.h"
#include "platform/gui/InstanceHandover.h"
#include "platform/gui/MenuBar.h"
#include "platform/gui/MountWatcher.h"
#include "platform/gui/WindowSystem.h"
#include "settings/ButtonActions.h"
#include "ui/ViewHost.h"

namespace trek {

class Settings;
class GpsConnection;
class TourImport;
class ShellImportObserver;

// Private messages of our own, beyond the receiver's.
enum : uint32_t {
    UM_SAVE_STATE = platform::WM_USER + 260,   // 1284
    UM_NAV_WHEEL = platform::WM_USER + 200,    // 1224
    UM_SHOW_MESSAGE = platform::WM_USER + 300,  // payload: ShellMessage, shown on the UI thread
    UM_REACTIVATE = platform::WM_USER + 301,    // re-activate the visible views
    UM_IMPORT_DONE = platform::WM_USER + 302,   // an import ended (payload: the tour path)
};

// Window ids and the commands the shell handles itself.
enum : int {
    ID_INFO_STRIP = 16,
    ID_PANE_B = 20,
    ID_PANE_A = 21,
    ID_CMD_DESTROY = 40001,
    ID_CMD_ZOOM_1 = 40012,
    ID_CMD_ZOOM_2 = 40013,
    ID_CMD_PAUSE_OLD = 40015,
    ID_CMD_AUTOSCROLL = 40031,
    ID_CMD_EXIT = 40056,
    ID_CMD_FULLSCREEN = 40126,
    ID_CMD_GPS_SETTINGS = 40204,
    ID_CMD_DIM = 40220,
    ID_CMD_MVV = 40232,
    ID_CMD_MVG = 40269,
    ID_CMD_PAUSE = 40278,
    ID_CMD_VSPLIT = 40330,
    ID_CMD_HSPLIT = 40331,
};

// Timers of our own beside the table's.
enum : uint32_t { TIMER_DEVICE_RELOAD = 108 };

struct ShellOptions {
    std::string title = "Trekvane";
    std::string programFolder;
    std::string gpsPortOverride;  // --gps
    bool sound = true;            // false headless
};

class Shell : public ButtonActionTarget {
public:
    static constexpr uint32_t kTickMs = 500;
    static constexpr uint32_t kLongKeyMs = 600;
    static constexpr uint32_t kDimHoldMs = 1000;
    static constexpr uint32_t kReconnectDelayMs = 10000;

    Shell(platform::WindowSystem& system, Settings& settings, ViewHost& host, GpsConnection& gps,
          ShellOptions options);
    ~Shell() override;
    Shell(const Shell&) = delete;
    Shell& operator=(const Shell&) = delete;

    // ---- start-up ----
    void setStarting(bool on) { starting_ = on; }
    void setInitialised() { initialised_ = true; }
    // Creates the catalogue, the main window, its panes, views and menu bar,
    // loads the catalogue and reopens the recorded tour. False: "Error 0x%X".
    bool createMainWindow();
    // The command line of this run or of a second instance.
    void openCommandLine(const std::string& commandLine);
    // Step 12: the window to the front; tell about a paused recording.
    void bringToFront();
    // The message loop until WM_QUIT; returns its code.
    int run();

    platform::Window* mainWindow() const { return main_; }
    RecordingSession& recording() { return recording_; }

    // ---- button actions ----
    void zoomStep(int delta) override;
    void pan(int dx, int dy) override;
    void toggleFullScreen() override;
    void openSettings() override;
    void showLayout(int index) override;
    void toggleManagerList() override;
    void fullScreenMenuKey() override;
    void sendTab() override;
    void nextLayout() override;
    void toggleFollowGps() override;
    void addPoiHere() override;

private:
    // creation
    void createPanes();
    void createMenuBar();
    void createViews();
    void openNavigationWheel();
    void startReceiver();
    void layoutScreen();

    // window procedures
    int64_t mainProc(platform::Window& w, const platform::Message& m);
    int64_t paneProc(platform::Window& w, const platform::Message& m);

    // messages of the main window
    void onCreate();
    void onPaint();
    void onSettingChange(uint64_t wParam);
    void onActivate(uint64_t wParam);
    void onSaveState(uint64_t wParam);
    void onKeyDown(const platform::Message& m);
    void onKeyUp(const platform::Message& m);
    void onWheel(int delta);
    void onNavigationWheel(uint64_t wParam);
    void onVScroll(const platform::Message& m);
    void onDeviceChange(const platform::Message& m);
    int64_t onCopyData(const platform::Message& m);
    void onPosition();
    void onSatellites();
    void onRawData();
    void onTimer(uint32_t id);
    void onTick();
    void onDimTimer();
    void onInitMenuPopup();
    int64_t onNotify(const platform::Message& m);
    void onCommand(int id);
    void onDimButton();
    void onDestroy();

    // helpers
    void syncClockOnce(const GpsFix& fix);
    void updateProximity(const GpsFix& fix);
    void setLayout(uint32_t command, bool fromMenu);
    void toggleSplit(bool vertical);
    void setBacklight(int level);
    void doButtonAction(int action);
    bool foregroundIsOurs() const;
    void message(const std::string& text, const std::string& caption);
    void postMessage(const std::string& text, const std::string& caption);
    void onPower(uint32_t flags);
    void scheduleReconnect(uint32_t delayMs);
    void importFile(const std::string& path);
    void reloadCatalogue(bool rescanSymbols, const std::string& rememberedMap = {});
    void scanPoiSymbols();
    void showRecordedTour(bool on);
    void runDeferredCloses();

    platform::WindowSystem& system_;
    Settings& settings_;
    ViewHost& host_;
    GpsConnection& gps_;
    ShellOptions options_;

    platform::Window* main_ = nullptr;
    platform::Window* paneA_ = nullptr;
    platform::Window* paneB_ = nullptr;
    platform::Window* infoStrip_ = nullptr;
    std::unique_ptr<platform::MenuBar> menuBar_;
    std::vector<std::unique_ptr<View>> views_;
    platform::AcceleratorTable accelerators_;
    InputGate gate_;
    WheelAccumulator wheel_;
    RecordingSession recording_;
    SoundPlayer sounds_;
    ProximitySounds proximity_;
    platform::InstanceHandover handover_;
    platform::MountWatcher mounts_;
    std::unique_ptr<PowerWatch> power_;
    std::unique_ptr<ShellImportObserver> importObserver_;
    std::vector<std::unique_ptr<TourImport>> imports_;
    platform::DynamicLibrary navWheel_;
    std::mutex reconnectMutex_;
    std::vector<std::thread> reconnectThreads_;

    // state
    std::atomic<bool> starting_{true};
    bool initialised_ = false;
    std::atomic<bool> readyForPainting_{false};
    std::atomic<bool> quit_{false};
    bool savePending_ = true;
    bool clockSet_ = false;
    bool keyDown_ = false;
    bool longPress_ = false;
    bool swallowing_ = false;
    bool menuTookKey_ = false;
    bool dimHeld_ = false;
    int lastScrollPos_ = 0;
    bool deviceArrived_ = false;
    bool deviceRemoved_ = false;
    int orientation_ = 0;
};

}  // namespace trek
