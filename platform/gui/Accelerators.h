#pragma once
// Accelerator tables: key combinations that become WM_COMMAND.
#include <cstdint>
#include <vector>

#include "platform/core/MessageLoop.h"

namespace trek::platform {

class Window;
class WindowSystem;

enum : uint8_t { FVIRTKEY = 0x01, FSHIFT = 0x04, FCONTROL = 0x08, FALT = 0x10 };

struct Accelerator {
    uint8_t flags = FVIRTKEY;  // FVIRTKEY plus the modifiers that must be held
    uint32_t key = 0;          // virtual key
    uint16_t command = 0;
};

class AcceleratorTable {
public:
    AcceleratorTable() = default;
    AcceleratorTable(std::initializer_list<Accelerator> entries) : entries_(entries) {}
    void add(const Accelerator& a) { entries_.push_back(a); }
    const std::vector<Accelerator>& entries() const { return entries_; }
    // The command for a key with the given modifier flags (FSHIFT|FCONTROL|FALT), 0 when none.
    uint16_t lookup(uint32_t vk, uint8_t modifiers) const;

private:
    std::vector<Accelerator> entries_;
};

// For a key-down message whose key and held modifiers match an entry, sends
// WM_COMMAND (wParam = MAKEWPARAM(command, 1)) to target and returns true.
bool TranslateAccelerator(WindowSystem& system, Window* target, const AcceleratorTable& table, const Message& m);

}  // namespace trek::platform
