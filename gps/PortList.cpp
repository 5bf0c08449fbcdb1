#include "gps/PortList.h"

#include <strings.h>

#include <cstdlib>

#include "platform/io/SerialPortEnumerator.h"

namespace trek {
namespace {

// Prefixes followed by the port number: the handheld names and the Linux devices.
constexpr const char* kNumberedPrefixes[] = {"COM", "GPS", "BTC", "ttyUSB", "ttyACM", "rfcomm", "ttyS"};

// The virtual port standing for gpsd on this machine.
const PortEntry kGpsdEntry = {0, "gpsd", "gpsd"};

}  // namespace

int PortNumber(const std::string& name) {
    std::string base = name.substr(name.rfind('/') == std::string::npos ? 0 : name.rfind('/') + 1);
    for (const char* prefix : kNumberedPrefixes) {
        std::string p = prefix;
        if (base.size() <= p.size() || base.compare(0, p.size(), p) != 0) continue;
        std::string digits = base.substr(p.size());
        bool colon = !digits.empty() && digits.back() == ':';
        if (colon) digits.pop_back();
        // Handheld names end in ':', device names do not.
        if (colon != (p == "COM" || p == "GPS" || p == "BTC")) continue;
        if (digits.empty() || digits.size() > 3 || digits.find_first_not_of("0123456789") != std::string::npos)
            continue;
        int n = std::atoi(digits.c_str());
        if (n >= 1 && n <= 255 && std::to_string(n) == digits) return n;
    }
    return 0;
}

std::string PortList::keyLeaf(size_t i) const {
    std::string k = key(i);
    size_t cut = k.find_last_of("\\/");
    return cut == std::string::npos ? k : k.substr(cut + 1);
}

int PortList::find(const std::string& name) const {
    for (size_t i = 0; i < entries_.size(); ++i)
        if (strcasecmp(entries_[i].name.c_str(), name.c_str()) == 0) return static_cast<int>(i);
    return -1;
}

PortList EnumeratePorts(bool verify, const std::string& devRoot, const std::string& sysRoot) {
    std::vector<PortEntry> entries;
    for (const auto& port : platform::EnumerateSerialPorts(verify, devRoot, sysRoot)) {
        if (port.name.size() > kPortNameMax || port.key.size() > kPortNameMax) continue;
        entries.push_back({PortNumber(port.name), port.name, port.key});
    }
    entries.push_back(kGpsdEntry);
    return PortList(std::move(entries));
}

}  // namespace trek
