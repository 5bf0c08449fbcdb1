#pragma once
// Push buttons, check boxes and radio buttons. A press shows while the finger
// is down; BN_CLICKED goes to the dialog when it is lifted inside.
#include "platform/gui/dialog/Control.h"

namespace trek::platform {

class ButtonControl : public Control {
public:
    using Control::Control;
    ControlKind kind() const override { return ControlKind::Button; }
    bool takesFocus() const override { return true; }
    // As a finger tap on the button.
    void click();

protected:
    void paint(Canvas& c) override;
    void mouseDown(Point p) override;
    void mouseMove(Point p, bool down) override;
    void mouseUp(Point p) override;
    void keyDown(uint32_t vk) override;
    virtual void clicked() { notify(BN_CLICKED); }
};

class CheckBoxControl : public ButtonControl {
public:
    CheckBoxControl(Dialog& dialog, Window& window, const ControlTemplate& t) : ButtonControl(dialog, window, t) {}
    ControlKind kind() const override { return ControlKind::CheckBox; }
    bool checked() const { return checked_; }
    virtual void setChecked(bool checked);

protected:
    void paint(Canvas& c) override;
    void clicked() override;
    virtual void drawMark(Canvas& c, const Rect& box);
    bool checked_ = false;
};

class RadioControl : public CheckBoxControl {
public:
    RadioControl(Dialog& dialog, Window& window, const ControlTemplate& t)
        : CheckBoxControl(dialog, window, t), group_(t.group) {}
    ControlKind kind() const override { return ControlKind::Radio; }
    void setChecked(bool checked) override;

protected:
    void clicked() override;
    void drawMark(Canvas& c, const Rect& box) override;

private:
    int group_;
};

}  // namespace trek::platform
