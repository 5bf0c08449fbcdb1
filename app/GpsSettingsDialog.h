#pragma once
// The "GPS Settings" dialog (128): port and baud, the automatic search, closing
// the port, the Bluetooth/external/virtual and static-navigation boxes, help.
// OK opens a new receiver on the chosen port and stores port and baud only
// when it opened; Cancel restores the settings from the registry.
#include <cstdint>
#include <string>

#include "gps/PortList.h"

namespace trek {

namespace platform {
class WindowSystem;
}
class Settings;
class GpsConnection;

enum : int {
    IDD_GPS_SETTINGS = 128,
    IDC_GPS_DRIVER_KEY = 1078,
    IDC_GPS_PORT = 1076,
    IDC_GPS_BAUD = 1080,
    IDC_GPS_AUTOCONFIG = 1103,
    IDC_GPS_CLOSE_PORT = 1098,
    IDC_GPS_EXTERNAL = 2100,
    IDC_GPS_STATIC_NAV = 1096,
    IDC_GPS_HELP = 2150,
};

// The rates of the baud list, in order.
inline constexpr uint32_t kGpsBaudRates[] = {1200, 2400, 4800, 9600, 14400, 19200, 38400, 57600, 115200};

struct GpsSettingsContext {
    platform::WindowSystem& system;
    Settings& settings;
    GpsConnection& connection;
    PortList ports;  // EnumeratePorts(false) in the program; given by tests
};

// Returns IDOK, IDCANCEL or IDC_GPS_CLOSE_PORT.
int RunGpsSettingsDialog(GpsSettingsContext& context);

}  // namespace trek
