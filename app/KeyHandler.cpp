#include "app/KeyHandler.h"

#include "settings/DeviceProfile.h"

namespace trek {

namespace {
constexpr uint32_t kOnRelease = 0x100;
constexpr uint32_t kOnLongRelease = 0x200;
}  // namespace

std::optional<int32_t> ButtonActionForKey(const DeviceProfile& profile, uint32_t vk, bool up, bool longPress) {
    vk &= 0xFF;
    if (!up) {
        for (size_t i = 0; i < profile.buttonCount; ++i) {
            uint32_t code = profile.buttons[i].keyCode;
            if ((code & 0xFF) == vk && (code & (kOnRelease | kOnLongRelease))) return std::nullopt;
        }
        return profile.actionForKey(vk);
    }
    return profile.actionForKey(vk + (longPress ? kOnLongRelease : kOnRelease));
}

}  // namespace trek
