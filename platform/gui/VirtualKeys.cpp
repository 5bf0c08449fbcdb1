#include "platform/gui/VirtualKeys.h"

#include <SDL2/SDL_keycode.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>

namespace trek::platform {
namespace {

struct NamedKey {
    const char* name;
    uint32_t vk;
};

constexpr NamedKey kNamedKeys[] = {
    {"BACK", VK_BACK},       {"TAB", VK_TAB},           {"RETURN", VK_RETURN},     {"ENTER", VK_RETURN},
    {"SHIFT", VK_SHIFT},     {"CONTROL", VK_CONTROL},   {"CTRL", VK_CONTROL},      {"MENU", VK_MENU},
    {"ALT", VK_MENU},        {"PAUSE", VK_PAUSE},       {"ESCAPE", VK_ESCAPE},     {"ESC", VK_ESCAPE},
    {"SPACE", VK_SPACE},     {"PRIOR", VK_PRIOR},       {"PAGEUP", VK_PRIOR},      {"NEXT", VK_NEXT},
    {"PAGEDOWN", VK_NEXT},   {"END", VK_END},           {"HOME", VK_HOME},         {"LEFT", VK_LEFT},
    {"UP", VK_UP},           {"RIGHT", VK_RIGHT},       {"DOWN", VK_DOWN},         {"INSERT", VK_INSERT},
    {"DELETE", VK_DELETE},   {"LWIN", VK_LWIN},         {"APPS", VK_APPS},         {"MULTIPLY", VK_MULTIPLY},
    {"ADD", VK_ADD},         {"SUBTRACT", VK_SUBTRACT}, {"DECIMAL", VK_DECIMAL},   {"DIVIDE", VK_DIVIDE},
    {"VOLUME_MUTE", VK_VOLUME_MUTE}, {"VOLUME_DOWN", VK_VOLUME_DOWN}, {"VOLUME_UP", VK_VOLUME_UP},
    {"OEM_1", VK_OEM_1},     {"OEM_PLUS", VK_OEM_PLUS}, {"OEM_COMMA", VK_OEM_COMMA}, {"OEM_MINUS", VK_OEM_MINUS},
    {"OEM_PERIOD", VK_OEM_PERIOD}, {"OEM_2", VK_OEM_2}, {"SLASH", VK_OEM_2},       {"OEM_3", VK_OEM_3},
    {"OEM_4", VK_OEM_4},     {"OEM_5", VK_OEM_5},       {"OEM_6", VK_OEM_6},       {"OEM_7", VK_OEM_7},
};

struct SdlKey {
    int32_t sdl;
    uint32_t vk;
};

// Keys whose SDL code is not a letter, digit, function or keypad key.
constexpr SdlKey kSdlKeys[] = {
    {SDLK_BACKSPACE, VK_BACK},    {SDLK_TAB, VK_TAB},         {SDLK_RETURN, VK_RETURN},
    {SDLK_KP_ENTER, VK_RETURN},   {SDLK_ESCAPE, VK_ESCAPE},   {SDLK_SPACE, VK_SPACE},
    {SDLK_PAGEUP, VK_PRIOR},      {SDLK_PAGEDOWN, VK_NEXT},   {SDLK_END, VK_END},
    {SDLK_HOME, VK_HOME},         {SDLK_LEFT, VK_LEFT},       {SDLK_UP, VK_UP},
    {SDLK_RIGHT, VK_RIGHT},       {SDLK_DOWN, VK_DOWN},       {SDLK_INSERT, VK_INSERT},
    {SDLK_DELETE, VK_DELETE},     {SDLK_LSHIFT, VK_SHIFT},    {SDLK_RSHIFT, VK_SHIFT},
    {SDLK_LCTRL, VK_CONTROL},     {SDLK_RCTRL, VK_CONTROL},   {SDLK_LALT, VK_MENU},
    {SDLK_RALT, VK_MENU},         {SDLK_LGUI, VK_LWIN},       {SDLK_APPLICATION, VK_APPS},
    {SDLK_PAUSE, VK_PAUSE},       {SDLK_KP_MULTIPLY, VK_MULTIPLY}, {SDLK_KP_PLUS, VK_ADD},
    {SDLK_KP_MINUS, VK_SUBTRACT}, {SDLK_KP_PERIOD, VK_DECIMAL}, {SDLK_KP_DIVIDE, VK_DIVIDE},
    {SDLK_MUTE, VK_VOLUME_MUTE},  {SDLK_VOLUMEDOWN, VK_VOLUME_DOWN}, {SDLK_VOLUMEUP, VK_VOLUME_UP},
    {SDLK_SEMICOLON, VK_OEM_1},   {SDLK_EQUALS, VK_OEM_PLUS}, {SDLK_COMMA, VK_OEM_COMMA},
    {SDLK_MINUS, VK_OEM_MINUS},   {SDLK_PERIOD, VK_OEM_PERIOD}, {SDLK_SLASH, VK_OEM_2},
    {SDLK_BACKQUOTE, VK_OEM_3},   {SDLK_LEFTBRACKET, VK_OEM_4}, {SDLK_BACKSLASH, VK_OEM_5},
    {SDLK_RIGHTBRACKET, VK_OEM_6}, {SDLK_QUOTE, VK_OEM_7},
};

std::string Upper(std::string s) {
    for (auto& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

}  // namespace

std::optional<uint32_t> VirtualKeyFromName(const std::string& name) {
    if (name.empty()) return std::nullopt;
    std::string up = Upper(name);
    if (up.size() == 1 && (std::isalnum(static_cast<unsigned char>(up[0])))) return static_cast<uint32_t>(up[0]);
    if (up == "/") return VK_OEM_2;
    for (const auto& k : kNamedKeys)
        if (up == k.name) return k.vk;
    if (up[0] == 'F' && up.size() <= 3 && std::isdigit(static_cast<unsigned char>(up[1]))) {
        int n = std::atoi(up.c_str() + 1);
        if (n >= 1 && n <= 24) return VK_F1 + n - 1;
    }
    if (std::isdigit(static_cast<unsigned char>(up[0]))) {
        char* end = nullptr;
        unsigned long v = std::strtoul(name.c_str(), &end, 0);
        if (end && *end == 0 && v > 0 && v < 256) return static_cast<uint32_t>(v);
    }
    return std::nullopt;
}

std::string VirtualKeyName(uint32_t vk) {
    if ((vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z')) return std::string(1, static_cast<char>(vk));
    if (vk >= VK_F1 && vk <= VK_F1 + 23) return "F" + std::to_string(vk - VK_F1 + 1);
    for (const auto& k : kNamedKeys)
        if (k.vk == vk) return k.name;
    char buf[8];
    std::snprintf(buf, sizeof buf, "0x%02X", vk & 0xFF);
    return buf;
}

uint32_t VirtualKeyFromSdl(int32_t key) {
    if (key >= SDLK_a && key <= SDLK_z) return 'A' + (key - SDLK_a);
    if (key >= SDLK_0 && key <= SDLK_9) return '0' + (key - SDLK_0);
    if (key >= SDLK_F1 && key <= SDLK_F12) return VK_F1 + (key - SDLK_F1);
    if (key >= SDLK_F13 && key <= SDLK_F24) return VK_F1 + 12 + (key - SDLK_F13);
    if (key >= SDLK_KP_1 && key <= SDLK_KP_9) return VK_NUMPAD0 + 1 + (key - SDLK_KP_1);
    if (key == SDLK_KP_0) return VK_NUMPAD0;
    for (const auto& k : kSdlKeys)
        if (k.sdl == key) return k.vk;
    return 0;
}

}  // namespace trek::platform
