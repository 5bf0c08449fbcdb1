// Port enumeration over a made-up /dev and /sys, and the port numbers.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "gps/PortList.h"

namespace trek {
namespace {
namespace fs = std::filesystem;

struct FakeSystem {
    fs::path root;
    FakeSystem() {
        root = fs::temp_directory_path() / ("trek-ports-" + std::to_string(::getpid()));
        fs::remove_all(root);
        fs::create_directories(root / "dev/serial/by-id");
        fs::create_directories(root / "sys/class/tty");
    }
    ~FakeSystem() { fs::remove_all(root); }
    void device(const std::string& tty, const std::string& driver, int uartType = -1) {
        std::ofstream(root / "dev" / tty);
        fs::path cls = root / "sys/class/tty" / tty;
        fs::create_directories(cls / "device");
        if (!driver.empty()) {
            fs::create_directories(root / "sys/bus/drivers" / driver);
            fs::create_directory_symlink(root / "sys/bus/drivers" / driver, cls / "device/driver");
        }
        if (uartType >= 0) std::ofstream(cls / "type") << uartType << "\n";
    }
    std::string dev() const { return (root / "dev").string(); }
    std::string sys() const { return (root / "sys").string(); }
};

TEST(PortList, StableNamesThenDevicesWithTheirDrivers) {
    FakeSystem s;
    s.device("ttyUSB0", "pl2303");
    s.device("ttyUSB10", "ftdi_sio");
    s.device("ttyUSB2", "ftdi_sio");
    s.device("ttyACM0", "cdc_acm");
    s.device("ttyS0", "serial8250", 0);  // no UART behind it
    s.device("ttyS1", "serial8250", 4);
    std::ofstream(s.root / "dev/rfcomm0");
    std::ofstream(s.root / "dev/ttyUSBx");
    fs::create_symlink("../../ttyUSB0", s.root / "dev/serial/by-id/usb-Prolific_GPS-if00-port0");

    PortList list = EnumeratePorts(false, s.dev(), s.sys());
    std::vector<std::string> names, keys;
    for (const auto& e : list.entries()) {
        names.push_back(fs::path(e.name).filename().string());
        keys.push_back(e.key);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"usb-Prolific_GPS-if00-port0", "ttyUSB2", "ttyUSB10", "ttyACM0",
                                               "rfcomm0", "ttyS1", "gpsd"}));
    EXPECT_EQ(keys, (std::vector<std::string>{"pl2303", "ftdi_sio", "ftdi_sio", "cdc_acm", "rfcomm", "serial8250",
                                              "gpsd"}));
    EXPECT_EQ(list.number(1), 2);
    EXPECT_EQ(list.name(99), "");
    EXPECT_EQ(list.key(99), "");
    EXPECT_EQ(list.number(99), 0);
    // Plain files are no terminals: nothing opens with verify.
    PortList verified = EnumeratePorts(true, s.dev(), s.sys());
    ASSERT_EQ(verified.count(), 1u);
    EXPECT_EQ(verified.name(0), "gpsd");
}

TEST(PortList, Numbers) {
    struct Row {
        const char* name;
        int number;
    };
    const Row rows[] = {{"COM6:", 6},          {"GPS1:", 1},       {"BTC12:", 12},  {"COM0:", 0}, {"COM256:", 0},
                        {"COM6", 0},           {"/dev/ttyUSB3", 3}, {"/dev/ttyS1", 1}, {"/dev/ttyUSB3:", 0},
                        {"/dev/rfcomm07", 0},  {"gpsd", 0},        {"", 0}};
    for (const Row& r : rows) EXPECT_EQ(PortNumber(r.name), r.number) << r.name;
}

TEST(PortList, KeyLeafAndFind) {
    PortList list({{6, "COM6:", "Drivers\\BuiltIn\\Serial6"}, {0, "gpsd", "gpsd"}});
    EXPECT_EQ(list.keyLeaf(0), "Serial6");
    EXPECT_EQ(list.keyLeaf(1), "gpsd");
    EXPECT_EQ(list.find("com6:"), 0);
    EXPECT_EQ(list.find("COM7:"), -1);
}

}  // namespace
}  // namespace trek
