#include "app/GpsSettingsDialog.h"

#include <cstdio>
#include <vector>

#include "app/Trace.h"
#include "gps/GpsAutoConfig.h"
#include "gps/GpsConnection.h"
#include "platform/gui/MessageBox.h"
#include "platform/gui/WindowSystem.h"
#include "platform/gui/dialog/Dialog.h"
#include "platform/gui/dialog/ListControls.h"
#include "settings/LanguageTable.h"
#include "settings/Settings.h"

namespace trek {

using platform::ControlKind;
using platform::Dialog;
using platform::Message;

namespace {

constexpr uint32_t kHelpFirst = 40324;
constexpr uint32_t kHelpLast = 40329;
constexpr const char* kGarminUsb = "GARMIN USB";

const char* kHelpFallback =
    "Port: the device the receiver is connected to (serial ports, gpsd, tcp:HOST:PORT, "
    "file:LOG@SPEED).\r\nBaud: the speed of a serial receiver.\r\nAuto Config: tries the ports and "
    "speeds until a receiver answers.\r\nClose Port: disconnects the receiver.\r\n"
    "Bluetooth/external/virtual: for receivers that do not report serial events.\r\n"
    "Stat. Nav.: static navigation of SiRF receivers.";

platform::DialogTemplate Template() {
    platform::DialogTemplate t;
    t.caption = "GPS Settings";
    t.size = {300, 330};
    t.controls = {
        {ControlKind::Static, 100, {10, 8, 80, 38}, "Port:"},
        {ControlKind::ComboBox, IDC_GPS_PORT, {84, 6, 290, 38}},
        {ControlKind::Static, IDC_GPS_DRIVER_KEY, {10, 42, 290, 66}, ""},
        {ControlKind::Static, 101, {10, 72, 80, 102}, "Baud:"},
        {ControlKind::ComboBox, IDC_GPS_BAUD, {84, 70, 290, 102}},
        {ControlKind::Button, IDC_GPS_AUTOCONFIG, {10, 112, 145, 148}, "Auto Config"},
        {ControlKind::Button, IDC_GPS_CLOSE_PORT, {155, 112, 290, 148}, "Close Port"},
        {ControlKind::CheckBox, IDC_GPS_EXTERNAL, {10, 156, 290, 188}, "Bluetooth/external/virtual"},
        {ControlKind::CheckBox, IDC_GPS_STATIC_NAV, {10, 192, 290, 224}, "Stat. Nav. (SirfStarIII)"},
        {ControlKind::Button, IDC_GPS_HELP, {10, 234, 290, 266}, "Help"},
        {ControlKind::Button, platform::IDOK, {10, 280, 145, 320}, "OK", platform::BS_DEFPUSHBUTTON},
        {ControlKind::Button, platform::IDCANCEL, {155, 280, 290, 320}, "Cancel"},
    };
    return t;
}

std::string BaudText(uint32_t baud) {
    char text[24];
    std::snprintf(text, sizeof text, "%u baud", baud);
    return text;
}

class GpsSettings : public AutoConfigureObserver {
public:
    explicit GpsSettings(GpsSettingsContext& c) : c_(c) {}

    int64_t proc(Dialog& d, const Message& m) {
        dialog_ = &d;
        if (m.message == platform::WM_INITDIALOG) return init();
        if (m.message != platform::WM_COMMAND) return 0;
        int id = static_cast<int>(platform::LoWord(m.wParam));
        uint32_t code = platform::HiWord(m.wParam);
        switch (id) {
            case IDC_GPS_PORT:
                if (code == platform::CBN_SELCHANGE) portChanged();
                return 1;
            case IDC_GPS_AUTOCONFIG: autoConfig(); return 1;
            case IDC_GPS_CLOSE_PORT:
                c_.connection.closePort();
                ShellTrace("gps port closed");
                d.end(IDC_GPS_CLOSE_PORT);
                return 1;
            case IDC_GPS_EXTERNAL:
                // Takes effect at once, for the receivers created from now on.
                c_.settings.flags.set_gpsBt(d.isChecked(IDC_GPS_EXTERNAL) ? 1 : 0);
                return 1;
            case IDC_GPS_HELP: help(); return 1;
            case platform::IDOK: ok(); return 1;
            case platform::IDCANCEL:
                c_.settings.load();
                d.end(platform::IDCANCEL);
                return 1;
            default: return 0;
        }
    }

    // AutoConfigureObserver
    void waitCursor(bool on) override { c_.system.setCursor(on ? platform::Cursor::Wait : platform::Cursor::Arrow); }
    void portSelected(const PortEntry& port) override { selectPort(port.name); }
    void baudSelected(uint32_t baud) override { selectBaud(baud); }
    void message(const std::string& caption, const std::string& text) override {
        platform::ShowMessageBox(c_.system, text, caption, platform::MB_OK | platform::MB_TOPMOST);
    }
    void store(const std::string& port, uint32_t baud) override {
        c_.settings.port = port;
        c_.settings.baud = baud;
        c_.settings.saveReceiver();
    }

private:
    platform::ComboBoxControl* ports() { return dialog_->get<platform::ComboBoxControl>(IDC_GPS_PORT); }
    platform::ComboBoxControl* bauds() { return dialog_->get<platform::ComboBoxControl>(IDC_GPS_BAUD); }

    int64_t init() {
        // The configured port is listed even when the system does not show it now.
        portNames_.clear();
        for (const PortEntry& e : c_.ports.entries()) portNames_.push_back(e.name);
        const std::string configured = c_.connection.config().port;
        if (c_.ports.find(configured) < 0 && !configured.empty()) portNames_.push_back(configured);
        for (const std::string& name : portNames_) ports()->addString(name);
        for (uint32_t baud : kGpsBaudRates) bauds()->addString(BaudText(baud));
        selectPort(configured);
        selectBaud(c_.connection.config().baud);
        dialog_->setChecked(IDC_GPS_EXTERNAL, c_.settings.flags.gpsBt() != 0);
        auto receiver = c_.connection.receiver();
        // Ticked when no receiver exists, as the receiver's state is unknown then.
        dialog_->setChecked(IDC_GPS_STATIC_NAV, receiver ? c_.settings.gpsStaticNavigation : true);
        return 1;
    }

    void selectPort(const std::string& name) {
        for (size_t i = 0; i < portNames_.size(); ++i)
            if (PortList({{0, portNames_[i], ""}}).find(name) == 0) ports()->setCurSel(static_cast<int>(i));
        portChanged();
    }

    void selectBaud(uint32_t baud) {
        int i = 0;
        for (uint32_t rate : kGpsBaudRates) {
            if (rate == baud) bauds()->setCurSel(i);
            ++i;
        }
    }

    std::string selectedPort() {
        int i = ports()->curSel();
        return i >= 0 && static_cast<size_t>(i) < portNames_.size() ? portNames_[static_cast<size_t>(i)] : std::string();
    }

    uint32_t selectedBaud() {
        int i = bauds()->curSel();
        return i >= 0 && i < static_cast<int>(std::size(kGpsBaudRates)) ? kGpsBaudRates[i] : c_.settings.baud;
    }

    void portChanged() {
        const std::string port = selectedPort();
        int index = c_.ports.find(port);
        dialog_->setItemText(IDC_GPS_DRIVER_KEY, index >= 0 ? c_.ports.key(static_cast<size_t>(index)) : std::string());
        if (auto* b = bauds()) b->setEnabled(port != kGarminUsb);
    }

    void autoConfig() {
        auto found = AutoConfigure(c_.connection, c_.ports, *this);
        if (!found) return;
        selectPort(found->port);
        selectBaud(found->baud);
    }

    void help() {
        std::string text;
        for (uint32_t id = kHelpFirst; id <= kHelpLast; ++id) text += UiString(id);
        if (text.empty()) text = kHelpFallback;
        platform::ShowMessageBox(c_.system, text, "GPS Settings", platform::MB_OK);
    }

    void ok() {
        const std::string port = selectedPort();
        const uint32_t baud = selectedBaud();
        c_.system.setCursor(platform::Cursor::Wait);
        c_.connection.destroyReceiver();
        GpsConnection::Config config = c_.connection.config();
        GpsConnection::Config previous = config;
        config.port = port;
        config.baud = baud;
        config.options = GpsReceiverOptions::FromSettings();
        config.options.loop = previous.options.loop;
        c_.connection.configure(config);
        const bool opened = c_.connection.open();
        c_.system.setCursor(platform::Cursor::Arrow);
        if (!opened) {
            c_.connection.destroyReceiver();
            c_.connection.configure(previous);
            ShellTrace("gps settings: %s did not open", port.c_str());
            platform::ShowMessageBox(c_.system, "Failed to open COM GPS driver.", port, platform::MB_OK | platform::MB_TOPMOST);
            dialog_->end(platform::IDOK);
            return;
        }
        c_.settings.port = port;
        c_.settings.baud = baud;
        c_.settings.saveReceiver();
        const bool wanted = dialog_->isChecked(IDC_GPS_STATIC_NAV);
        if (wanted != c_.settings.gpsStaticNavigation) {
            c_.settings.gpsStaticNavigation = wanted;
            if (auto r = c_.connection.receiver()) r->setStaticNavigation(wanted);
        }
        c_.settings.flags.set_gpsStatNav(c_.settings.gpsStaticNavigation ? 1 : 0);
        c_.settings.saveAll(false);
        ShellTrace("gps settings: %s %u", port.c_str(), baud);
        dialog_->end(platform::IDOK);
    }

    GpsSettingsContext& c_;
    Dialog* dialog_ = nullptr;
    std::vector<std::string> portNames_;
};

}  // namespace

int RunGpsSettingsDialog(GpsSettingsContext& context) {
    GpsSettings logic(context);
    return Dialog::runModal(context.system, Template(), [&logic](Dialog& d, const Message& m) { return logic.proc(d, m); });
}

}  // namespace trek
