// Menus for tests: an owner window that records the clicks posted to it, a skin with a cascade
// of sub-menus, and mouse input through Qt's window-system path (so that mouse grabs redirect
// it, as for a user).
#pragma once

#include <gtest/gtest.h>

#include <QTest>
#include <QWindow>
#include <string>
#include <vector>

#include "duilib/skin_fixture.h"
#include "support_qt/qt_input.h"
#include "ui/menu_wnd.h"

namespace DuiLib {

// Root: 150 wide, items 30 + 30 + 10 + 30 + 30 high, 4 pixels above and below them.
// "item_more" opens two 120 x 24 items (window 126 x 52); "sub_deeper" one more.
inline constexpr char kCascadeMenu[] = R"(<?xml version="1.0" encoding="utf-8"?>
<Window roundcorner="4,4">
  <Font id="0" name="WenQuanYi Micro Hei" size="13" default="true" />
  <Default name="Menu" value="inset=&quot;2,2,2,2&quot; bkcolor=&quot;#FFFFFFFF&quot;" />
  <Menu inset="0,4,0,4" bkcolor="#FFFFFFFF" itemtextpadding="35,0,16,0">
    <MenuElement name="item_a" text="Alpha" width="150" height="30" />
    <MenuElement name="item_check" text="Check" width="150" height="30" checkitem="true"
                 ischeck="true" />
    <MenuElement name="item_line" type="line" width="150" />
    <MenuElement name="item_exit" text="Exit" width="150" height="30" />
    <MenuElement name="item_more" text="More" width="150" height="30" expland="true">
      <MenuElement name="sub_one" text="One" width="120" height="24" />
      <MenuElement name="sub_deeper" text="Deeper" width="120" height="24" expland="true">
        <MenuElement name="leaf_x" text="X" width="100" height="22" />
      </MenuElement>
    </MenuElement>
  </Menu>
</Window>
)";

class MenuOwnerWnd : public CWindowWnd {
 public:
  std::vector<std::pair<std::u16string, LPARAM>> clicks;  // name, check state
  CPaintManagerUI pm;

 protected:
  LPCTSTR GetWindowClassName() const override { return u"TestMenuOwner"; }
  LRESULT HandleMessage(UINT msg, WPARAM w, LPARAM l) override {
    if (msg != WM_MENU_ITEM_CLICK)
      return CWindowWnd::HandleMessage(msg, w, l);
    clicks.emplace_back(TakeMenuItemName(w).get(), l);
    return 0;
  }
};

class MenuTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(CWndShadow::Initialize(nullptr));
    CMenuWnd::GetMenuObserver().SetManager(nullptr);
    CMenuWnd::GetMenuObserver().SetMenuCheckInfo(nullptr);
    owner_.pm.Init(owner_.Create(nullptr, u"owner", WS_POPUP | WS_VISIBLE, 0, 0, 0, 120, 60));
    GetPrimaryWorkArea(&work_);
  }
  void TearDown() override {
    CMenuWnd::GetMenuObserver().BroadcastReverse(MenuParam{MENU_CLOSE_ALL, nullptr});
    testing_qt::Pump();
    DestroyWindow(owner_.GetHWND());
    testing_qt::Pump();
    EXPECT_EQ(CMenuWnd::GetMenuObserver().GetReceiverCount(), 0u);
  }

  CMenuWnd* OpenRoot(POINT pt, BYTE anchor_bottom_right) {
    auto* menu = new CMenuWnd(owner_.GetHWND());
    menu->Init(nullptr, u"menu.xml", &owner_.pm, &checks_, anchor_bottom_right, pt);
    testing_qt::Pump();
    return menu;
  }

  // Open menu windows, root first.
  static std::vector<CMenuWnd*> Menus() {
    std::vector<CMenuWnd*> menus;
    ObserverImpl::Iterator it(CMenuWnd::GetMenuObserver());
    while (ReceiverImplBase* r = it.Next())
      menus.push_back(dynamic_cast<CMenuWnd*>(r));
    return menus;
  }
  static CDuiRect Rect(HWND h) {
    RECT rc{};
    GetWindowRect(h, &rc);
    return rc;
  }
  static CMenuElementUI* Item(CMenuWnd* menu, const char16_t* name) {
    menu->GetPaintManager().UpdateLayout();
    return AsMenuElement(menu->GetPaintManager().FindControl(name));
  }
  // Screen position of an item's centre.
  static POINT Center(CMenuWnd* menu, const char16_t* name) {
    CDuiRect rc = Item(menu, name)->GetPos();
    CDuiRect w = Rect(menu->GetHWND());
    return POINT{w.left + (rc.left + rc.right) / 2, w.top + (rc.top + rc.bottom) / 2};
  }

  // The pointer is over window `over` at screen point `pt`.
  static void Mouse(QTest::MouseAction action, HWND over, POINT pt, Qt::MouseButton button) {
    QWidget* w = WidgetFromHwnd(over);
    QTest::mouseEvent(action, w->windowHandle(), button, Qt::NoModifier,
                      QPoint(pt.x - w->x(), pt.y - w->y()));
  }
  static void Click(HWND over, POINT pt, Qt::MouseButton button = Qt::LeftButton) {
    Mouse(QTest::MouseClick, over, pt, button);
    testing_qt::Pump();
  }
  // Two moves, like a real pointer: the first may only hand the capture to the menu under it.
  static void Hover(CMenuWnd* menu, const char16_t* name) {
    POINT pt = Center(menu, name);
    Mouse(QTest::MouseMove, menu->GetHWND(), POINT{pt.x + 1, pt.y}, Qt::NoButton);
    Mouse(QTest::MouseMove, menu->GetHWND(), pt, Qt::NoButton);
    testing_qt::Pump();
  }
  static void Key(CMenuWnd* menu, Qt::Key key) {
    testing_qt::Key(WidgetFromHwnd(menu->GetHWND()), key);
    testing_qt::Pump();
  }

  SkinFixture skin_{{{"menu.xml", kCascadeMenu}}};
  MenuOwnerWnd owner_;
  MenuCheckInfo checks_;
  RECT work_{};
};

}  // namespace DuiLib
