#include "platform/gui/Accelerators.h"

#include "platform/gui/VirtualKeys.h"
#include "platform/gui/WindowSystem.h"

namespace trek::platform {

uint16_t AcceleratorTable::lookup(uint32_t vk, uint8_t modifiers) const {
    constexpr uint8_t kModifiers = FSHIFT | FCONTROL | FALT;
    for (const auto& a : entries_)
        if (a.key == vk && (a.flags & kModifiers) == (modifiers & kModifiers)) return a.command;
    return 0;
}

bool TranslateAccelerator(WindowSystem& system, Window* target, const AcceleratorTable& table, const Message& m) {
    if (!target || (m.message != WM_KEYDOWN && m.message != WM_SYSKEYDOWN)) return false;
    uint8_t modifiers = 0;
    if (system.keyDown(VK_SHIFT)) modifiers |= FSHIFT;
    if (system.keyDown(VK_CONTROL)) modifiers |= FCONTROL;
    if (system.keyDown(VK_MENU) || m.message == WM_SYSKEYDOWN) modifiers |= FALT;
    uint16_t command = table.lookup(static_cast<uint32_t>(m.wParam), modifiers);
    if (!command) return false;
    target->send(WM_COMMAND, MakeWParam(command, 1), 0);
    return true;
}

}  // namespace trek::platform
