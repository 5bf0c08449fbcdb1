#pragma once
// The serial devices a GPS receiver may sit on: the stable names below
// /dev/serial/by-id, then the ttyUSB, ttyACM, rfcomm and ttyS devices that
// exist (those already named by a by-id link are left out). The driver key
// is the kernel driver's name from sysfs.
#include <string>
#include <vector>

namespace trek::platform {

struct SerialPortInfo {
    std::string name;  // device path
    std::string key;   // kernel driver ("pl2303", "cdc_acm", "rfcomm", ...)
};

// devRoot and sysRoot exist for tests ("/dev", "/sys").
std::vector<SerialPortInfo> EnumerateSerialPorts(bool verify, const std::string& devRoot = "/dev",
                                                 const std::string& sysRoot = "/sys");

}  // namespace trek::platform
