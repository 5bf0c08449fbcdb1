#include <gtest/gtest.h>

#include "GuiTestSupport.h"
#include "platform/gui/MessageBox.h"
#include "platform/gui/Script.h"
#include "platform/gui/VirtualKeys.h"
#include "platform/gui/dialog/ButtonControls.h"
#include "platform/gui/dialog/DateTimeControl.h"
#include "platform/gui/dialog/Dialog.h"
#include "platform/gui/dialog/ListControls.h"
#include "platform/gui/dialog/RangeControls.h"
#include "platform/gui/dialog/TextControls.h"
#include "platform/gui/dialog/TreeViewControl.h"

namespace trek::platform {
namespace {

using testing::Headless;

Point Centre(const Rect& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

DialogTemplate Template() {
    using K = ControlKind;
    DialogTemplate t;
    t.caption = "Settings";
    t.size = {300, 440};
    t.controls = {
        {K::Edit, 10, {8, 8, 292, 40}, "start"},
        {K::CheckBox, 11, {8, 44, 150, 76}, "Record"},
        {K::Radio, 12, {8, 80, 100, 112}, "km", 0, 1},
        {K::Radio, 13, {100, 80, 200, 112}, "mi", 0, 1},
        {K::Radio, 14, {200, 80, 292, 112}, "other", 0, 2},
        {K::ComboBox, 15, {8, 116, 150, 148}, "", 0, 0, {"OSM", "Topo", "Sat"}},
        {K::ListBox, 16, {156, 116, 292, 212}, "", 0, 0, {"a", "b", "c", "d", "e", "f"}},
        {K::ListView, 17, {8, 216, 292, 300}, "", 0, 0, {"Name:150", "km:60"}},
        {K::TreeView, 18, {8, 304, 150, 400}},
        {K::DateField, 19, {156, 304, 292, 336}, "2024-01-31"},
        {K::TimeField, 20, {156, 340, 292, 372}, "23:59:30"},
        {K::ScrollBar, 21, {270, 376, 292, 436}, "", SBS_VERT},
        {K::ProgressBar, 22, {156, 376, 260, 390}},
        {K::Button, IDOK, {8, 404, 100, 436}, "OK", BS_DEFPUSHBUTTON},
        {K::Button, IDCANCEL, {104, 404, 200, 436}, "Cancel"},
    };
    return t;
}

struct DialogFixture : ::testing::Test {
    void SetUp() override {
        dialog = Dialog::createModeless(h.system, Template(), [this](Dialog&, const Message& m) -> int64_t {
            if (m.message == WM_COMMAND) commands.push_back({LoWord(m.wParam), HiWord(m.wParam)});
            if (m.message == WM_NOTIFY) {
                auto* n = FromLParam<NotifyHeader>(m.lParam);
                notifies.push_back(*n);
                if (n->code == LVN_GETDISPINFO) *static_cast<std::string*>(n->context) = "row" + std::to_string(n->item) + "." + std::to_string(n->subItem);
            }
            if (m.message == WM_VSCROLL) scrolls.push_back(LoWord(m.wParam));
            return 0;
        });
        ASSERT_NE(dialog, nullptr);
        h.pump();
    }
    void tap(Point p) {
        h.system.mouseDown(p);
        h.pump();
        h.system.mouseUp(p);
        h.pump();
    }
    Rect screen(int id) { return dialog->control(id)->window().screenRect(); }
    bool commanded(uint32_t id, uint32_t code) const {
        for (auto& c : commands)
            if (c.first == id && c.second == code) return true;
        return false;
    }

    Headless h{{480, 640}};
    Dialog* dialog = nullptr;
    std::vector<std::pair<uint32_t, uint32_t>> commands;
    std::vector<NotifyHeader> notifies;
    std::vector<uint32_t> scrolls;
};

TEST_F(DialogFixture, EditTakesRealTextInputIncludingNonAscii) {
    auto* edit = dialog->get<EditControl>(10);
    ASSERT_NE(edit, nullptr);
    tap(Centre(screen(10)));
    EXPECT_EQ(h.system.focus(), &edit->window());
    h.system.key(VK_END, true);
    h.system.text(" Grüße 日本");
    h.pump();
    EXPECT_EQ(dialog->itemText(10), "start Grüße 日本");
    EXPECT_TRUE(commanded(10, EN_CHANGE));
    h.system.key(VK_BACK, true);  // one character, not one byte
    h.pump();
    EXPECT_EQ(dialog->itemText(10), "start Grüße 日");
    h.system.key(VK_HOME, true);
    h.system.key(VK_DELETE, true);
    h.pump();
    EXPECT_EQ(dialog->itemText(10), "tart Grüße 日");
    dialog->setItemText(10, "x");
    EXPECT_EQ(dialog->itemText(10), "x");
}

TEST_F(DialogFixture, CheckBoxAndRadioGroupsByTap) {
    tap(Centre(screen(11)));
    EXPECT_TRUE(dialog->isChecked(11));
    EXPECT_TRUE(commanded(11, BN_CLICKED));
    tap(Centre(screen(11)));
    EXPECT_FALSE(dialog->isChecked(11));

    tap(Centre(screen(12)));
    tap(Centre(screen(14)));
    EXPECT_TRUE(dialog->isChecked(12));  // another group
    EXPECT_TRUE(dialog->isChecked(14));
    tap(Centre(screen(13)));
    EXPECT_FALSE(dialog->isChecked(12));
    EXPECT_TRUE(dialog->isChecked(13));
    EXPECT_TRUE(dialog->isChecked(14));
    dialog->setChecked(12, true);
    EXPECT_FALSE(dialog->isChecked(13));
}

TEST_F(DialogFixture, ButtonClicksOnlyWhenReleasedInside) {
    Rect ok = screen(IDOK);
    h.system.mouseDown(Centre(ok));
    h.pump();
    h.system.mouseMove({ok.right + 40, ok.top});
    h.system.mouseUp({ok.right + 40, ok.top});
    h.pump();
    EXPECT_FALSE(commanded(IDOK, BN_CLICKED));
    EXPECT_FALSE(dialog->ended());
    tap(Centre(screen(IDCANCEL)));
    EXPECT_TRUE(commanded(IDCANCEL, BN_CLICKED));
    EXPECT_TRUE(dialog->ended());  // the default for Cancel: the dialog ends
    EXPECT_EQ(dialog->result(), IDCANCEL);
}

TEST_F(DialogFixture, ComboBoxDropsDownAndChoosesByTap) {
    auto* combo = dialog->get<ComboBoxControl>(15);
    EXPECT_EQ(combo->text(), "OSM");
    tap(Centre(screen(15)));
    ASSERT_TRUE(combo->dropped());
    tap(Centre(combo->dropRowRect(2)));
    EXPECT_FALSE(combo->dropped());
    EXPECT_EQ(combo->curSel(), 2);
    EXPECT_EQ(dialog->itemText(15), "Sat");
    EXPECT_TRUE(commanded(15, CBN_SELCHANGE));
    // A tap elsewhere closes the list without a choice.
    tap(Centre(screen(15)));
    ASSERT_TRUE(combo->dropped());
    tap({5, 5});
    EXPECT_FALSE(combo->dropped());
    EXPECT_EQ(combo->curSel(), 2);
}

TEST_F(DialogFixture, ListBoxSelectsByTapAndScrollsByDrag) {
    auto* list = dialog->get<ListBoxControl>(16);
    Rect r = screen(16);
    Rect row1 = list->rowRect(1).offset(r.left, r.top);
    tap(Centre(row1));
    EXPECT_EQ(list->curSel(), 1);
    EXPECT_EQ(list->text(), "b");
    EXPECT_TRUE(commanded(16, LBN_SELCHANGE));
    // A drag scrolls and does not select.
    h.system.mouseDown({r.left + 20, r.bottom - 5});
    h.pump();
    h.system.mouseMove({r.left + 20, r.top + 5});
    h.system.mouseUp({r.left + 20, r.top + 5});
    h.pump();
    EXPECT_GT(list->topRow(), 0);
    EXPECT_EQ(list->curSel(), 1);
    h.system.setFocus(&list->window());
    h.system.key(VK_DOWN, true);
    h.pump();
    EXPECT_EQ(list->curSel(), 2);
}

TEST_F(DialogFixture, ListViewRowsOnDemand) {
    auto* lv = dialog->get<ListViewControl>(17);
    ASSERT_EQ(lv->columns().size(), 2u);
    EXPECT_EQ(lv->columns()[1].width, 60);
    lv->setItemCount(1000);
    h.pump();
    // Only the visible rows were asked for.
    int asked = 0;
    for (auto& n : notifies) asked += n.code == LVN_GETDISPINFO;
    EXPECT_GT(asked, 0);
    EXPECT_LT(asked, 20);
    EXPECT_EQ(lv->cellText(999, 1), "row999.1");
    Rect r = screen(17);
    tap(Centre(lv->rowRect(0).offset(r.left, r.top)));
    EXPECT_EQ(lv->curSel(), 0);
    bool changed = false;
    for (auto& n : notifies) changed |= n.code == LVN_ITEMCHANGED && n.item == 0;
    EXPECT_TRUE(changed);
    lv->addRow({"Stored", "1.0"});  // back to stored rows
    EXPECT_EQ(lv->count(), 1);
    EXPECT_EQ(lv->cellText(0, 0), "Stored");
}

TEST_F(DialogFixture, TreeViewExpandsCollapsesAndChecksByTap) {
    auto* tree = dialog->get<TreeViewControl>(18);
    tree->setCheckBoxes(true);
    auto maps = tree->insertItem(TreeViewControl::kRoot, "Maps");
    auto alps = tree->insertItem(maps, "Alps");
    tree->insertItem(TreeViewControl::kRoot, "Tours");
    h.pump();
    EXPECT_EQ(tree->visibleItems().size(), 2u);  // collapsed
    Rect r = screen(18);
    tap(Centre(tree->expanderRect(maps).offset(r.left, r.top)));
    EXPECT_TRUE(tree->expanded(maps));
    EXPECT_EQ(tree->visibleItems().size(), 3u);
    EXPECT_EQ(notifies.back().code, TVN_ITEMEXPANDED);
    tap(Centre(tree->checkBoxRect(alps).offset(r.left, r.top)));
    EXPECT_TRUE(tree->checked(alps));
    EXPECT_EQ(notifies.back().code, TVN_CHECKCHANGED);
    EXPECT_EQ(notifies.back().item, alps);
    Rect alpsRow = tree->rowRect(tree->rowOf(alps)).offset(r.left, r.top);
    tap({alpsRow.right - 10, Centre(alpsRow).y});  // on the label
    EXPECT_EQ(tree->selectedItem(), alps);
    tap(Centre(tree->expanderRect(maps).offset(r.left, r.top)));
    EXPECT_FALSE(tree->expanded(maps));
    EXPECT_EQ(tree->selectedItem(), maps);  // the selection moves out of the closed branch
    EXPECT_TRUE(tree->deleteItem(maps));
    EXPECT_EQ(tree->visibleItems().size(), 1u);
}

TEST_F(DialogFixture, DateAndTimeFieldsCountByTapAndKeepValidValues) {
    auto* date = dialog->get<DateTimeControl>(19);
    auto* time = dialog->get<DateTimeControl>(20);
    Rect d = screen(19), t = screen(20);
    Rect month = date->partRect(1).offset(d.left, d.top);
    tap({Centre(month).x, month.top + 3});  // upper half: up
    EXPECT_EQ(dialog->itemText(19), "2024-02-29");  // 31 January + 1 month: clamped to the leap day
    EXPECT_EQ(notifies.back().code, DTN_DATETIMECHANGE);
    Rect seconds = time->partRect(2).offset(t.left, t.top);
    for (int i = 0; i < 40; ++i) time->step(2, 1);
    EXPECT_EQ(dialog->itemText(20), "23:59:10");  // wraps within the minute
    tap({Centre(seconds).x, seconds.bottom - 3});  // lower half: down
    EXPECT_EQ(dialog->itemText(20), "23:59:09");
    EXPECT_FALSE(date->setValue(DateTime{2023, 2, 29}));
    dialog->setItemText(19, "2023-13-01");  // refused
    EXPECT_EQ(dialog->itemText(19), "2024-02-29");
}

TEST_F(DialogFixture, ScrollBarReportsAndMovesWhenTold) {
    auto* sb = dialog->get<ScrollBarControl>(21);
    sb->setRange(0, 100);
    sb->setPage(10);
    Rect r = screen(21);
    tap(Centre(sb->lineDownRect().offset(r.left, r.top)));
    ASSERT_FALSE(scrolls.empty());
    EXPECT_EQ(scrolls.front(), static_cast<uint32_t>(SB_LINEDOWN));
    EXPECT_EQ(scrolls.back(), static_cast<uint32_t>(SB_ENDSCROLL));
    EXPECT_EQ(sb->pos(), 0);  // the owner moves it
    sb->setPos(500);
    EXPECT_EQ(sb->pos(), 91);  // max - page + 1
    auto* progress = dialog->get<ProgressBarControl>(22);
    progress->setPos(150);
    EXPECT_EQ(progress->pos(), 100);
}

TEST_F(DialogFixture, KeysReturnAndEscapeAndTab) {
    h.system.setFocus(&dialog->control(10)->window());
    Message m;
    h.system.key(VK_TAB, true);
    while (h.system.peekMessage(m))
        if (!dialog->isDialogMessage(m)) h.system.dispatch(m);
    EXPECT_EQ(h.system.focus(), &dialog->control(11)->window());
    h.system.key(VK_RETURN, true);
    while (h.system.peekMessage(m))
        if (!dialog->isDialogMessage(m)) h.system.dispatch(m);
    EXPECT_TRUE(dialog->ended());
    EXPECT_EQ(dialog->result(), IDOK);  // the default button
}

TEST(ModalDialog, HeadlessTakesTheDefaultAtOnceOrTheScriptedAnswer) {
    Headless h;
    DialogTemplate t;
    t.caption = "Question";
    t.size = {200, 100};
    t.controls = {{ControlKind::Edit, 5, {8, 8, 192, 40}, "abc"},
                  {ControlKind::Button, IDOK, {8, 50, 90, 90}, "OK"},
                  {ControlKind::Button, IDCANCEL, {100, 50, 190, 90}, "Cancel", BS_DEFPUSHBUTTON}};
    std::vector<uint32_t> seen;
    std::string textAtOk;
    auto proc = [&](Dialog& d, const Message& m) -> int64_t {
        seen.push_back(m.message);
        if (m.message == WM_COMMAND && LoWord(m.wParam) == IDOK) textAtOk = d.itemText(5);
        return 0;
    };
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(Dialog::runModal(h.system, t, proc, 42), IDCANCEL);  // the default push button
    std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("Question"), std::string::npos);
    EXPECT_EQ(seen.front(), static_cast<uint32_t>(WM_INITDIALOG));

    h.system.setPendingAnswer(IDOK);
    EXPECT_EQ(Dialog::runModal(h.system, t, proc), IDOK);
    EXPECT_EQ(textAtOk, "abc");  // the procedure saw IDOK and could read its fields
    EXPECT_TRUE(h.system.topLevelWindows().empty());
}

TEST(ModalDialog, ScriptDrivesAnOpenDialog) {
    Headless h;  // 320 x 480
    DialogTemplate t;
    t.caption = "Name";
    t.size = {200, 100};
    t.controls = {{ControlKind::Edit, 5, {8, 8, 192, 40}, ""}, {ControlKind::Button, IDOK, {8, 50, 90, 90}, "OK"}};
    // The dialog is centred: 200 x (100 + 26 caption) at (60, 177); controls lie below the caption.
    const int left = 60, top = 177 + 26;
    char text[200];
    // The last tap comes right after the dialog ends: it belongs to the main window, not to the dialog.
    std::snprintf(text, sizeof text, "tap %d %d\ntext \"Zoë\"\ntap %d %d\ntap 5 5\n", left + 100, top + 24, left + 49,
                  top + 70);
    std::string error;
    auto commands = ScriptPlayer::parse(text, &error);
    ASSERT_TRUE(commands) << error;
    h.system.setScript(std::move(*commands));
    testing::Recorder mainRec;
    WindowDesc md;
    md.rect = {0, 0, 320, 480};
    h.system.setMainWindow(h.system.create(md, mainRec.proc()));
    std::string name;
    int result = Dialog::runModal(h.system, t, [&](Dialog& d, const Message& m) -> int64_t {
        if (m.message == WM_COMMAND && LoWord(m.wParam) == IDOK) name = d.itemText(5);
        return 0;
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(name, "Zoë");
    h.system.run();  // the rest of the script, then the headless run ends
    EXPECT_FALSE(h.system.scriptActive());
    ASSERT_EQ(mainRec.count(WM_LBUTTONDOWN), 1);
    EXPECT_EQ(XFromLParam(mainRec.last(WM_LBUTTONDOWN)->lParam), 5);
}

TEST(MessageBoxTest, HeadlessAnswersAtOnceAndSaysSoOnStderr) {
    Headless h;
    struct Case {
        uint32_t type;
        int pending;
        int expected;
    } cases[] = {
        {MB_OK, 0, IDOK},
        {MB_OKCANCEL, 0, IDOK},
        {MB_OKCANCEL | MB_DEFBUTTON2, 0, IDCANCEL},
        {MB_YESNO, 0, IDYES},
        {MB_YESNO, IDNO, IDNO},
        {MB_YESNO, IDCANCEL, IDYES},  // an answer the box does not offer: the default
        {MB_OKCANCEL, IDCANCEL, IDCANCEL},
    };
    for (const auto& c : cases) {
        if (c.pending) h.system.setPendingAnswer(c.pending);
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(ShowMessageBox(h.system, "Text", "Caption", c.type), c.expected) << c.type << " " << c.pending;
        std::string err = ::testing::internal::GetCapturedStderr();
        EXPECT_NE(err.find("Caption"), std::string::npos);
        EXPECT_NE(err.find("Text"), std::string::npos);
    }
}

}  // namespace
}  // namespace trek::platform
