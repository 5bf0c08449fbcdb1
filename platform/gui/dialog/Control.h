#pragma once
// The base of the dialog kit's controls: a child window of a dialog with an id,
// text, enabled state, finger-sized metrics and notifications to the dialog
// (WM_COMMAND with a notification code, or WM_NOTIFY).
#include <cstdint>
#include <string>
#include <vector>

#include "platform/gui/Canvas.h"
#include "platform/gui/GuiMessages.h"
#include "platform/gui/Window.h"

namespace trek::platform {

class Dialog;

enum class ControlKind {
    Static, Edit, Button, CheckBox, Radio, ComboBox, ListBox, ListView, TreeView, DateField, TimeField,
    ProgressBar, ScrollBar,
};

// Control styles the kit understands (Win32 values where one exists).
enum : uint32_t {
    SS_CENTER = 0x1,
    SS_RIGHT = 0x2,
    ES_NUMBER = 0x2000,
    ES_PASSWORD = 0x20,
    BS_DEFPUSHBUTTON = 0x1,
    SBS_VERT = 0x1,
    WS_DISABLED = 0x08000000,
};

struct ControlTemplate {
    ControlTemplate() = default;
    ControlTemplate(ControlKind kind, int id, Rect rect, std::string text = {}, uint32_t style = 0, int group = 0,
                    std::vector<std::string> items = {})
        : kind(kind), id(id), rect(rect), text(std::move(text)), style(style), group(group), items(std::move(items)) {}

    ControlKind kind = ControlKind::Static;
    int id = 0;
    Rect rect;  // dialog client pixels at display scale 1
    std::string text;
    uint32_t style = 0;
    int group = 0;                   // radio buttons of one group exclude each other
    std::vector<std::string> items;  // list entries, combo entries, list-view column titles
};

class Control {
public:
    Control(Dialog& dialog, Window& window, const ControlTemplate& t);
    virtual ~Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    virtual ControlKind kind() const = 0;
    int id() const { return id_; }
    Window& window() { return window_; }
    Dialog& dialog() { return dialog_; }
    uint32_t style() const { return style_; }

    virtual std::string text() const { return text_; }
    virtual void setText(const std::string& text);
    bool enabled() const { return window_.enabled(); }
    void setEnabled(bool enabled) { window_.setEnabled(enabled); }
    void invalidate() { window_.invalidate(); }
    virtual bool takesFocus() const { return false; }

    // The window procedure of every control.
    int64_t handle(const Message& m);

protected:
    virtual void paint(Canvas& c) = 0;
    virtual void mouseDown(Point) {}
    virtual void mouseMove(Point, bool /*buttonDown*/) {}
    virtual void mouseUp(Point) {}
    virtual void keyDown(uint32_t) {}
    virtual void charInput(char32_t) {}
    virtual void wheel(int) {}
    virtual void focusChanged(bool) { invalidate(); }

    void notify(uint32_t code);          // WM_COMMAND to the dialog
    int64_t notify(NotifyHeader& header);  // WM_NOTIFY to the dialog
    int s() const;                        // display scale
    int rowHeight() const { return 32 * s(); }
    Font font(int weight = 400) const { return Font{"Arial", -13 * s(), weight}; }
    void drawFrame(Canvas& c, const Rect& r, uint32_t fill) const;
    bool pressed_ = false;

    Dialog& dialog_;
    Window& window_;
    int id_;
    uint32_t style_;
    std::string text_;
};

// Colours of the kit (COLORREF).
namespace kit {
constexpr uint32_t kFace = 0xE0E0E0;
constexpr uint32_t kBorder = 0x808080;
constexpr uint32_t kText = 0x000000;
constexpr uint32_t kGrey = 0x808080;
constexpr uint32_t kHighlight = 0xFF8000;  // a clear blue
constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kDialog = 0xF7F3F0;
}  // namespace kit

}  // namespace trek::platform
