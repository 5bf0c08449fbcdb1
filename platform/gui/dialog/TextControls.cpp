#include "platform/gui/dialog/TextControls.h"

#include <cstdlib>

#include "platform/core/Text.h"
#include "platform/gui/VirtualKeys.h"
#include "platform/gui/WindowSystem.h"

namespace trek::platform {

void StaticControl::paint(Canvas& c) {
    uint32_t align = (style_ & SS_CENTER) ? DT_CENTER : (style_ & SS_RIGHT) ? DT_RIGHT : DT_LEFT;
    c.drawText(text_, window_.clientRect(), align | DT_VCENTER | DT_WORDBREAK | DT_NOPREFIX | DT_END_ELLIPSIS);
}

EditControl::EditControl(Dialog& dialog, Window& window, const ControlTemplate& t) : Control(dialog, window, t) {
    caret_ = text_.size();
}

void EditControl::setText(const std::string& text) {
    text_ = text.substr(0, limit_);
    while (!text_.empty() && (static_cast<unsigned char>(text_.back()) & 0xC0) == 0x80 &&
           text_.size() == limit_)  // never leave half a character at the cut
        text_.pop_back();
    caret_ = text_.size();
    invalidate();
}

std::string EditControl::shown() const {
    if (!(style_ & ES_PASSWORD)) return text_;
    size_t count = 0;
    for (size_t pos = 0; pos < text_.size(); NextCodePoint(text_, pos)) ++count;
    return std::string(count, '*');
}

size_t EditControl::previousBoundary(size_t pos) const {
    if (pos == 0) return 0;
    --pos;
    while (pos > 0 && (static_cast<unsigned char>(text_[pos]) & 0xC0) == 0x80) --pos;
    return pos;
}

size_t EditControl::nextBoundary(size_t pos) const {
    if (pos >= text_.size()) return text_.size();
    NextCodePoint(text_, pos);
    return pos;
}

void EditControl::changed() {
    invalidate();
    notify(EN_CHANGE);
}

void EditControl::paint(Canvas& c) {
    Rect r = window_.clientRect();
    bool focused = window_.system().focus() == &window_;
    c.setPen(Pen{focused ? kit::kHighlight : kit::kBorder, focused ? 2 * s() : 1});
    c.setBrush(Brush{enabled() ? kit::kWhite : kit::kFace});
    c.rectangle(r);
    Rect inner = r.inflate(-5 * s(), -2 * s());
    c.intersectClip(inner);
    std::string text = shown();
    size_t caretShown = (style_ & ES_PASSWORD) ? 0 : caret_;
    if (style_ & ES_PASSWORD)
        for (size_t pos = 0; pos < caret_; NextCodePoint(text_, pos)) ++caretShown;
    int caretX = c.textExtent(text.substr(0, caretShown)).width;
    if (caretX - scroll_ > inner.width() - 2) scroll_ = caretX - inner.width() + 2;
    if (caretX < scroll_) scroll_ = caretX;
    int lh = c.lineHeight();
    int y = inner.top + (inner.height() - lh) / 2;
    c.textOut(inner.left - scroll_, y, text);
    if (focused) c.fillRect(Rect::fromSize(inner.left + caretX - scroll_, y, std::max(1, s()), lh), kit::kText);
}

void EditControl::mouseDown(Point p) {
    // The caret goes to the character boundary nearest to the tap.
    Canvas c = window_.canvas();
    c.setFont(font());
    int x = p.x - 5 * s() + scroll_;
    size_t best = 0;
    int bestDistance = 1 << 30;
    for (size_t pos = 0;;) {
        int w = c.textExtent(text_.substr(0, pos)).width;
        if (std::abs(w - x) < bestDistance) bestDistance = std::abs(w - x), best = pos;
        if (pos >= text_.size()) break;
        pos = nextBoundary(pos);
    }
    caret_ = best;
    invalidate();
}

void EditControl::keyDown(uint32_t vk) {
    switch (vk) {
        case VK_LEFT: caret_ = previousBoundary(caret_); break;
        case VK_RIGHT: caret_ = nextBoundary(caret_); break;
        case VK_HOME: caret_ = 0; break;
        case VK_END: caret_ = text_.size(); break;
        case VK_BACK:
            if (caret_ == 0) return;
            {
                size_t from = previousBoundary(caret_);
                text_.erase(from, caret_ - from);
                caret_ = from;
            }
            changed();
            return;
        case VK_DELETE:
            if (caret_ >= text_.size()) return;
            text_.erase(caret_, nextBoundary(caret_) - caret_);
            changed();
            return;
        default: return;
    }
    invalidate();
}

void EditControl::charInput(char32_t cp) {
    if (cp < 0x20 || cp == 0x7F) return;  // control characters come as keys
    if ((style_ & ES_NUMBER) && (cp < '0' || cp > '9')) return;
    std::string bytes;
    AppendUtf8(bytes, cp);
    if (text_.size() + bytes.size() > limit_) return;
    text_.insert(caret_, bytes);
    caret_ += bytes.size();
    changed();
}

}  // namespace trek::platform
