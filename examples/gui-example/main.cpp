// gui-example: a window with a menu bar, a dialog and some drawing — the
// window layer's living documentation, also used by its tests.
//
// The main loop below is written the way the application shell writes its
// own: get, hand to the modeless dialog, translate accelerators, translate,
// dispatch.
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "platform/gui/Accelerators.h"
#include "platform/gui/DisplayOptions.h"
#include "platform/gui/InstanceHandover.h"
#include "platform/gui/MenuBar.h"
#include "platform/gui/MessageBox.h"
#include "platform/gui/MountWatcher.h"
#include "platform/gui/VirtualKeys.h"
#include "platform/gui/WindowSystem.h"
#include "platform/gui/dialog/Dialog.h"
#include "platform/gui/dialog/ListControls.h"
#include "platform/gui/dialog/RangeControls.h"
#include "platform/gui/dialog/TreeViewControl.h"

using namespace trek::platform;

namespace {

const char* kTitle = "Trekvane GUI Example";

enum Command : int {
    kCmdTracking = 40003,
    kCmdProfile = 40004,
    kCmdSatellites = 40007,
    kCmdAutoScroll = 40031,
    kCmdZoomIn = 40012,
    kCmdZoomOut = 40013,
    kCmdDim = 40220,
    kCmdExit = 40056,
    kCmdDialog = 1001,
    kCmdMessage = 1002,
    kCmdControls = 1003,
    kCmdPause = 40278,
    kCmdClock = 2000,
};

enum ControlId : int {
    kIdName = 101, kIdNotes = 102, kIdCheck = 103, kIdRadioA = 104, kIdRadioB = 105, kIdCombo = 106,
    kIdList = 107, kIdListView = 108, kIdTree = 109, kIdDate = 110, kIdTime = 111, kIdProgress = 112,
    kIdScroll = 113,
};

struct Example {
    WindowSystem* system = nullptr;
    Window* main = nullptr;
    Window* pane = nullptr;
    MenuBar* bar = nullptr;
    Dialog* modeless = nullptr;
    int layout = kCmdTracking;
    bool autoScroll = true;
    bool paused = false;
    int zoom = 3;
    std::string status = "Ready";
};

Example g;

DialogTemplate ControlsTemplate(const std::string& caption) {
    DialogTemplate t;
    t.caption = caption;
    t.size = {300, 420};
    using K = ControlKind;
    t.controls = {
        {K::Static, 100, {8, 8, 80, 38}, "Name:"},
        {K::Edit, kIdName, {84, 6, 292, 38}, "Zürich Hbf"},
        {K::CheckBox, kIdCheck, {8, 44, 150, 76}, "Record tour"},
        {K::Radio, kIdRadioA, {156, 44, 224, 76}, "km", 0, 1},
        {K::Radio, kIdRadioB, {224, 44, 292, 76}, "mi", 0, 1},
        {K::ComboBox, kIdCombo, {8, 82, 150, 114}, "", 0, 0, {"OpenStreetMap", "Topo", "Satellite"}},
        {K::DateField, kIdDate, {156, 82, 292, 114}, "2026-12-09"},
        {K::ListView, kIdListView, {8, 120, 292, 222}, "", 0, 0, {"Tour:150", "km:60", "Points:70"}},
        {K::TreeView, kIdTree, {8, 228, 150, 330}},
        {K::ListBox, kIdList, {156, 228, 292, 330}, "", 0, 0, {"Alpha", "Bravo", "Charlie", "Delta"}},
        {K::ProgressBar, kIdProgress, {8, 336, 150, 350}},
        {K::TimeField, kIdTime, {156, 336, 268, 368}, "12:30:00"},
        {K::ScrollBar, kIdScroll, {272, 336, 292, 410}, "", SBS_VERT},
        {K::Button, IDOK, {8, 376, 128, 412}, "OK", BS_DEFPUSHBUTTON},
        {K::Button, IDCANCEL, {136, 376, 264, 412}, "Cancel"},
    };
    return t;
}

int64_t ControlsProc(Dialog& d, const Message& m) {
    switch (m.message) {
        case WM_INITDIALOG: {
            auto* lv = d.get<ListViewControl>(kIdListView);
            lv->addRow({"Morning walk", "4.2", "312"});
            lv->addRow({"Ridge trail", "12.8", "1024"});
            lv->addRow({"Lake loop", "7.5", "640"});
            lv->setCurSel(1);
            auto* tree = d.get<TreeViewControl>(kIdTree);
            tree->setCheckBoxes(true);
            auto maps = tree->insertItem(TreeViewControl::kRoot, "Maps");
            tree->setChecked(tree->insertItem(maps, "Alps 1:25k"), true);
            tree->insertItem(maps, "City plan");
            tree->expand(maps, true);
            tree->insertItem(TreeViewControl::kRoot, "Tours");
            d.get<ProgressBarControl>(kIdProgress)->setPos(60);
            d.setChecked(kIdRadioA, true);
            d.setChecked(kIdCheck, true);
            return 1;
        }
        case WM_VSCROLL: {
            auto* sb = d.get<ScrollBarControl>(kIdScroll);
            uint32_t code = LoWord(m.wParam);
            int pos = sb->pos() + (code == SB_LINEDOWN || code == SB_PAGEDOWN ? 10 : code == SB_LINEUP || code == SB_PAGEUP ? -10 : 0);
            if (code == SB_THUMBTRACK || code == SB_THUMBPOSITION) pos = static_cast<int>(HiWord(m.wParam));
            sb->setPos(pos);
            d.get<ProgressBarControl>(kIdProgress)->setPos(sb->pos());
            return 1;
        }
        case WM_COMMAND:
            if (LoWord(m.wParam) == IDOK) g.status = "Name: " + d.itemText(kIdName);
            if (g.main) g.main->invalidate();
            return 0;
        case WM_DESTROY:
            if (g.modeless == &d) g.modeless = nullptr;
            return 0;
        default: return 0;
    }
}

Bitmap MakeIcon(bool plus) {
    Bitmap icon(16, 16, 0xFFFF00FF);  // magenta is transparent
    Canvas c(icon);
    c.setPen(Pen{Rgb(0, 0, 0), 1});
    c.setBrush(Brush{Rgb(255, 255, 255)});
    c.setAntialias(false);
    c.ellipse({1, 1, 15, 15});
    c.fillRect({4, 7, 12, 9}, Rgb(0, 0, 0));
    if (plus) c.fillRect({7, 4, 9, 12}, Rgb(0, 0, 0));
    return icon;
}

void PaintMain(Window& w) {
    const int s = w.system().scale();
    Canvas c = w.canvas();
    Rect r = w.clientRect();
    c.setFont(Font{"Arial", -15 * s, 700});
    c.setBackgroundMode(BackgroundMode::Transparent);
    c.setTextColor(Rgb(0, 0, 0));
    c.drawText(kTitle, Rect{0, 4 * s, r.right, 28 * s}, DT_CENTER | DT_SINGLELINE);
    c.setFont(Font{"Arial", -12 * s, 400});
    c.setTextColor(Rgb(60, 60, 60));
    c.drawText(g.status, Rect{8 * s, r.bottom - 22 * s, r.right - 8 * s, r.bottom}, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
}

void PaintPane(Window& w) {
    const int s = w.system().scale();
    Canvas c = w.canvas();
    Rect r = w.clientRect();
    // A little map: a lake, a track, a route with arrows, a few points.
    c.setPen(Pen{Rgb(70, 120, 200), 2 * s});
    c.setBrush(Brush{Rgb(170, 210, 250)});
    c.ellipse(Rect{r.right / 2, r.bottom / 6, r.right - 16 * s, r.bottom / 2});
    std::vector<Point> track;
    for (int i = 0; i <= 12; ++i)
        track.push_back({12 * s + i * (r.right - 24 * s) / 12, r.bottom * 2 / 3 + ((i % 3) - 1) * 14 * s - i * 6 * s});
    c.setPen(Pen{Rgb(220, 30, 30), 3 * s});
    c.polyline(track);
    c.setPen(Pen{Rgb(0, 120, 0), 1 * s, PenStyle::Dash});
    c.line(12 * s, r.bottom - 12 * s, r.right - 12 * s, 40 * s);
    Point flag[] = {{24 * s, 30 * s}, {44 * s, 38 * s}, {24 * s, 46 * s}};
    c.setPen(Pen{Rgb(0, 0, 0), 1});
    c.setBrush(Brush{Rgb(255, 200, 0)});
    c.polygon(flag);
    c.rectangle(Rect{20 * s, 30 * s, 24 * s, 70 * s});
    c.setFont(Font{"Arial", -12 * s, 400});
    c.setBackgroundMode(BackgroundMode::Opaque);
    c.setBackgroundColor(Rgb(255, 255, 255));
    c.setTextColor(Rgb(0, 0, 0));
    c.textOut(50 * s, 30 * s, "Start Ø 1.5 km");
    c.setBackgroundMode(BackgroundMode::Transparent);
    char zoom[48];
    std::snprintf(zoom, sizeof zoom, "Zoom %d  %s", g.zoom, g.autoScroll ? "following GPS" : "free");
    c.drawText(zoom, Rect{0, 0, r.right - 6 * s, r.bottom - 4 * s}, DT_RIGHT | DT_BOTTOM | DT_SINGLELINE);
}

void Layout() {
    Size screen = g.system->screenSize();
    g.bar->layout();
    g.main->move(Rect{0, 0, screen.width, screen.height - g.bar->height()});
    Rect client = g.main->clientRect();
    int s = g.system->scale();
    g.pane->move(Rect{6 * s, 32 * s, client.right - 6 * s, client.bottom - 26 * s});
}

int64_t MainProc(Window& w, const Message& m) {
    switch (m.message) {
        case WM_PAINT: PaintMain(w); return 0;
        case WM_SETTINGCHANGE:
            if (m.wParam == SETTINGCHANGE_RESET && g.bar) Layout();
            return 0;
        case WM_INITMENUPOPUP: {
            g.bar->checkRadio(kCmdTracking, kCmdSatellites, g.layout);
            g.bar->checkItem(kCmdAutoScroll, g.autoScroll);
            g.bar->setItemText(kCmdPause, g.paused ? "Resume" : "&Pause");
            return 0;
        }
        case WM_MEASUREITEM: {
            auto* mi = FromLParam<MeasureItem>(m.lParam);
            mi->width = 30, mi->height = 20;
            return 1;
        }
        case WM_DRAWITEM: {
            auto* di = FromLParam<DrawItem>(m.lParam);
            Rect r{di->left, di->top, di->right, di->bottom};
            di->canvas->fillRect(r.inflate(-1, -2), di->pressed ? 0x808080 : 0xC0C0C0);
            di->canvas->setTextColor(0);
            di->canvas->setBackgroundMode(BackgroundMode::Transparent);
            di->canvas->drawText("Dim", r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
            return 1;
        }
        case WM_NOTIFY: {
            auto* n = FromLParam<NotifyHeader>(m.lParam);
            if (n->code != NM_CUSTOMDRAW) return 0;
            if (n->drawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
            if (n->item != kCmdClock) return CDRF_DODEFAULT;
            // The clock button shows the time instead of an icon.
            std::time_t now = std::time(nullptr);
            std::tm local{};
            localtime_r(&now, &local);
            char text[8];
            std::snprintf(text, sizeof text, "%2.2d:%2.2d", local.tm_hour, local.tm_min);
            auto* c = static_cast<Canvas*>(n->context);
            c->setTextColor(0);
            c->setBackgroundMode(BackgroundMode::Transparent);
            c->setFont(Font{"Arial", -12 * g.system->scale(), 400});
            c->drawText(text, Rect{n->left, n->top, n->right, n->bottom}, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
            return CDRF_SKIPDEFAULT;
        }
        case WM_COMMAND: {
            int id = static_cast<int>(LoWord(m.wParam));
            switch (id) {
                case kCmdTracking: case kCmdProfile: case kCmdSatellites: g.layout = id; break;
                case kCmdAutoScroll: g.autoScroll = !g.autoScroll; break;
                case kCmdZoomIn: ++g.zoom; break;
                case kCmdZoomOut: --g.zoom; break;
                case kCmdPause: g.paused = !g.paused; break;
                case kCmdDim: g.status = "Dim pressed"; break;
                case kCmdClock: g.status = "Clock"; break;
                case kCmdDialog: {
                    int result = Dialog::runModal(*g.system, ControlsTemplate("Tour settings"), ControlsProc);
                    g.status = result == IDOK ? "Dialog: OK" : "Dialog: Cancel";
                    break;
                }
                case kCmdMessage: {
                    int answer = ShowMessageBox(*g.system, "Save the current tour before leaving?", "Tour", MB_YESNO | MB_ICONQUESTION);
                    g.status = answer == IDYES ? "Answer: Yes" : "Answer: No";
                    break;
                }
                case kCmdControls:
                    if (!g.modeless) g.modeless = Dialog::createModeless(*g.system, ControlsTemplate("Controls"), ControlsProc);
                    break;
                case kCmdExit: w.post(WM_CLOSE); break;
                default: break;
            }
            std::printf("command %d\n", id);
            std::fflush(stdout);
            w.invalidate();
            g.pane->invalidate();
            return 0;
        }
        case WM_KEYDOWN:
            g.status = "Key " + VirtualKeyName(static_cast<uint32_t>(m.wParam));
            w.invalidate();
            return 0;
        case WM_MOUSEWHEEL:
            g.zoom += WheelDelta(m.wParam) / WHEEL_DELTA;
            g.pane->invalidate();
            return 0;
        case WM_COPYDATA: {
            auto* data = static_cast<const CopyData*>(m.payload.get());
            if (!data || data->dwData != InstanceHandover::kOpenFile || data->data.empty()) return 0;
            g.status = "Opened: " + InstanceHandover::decodeCommandLine(data->data);
            std::printf("handover %s\n", InstanceHandover::decodeCommandLine(data->data).c_str());
            std::fflush(stdout);
            g.system->backend().raise();
            w.invalidate();
            return 1;
        }
        case WM_DEVICECHANGE: {
            auto* point = static_cast<const std::string*>(m.payload.get());
            g.status = std::string(m.wParam == DBT_DEVICEARRIVAL ? "Mounted " : "Removed ") + (point ? *point : "");
            w.invalidate();
            return 0;
        }
        case WM_DESTROY: g.system->loop().quit(0); return 0;
        default: return DefaultWindowProc(w, m);
    }
}

int64_t PaneProc(Window& w, const Message& m) {
    switch (m.message) {
        case WM_PAINT: PaintPane(w); return 0;
        case WM_LBUTTONDOWN: {
            char buf[64];
            std::snprintf(buf, sizeof buf, "Tap at %d,%d", XFromLParam(m.lParam), YFromLParam(m.lParam));
            g.status = buf;
            g.main->invalidate();
            return 0;
        }
        default: return DefaultWindowProc(w, m);
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    DisplayOptions options;
    std::string error;
    if (!TakeDisplayOptions(args, options, &error)) {
        std::fprintf(stderr, "gui-example: %s\n", error.c_str());
        return 2;
    }
    bool single = true;
    std::string commandLine;
    for (const auto& a : args) {
        if (a == "--help" || a == "-h") {
            std::printf("usage: gui-example [options] [FILE]\n"
                        "Opens a window with a menu bar, a dialog and some drawing. A second instance\n"
                        "hands FILE to the first and ends.\n%s"
                        "  --multi             do not hand over to a running instance\n",
                        DisplayOptionsHelp());
            return 0;
        }
        if (a == "--multi") {
            single = false;
            continue;
        }
        if (!a.empty() && a[0] == '-') {
            std::fprintf(stderr, "gui-example: unknown option %s (try --help)\n", a.c_str());
            return 2;
        }
        commandLine += (commandLine.empty() ? "" : " ") + a;
    }
    if (single && InstanceHandover::handOver(kTitle, commandLine)) {
        std::printf("handed over to the running instance\n");
        return 0;
    }

    MessageLoop& loop = MessageLoop::main();
    WindowSystem system(loop, CreateBackend(options, kTitle));
    g.system = &system;
    if (!options.script.empty() && !system.loadScript(options.script, &error)) {
        std::fprintf(stderr, "gui-example: %s\n", error.c_str());
        return 2;
    }
    system.setScreenshotAtExit(options.screenshot);

    WindowDesc d;
    d.className = kTitle;
    d.title = kTitle;
    d.background = Rgb(255, 255, 255);
    g.main = system.create(d, MainProc);
    system.setMainWindow(g.main);
    WindowDesc pd;
    pd.className = "ChildWindow";
    pd.parent = g.main;
    pd.controlId = 21;
    pd.background = 0xE0E0E0;
    g.pane = system.create(pd, PaneProc);

    MenuBar bar(system, g.main);
    g.bar = &bar;
    Menu* view = bar.popup(bar.addPopup("View"));
    view->append(kCmdTracking, "Tracking");
    view->append(kCmdProfile, "Profile");
    view->append(kCmdSatellites, "Satellites");
    Menu* tools = bar.popup(bar.addPopup("Tools"));
    tools->append(kCmdDialog, "Dialog...\tCtrl+D");
    tools->append(kCmdControls, "Controls");
    tools->append(kCmdMessage, "Message...");
    tools->appendSeparator();
    tools->append(kCmdExit, "Exit");
    Menu* tour = bar.popup(bar.addPopup("Tour"));
    tour->append(kCmdPause, "&Pause");
    tour->append(kCmdAutoScroll, "Follow GPS");
    bar.addButton(kCmdZoomIn, MakeIcon(true), Rgb(255, 0, 255));
    bar.addButton(kCmdZoomOut, MakeIcon(false), Rgb(255, 0, 255));
    bar.addOwnerDrawButton(kCmdDim);
    bar.addButton(kCmdClock, Bitmap());
    bar.setCustomDraw(true);
    Layout();

    AcceleratorTable accelerators{{FVIRTKEY | FCONTROL, 'D', kCmdDialog},
                                  {FVIRTKEY | FCONTROL, 'Q', kCmdExit},
                                  {FVIRTKEY | FCONTROL, '1', kCmdTracking},
                                  {FVIRTKEY | FCONTROL, '2', kCmdProfile}};

    InstanceHandover handover;
    if (single && !handover.listen(kTitle, loop, g.main->id(), &error))
        std::fprintf(stderr, "gui-example: no single-instance handover: %s\n", error.c_str());
    MountWatcher mounts;
    mounts.start(loop, g.main->id());
    if (!commandLine.empty()) g.status = "Opened: " + commandLine;
    g.modeless = Dialog::createModeless(system, ControlsTemplate("Controls"), ControlsProc);
    system.activate(true);

    Message m;
    while (system.getMessage(m)) {
        if (g.modeless && g.modeless->isDialogMessage(m)) continue;
        if (TranslateAccelerator(system, g.main, accelerators, m)) continue;
        system.translateMessage(m);
        system.dispatch(m);
    }
    g.bar = nullptr;
    return static_cast<int>(m.wParam);
}
