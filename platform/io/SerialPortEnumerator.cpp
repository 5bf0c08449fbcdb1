#include "platform/io/SerialPortEnumerator.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>

#include "platform/io/SerialPort.h"

namespace trek::platform {
namespace fs = std::filesystem;
namespace {

constexpr const char* kDevicePrefixes[] = {"ttyUSB", "ttyACM", "rfcomm", "ttyS"};

bool HasDigitsAfter(const std::string& name, size_t prefix) {
    if (name.size() <= prefix) return false;
    return std::all_of(name.begin() + static_cast<ptrdiff_t>(prefix), name.end(),
                       [](char c) { return c >= '0' && c <= '9'; });
}

std::string DriverKey(const std::string& tty, const std::string& sysRoot) {
    std::error_code ec;
    fs::path driver = fs::path(sysRoot) / "class/tty" / tty / "device/driver";
    fs::path target = fs::read_symlink(driver, ec);
    if (!ec) return target.filename().string();
    if (tty.rfind("rfcomm", 0) == 0) return "rfcomm";  // Bluetooth serial has no device node in sysfs
    return "";
}

// A 16550 slot that the kernel probed without finding a UART reports type 0.
bool UartPresent(const std::string& tty, const std::string& sysRoot) {
    std::ifstream in(fs::path(sysRoot) / "class/tty" / tty / "type");
    int type = 0;
    return in >> type && type != 0;
}

}  // namespace

std::vector<SerialPortInfo> EnumerateSerialPorts(bool verify, const std::string& devRoot,
                                                 const std::string& sysRoot) {
    std::vector<SerialPortInfo> ports;
    std::set<std::string> linked;  // ttys already listed under a stable name
    std::error_code ec;

    std::vector<fs::path> byId;
    for (const auto& entry : fs::directory_iterator(fs::path(devRoot) / "serial/by-id", ec))
        byId.push_back(entry.path());
    std::sort(byId.begin(), byId.end());
    for (const auto& link : byId) {
        fs::path target = fs::weakly_canonical(link.parent_path() / fs::read_symlink(link, ec), ec);
        if (ec) continue;
        std::string tty = target.filename().string();
        linked.insert(tty);
        ports.push_back({link.string(), DriverKey(tty, sysRoot)});
    }

    std::vector<std::string> ttys;
    for (const auto& entry : fs::directory_iterator(fs::path(devRoot), ec)) {
        std::string name = entry.path().filename().string();
        for (const char* prefix : kDevicePrefixes) {
            std::string p = prefix;
            if (name.rfind(p, 0) == 0 && HasDigitsAfter(name, p.size())) ttys.push_back(name);
        }
    }
    // Natural order within each family: ttyUSB2 before ttyUSB10.
    auto rank = [](const std::string& n) {
        for (size_t i = 0; i < std::size(kDevicePrefixes); ++i) {
            std::string p = kDevicePrefixes[i];
            if (n.rfind(p, 0) == 0) return std::make_pair(i, std::stoul(n.substr(p.size())));
        }
        return std::make_pair(std::size(kDevicePrefixes), 0ul);
    };
    std::sort(ttys.begin(), ttys.end(), [&](const auto& a, const auto& b) { return rank(a) < rank(b); });
    for (const auto& tty : ttys) {
        if (linked.count(tty)) continue;
        if (tty.rfind("ttyS", 0) == 0 && !UartPresent(tty, sysRoot)) continue;
        ports.push_back({(fs::path(devRoot) / tty).string(), DriverKey(tty, sysRoot)});
    }

    if (verify) {
        std::erase_if(ports, [](const SerialPortInfo& p) { return !CanOpenSerialPort(p.name); });
    }
    return ports;
}

}  // namespace trek::platform
