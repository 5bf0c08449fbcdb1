#include "platform/gui/dialog/Dialog.h"

#include <algorithm>
#include <cstdio>

#include "platform/gui/VirtualKeys.h"
#include "platform/gui/WindowSystem.h"
#include "platform/gui/dialog/ButtonControls.h"
#include "platform/gui/dialog/DateTimeControl.h"
#include "platform/gui/dialog/ListControls.h"
#include "platform/gui/dialog/RangeControls.h"
#include "platform/gui/dialog/TextControls.h"
#include "platform/gui/dialog/TreeViewControl.h"

namespace trek::platform {
namespace {

using Factory = std::unique_ptr<Control> (*)(Dialog&, Window&, const ControlTemplate&);

template <typename T>
std::unique_ptr<Control> Make(Dialog& d, Window& w, const ControlTemplate& t) {
    return std::make_unique<T>(d, w, t);
}

struct ControlClass {
    ControlKind kind;
    const char* className;
    Factory make;
};

// One row per control kind: its window class and how it is made.
const ControlClass kControlClasses[] = {
    {ControlKind::Static, "STATIC", Make<StaticControl>},
    {ControlKind::Edit, "EDIT", Make<EditControl>},
    {ControlKind::Button, "BUTTON", Make<ButtonControl>},
    {ControlKind::CheckBox, "BUTTON", Make<CheckBoxControl>},
    {ControlKind::Radio, "BUTTON", Make<RadioControl>},
    {ControlKind::ComboBox, "COMBOBOX", Make<ComboBoxControl>},
    {ControlKind::ListBox, "LISTBOX", Make<ListBoxControl>},
    {ControlKind::ListView, "SysListView32", Make<ListViewControl>},
    {ControlKind::TreeView, "SysTreeView32", Make<TreeViewControl>},
    {ControlKind::DateField, "SysDateTimePick32", Make<DateTimeControl>},
    {ControlKind::TimeField, "SysDateTimePick32", Make<DateTimeControl>},
    {ControlKind::ProgressBar, "msctls_progress32", Make<ProgressBarControl>},
    {ControlKind::ScrollBar, "SCROLLBAR", Make<ScrollBarControl>},
};

const ControlClass* ClassOf(ControlKind kind) {
    for (const auto& c : kControlClasses)
        if (c.kind == kind) return &c;
    return nullptr;
}

const char* AnswerName(int id) {
    switch (id) {
        case IDOK: return "OK";
        case IDCANCEL: return "Cancel";
        case IDYES: return "Yes";
        case IDNO: return "No";
        default: return "button";
    }
}

}  // namespace

Dialog::Dialog(WindowSystem& system, DialogProc proc, bool modal)
    : system_(system), proc_(std::move(proc)), modal_(modal) {}

Dialog::~Dialog() {
    if (window_ && system_.find(window_->id()) == window_) {
        window_->setProc({});
        system_.destroy(window_);
    }
}

int Dialog::captionHeight() const { return 26 * system_.scale(); }

bool Dialog::build(const DialogTemplate& t, int64_t initParam) {
    const int s = system_.scale();
    caption_ = t.caption;
    Rect screen = system_.screenRect();
    Rect r = screen;
    if (t.size.width > 0 && t.size.height > 0) {
        int w = std::min(t.size.width * s, screen.width());
        int h = std::min(t.size.height * s + captionHeight(), screen.height());
        r = Rect::fromSize((screen.width() - w) / 2, (screen.height() - h) / 2, w, h);
    }
    WindowDesc d;
    d.className = "Dialog";
    d.title = t.caption;
    d.rect = r;
    d.background = kit::kDialog;
    d.topmost = true;
    d.visible = true;
    window_ = system_.create(d, [this](Window& w, const Message& m) { return windowProc(w, m); });
    if (!window_) return false;
    for (const auto& ct : t.controls) {
        const ControlClass* cls = ClassOf(ct.kind);
        if (!cls) continue;
        WindowDesc cd;
        cd.className = cls->className;
        cd.parent = window_;
        cd.controlId = ct.id;
        cd.rect = Rect{ct.rect.left * s, ct.rect.top * s + captionHeight(), ct.rect.right * s,
                       ct.rect.bottom * s + captionHeight()};
        Window* cw = system_.create(cd);
        if (!cw) continue;
        auto control = cls->make(*this, *cw, ct);
        Control* raw = control.get();
        cw->userData = raw;
        cw->setProc([raw](Window&, const Message& m) { return raw->handle(m); });
        if (ct.style & WS_DISABLED) cw->setEnabled(false);
        if (ct.kind == ControlKind::Radio) groups_[raw] = ct.group;
        order_.push_back(raw);
        controls_[ct.id] = std::move(control);
    }
    if (window_->send(WM_INITDIALOG, 0, initParam) != 0 || !system_.focus()) {
        // As on the platform: a non-zero answer lets the dialog choose the first control that takes focus.
        for (Control* c : order_)
            if (c->takesFocus() && c->enabled()) {
                system_.setFocus(&c->window());
                break;
            }
    }
    return true;
}

int Dialog::runModal(WindowSystem& system, const DialogTemplate& t, DialogProc proc, int64_t initParam) {
    Dialog dialog(system, std::move(proc), true);
    if (!dialog.build(t, initParam)) return -1;
    auto answer = [&dialog](int id) {
        dialog.command(id);
        if (!dialog.ended_) dialog.end(id);
    };
    if (auto scripted = system.takePendingAnswer()) {
        answer(*scripted);
    } else if (system.headless() && !system.scriptActive()) {
        int id = dialog.defaultId();
        std::fprintf(stderr, "dialog \"%s\": no answer, taking %s\n", t.caption.c_str(), AnswerName(id));
        answer(id);
    }
    if (!dialog.ended_) {
        WindowSystem::Modal modal;
        modal.window = dialog.window_;
        modal.filter = [&dialog](const Message& m) { return dialog.isDialogMessage(m); };
        modal.endWith = answer;
        modal.done = [&dialog] { return dialog.ended_; };
        modal.defaultAnswer = dialog.defaultId();
        modal.caption = t.caption;
        system.runModal(modal);
    }
    return dialog.ended_ ? dialog.result_ : IDCANCEL;
}

Dialog* Dialog::createModeless(WindowSystem& system, const DialogTemplate& t, DialogProc proc, int64_t initParam) {
    std::shared_ptr<Dialog> dialog(new Dialog(system, std::move(proc), false));
    if (!dialog->build(t, initParam)) return nullptr;
    // The window's procedure owns the dialog: it goes when the window is freed.
    dialog->window_->setProc([dialog](Window& w, const Message& m) { return dialog->windowProc(w, m); });
    return dialog.get();
}

int64_t Dialog::windowProc(Window& w, const Message& m) {
    if (m.message == WM_CREATE) return 0;  // a dialog procedure starts with WM_INITDIALOG
    int64_t handled = proc_ ? proc_(*this, m) : 0;
    switch (m.message) {
        case WM_PAINT: {
            Canvas c = w.canvas();
            paint(c);
            return 0;
        }
        case WM_COMMAND: {
            int id = static_cast<int>(LoWord(m.wParam));
            if (!handled && (id == IDOK || id == IDCANCEL || id == IDYES || id == IDNO) &&
                HiWord(m.wParam) == BN_CLICKED)
                end(id);
            return handled;
        }
        case WM_CLOSE:
            if (!handled) command(IDCANCEL);
            return 0;
        case WM_DESTROY:
            window_ = nullptr;
            return handled;
        default: return handled;
    }
}

void Dialog::paint(Canvas& c) {
    const int s = system_.scale();
    Rect all = window_->clientRect();
    c.fillRect(all, kit::kDialog);
    Rect caption{0, 0, all.right, captionHeight()};
    c.fillRect(caption, kit::kHighlight);
    c.setFont(Font{"Arial", -13 * s, 700});
    c.setBackgroundMode(BackgroundMode::Transparent);
    c.setTextColor(kit::kWhite);
    c.drawText(caption_, caption.inflate(-6 * s, 0), DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
    c.frameRect(all, kit::kBorder, 1);
}

void Dialog::end(int result) {
    if (ended_) return;
    ended_ = true;
    result_ = result;
    if (!modal_ && window_) system_.destroy(window_);
}

int Dialog::defaultId() const {
    for (Control* c : order_)
        if (c->kind() == ControlKind::Button && (c->style() & BS_DEFPUSHBUTTON)) return c->id();
    for (Control* c : order_)
        if (c->id() == IDOK || c->id() == IDYES) return c->id();
    return IDOK;
}

Control* Dialog::control(int id) const {
    auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : it->second.get();
}

std::vector<Control*> Dialog::controls() const { return order_; }

int64_t Dialog::command(int id, uint32_t code) {
    if (!window_) return 0;
    Control* c = control(id);
    return window_->send(WM_COMMAND, MakeWParam(static_cast<uint32_t>(id), code), c ? c->window().id() : 0);
}

std::string Dialog::itemText(int id) const {
    Control* c = control(id);
    return c ? c->text() : std::string();
}

bool Dialog::setItemText(int id, const std::string& text) {
    Control* c = control(id);
    if (!c) return false;
    c->setText(text);
    return true;
}

bool Dialog::isChecked(int id) const {
    auto* b = dynamic_cast<CheckBoxControl*>(control(id));
    return b && b->checked();
}

bool Dialog::setChecked(int id, bool checked) {
    auto* b = dynamic_cast<CheckBoxControl*>(control(id));
    if (!b) return false;
    b->setChecked(checked);
    return true;
}

bool Dialog::setFocus(int id) {
    Control* c = control(id);
    if (!c) return false;
    system_.setFocus(&c->window());
    return true;
}

void Dialog::radioChecked(Control* radio, int group) {
    for (auto& [control, g] : groups_)
        if (control != radio && g == group)
            if (auto* r = dynamic_cast<CheckBoxControl*>(control)) r->setChecked(false);
}

bool Dialog::isDialogMessage(const Message& m) {
    if (!window_ || m.message != WM_KEYDOWN) return false;
    Window* target = system_.find(m.window);
    if (!target || (target != window_ && !window_->isAncestorOf(target))) return false;
    switch (m.wParam) {
        case VK_RETURN: {
            // A list that takes return itself (a combo box open) keeps it.
            Control* focused = target->userData ? static_cast<Control*>(target->userData) : nullptr;
            if (focused && focused->kind() == ControlKind::ComboBox &&
                static_cast<ComboBoxControl*>(focused)->dropped())
                return false;
            command(defaultId());
            return true;
        }
        case VK_ESCAPE:
            command(IDCANCEL);
            return true;
        case VK_TAB: {
            std::vector<Control*> focusable;
            for (Control* c : order_)
                if (c->takesFocus() && c->enabled() && c->window().isShown()) focusable.push_back(c);
            if (focusable.empty()) return true;
            auto it = std::find_if(focusable.begin(), focusable.end(),
                                   [this](Control* c) { return &c->window() == system_.focus(); });
            bool back = system_.keyDown(VK_SHIFT);
            size_t n = focusable.size();
            size_t index = it == focusable.end() ? 0 : (it - focusable.begin() + (back ? n - 1 : 1)) % n;
            system_.setFocus(&focusable[index]->window());
            return true;
        }
        default: return false;
    }
}

}  // namespace trek::platform
