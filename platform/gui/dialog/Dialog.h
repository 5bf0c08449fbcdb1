#pragma once
// Dialogs from templates of controls with numeric ids. The dialog procedure
// receives WM_INITDIALOG (lParam = the caller's value) and WM_COMMAND
// (wParam = MAKEWPARAM(id, notification)); IDOK and IDCANCEL end a dialog
// unless the procedure handles them (returns non-zero). Modal dialogs run
// their own loop; headless, a modal dialog that no script answers takes its
// default button at once and says so on stderr.
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/gui/dialog/Control.h"

namespace trek::platform {

class WindowSystem;

struct DialogTemplate {
    std::string caption;
    Size size;  // client pixels at display scale 1; empty = the whole screen
    std::vector<ControlTemplate> controls;
};

class Dialog;
using DialogProc = std::function<int64_t(Dialog&, const Message&)>;

class Dialog {
public:
    static int runModal(WindowSystem& system, const DialogTemplate& t, DialogProc proc = {}, int64_t initParam = 0);
    // Lives until its window is destroyed (end() or close()).
    static Dialog* createModeless(WindowSystem& system, const DialogTemplate& t, DialogProc proc = {},
                                  int64_t initParam = 0);
    ~Dialog();

    Window& window() { return *window_; }
    WindowSystem& system() { return system_; }
    const std::string& caption() const { return caption_; }
    bool modal() const { return modal_; }

    Control* control(int id) const;
    template <typename T>
    T* get(int id) const { return dynamic_cast<T*>(control(id)); }
    std::vector<Control*> controls() const;

    // EndDialog: a modal dialog returns result; a modeless one is destroyed.
    void end(int result);
    bool ended() const { return ended_; }
    int result() const { return result_; }
    int defaultId() const;

    // As a control would: WM_COMMAND(id, code) to the dialog.
    int64_t command(int id, uint32_t code = BN_CLICKED);
    std::string itemText(int id) const;
    bool setItemText(int id, const std::string& text);
    bool isChecked(int id) const;
    bool setChecked(int id, bool checked);
    bool setFocus(int id);

    // Keys the dialog takes for itself: return = default button, escape = cancel, tab = next control.
    bool isDialogMessage(const Message& m);

    // Radio buttons of a group: clears the others when one is checked.
    void radioChecked(Control* radio, int group);
    int captionHeight() const;

private:
    Dialog(WindowSystem& system, DialogProc proc, bool modal);
    bool build(const DialogTemplate& t, int64_t initParam);
    int64_t windowProc(Window& w, const Message& m);
    void paint(Canvas& c);

    WindowSystem& system_;
    DialogProc proc_;
    bool modal_;
    Window* window_ = nullptr;
    std::string caption_;
    std::map<int, std::unique_ptr<Control>> controls_;
    std::vector<Control*> order_;  // template order, for tabbing
    std::map<Control*, int> groups_;
    bool ended_ = false;
    int result_ = 0;
};

}  // namespace trek::platform
