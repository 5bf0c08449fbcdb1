#pragma once
// Static text and single-line edit fields (UTF-8 text, any script).
#include "platform/gui/dialog/Control.h"

namespace trek::platform {

class StaticControl : public Control {
public:
    using Control::Control;
    ControlKind kind() const override { return ControlKind::Static; }

protected:
    void paint(Canvas& c) override;
};

class EditControl : public Control {
public:
    EditControl(Dialog& dialog, Window& window, const ControlTemplate& t);
    ControlKind kind() const override { return ControlKind::Edit; }
    bool takesFocus() const override { return true; }
    void setText(const std::string& text) override;
    size_t caret() const { return caret_; }  // byte offset
    void setLimit(size_t bytes) { limit_ = bytes; }

protected:
    void paint(Canvas& c) override;
    void mouseDown(Point p) override;
    void keyDown(uint32_t vk) override;
    void charInput(char32_t cp) override;

private:
    size_t previousBoundary(size_t pos) const;
    size_t nextBoundary(size_t pos) const;
    std::string shown() const;
    void changed();

    size_t caret_ = 0;
    size_t limit_ = 1024;
    int scroll_ = 0;  // pixels the text is shifted left so that the caret stays visible
};

}  // namespace trek::platform
