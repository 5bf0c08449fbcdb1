#include "app/Shell.h"

#include <cerrno>
#include <chrono>
#include <cinttypes>
#include <cstdio>

#include "app/CatalogueBridge.h"
#include "app/GpsSettingsDialog.h"
#include "app/KeyHandler.h"
#include "app/Trace.h"
#include "geo/GeoDistance.h"
#include "gps/GpsConnection.h"
#include "gps/GpsFix.h"
#include "gps/GpsMessages.h"
#include "platform/core/Clock.h"
#include "platform/core/Paths.h"
#include "platform/gui/GuiMessages.h"
#include "platform/gui/MessageBox.h"
#include "platform/gui/VirtualKeys.h"
#include "platform/gui/dialog/Dialog.h"
#include "settings/DeviceProfile.h"
#include "settings/LanguageTable.h"
#include "settings/Settings.h"
#include "tours/exchange/TourImport.h"
#include "ui/ViewFactory.h"
#include "ui/views/PoiSymbols.h"
#include "ui/views/TrackingView.h"

namespace trek {

using platform::Message;
using platform::Rect;
using platform::Window;

namespace {

constexpr uint32_t kPaneGrey = 0xE0E0E0;
constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kStringTitlePaused = 40228;
constexpr uint32_t kStringResume = 217;
constexpr int kViewCount = 8;

// A message box wanted by another thread, shown by the UI thread.
struct ShellMessage {
    std::string text;
    std::string caption;
};

// Accelerator table 5.
platform::AcceleratorTable Accelerators5() {
    using platform::FALT;
    using platform::FCONTROL;
    using platform::FVIRTKEY;
    platform::AcceleratorTable t;
    for (uint16_t i = 0; i < 6; ++i) t.add({FVIRTKEY | FCONTROL, static_cast<uint32_t>('1' + i), static_cast<uint16_t>(40003 + i)});
    const struct {
        char key;
        uint16_t command;
    } rows[] = {{'D', 219}, {'E', 40054}, {'F', 1151}, {'G', 40027}, {'H', 1147}, {'I', 40128},
                {'J', 2144}, {'O', 40274}, {'N', 40061}, {'Q', 40056}};
    for (const auto& r : rows) t.add({FVIRTKEY | FCONTROL, static_cast<uint32_t>(r.key), r.command});
    t.add({FVIRTKEY | FALT, 0xBF, 40002});  // Alt + "/"
    return t;
}

// The fixed drawing of the menu-bar icons (the resource bitmap 135 of the handheld).
platform::Bitmap MakeIcon(int kind) {
    platform::Bitmap icon(20, 20, 0xFFFF00FF);  // magenta is transparent
    platform::Canvas c(icon);
    c.setAntialias(false);  // smooth edges would blend into the transparent colour
    c.setPen(platform::Pen{0, 2});
    c.setBrush(platform::Brush::hollow());
    switch (kind) {
        case 0:  // follow the GPS: a target
            c.ellipse({3, 3, 17, 17});
            c.fillRect({9, 9, 11, 11}, 0);
            break;
        case 1:  // zoom, action 1
        case 2:  // zoom, action 2
            c.ellipse({2, 2, 14, 14});
            c.line(12, 12, 18, 18);
            c.line(5, 8, 11, 8);
            if (kind == 1) c.line(8, 5, 8, 11);
            break;
        default:  // full screen: a frame with corners
            c.rectangle({2, 4, 18, 16});
            c.fillRect({2, 4, 7, 6}, 0);
            c.fillRect({13, 14, 18, 16}, 0);
            break;
    }
    return icon;
}

}  // namespace

// Import results reach the UI thread as posted messages.
class ShellImportObserver : public ImportObserver {
public:
    explicit ShellImportObserver(Window* main) : main_(main) {}
    void importMessage(const std::string& text, const std::string& caption) override {
        main_->post(UM_SHOW_MESSAGE, 0, 0, std::make_shared<ShellMessage>(ShellMessage{text, caption}));
    }
    void importFinished(const std::string& tourPath, bool ok) override {
        ShellTrace("import finished %s %s", ok ? "ok" : "failed", tourPath.c_str());
        main_->post(UM_IMPORT_DONE, ok ? 1 : 0, 0, std::make_shared<std::string>(tourPath));
    }

private:
    Window* main_;
};

Shell::Shell(platform::WindowSystem& system, Settings& settings, ViewHost& host, GpsConnection& gps,
             ShellOptions options)
    : system_(system),
      settings_(settings),
      host_(host),
      gps_(gps),
      options_(std::move(options)),
      accelerators_(Accelerators5()),
      gate_(host),
      recording_(&CurrentGpsFix()),
      sounds_(options_.sound),
      proximity_(ProximitySounds::Hooks{
          [this](uint32_t id, uint32_t ms) { if (main_) main_->setTimer(id, ms); },
          [this](uint32_t id) { if (main_) main_->killTimer(id); },
          [this](int row) {
              // The file the user put in the data folder, else the one we ship.
              char name[32];
              std::snprintf(name, sizeof name, "proximity%d.wav", row + 1);
              std::string own = platform::MapPath(platform::JoinDevicePath("\\", name));
              bool played = sounds_.play(own) || sounds_.play(options_.programFolder + "/sounds/" + name);
              ShellTrace("sound %d%s", row + 1, played ? "" : " (silent)");
          }}) {}

Shell::~Shell() {
    quit_ = true;
    if (power_) power_->stop();
    for (auto& t : reconnectThreads_)
        if (t.joinable()) t.join();
    RegisterButtonActionTarget(nullptr);
}

// ---- creation ------------------------------------------------------------------

bool Shell::createMainWindow() {
    scanPoiSymbols();

    platform::WindowDesc d;
    d.className = options_.title;
    d.title = options_.title;
    d.background = kWhite;
    main_ = system_.create(d, [this](Window& w, const Message& m) { return mainProc(w, m); });
    if (!main_) {
        char text[32];
        std::snprintf(text, sizeof text, "Error 0x%X", static_cast<unsigned>(errno));
        message(text, "Error");
        return false;
    }
    system_.setMainWindow(main_);
    onCreate();
    openNavigationWheel();
    main_->show(true);
    system_.updateNow();

    // The catalogue, then ready to paint; the map of the last run is shown again.
    reloadCatalogue(false, settings_.readSelectedMap());
    readyForPainting_ = true;
    main_->invalidate();
    return true;
}

void Shell::onCreate() {
    host_.setMainWindow(main_);
    host_.setDpi(system_.dpi());
    orientation_ = static_cast<int>(host_.flags().displayOrientation());

    std::string error;
    power_ = std::make_unique<PowerWatch>(OpenDefaultPowerSource(&error), [this](uint32_t flags) { onPower(flags); });
    if (!error.empty()) ShellTrace("power notifications: %s", error.c_str());
    power_->start();

    createPanes();
    if (host_.fullScreen())
        ShellTrace("full screen");
    else
        createMenuBar();
    createViews();
    main_->send(platform::WM_SETTINGCHANGE, platform::SETTINGCHANGE_RESET);

    host_.applySplit();
    host_.applyStartLayout();
    ShellTrace("layout %u", host_.layoutCommand());

    // The tour that was being recorded goes on.
    if (recording_.reopen()) {
        ShellTrace("recording %s", recording_.tourPath().c_str());
        showRecordedTour(true);
    }

    main_->setTimer(TIMER_TICK, kTickMs);
    importObserver_ = std::make_unique<ShellImportObserver>(main_);
    RegisterButtonActionTarget(this);
    host_.setRawCaptureHook([this](bool nmea) { gps_.setNmeaViewCurrent(nmea); });
    startReceiver();
    std::string why;
    if (!handover_.listen(options_.title, system_.loop(), main_->id(), &why))
        ShellTrace("handover: %s", why.c_str());
    mounts_.start(system_.loop(), main_->id());
    main_->send(UM_POSITION);
}

void Shell::createPanes() {
    platform::WindowDesc info;
    info.className = "InfoWindow";
    info.parent = main_;
    info.controlId = ID_INFO_STRIP;
    info.background = kWhite;
    infoStrip_ = system_.create(info, [this](Window& w, const Message& m) { return paneProc(w, m); });

    platform::WindowDesc pane;
    pane.className = "ChildWindow";
    pane.parent = main_;
    pane.background = kPaneGrey;
    pane.controlId = ID_PANE_A;
    paneA_ = system_.create(pane, [this](Window& w, const Message& m) { return paneProc(w, m); });
    pane.controlId = ID_PANE_B;
    paneB_ = system_.create(pane, [this](Window& w, const Message& m) { return paneProc(w, m); });

    host_.setPaneWindow(Pane::InfoStrip, infoStrip_);
    host_.setPaneWindow(Pane::A, paneA_);
    host_.setPaneWindow(Pane::B, paneB_);
}

void Shell::createMenuBar() {
    menuBar_ = std::make_unique<platform::MenuBar>(system_, main_);
    if (!menuBar_->window()) {
        menuBar_.reset();
        message("Menubar failed to creat", "Error");
        return;
    }
    platform::Menu* view = menuBar_->popup(menuBar_->addPopup("View"));
    const char* layouts[] = {"Tracking", "Profile", "Roadbook-Navi", "GeoCaching", "Satellites", "NMEA"};
    for (int i = 0; i < ViewHost::kLayoutCount; ++i) view->append(ID_LAYOUT_TRACKING + i, layouts[i]);
    view->appendSeparator();
    view->append(ID_CMD_VSPLIT, "Split vertical");
    view->append(ID_CMD_HSPLIT, "Split horizontal");
    platform::Menu* tools = menuBar_->popup(menuBar_->addPopup("Tools"));
    tools->append(ID_CMD_GPS_SETTINGS, "GPS Settings");
    tools->appendSeparator();
    tools->append(ID_CMD_EXIT, "Exit");
    // As the handheld's shell does after creating the bar.
    tools->insert(0, platform::MenuItem{});
    tools->insert(0, platform::MenuItem{ID_CMD_MVV, "MVV-Auskunft"});
    tools->insert(0, platform::MenuItem{ID_CMD_MVG, "MVG live"});
    platform::Menu* tour = menuBar_->popup(menuBar_->addPopup("Tour"));
    tour->append(ID_CMD_PAUSE, "&Pause");
    menuBar_->addButton(ID_CMD_AUTOSCROLL, MakeIcon(0), 0xFF00FF);
    menuBar_->addButton(ID_CMD_ZOOM_1, MakeIcon(1), 0xFF00FF);
    menuBar_->addButton(ID_CMD_ZOOM_2, MakeIcon(2), 0xFF00FF);
    menuBar_->addButton(ID_CMD_FULLSCREEN, MakeIcon(3), 0xFF00FF);
    menuBar_->addOwnerDrawButton(ID_CMD_DIM);
    host_.setMenuBar(menuBar_->window());
}

void Shell::createViews() {
    // Creation order, then the order of the view table.
    const struct {
        ViewKind kind;
        Window* window;
    } created[kViewCount] = {
        {ViewKind::SmallInfo, infoStrip_}, {ViewKind::Nmea, paneA_},       {ViewKind::Profile, paneA_},
        {ViewKind::TrackingA, paneA_},     {ViewKind::TrackingB, paneB_},  {ViewKind::GeoCaching, paneA_},
        {ViewKind::Satellites, paneA_},    {ViewKind::Roadbook, paneA_},
    };
    for (const auto& c : created) views_.push_back(CreateView(c.kind, c.window));
    const ViewKind registered[kViewCount] = {ViewKind::SmallInfo, ViewKind::Nmea,      ViewKind::Satellites,
                                             ViewKind::Profile,   ViewKind::Roadbook,  ViewKind::TrackingB,
                                             ViewKind::TrackingA, ViewKind::GeoCaching};
    for (ViewKind kind : registered)
        for (auto& v : views_)
            if (v && v->kind() == kind) host_.registerView(v.get());

    const MapPosition position = settings_.readMapPosition();
    const std::string map = settings_.readSelectedMap();
    for (Pane pane : {Pane::A, Pane::B})
        if (TrackingViewBase* t = host_.trackingView(pane)) t->restoreMapPosition(position, map);
    // The installer's mark is spent once the tracking view exists.
    settings_.registry().deleteValue(platform::HKey::LocalMachine, kSettingsKey, "Install");
}

void Shell::openNavigationWheel() {
    // The navigation-wheel library of some handhelds; none is normal.
    if (!navWheel_.open(options_.programFolder + "/HTCAPI.so")) return;
    auto open = reinterpret_cast<int (*)(void*, int)>(navWheel_.symbol("HTCNavOpen"));
    auto mode = reinterpret_cast<int (*)(void*, int)>(navWheel_.symbol("HTCNavSetMode"));
    auto close = navWheel_.symbol("HTCNavClose");
    if (!open || !mode || !close) {
        message("Unable to find entry point", "HError");
        navWheel_.close();
        return;
    }
    open(main_, 1);
    mode(main_, 4);
}

void Shell::startReceiver() {
    GpsConnection::Config config;
    config.port = options_.gpsPortOverride.empty() ? settings_.port : options_.gpsPortOverride;
    config.baud = settings_.baud;
    config.window = main_->id();
    config.options = GpsReceiverOptions::FromSettings();
    config.options.loop = &system_.loop();
    gps_.configure(config);
    ShellTrace("gps port %s", config.port.c_str());
    // Opening may take a while (a Bluetooth port); the window does not wait for it.
    scheduleReconnect(0);
}

void Shell::scheduleReconnect(uint32_t delayMs) {
    std::lock_guard<std::mutex> lock(reconnectMutex_);
    reconnectThreads_.emplace_back([this, delayMs] {
        for (uint32_t waited = 0; waited < delayMs && !quit_; waited += 100)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (quit_) return;
        bool ok = gps_.reconnect();
        ShellTrace("gps reconnect %s", ok ? "open" : "failed");
    });
}

void Shell::layoutScreen() {
    platform::Size screen = system_.screenSize();
    int bar = 0;
    if (menuBar_ && !host_.fullScreen()) {
        menuBar_->layout();
        bar = menuBar_->height();
    }
    main_->move({0, 0, screen.width, screen.height - bar});
    host_.layoutPanes(main_->clientRect());
}

// ---- the loop -------------------------------------------------------------------

int Shell::run() {
    Message m;
    while (system_.getMessage(m)) {
        Window* target = system_.find(m.window);
        gate_.inspect(m, target);
        platform::Dialog* modeless = host_.modelessDialog();
        if (modeless && modeless->isDialogMessage(m)) {
            runDeferredCloses();
            continue;
        }
        if (!platform::TranslateAccelerator(system_, main_, accelerators_, m)) {
            if (gate_.admits(m)) {
                system_.translateMessage(m);
                system_.dispatch(m);
            }
        }
        runDeferredCloses();
    }
    if (navWheel_.isOpen()) {
        if (auto close = reinterpret_cast<int (*)(void*)>(navWheel_.symbol("HTCNavClose"))) close(main_);
        navWheel_.close();
    }
    return static_cast<int>(m.wParam);
}

void Shell::runDeferredCloses() {
    for (Window* w : host_.takeDeferredCloses())
        if (system_.find(w->id()) == w) system_.destroy(w);
}

// ---- window procedures ---------------------------------------------------------

int64_t Shell::paneProc(Window& w, const Message& m) {
    if (m.message == platform::WM_PAINT) {
        platform::Canvas canvas = w.canvas();
        if (readyForPainting_) host_.paintViewsOf(&w, canvas);
        return 0;
    }
    if (View* v = host_.shownViewOf(&w)) {
        int64_t result = 0;
        if (v->onMessage(m, result)) return result;
    }
    return platform::DefaultWindowProc(w, m);
}

int64_t Shell::mainProc(Window& w, const Message& m) {
    using namespace platform;
    switch (m.message) {
        case WM_PAINT: onPaint(); return 0;
        case WM_SETFOCUS:
        case WM_KILLFOCUS: return 0;
        case WM_SETTINGCHANGE: onSettingChange(m.wParam); return 0;
        case WM_ACTIVATE: onActivate(m.wParam); return 0;
        case UM_SAVE_STATE: onSaveState(m.wParam); return 0;
        case WM_KEYDOWN: onKeyDown(m); return 0;
        case WM_KEYUP: onKeyUp(m); return 0;
        case WM_MOUSEWHEEL: onWheel(WheelDelta(m.wParam)); return 0;
        case UM_NAV_WHEEL: onNavigationWheel(m.wParam); return 0;
        case WM_INITMENUPOPUP: onInitMenuPopup(); return 0;
        case WM_NOTIFY: return onNotify(m);
        case WM_MEASUREITEM: {
            auto* mi = FromLParam<MeasureItem>(m.lParam);
            if (!mi || mi->itemId != ID_CMD_DIM) return 0;
            mi->width = 30;
            mi->height = 20;
            return 1;
        }
        case WM_DRAWITEM: {
            auto* di = FromLParam<DrawItem>(m.lParam);
            if (!di || di->itemId != ID_CMD_DIM) return 0;
            Rect r{di->left, di->top, di->right, di->bottom};
            di->canvas->fillRect(r, 0xC0C0C0);
            // Dark while the backlight is not at its normal level.
            if (!host_.atNormalLevel()) di->canvas->fillRect(r.inflate(-2, -2), 0x808080);
            di->canvas->setTextColor(0);
            di->canvas->setBackgroundMode(BackgroundMode::Transparent);
            std::string dim = UiString(40221);
            di->canvas->drawText(dim.empty() ? "Dim" : dim, r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
            return 1;
        }
        case WM_COMMAND: onCommand(static_cast<int>(LoWord(m.wParam))); return 0;
        case WM_VSCROLL: onVScroll(m); return 0;
        case WM_DEVICECHANGE: onDeviceChange(m); return 0;
        case WM_COPYDATA: return onCopyData(m);
        case WM_TIMER: onTimer(static_cast<uint32_t>(m.wParam)); return 0;
        case UM_POSITION: onPosition(); return 0;
        case UM_SATELLITES: onSatellites(); return 0;
        case UM_RAW_DATA: onRawData(); return 0;
        case UM_SHOW_MESSAGE: {
            auto* sm = static_cast<const ShellMessage*>(m.payload.get());
            if (sm) message(sm->text, sm->caption);
            return 0;
        }
        case UM_REACTIVATE: host_.reactivateVisibleViews(); return 0;
        case UM_IMPORT_DONE: host_.reactivateVisibleViews(); return 0;
        case WM_DESTROY: onDestroy(); return 0;
        default: return DefaultWindowProc(w, m);
    }
}

void Shell::onPaint() {
    if (!readyForPainting_) return;
    platform::Canvas canvas = main_->canvas();
    host_.paintViewsOf(main_, canvas);
}

void Shell::onSettingChange(uint64_t wParam) {
    host_.recomputeScreenCentre(main_->clientRect());
    if (wParam != platform::SETTINGCHANGE_RESET) return;
    layoutScreen();
    host_.recomputeScreenCentre(main_->clientRect());
    host_.reactivateVisibleViews();
    // This display has no rotation of its own: what it reports is 0 degrees.
    host_.flags().set_displayOrientation(0);
}

void Shell::onActivate(uint64_t wParam) {
    if (platform::LoWord(wParam) != platform::WA_ACTIVE) return;
    // The stored orientation is the display's own here (no rotation).
    if (!starting_ && savePending_) {
        savePending_ = false;
        main_->post(UM_SAVE_STATE, 1, 1);
    }
}

void Shell::onSaveState(uint64_t wParam) {
    if (wParam == 0 || starting_) return;
    settings_.registerFileAssociation();  // with the save stamp "cfg2"
    std::string error;
    bool ok = settings_.exportBackup(&error);
    ShellTrace("state saved%s%s", ok ? "" : ": ", error.c_str());
    savePending_ = true;
}

// ---- keys, wheel, scrolling -------------------------------------------------------

void Shell::onKeyDown(const Message& m) {
    uint32_t vk = static_cast<uint32_t>(m.wParam) & 0xFF;
    if (!keyDown_) {
        keyDown_ = true;
        longPress_ = false;
        main_->setTimer(TIMER_LONGKEY, kLongKeyMs);
    }
    if (host_.backlight().swallowNextKey) {
        host_.backlight().swallowNextKey = false;
        swallowing_ = true;
        ShellTrace("key %u swallowed", vk);
        return;
    }
    if (swallowing_) return;  // the swallowed key repeating
    ShellTrace("key %u down", vk);
    if (auto action = ButtonActionForKey(DeviceProfile::current(), vk, false, false)) doButtonAction(*action);
}

void Shell::onKeyUp(const Message& m) {
    uint32_t vk = static_cast<uint32_t>(m.wParam) & 0xFF;
    if (!swallowing_ && !menuTookKey_) {
        ShellTrace("key %u up%s", vk, longPress_ ? " long" : "");
        if (auto action = ButtonActionForKey(DeviceProfile::current(), vk, true, longPress_)) doButtonAction(*action);
    }
    host_.backlight().swallowNextKey = false;
    swallowing_ = false;
    menuTookKey_ = false;
    keyDown_ = false;
    longPress_ = false;
    main_->killTimer(TIMER_LONGKEY);
}

void Shell::onWheel(int delta) {
    int step = wheel_.add(delta);
    if (step > 0) doButtonAction(1);
    if (step < 0) doButtonAction(2);
}

void Shell::onNavigationWheel(uint64_t wParam) {
    uint32_t direction = (wParam >> 8) & 0xF;
    if (direction == 0x8) doButtonAction(1);
    if (direction == 0x9) doButtonAction(2);
}

void Shell::onVScroll(const Message& m) {
    uint32_t code = platform::LoWord(m.wParam);
    if (code != platform::SB_THUMBTRACK && code != platform::SB_THUMBPOSITION) return;
    int pos = static_cast<int>(platform::HiWord(m.wParam));
    int dy = pos - lastScrollPos_;
    lastScrollPos_ = pos;
    if (TrackingViewBase* t = host_.currentTrackingView()) t->scrollBy(0, dy);
}

void Shell::doButtonAction(int action) {
    ShellTrace("button action %d", action);
    DoButtonAction(action);
}

// ---- storage that comes and goes --------------------------------------------------

void Shell::onDeviceChange(const Message& m) {
    setBacklight(static_cast<int>(host_.flags().normalLevel()));
    auto* point = static_cast<const std::string*>(m.payload.get());
    ShellTrace("device %s %s", m.wParam == platform::DBT_DEVICEARRIVAL ? "arrival" : "removal", point ? point->c_str() : "");
    if (m.wParam == platform::DBT_DEVICEARRIVAL) deviceArrived_ = true;
    if (m.wParam == platform::DBT_DEVICEREMOVECOMPLETE) deviceRemoved_ = true;
    if (starting_) return;
    if (!catalogue_bridge::Busy() && readyForPainting_) {
        // The card needs a moment before its folders can be read.
        main_->setTimer(TIMER_DEVICE_RELOAD, 1000);
    } else if (m.wParam == platform::DBT_DEVICEARRIVAL) {
        readyForPainting_ = true;
        host_.reactivateVisibleViews();
    }
}

void Shell::reloadCatalogue(bool rescanSymbols, const std::string& rememberedMap) {
    // The rebuild frees every map entry: the maps shown let go of theirs first
    // and take the one of the same name again afterwards.
    std::string shown[2];
    const Pane panes[2] = {Pane::A, Pane::B};
    for (int i = 0; i < 2; ++i) {
        auto* t = dynamic_cast<TrackingView*>(host_.trackingView(panes[i]));
        if (!t) continue;
        shown[i] = t->currentMap() ? t->selectedMap() : rememberedMap;
        t->selectMap(nullptr, std::nullopt, true);
    }
    catalogue_bridge::Reload(settings_, options_.programFolder);
    if (rescanSymbols) scanPoiSymbols();
    for (int i = 0; i < 2; ++i)
        if (TrackingViewBase* t = host_.trackingView(panes[i]); t && !shown[i].empty())
            t->restoreMapPosition(t->mapPosition(), shown[i]);
    ShellTrace("catalogue loaded");
}

void Shell::scanPoiSymbols() {
    // The POI folder is "POI" in the data folder, the first search path.
    const std::string data = settings_.searchPaths.empty() ? std::string("\\") : settings_.searchPaths.front();
    const std::string folder = platform::MapPath(platform::JoinDevicePath(data, "POI")) + "/";
    PoiSymbolLibrary::instance().scan(folder);
    ShellTrace("poi symbols %zu in %s", PoiSymbolLibrary::instance().registry().symbols().size(), folder.c_str());
}

void Shell::showRecordedTour(bool on) {
    // The tracking views read the recorded file as the recorder writes it.
    std::vector<Tour*> tours;
    if (on && recording_.recording()) tours.push_back(&recording_.recording()->tour());
    for (Pane pane : {Pane::A, Pane::B})
        if (auto* t = dynamic_cast<TrackingView*>(host_.trackingView(pane))) t->setExtraTours(tours);
}

// ---- a second instance ---------------------------------------------------------------

int64_t Shell::onCopyData(const Message& m) {
    auto* data = static_cast<const platform::CopyData*>(m.payload.get());
    if (!data || data->dwData != platform::InstanceHandover::kOpenFile) return 0;
    system_.backend().raise();
    main_->show(true);
    if (data->data.empty()) {
        ShellTrace("handover (no file)");
        return 0;
    }
    std::string commandLine = platform::InstanceHandover::decodeCommandLine(data->data);
    ShellTrace("handover %s", commandLine.c_str());
    openCommandLine(commandLine);
    return 1;
}

void Shell::openCommandLine(const std::string& commandLineIn) {
    std::string path = commandLineIn;
    // A quoted name arrives with its quotes.
    if (path.size() >= 2 && path.front() == '"' && path.back() == '"') path = path.substr(1, path.size() - 2);
    if (path.empty()) return;
    if (catalogue_bridge::IsMapFile(path)) {
        std::string error;
        bool ok = catalogue_bridge::OpenMap(path, settings_.eastLetter(), &error);
        ShellTrace("map %s %s", ok ? "opened" : "failed", path.c_str());
        if (!ok) message(error, "Error");
        host_.reactivateVisibleViews();
        return;
    }
    importFile(path);
}

void Shell::importFile(const std::string& path) {
    if (catalogue_bridge::KnowsTour(path)) {
        ShellTrace("tour known %s", path.c_str());
        return;
    }
    ImportRequest request;
    request.source = path;
    request.recordingPath = recording_.tourPath();
    auto import = std::make_unique<TourImport>();
    TourImport::Start started = import->start(request, *importObserver_);
    switch (started) {
        case TourImport::Start::Started:
            ShellTrace("import started %s", path.c_str());
            imports_.push_back(std::move(import));
            break;
        case TourImport::Start::TourFile: ShellTrace("tour file %s", path.c_str()); break;
        case TourImport::Start::UnknownExtension: ShellTrace("not a tour or map %s", path.c_str()); break;
        case TourImport::Start::CannotOpen: ShellTrace("cannot open %s", path.c_str()); break;
        case TourImport::Start::TargetIsRecording: ShellTrace("import would replace the recording %s", path.c_str()); break;
    }
}

// ---- the receiver's messages ---------------------------------------------------------

void Shell::onPosition() {
    GpsFix& fix = CurrentGpsFix();
    if (auto receiver = gps_.receiver(); receiver && receiver->dataReceived()) SnapshotFix(*receiver, fix);
    if (starting_) {
        starting_ = false;
        ShellTrace("started");
    }
    syncClockOnce(fix);
    if (recording_.active() && !host_.flags().recordingPaused()) recording_.onPosition();
    for (auto& v : views_)
        if (v) v->onPosition(fix);
    updateProximity(fix);
}

void Shell::syncClockOnce(const GpsFix& fix) {
    if (clockSet_ || fix.gpsTime == 0 || settings_.gpsTimeOffset >= Settings::kGpsOffsetNotSet) return;
    clockSet_ = true;
    // The GPS counts UTC from 1980; the offset is the hours from local time to UTC.
    int64_t local = static_cast<int64_t>(fix.gpsTime) - static_cast<int64_t>(settings_.gpsTimeOffset * 3600.0f);
    if (local < 0) local = 0;
    platform::SetLocalTime(platform::FromTourTime(static_cast<uint32_t>(local)));
    ShellTrace("clock set from gps, offset %" PRId64 " s", platform::ClockOffsetSeconds());
}

void Shell::updateProximity(const GpsFix& fix) {
    double metres = -1;
    auto destination = settings_.readDestination();
    if (destination && host_.flags().destGuidance() && host_.flags().naviSignal() && fix.position.fixMode >= 2 &&
        fix.position.fixMode != kFixModeNoQuality) {
        GeoPoint here{fix.position.lon, fix.position.lat};
        GeoPoint there{destination->second, destination->first};
        metres = GeoDistance(here, there);
    }
    proximity_.update(metres);
}

void Shell::onSatellites() {
    GpsFix& fix = CurrentGpsFix();
    if (auto receiver = gps_.receiver(); receiver && receiver->dataReceived()) SnapshotFix(*receiver, fix);
    if (View* v = host_.view(ViewKind::Satellites)) v->onSatellites(fix);
}

void Shell::onRawData() {
    if (View* v = host_.view(ViewKind::Nmea)) v->onRawData();
}

// ---- timers -----------------------------------------------------------------------------

void Shell::onTimer(uint32_t id) {
    switch (id) {
        case TIMER_TICK: onTick(); return;
        case TIMER_DIM: onDimTimer(); return;
        case TIMER_UNLOCK:
            gate_.disarm();
            main_->killTimer(TIMER_UNLOCK);
            ShellTrace("unlock disarmed");
            return;
        case TIMER_DIM_HOLD:
            dimHeld_ = true;
            main_->killTimer(TIMER_DIM_HOLD);
            return;
        case TIMER_LONGKEY:
            longPress_ = true;
            main_->killTimer(TIMER_LONGKEY);
            return;
        case TIMER_DEVICE_RELOAD:
            main_->killTimer(TIMER_DEVICE_RELOAD);
            reloadCatalogue(deviceArrived_);
            if (deviceArrived_) readyForPainting_ = true;
            deviceArrived_ = deviceRemoved_ = false;
            host_.reactivateVisibleViews();
            return;
        default:
            proximity_.onTimer(id);
            return;
    }
}

void Shell::onTick() {
    host_.backlight().wokenByInput = false;
    auto receiver = gps_.receiver();
    if (!receiver || !receiver->dataReceived()) {
        CurrentGpsFix() = GpsFix{};
        for (Pane pane : {Pane::A, Pane::B})
            if (TrackingViewBase* t = host_.trackingView(pane)) t->markForRedraw();
        main_->send(UM_POSITION);
    }
    if (gps_.tick()) ShellTrace("gps watchdog: reconnecting");
}

bool Shell::foregroundIsOurs() const {
    // A modal dialog or message box in front means the user is busy there.
    Window* modal = system_.modalWindow();
    return !modal || modal == main_ || main_->isAncestorOf(modal);
}

void Shell::onDimTimer() {
    if (!foregroundIsOurs()) return;
    main_->killTimer(TIMER_DIM);
    setBacklight(static_cast<int>(host_.flags().dimLevel()));
}

void Shell::setBacklight(int level) {
    int before = host_.backlight().level;
    host_.setBacklightLevel(level);
    if (host_.backlight().level != before) ShellTrace("backlight %d", host_.backlight().level);
    if (menuBar_ && menuBar_->window()) menuBar_->window()->invalidate();
}

// ---- menus and commands ------------------------------------------------------------------

void Shell::onInitMenuPopup() {
    if (!menuBar_) return;
    menuBar_->checkRadio(ID_LAYOUT_TRACKING, ID_LAYOUT_NMEA, static_cast<int>(host_.layoutCommand()));
    TrackingViewBase* t = host_.currentTrackingView();
    menuBar_->checkItem(ID_CMD_AUTOSCROLL, t && t->following());
    menuBar_->checkItem(ID_CMD_VSPLIT, host_.flags().vSplit() != 0);
    menuBar_->checkItem(ID_CMD_HSPLIT, host_.flags().hSplit() != 0);
    menuBar_->enableItem(ID_CMD_PAUSE, recording_.active());
    std::string resume = UiString(kStringResume);
    menuBar_->setItemText(ID_CMD_PAUSE, host_.flags().recordingPaused() && !resume.empty() ? resume : "&Pause");
    // A recognised device brings its own receiver set-up.
    if (settings_.deviceSearchPaths != "\\") menuBar_->deleteItem(ID_CMD_GPS_SETTINGS);
}

int64_t Shell::onNotify(const Message& m) {
    auto* n = platform::FromLParam<platform::NotifyHeader>(m.lParam);
    if (!n) return 0;
    if (n->code == platform::MBN_BUTTONDOWN && n->item == ID_CMD_DIM && system_.screenSize().width > 320) {
        dimHeld_ = false;
        main_->setTimer(TIMER_DIM_HOLD, kDimHoldMs);
    }
    if (n->code == platform::NM_CUSTOMDRAW) {
        if (n->drawStage == platform::CDDS_PREPAINT) return platform::CDRF_NOTIFYITEMDRAW;
        // The item that starts between x 371 and 449 shows the time instead.
        if (n->left >= 371 && n->left <= 449 && n->context) {
            platform::LocalTime now = platform::LocalNow();
            char text[8];
            std::snprintf(text, sizeof text, "%2.2d:%2.2d", now.hour, now.minute);
            auto* c = static_cast<platform::Canvas*>(n->context);
            c->setTextColor(0);
            c->setBackgroundMode(platform::BackgroundMode::Transparent);
            c->drawText(text, Rect{n->left, n->top, n->right, n->bottom},
                        platform::DT_CENTER | platform::DT_VCENTER | platform::DT_SINGLELINE);
            return platform::CDRF_SKIPDEFAULT;
        }
    }
    return 0;
}

void Shell::onCommand(int id) {
    ShellTrace("command %d", id);
    if (id >= static_cast<int>(ID_LAYOUT_TRACKING) && id <= static_cast<int>(ID_LAYOUT_NMEA)) {
        setLayout(static_cast<uint32_t>(id), true);
        return;
    }
    switch (id) {
        case ID_CMD_DESTROY: system_.destroy(main_); return;
        case ID_CMD_EXIT: main_->post(platform::WM_CLOSE); return;
        case ID_CMD_ZOOM_1: doButtonAction(1); return;
        case ID_CMD_ZOOM_2: doButtonAction(2); return;
        case ID_CMD_AUTOSCROLL: toggleFollowGps(); return;
        case ID_CMD_FULLSCREEN: toggleFullScreen(); return;
        case ID_CMD_DIM: onDimButton(); return;
        case ID_CMD_VSPLIT: toggleSplit(true); return;
        case ID_CMD_HSPLIT: toggleSplit(false); return;
        case ID_CMD_PAUSE:
        case ID_CMD_PAUSE_OLD:
            if (recording_.active()) {
                TourRecording::TogglePause();
                ShellTrace("recording %s", host_.flags().recordingPaused() ? "paused" : "resumed");
            }
            return;
        case ID_CMD_GPS_SETTINGS: {
            GpsSettingsContext context{system_, settings_, gps_, EnumeratePorts(false)};
            int result = RunGpsSettingsDialog(context);
            ShellTrace("gps settings closed %d", result);
            return;
        }
        default:
            return;
    }
}

void Shell::onDimButton() {
    main_->killTimer(TIMER_DIM_HOLD);
    if (dimHeld_) {
        // A long press switches between full brightness and the normal level.
        int normal = static_cast<int>(host_.flags().normalLevel());
        setBacklight(host_.backlight().level == ViewHost::kBacklightMax ? normal : ViewHost::kBacklightMax);
    } else if (!host_.backlight().wokenByInput && !host_.atDimLevel()) {
        setBacklight(static_cast<int>(host_.flags().dimLevel()));
    }
    dimHeld_ = false;
}

void Shell::setLayout(uint32_t command, bool fromMenu) {
    if (host_.chooseLayout(command, fromMenu)) ShellTrace("layout %u", command);
}

void Shell::toggleSplit(bool vertical) {
    FlagWords& f = host_.flags();
    // The two splits exclude each other.
    bool on = vertical ? !f.vSplit() : !f.hSplit();
    f.set_vSplit(vertical && on ? 1 : 0);
    f.set_hSplit(!vertical && on ? 1 : 0);
    host_.applySplit();
    host_.layoutPanes(main_->clientRect());
    host_.reactivateVisibleViews();
    ShellTrace("split %s; current tracking view %s", on ? (vertical ? "vertical" : "horizontal") : "off",
               host_.currentTrackingPane() == Pane::B ? "B" : "A");
}

// ---- button actions ------------------------------------------------------------------------

void Shell::zoomStep(int delta) {
    if (TrackingViewBase* t = host_.currentTrackingView()) t->zoomStep(delta);
    ShellTrace("zoom %d", delta);
}

void Shell::pan(int dx, int dy) {
    if (TrackingViewBase* t = host_.currentTrackingView()) t->pan(dx, dy);
}

void Shell::toggleFullScreen() {
    host_.setFullScreen(!host_.fullScreen());
    if (menuBar_) menuBar_->show(!host_.fullScreen());
    layoutScreen();
    host_.reactivateVisibleViews();
    ShellTrace("full screen %s", host_.fullScreen() ? "on" : "off");
}

void Shell::openSettings() { ShellTrace("settings pages"); }

void Shell::showLayout(int index) {
    if (index >= 0 && index < ViewHost::kLayoutCount) setLayout(ID_LAYOUT_TRACKING + static_cast<uint32_t>(index), false);
}

void Shell::toggleManagerList() { ShellTrace("manager lists"); }

void Shell::fullScreenMenuKey() { toggleFullScreen(); }

void Shell::sendTab() {
    if (paneA_) paneA_->post(platform::WM_KEYDOWN, platform::VK_TAB, 1);
}

void Shell::nextLayout() { showLayout((host_.layoutIndex() + 1) % ViewHost::kLayoutCount); }

void Shell::toggleFollowGps() {
    if (TrackingViewBase* t = host_.currentTrackingView()) {
        t->setFollowing(!t->following());
        ShellTrace("follow gps %s", t->following() ? "on" : "off");
    }
}

void Shell::addPoiHere() {
    if (!recording_.active()) return;
    auto offset = recording_.recording()->recorder().addLivePoi("");
    ShellTrace("poi %s", offset ? "added" : "failed");
}

// ---- messages and power --------------------------------------------------------------------

void Shell::message(const std::string& text, const std::string& caption) {
    platform::ShowMessageBox(system_, text, caption, platform::MB_OK | platform::MB_TOPMOST);
}

void Shell::postMessage(const std::string& text, const std::string& caption) {
    if (main_) main_->post(UM_SHOW_MESSAGE, 0, 0, std::make_shared<ShellMessage>(ShellMessage{text, caption}));
}

// The PowerWatch thread.
void Shell::onPower(uint32_t flags) {
    switch (flags) {
        case POWER_OFF: postMessage("Power Off", "Power"); return;
        case POWER_CRITICAL: postMessage("Power Critical", "Power"); return;
        case POWER_BOOT: postMessage("Power Boot On", "Power"); return;
        case POWER_RESET: postMessage("Power Reset", "Power"); return;
        case POWER_GOING_TO_SLEEP:
            gps_.destroyReceiver();
            ShellTrace("gps receiver destroyed (sleep)");
            return;
        case POWER_SUSPEND:
            gps_.destroyReceiver();
            ShellTrace("gps receiver destroyed (suspend)");
            readyForPainting_ = false;
            for (int i = 0; i < 10 && !quit_; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
            readyForPainting_ = true;
            scheduleReconnect(kReconnectDelayMs);
            if (main_) main_->post(UM_REACTIVATE);
            return;
        default:
            return;
    }
}

// ---- shutdown -------------------------------------------------------------------------------------

void Shell::onDestroy() {
    if (!initialised_) {
        system_.loop().quit(0);
        return;
    }
    main_->killTimer(TIMER_TICK);
    if (TrackingViewBase* t = host_.currentTrackingView()) settings_.saveMapPosition(t->mapPosition(), t->selectedMap());
    settings_.saveAll(true);
    // (No tour plan is kept between runs, so none is discarded here.)
    quit_ = true;
    if (power_) power_->stop();
    if (recording_.active()) {
        ShellTrace("recording stored %s", recording_.tourPath().c_str());
        showRecordedTour(false);
        recording_.closeForExit();
    }
    handover_.stop();
    mounts_.stop();
    for (auto& import : imports_) import->join();
    imports_.clear();
    proximity_.stopAll();
    {
        std::lock_guard<std::mutex> lock(reconnectMutex_);
        for (auto& t : reconnectThreads_)
            if (t.joinable()) t.join();
        reconnectThreads_.clear();
    }
    gps_.waitForReconnect();
    gps_.destroyReceiver();
    catalogue_bridge::Destroy();
    menuBar_.reset();
    host_.setMenuBar(nullptr);
    host_.clearViews();
    RegisterButtonActionTarget(nullptr);
    ShellTrace("shutdown");
    system_.loop().quit(0);
}

}  // namespace trek

namespace trek {

void Shell::bringToFront() {
    system_.backend().raise();
    system_.activate(true);
    if (recording_.active() && host_.flags().recordingPaused()) {
        std::string text = UiString(40228);
        message(text.empty() ? "Recording of the current tour is paused!" : text, recording_.tourName());
    }
}

}  // namespace trek
