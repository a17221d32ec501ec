// Control behaviour the program relies on: list rows (states, indices, selection), tab pages and
// their visibility, and the edit box's length limit.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPointer>

#include "duilib/UIlib.h"
#include "support_qt/qt_input.h"
#include "tests/duilib/skin_fixture.h"

namespace DuiLib {
namespace {

const char* kLayout = R"(<?xml version="1.0" encoding="utf-8"?>
<Window size="300,300">
  <Font id="0" name="WenQuanYi Micro Hei" size="12" default="true"/>
  <VerticalLayout name="root" bkcolor="#FFFFFFFF">
    <List name="list" height="120" itembkcolor="#FFFFFFFF" itemhotbkcolor="#FF00FF00"
          itemselectedbkcolor="#FF0000FF" itemdisabledbkcolor="#FF808080">
      <ListHeader height="20">
        <ListHeaderItem text="No." width="40"/>
        <ListHeaderItem text="MAC"/>
      </ListHeader>
    </List>
    <TabLayout name="tabs" height="60">
      <Label name="page0" text="zero"/>
      <VerticalLayout name="page1">
        <Label name="inner1" text="one" height="20"/>
      </VerticalLayout>
      <Label name="page2" text="two"/>
    </TabLayout>
    <Edit name="edit" height="26" maxchar="8"/>
  </VerticalLayout>
</Window>)";

class ControlsWindow : public WindowImplBase {
 protected:
  LPCTSTR GetWindowClassName() const override { return u"ControlsTest"; }
  CDuiString GetSkinFolder() override { return u""; }
  CDuiString GetSkinFile() override { return u"layout.xml"; }
  UILIB_RESOURCETYPE GetResourceType() const override { return UILIB_ZIP; }
  CDuiString GetZIPFileName() const override { return u"skin.zip"; }
};

class ControlsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    hwnd_ = wnd_.Create(nullptr, u"t", WS_POPUP | WS_VISIBLE, 0, 0, 0);
    ASSERT_NE(hwnd_, nullptr);
    pm_ = &wnd_.GetPaintManager();
    pm_->UpdateLayout();
    widget_ = WidgetFromHwnd(hwnd_);
    list_ = static_cast<CListUI*>(pm_->FindControl(u"list"));
    tabs_ = static_cast<CTabLayoutUI*>(pm_->FindControl(u"tabs"));
    edit_ = static_cast<CEditUI*>(pm_->FindControl(u"edit"));
  }
  void TearDown() override {
    if (IsWindow(hwnd_))
      DestroyWindow(hwnd_);
    testing_qt::Pump();
  }
  CListTextElementUI* AddRow(const char16_t* mac, int at = -1) {
    auto* row = new CListTextElementUI;
    EXPECT_TRUE(at < 0 ? list_->Add(row) : list_->AddAt(row, at));
    row->SetText(1, mac);
    return row;
  }
  CListTextElementUI* Row(int i) { return static_cast<CListTextElementUI*>(list_->GetItemAt(i)); }
  QPoint RowPoint(int i) {
    pm_->UpdateLayout();
    RECT rc = list_->GetItemAt(i)->GetPos();
    return QPoint(rc.right - 10, (rc.top + rc.bottom) / 2);
  }
  // The background colour painted at the row's left edge (no text there).
  QRgb RowColor(int i) {
    QPoint p = RowPoint(i);
    return widget_->grab().toImage().pixel(list_->GetItemAt(i)->GetPos().left + 2, p.y());
  }

  SkinFixture skin_{{{"layout.xml", kLayout}}};
  ControlsWindow wnd_;
  HWND hwnd_ = nullptr;
  CPaintManagerUI* pm_ = nullptr;
  QWidget* widget_ = nullptr;
  CListUI* list_ = nullptr;
  CTabLayoutUI* tabs_ = nullptr;
  CEditUI* edit_ = nullptr;
};

TEST_F(ControlsTest, ListRowsPaintTheirHotSelectedAndDisabledStates) {
  for (const char16_t* mac : {u"00-00-00-00-00-01", u"00-00-00-00-00-02", u"00-00-00-00-00-03"})
    AddRow(mac);
  EXPECT_EQ(RowColor(0), 0xFFFFFFFFu);
  testing_qt::MoveMouse(widget_, RowPoint(1));
  EXPECT_EQ(RowColor(1), 0xFF00FF00u);
  EXPECT_EQ(RowColor(0), 0xFFFFFFFFu);
  // The hot state follows the mouse from row to row.
  testing_qt::MoveMouse(widget_, RowPoint(2));
  EXPECT_EQ(RowColor(1), 0xFFFFFFFFu);
  EXPECT_EQ(RowColor(2), 0xFF00FF00u);
  // A click selects; selected wins over hot.
  testing_qt::Click(widget_, RowPoint(2));
  EXPECT_EQ(list_->GetCurSel(), 2);
  EXPECT_EQ(RowColor(2), 0xFF0000FFu);
  Row(0)->SetEnabled(false);
  EXPECT_EQ(RowColor(0), 0xFF808080u);
  EXPECT_FALSE(list_->SelectItem(0));  // a disabled row refuses the selection
  EXPECT_FALSE(Row(2)->IsSelected());
}

TEST_F(ControlsTest, ListIndicesFollowInsertionsRemovalsAndMoves) {
  CListTextElementUI* a = AddRow(u"A");
  CListTextElementUI* b = AddRow(u"B");
  CListTextElementUI* c = AddRow(u"C");
  ASSERT_TRUE(list_->SelectItem(1));
  CListTextElementUI* first = AddRow(u"first", 0);
  EXPECT_EQ(first->GetIndex(), 0);
  EXPECT_EQ(a->GetIndex(), 1);
  EXPECT_EQ(c->GetIndex(), 3);
  EXPECT_EQ(list_->GetCurSel(), 2);  // the selection stays on B
  EXPECT_TRUE(b->IsSelected());
  ASSERT_TRUE(list_->Remove(a));
  EXPECT_EQ(b->GetIndex(), 1);
  EXPECT_EQ(c->GetIndex(), 2);
  EXPECT_EQ(list_->GetCurSel(), 1);
  ASSERT_TRUE(list_->SetItemIndex(c, 0));
  EXPECT_EQ(c->GetIndex(), 0);
  EXPECT_EQ(first->GetIndex(), 1);
  EXPECT_EQ(b->GetIndex(), 2);
  EXPECT_EQ(list_->GetCurSel(), 2);
  // Clicking a row selects the row under the mouse, by its current index.
  testing_qt::Click(widget_, RowPoint(0));
  EXPECT_EQ(list_->GetCurSel(), 0);
  EXPECT_TRUE(c->IsSelected());
  EXPECT_FALSE(b->IsSelected());
  // Removing the selected row clears the selection; hiding one does too.
  ASSERT_TRUE(list_->RemoveAt(0));
  EXPECT_EQ(list_->GetCurSel(), -1);
  ASSERT_TRUE(list_->SelectItem(1));
  b->SetVisible(false);
  EXPECT_EQ(list_->GetCurSel(), -1);
  EXPECT_FALSE(list_->SelectItem(1));
}

TEST_F(ControlsTest, ListKeysMoveTheSelectionOverHiddenRows) {
  for (const char16_t* mac : {u"A", u"B", u"C", u"D"})
    AddRow(mac);
  Row(1)->SetVisible(false);
  ASSERT_TRUE(list_->SelectItem(0));
  TEventUI key;
  key.Type = UIEVENT_KEYDOWN;
  key.chKey = VK_DOWN;
  list_->DoEvent(key);
  EXPECT_EQ(list_->GetCurSel(), 2);
  key.chKey = VK_END;
  list_->DoEvent(key);
  EXPECT_EQ(list_->GetCurSel(), 3);
  key.chKey = VK_HOME;
  list_->DoEvent(key);
  EXPECT_EQ(list_->GetCurSel(), 0);
}

TEST_F(ControlsTest, TabShowsExactlyTheSelectedPage) {
  CControlUI* page[3] = {pm_->FindControl(u"page0"), pm_->FindControl(u"page1"),
                         pm_->FindControl(u"page2")};
  CControlUI* inner = pm_->FindControl(u"inner1");
  auto shown = [&] {
    return std::vector<bool>{page[0]->IsVisible(), page[1]->IsVisible(), page[2]->IsVisible()};
  };
  EXPECT_EQ(tabs_->GetCurSel(), 0);
  EXPECT_EQ(shown(), (std::vector<bool>{true, false, false}));
  EXPECT_FALSE(inner->IsVisible());  // children of hidden pages are hidden too
  ASSERT_TRUE(tabs_->SelectItem(1));
  EXPECT_EQ(shown(), (std::vector<bool>{false, true, false}));
  EXPECT_TRUE(inner->IsVisible());
  pm_->UpdateLayout();
  EXPECT_EQ(CDuiRect(page[1]->GetPos()), CDuiRect(tabs_->GetPos()));
  EXPECT_FALSE(tabs_->SelectItem(3));
  EXPECT_FALSE(tabs_->SelectItem(-1));
  EXPECT_EQ(tabs_->GetCurSel(), 1);
  // Hiding and showing the tab (or an ancestor) brings back only the selected page.
  tabs_->SetVisible(false);
  EXPECT_EQ(shown(), (std::vector<bool>{false, false, false}));
  tabs_->SetVisible(true);
  EXPECT_EQ(shown(), (std::vector<bool>{false, true, false}));
  CControlUI* root = pm_->FindControl(u"root");
  root->SetVisible(false);
  root->SetVisible(true);
  EXPECT_EQ(shown(), (std::vector<bool>{false, true, false}));
  EXPECT_TRUE(inner->IsVisible());
  // A page selected while the tab is hidden shows when the tab does.
  tabs_->SetVisible(false);
  ASSERT_TRUE(tabs_->SelectItem(2));
  tabs_->SetVisible(true);
  EXPECT_EQ(shown(), (std::vector<bool>{false, false, true}));
}

TEST_F(ControlsTest, RemovingTheCurrentTabPageShowsAnother) {
  ASSERT_TRUE(tabs_->SelectItem(1));
  ASSERT_TRUE(tabs_->RemoveAt(1));
  ASSERT_EQ(tabs_->GetCount(), 2);
  int cur = tabs_->GetCurSel();
  ASSERT_GE(cur, 0);
  EXPECT_TRUE(tabs_->GetItemAt(cur)->IsVisible());
  EXPECT_FALSE(tabs_->GetItemAt(1 - cur)->IsVisible());
  // Removing a page before the current one keeps the same page current.
  ASSERT_TRUE(tabs_->SelectItem(1));
  CControlUI* current = tabs_->GetItemAt(1);
  ASSERT_TRUE(tabs_->RemoveAt(0));
  EXPECT_EQ(tabs_->GetItemAt(tabs_->GetCurSel()), current);
  EXPECT_TRUE(current->IsVisible());
}

TEST_F(ControlsTest, ARemovedControlsNameCanBeTakenAgain) {
  auto* root = static_cast<CContainerUI*>(pm_->FindControl(u"root"));
  auto* old_label = new CLabelUI;
  old_label->SetName(u"status");
  ASSERT_TRUE(root->Add(old_label));
  ASSERT_EQ(pm_->FindControl(u"status"), old_label);
  // Removal defers the deletion; the name must be free at once, not after the deletion.
  ASSERT_TRUE(root->Remove(old_label));
  EXPECT_EQ(pm_->FindControl(u"status"), nullptr);
  auto* new_label = new CLabelUI;
  new_label->SetName(u"status");
  ASSERT_TRUE(root->Add(new_label));
  testing_qt::Pump();  // the old label is deleted now
  EXPECT_EQ(pm_->FindControl(u"status"), new_label);
}

TEST_F(ControlsTest, EditKeepsAtMostMaxCharCharacters) {
  edit_->SetText(u"123456789");
  EXPECT_EQ(edit_->GetText(), u"12345678");
  // A character outside the basic plane is never cut in half.
  edit_->SetText(u"1234567\U0001F600");
  EXPECT_EQ(edit_->GetText(), u"1234567");
  // Typing stops at the limit too.
  edit_->SetText(u"");
  edit_->SetFocus();
  QLineEdit* line = edit_->GetNativeEdit();
  ASSERT_NE(line, nullptr);
  testing_qt::Type(line, QStringLiteral("abcdefghijk"));
  EXPECT_EQ(edit_->GetText(), u"abcdefgh");
  // Lowering the limit shortens the text, while editing as well.
  edit_->SetMaxChar(4);
  EXPECT_EQ(edit_->GetText(), u"abcd");
  EXPECT_EQ(line->text(), QStringLiteral("abcd"));
  pm_->SetFocus(nullptr);
  EXPECT_EQ(edit_->GetNativeEdit(), nullptr);
  EXPECT_EQ(edit_->GetText(), u"abcd");
}

TEST_F(ControlsTest, EditorOutlivingItsEditTakesNoInput) {
  edit_->SetFocus();
  QPointer<QLineEdit> line = edit_->GetNativeEdit();
  ASSERT_NE(line, nullptr);
  auto* root = static_cast<CContainerUI*>(pm_->FindControl(u"root"));
  ASSERT_TRUE(root->Remove(edit_, true));
  delete edit_;
  edit_ = nullptr;
  // The editor is deleted later; a keystroke before that must not reach the freed control.
  ASSERT_NE(line, nullptr);
  EXPECT_TRUE(line->isHidden());
  testing_qt::Type(line, QStringLiteral("x"));
  testing_qt::Key(line, Qt::Key_Return);
  testing_qt::Pump();
  EXPECT_EQ(line, nullptr);
}

TEST_F(ControlsTest, PasswordModeMasksEachCharacterOnce) {
  auto grab_edit = [this] {
    RECT rc = edit_->GetPos();
    return widget_->grab(QRect(rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top)).toImage();
  };
  edit_->SetPasswordMode(true);
  edit_->SetText(u"ab");
  QImage two_ascii = grab_edit();
  edit_->SetText(u"\U0001F600\U0001F600");
  EXPECT_EQ(grab_edit(), two_ascii);  // two characters, two dots
  edit_->SetText(u"abc");
  EXPECT_NE(grab_edit(), two_ascii);
}

}  // namespace
}  // namespace DuiLib
