#pragma once
// Virtual-key codes as Win32 numbers them, their names for scripts, and the
// mapping from SDL key codes.
#include <cstdint>
#include <optional>
#include <string>

namespace trek::platform {

enum : uint32_t {
    VK_LBUTTON = 0x01,
    VK_BACK = 0x08,
    VK_TAB = 0x09,
    VK_RETURN = 0x0D,
    VK_SHIFT = 0x10,
    VK_CONTROL = 0x11,
    VK_MENU = 0x12,  // Alt
    VK_PAUSE = 0x13,
    VK_ESCAPE = 0x1B,
    VK_SPACE = 0x20,
    VK_PRIOR = 0x21,
    VK_NEXT = 0x22,
    VK_END = 0x23,
    VK_HOME = 0x24,
    VK_LEFT = 0x25,
    VK_UP = 0x26,
    VK_RIGHT = 0x27,
    VK_DOWN = 0x28,
    VK_INSERT = 0x2D,
    VK_DELETE = 0x2E,
    // '0'..'9' = 0x30..0x39, 'A'..'Z' = 0x41..0x5A
    VK_LWIN = 0x5B,
    VK_APPS = 0x5D,
    VK_NUMPAD0 = 0x60,
    VK_MULTIPLY = 0x6A,
    VK_ADD = 0x6B,
    VK_SUBTRACT = 0x6D,
    VK_DECIMAL = 0x6E,
    VK_DIVIDE = 0x6F,
    VK_F1 = 0x70,  // .. VK_F24 = 0x87
    VK_VOLUME_MUTE = 0xAD,
    VK_VOLUME_DOWN = 0xAE,
    VK_VOLUME_UP = 0xAF,
    VK_OEM_1 = 0xBA,  // ;:
    VK_OEM_PLUS = 0xBB,
    VK_OEM_COMMA = 0xBC,
    VK_OEM_MINUS = 0xBD,
    VK_OEM_PERIOD = 0xBE,
    VK_OEM_2 = 0xBF,  // /?
    VK_OEM_3 = 0xC0,  // `~
    VK_OEM_4 = 0xDB,  // [{
    VK_OEM_5 = 0xDC,  // \|
    VK_OEM_6 = 0xDD,  // ]}
    VK_OEM_7 = 0xDE,  // '"
};

// "RETURN", "F5", "A", "7", "UP"... (case-insensitive) or a number ("0x26", "38").
std::optional<uint32_t> VirtualKeyFromName(const std::string& name);
// The canonical name ("RETURN"); "0xNN" for keys without one.
std::string VirtualKeyName(uint32_t vk);
// SDL_Keycode (an int32 so that this header needs no SDL) to a virtual key; 0 = unmapped.
uint32_t VirtualKeyFromSdl(int32_t sdlKeycode);

}  // namespace trek::platform
