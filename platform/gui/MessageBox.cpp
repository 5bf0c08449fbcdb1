#include "platform/gui/MessageBox.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "platform/gui/GuiMessages.h"
#include "platform/gui/WindowSystem.h"
#include "platform/gui/dialog/Dialog.h"

namespace trek::platform {
namespace {

struct ButtonSet {
    uint32_t type;
    std::vector<std::pair<int, const char*>> buttons;
};

const ButtonSet kButtonSets[] = {
    {MB_OK, {{IDOK, "OK"}}},
    {MB_OKCANCEL, {{IDOK, "OK"}, {IDCANCEL, "Cancel"}}},
    {MB_YESNO, {{IDYES, "Yes"}, {IDNO, "No"}}},
};

const ButtonSet& SetOf(uint32_t type) {
    for (const auto& s : kButtonSets)
        if (s.type == (type & MB_TYPEMASK)) return s;
    return kButtonSets[0];
}

const char* NameOf(const ButtonSet& set, int id) {
    for (const auto& [bid, name] : set.buttons)
        if (bid == id) return name;
    return "?";
}

bool Offers(const ButtonSet& set, int id) {
    return std::any_of(set.buttons.begin(), set.buttons.end(), [id](const auto& b) { return b.first == id; });
}

constexpr int kStaticId = 0xFFFF;

}  // namespace

int ShowMessageBox(WindowSystem& system, const std::string& text, const std::string& caption, uint32_t type) {
    const ButtonSet& set = SetOf(type);
    size_t defIndex = std::min<size_t>((type & MB_DEFMASK) >> 8, set.buttons.size() - 1);
    int defaultId = set.buttons[defIndex].first;

    int scripted = system.takePendingAnswer().value_or(0);
    if (scripted && !Offers(set, scripted)) {
        std::fprintf(stderr, "message box \"%s\": scripted answer %s does not fit, ", caption.c_str(),
                     scripted == IDOK ? "ok" : scripted == IDCANCEL ? "cancel" : scripted == IDYES ? "yes" : "no");
        scripted = 0;
    }
    if (system.headless()) {
        int answer = scripted ? scripted : defaultId;
        std::fprintf(stderr, "message box \"%s\": %s -> %s%s\n", caption.c_str(), text.c_str(), NameOf(set, answer),
                     scripted ? " (scripted)" : " (default)");
        return answer;
    }

    // With a display: a dialog of the kit, sized to its text.
    const int width = std::min(300, system.screenSize().width / system.scale() - 16);
    int textHeight = 0;
    {
        Bitmap scratch(1, 1);
        Canvas measure(scratch);
        measure.setFont(Font{"Arial", -13, 400});
        Rect r{0, 0, width - 24, 0};
        textHeight = measure.drawText(text, r, DT_WORDBREAK | DT_CALCRECT | DT_NOPREFIX);
    }
    const int buttonTop = 16 + std::min(textHeight, 300) + 12;
    DialogTemplate t;
    t.caption = caption;
    t.size = {width, buttonTop + 40 + 12};
    t.controls.push_back({ControlKind::Static, kStaticId, Rect{12, 16, width - 12, buttonTop - 12}, text});
    int count = static_cast<int>(set.buttons.size());
    int buttonWidth = 88, gap = 12;
    int left = (width - count * buttonWidth - (count - 1) * gap) / 2;
    for (int i = 0; i < count; ++i) {
        ControlTemplate b{ControlKind::Button, set.buttons[i].first,
                          Rect::fromSize(left + i * (buttonWidth + gap), buttonTop, buttonWidth, 40), set.buttons[i].second};
        if (b.id == defaultId) b.style = BS_DEFPUSHBUTTON;
        t.controls.push_back(b);
    }
    if (scripted) system.setPendingAnswer(scripted);
    // A box's own buttons all end it; escape means cancel, or no, or OK where that is all there is.
    int cancelId = Offers(set, IDCANCEL) ? IDCANCEL : Offers(set, IDNO) ? IDNO : IDOK;
    int result = Dialog::runModal(system, t, [&set, cancelId](Dialog& d, const Message& m) -> int64_t {
        if (m.message != WM_COMMAND) return 0;
        int id = static_cast<int>(LoWord(m.wParam));
        if (id == IDCANCEL && !Offers(set, IDCANCEL)) {
            d.end(cancelId);
            return 1;
        }
        if (Offers(set, id)) {
            d.end(id);
            return 1;
        }
        return 0;
    });
    return Offers(set, result) ? result : cancelId;
}

}  // namespace trek::platform
