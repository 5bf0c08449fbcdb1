#pragma once
// The candidate ports for a receiver: the serial devices found on the
// system and the virtual port "gpsd" (gpsd on this machine). Past the end,
// names and keys are empty and numbers 0.
#include <string>
#include <vector>

namespace trek {

struct PortEntry {
    int number = 0;    // N of "COMN:", "ttyUSBN", ... when 1..255, else 0
    std::string name;  // what GpsReceiver opens
    std::string key;   // driver key: the kernel driver
};

// Names and keys longer than this are not listed (a bound, not a cut).
constexpr size_t kPortNameMax = 255;

class PortList {
public:
    PortList() = default;
    explicit PortList(std::vector<PortEntry> entries) : entries_(std::move(entries)) {}

    size_t count() const { return entries_.size(); }
    int number(size_t i) const { return i < entries_.size() ? entries_[i].number : 0; }
    std::string name(size_t i) const { return i < entries_.size() ? entries_[i].name : std::string(); }
    std::string key(size_t i) const { return i < entries_.size() ? entries_[i].key : std::string(); }
    // The text after the last backslash or slash of the key.
    std::string keyLeaf(size_t i) const;
    // Index of the entry with this name (case-insensitive), or -1.
    int find(const std::string& name) const;
    const std::vector<PortEntry>& entries() const { return entries_; }

private:
    std::vector<PortEntry> entries_;
};

// The number rule: "COM6:" gives 6, "/dev/ttyUSB3" gives 3, others 0.
int PortNumber(const std::string& name);

// With verify set, only serial ports that can be opened right now.
PortList EnumeratePorts(bool verify, const std::string& devRoot = "/dev", const std::string& sysRoot = "/sys");

}  // namespace trek
