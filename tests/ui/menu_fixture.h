// Menus for tests: an owner window that records the clicks posted to it, a skin with a cascade
// of sub-menus, and mouse input that goes through Qt's window-system path (so mouse grabs
// redirect it, as for a user).
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QWindow>
#include <string>
#include <vector>

#include "duilib/skin_fixture.h"
#include "support_qt/qt_input.h"
#include "ui/menu_wnd.h"

namespace DuiLib {

// Root: 150 wide, items 30 + 30 + 10 + 30 + 30 high (130), four pixels above and below.
// "item_more" (the last item) opens a sub-menu of two 120-wide, 24-high items (window
// 126 x 52); "sub_deeper" opens one more.
inline constexpr char kCascadeMenu[] = R"(<?xml version="1.0" encoding="utf-8"?>
<Window roundcorner="4,4">
  <Font id="0" name="WenQuanYi Micro Hei" size="13" default="true" />
  <Default name="Menu" value="inset=&quot;2,2,2,2&quot; bkcolor=&quot;#FFFFFFFF&quot;" />
  <Default name="ExplandIcon" value="arrow.png" />
  <Menu inset="0,4,0,4" bkcolor="#FFFFFFFF" itemtextpadding="35,0,16,0">
    <MenuElement name="item_a" text="Alpha" width="150" height="30" />
    <MenuElement name="item_check" text="Check" width="150" height="30" checkitem="true"
                 ischeck="true" icon="check.png" iconsize="16,16" />
    <MenuElement name="item_line" type="line" width="150" linecolor="#FF102030" />
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
  struct Click {
    std::u16string name;
    LPARAM checked;
  };
  std::vector<Click> clicks;
  std::vector<UINT> ncactivate;
  CPaintManagerUI pm;

  HWND Open(int x, int y, int cx, int cy) {
    HWND h = Create(nullptr, u"owner", WS_POPUP | WS_VISIBLE, 0, x, y, cx, cy);
    pm.Init(h);
    return h;
  }

 protected:
  LPCTSTR GetWindowClassName() const override { return u"TestMenuOwner"; }
  LRESULT HandleMessage(UINT msg, WPARAM w, LPARAM l) override {
    if (msg == WM_MENU_ITEM_CLICK) {
      auto name = TakeMenuItemName(w);
      clicks.push_back({name.get(), l});
      return 0;
    }
    if (msg == WM_NCACTIVATE)
      ncactivate.push_back(static_cast<UINT>(w));
    return CWindowWnd::HandleMessage(msg, w, l);
  }
};

class MenuTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(CWndShadow::Initialize(nullptr));
    CMenuWnd::GetMenuObserver().SetManager(nullptr);
    CMenuWnd::GetMenuObserver().SetMenuCheckInfo(nullptr);
    ASSERT_NE(owner_.Open(0, 0, 120, 60), nullptr);
    GetPrimaryWorkArea(&work_);
  }

  void TearDown() override {
    CMenuWnd::GetMenuObserver().BroadcastReverse(MenuParam{MENU_CLOSE_ALL, nullptr});
    testing_qt::Pump();
    DestroyWindow(owner_.GetHWND());
    testing_qt::Pump();
    EXPECT_EQ(CMenuWnd::GetMenuObserver().GetReceiverCount(), 0u);
  }

  CMenuWnd* OpenRoot(POINT pt, BYTE anchor_bottom_right, bool with_owner_state = true) {
    auto* menu = new CMenuWnd(owner_.GetHWND());
    menu->Init(nullptr, u"menu.xml", with_owner_state ? &owner_.pm : nullptr,
               with_owner_state ? &checks_ : nullptr, anchor_bottom_right, pt);
    testing_qt::Pump();
    return menu;
  }

  // Open menu windows, root first.
  static std::vector<CMenuWnd*> Menus() {
    std::vector<CMenuWnd*> menus;
    ObserverImpl::Iterator it(CMenuWnd::GetMenuObserver());
    while (ReceiverImplBase* r = it.Next()) {
      if (auto* m = dynamic_cast<CMenuWnd*>(r))
        menus.push_back(m);
    }
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
    CMenuElementUI* item = Item(menu, name);
    EXPECT_NE(item, nullptr) << CDuiString(name).ToUtf8();
    if (!item)
      return POINT{};
    CDuiRect rc = item->GetPos();
    CDuiRect w = Rect(menu->GetHWND());
    return POINT{w.left + (rc.left + rc.right) / 2, w.top + (rc.top + rc.bottom) / 2};
  }

  // The pointer is over window `over` at screen point `pt`.
  static void Move(HWND over, POINT pt) { Mouse(QTest::MouseMove, over, pt, Qt::NoButton); }
  static void Click(HWND over, POINT pt, Qt::MouseButton button = Qt::LeftButton) {
    Mouse(QTest::MousePress, over, pt, button);
    Mouse(QTest::MouseRelease, over, pt, button);
  }
  static void Mouse(QTest::MouseAction action, HWND over, POINT pt, Qt::MouseButton button) {
    QWidget* w = WidgetFromHwnd(over);
    ASSERT_NE(w, nullptr);
    QPoint local(pt.x - w->x(), pt.y - w->y());
    QTest::mouseEvent(action, w->windowHandle(), button, Qt::NoModifier, local);
  }
  // Two moves, like a real pointer: the first one may only hand the mouse capture over to
  // the menu under the pointer.
  static void Hover(CMenuWnd* menu, const char16_t* name) {
    POINT pt = Center(menu, name);
    Move(menu->GetHWND(), POINT{pt.x + 1, pt.y});
    Move(menu->GetHWND(), pt);
    testing_qt::Pump();
  }

  // Client position of an item's centre, for hit-testing in its window.
  static POINT ClientCenter(CMenuWnd* menu, const char16_t* name) {
    POINT pt = Center(menu, name);
    ScreenToClient(menu->GetHWND(), &pt);
    return pt;
  }

  SkinFixture skin_{{{"menu.xml", kCascadeMenu}}};
  MenuOwnerWnd owner_;
  MenuCheckInfo checks_;
  RECT work_{};
};

}  // namespace DuiLib
