#pragma once
// Window-layer constants with their Win32 values: the messages platform/core
// does not list, notification codes, message-box and dialog ids, and the
// packing helpers for wParam/lParam.
#include <cstdint>
#include <vector>

#include "platform/core/Messages.h"

namespace trek::platform {

enum : uint32_t {
    WM_SHOWWINDOW = 0x0018,
    WM_DRAWITEM = 0x002B,
    WM_MEASUREITEM = 0x002C,
    WM_SYSKEYDOWN = 0x0104,
    WM_SYSKEYUP = 0x0105,
    WM_CAPTURECHANGED = 0x0215,
};

// WM_SETTINGCHANGE wParam when the screen geometry changed.
constexpr uint64_t SETTINGCHANGE_RESET = 0x3002;

// WM_ACTIVATE wParam.
enum : uint32_t { WA_INACTIVE = 0, WA_ACTIVE = 1, WA_CLICKACTIVE = 2 };

// WM_DEVICECHANGE wParam.
enum : uint32_t { DBT_DEVICEARRIVAL = 0x8000, DBT_DEVICEREMOVECOMPLETE = 0x8004 };

// Mouse key state in wParam of mouse messages.
enum : uint32_t { MK_LBUTTON = 0x0001, MK_SHIFT = 0x0004, MK_CONTROL = 0x0008 };
constexpr int WHEEL_DELTA = 120;

// Dialog and message-box results.
enum : int { IDOK = 1, IDCANCEL = 2, IDABORT = 3, IDRETRY = 4, IDIGNORE = 5, IDYES = 6, IDNO = 7 };

// Message-box styles.
enum : uint32_t {
    MB_OK = 0x0,
    MB_OKCANCEL = 0x1,
    MB_YESNO = 0x4,
    MB_TYPEMASK = 0xF,
    MB_ICONERROR = 0x10,
    MB_ICONQUESTION = 0x20,
    MB_ICONWARNING = 0x30,
    MB_ICONINFORMATION = 0x40,
    MB_DEFBUTTON1 = 0x000,
    MB_DEFBUTTON2 = 0x100,
    MB_DEFMASK = 0xF00,
    MB_TOPMOST = 0x40000,
};

// Control notifications (high word of WM_COMMAND's wParam).
enum : uint32_t {
    BN_CLICKED = 0,
    EN_CHANGE = 0x0300,
    CBN_SELCHANGE = 1,
    LBN_SELCHANGE = 1,
    LBN_DBLCLK = 2,
};

// WM_NOTIFY codes.
enum : int32_t {
    NM_CLICK = -2,
    NM_CUSTOMDRAW = -12,
    LVN_ITEMCHANGED = -101,
    LVN_GETDISPINFO = -150,
    TVN_ITEMEXPANDED = -455,
    TVN_SELCHANGED = -451,
    TVN_CHECKCHANGED = -499,  // ours: a tree check box was toggled
    DTN_DATETIMECHANGE = -759,
    MBN_BUTTONDOWN = -1001,   // ours: a menu-bar button was pressed (before WM_COMMAND on release)
};

// Custom draw stages and answers.
enum : uint32_t {
    CDDS_PREPAINT = 0x1,
    CDDS_ITEM = 0x10000,
    CDDS_ITEMPREPAINT = CDDS_ITEM | CDDS_PREPAINT,
    CDRF_DODEFAULT = 0x0,
    CDRF_SKIPDEFAULT = 0x4,
    CDRF_NOTIFYITEMDRAW = 0x20,
};

// Scroll-bar codes (low word of WM_HSCROLL/WM_VSCROLL wParam).
enum : uint32_t {
    SB_LINEUP = 0,
    SB_LINEDOWN = 1,
    SB_PAGEUP = 2,
    SB_PAGEDOWN = 3,
    SB_THUMBPOSITION = 4,
    SB_THUMBTRACK = 5,
    SB_ENDSCROLL = 8,
};

constexpr int64_t MakeLParam(int lo, int hi) {
    return static_cast<int64_t>(static_cast<uint32_t>((lo & 0xFFFF) | ((hi & 0xFFFF) << 16)));
}
constexpr uint64_t MakeWParam(uint32_t lo, uint32_t hi) { return (lo & 0xFFFF) | ((hi & 0xFFFF) << 16); }
constexpr uint32_t LoWord(uint64_t v) { return static_cast<uint32_t>(v & 0xFFFF); }
constexpr uint32_t HiWord(uint64_t v) { return static_cast<uint32_t>((v >> 16) & 0xFFFF); }
// Signed coordinates packed in lParam (GET_X_LPARAM / GET_Y_LPARAM).
constexpr int XFromLParam(int64_t l) { return static_cast<int16_t>(l & 0xFFFF); }
constexpr int YFromLParam(int64_t l) { return static_cast<int16_t>((l >> 16) & 0xFFFF); }
constexpr int WheelDelta(uint64_t wParam) { return static_cast<int16_t>((wParam >> 16) & 0xFFFF); }

// WM_NOTIFY is sent (never posted) with lParam pointing to a NotifyHeader,
// WM_MEASUREITEM to a MeasureItem and WM_DRAWITEM to a DrawItem, as on the platform.
struct NotifyHeader {
    uint32_t fromWindow = 0;
    int controlId = 0;
    int32_t code = 0;
    int item = -1;          // row, tree item or menu-bar command
    int subItem = 0;
    uint32_t drawStage = 0; // NM_CUSTOMDRAW
    void* context = nullptr;  // NM_CUSTOMDRAW: the Canvas; LVN_GETDISPINFO: std::string to fill
    int left = 0, top = 0, right = 0, bottom = 0;  // item rectangle where it matters
};

class Canvas;

struct MeasureItem {
    int controlId = 0;
    int itemId = 0;
    int width = 0;   // filled in by the owner, in pixels at display scale 1
    int height = 0;
};

struct DrawItem {
    int controlId = 0;
    int itemId = 0;
    Canvas* canvas = nullptr;
    int left = 0, top = 0, right = 0, bottom = 0;  // on the canvas
    bool pressed = false;
};

template <typename T>
T* FromLParam(int64_t lParam) { return reinterpret_cast<T*>(static_cast<intptr_t>(lParam)); }
template <typename T>
int64_t ToLParam(T* p) { return static_cast<int64_t>(reinterpret_cast<intptr_t>(p)); }

// WM_COPYDATA payload: dwData and the bytes (cbData = data.size()).
struct CopyData {
    uint64_t dwData = 0;
    std::vector<uint8_t> data;
};

}  // namespace trek::platform
