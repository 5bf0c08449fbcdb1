#pragma once
// Hardware keys through the device profile's button table: a plain code acts
// on key down, code + 0x100 on release after a short press, code + 0x200 on
// release after a long one (600 ms). A key that has release entries does
// nothing on key down.
#include <cstdint>
#include <optional>

namespace trek {

struct DeviceProfile;

// The action number for the key event, when the table has one.
std::optional<int32_t> ButtonActionForKey(const DeviceProfile& profile, uint32_t vk, bool up, bool longPress);

}  // namespace trek
