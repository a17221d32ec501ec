// The popup menu through real windows and input: chosen items, check marks, sub-menus, keys,
// closing, and the life of the window objects (the sanitizer build checks each is freed once).
#include "tests/ui/menu_fixture.h"

namespace DuiLib {
namespace {

constexpr POINT kAt{200, 150};
using Posted = std::vector<std::pair<std::u16string, LPARAM>>;

TEST_F(MenuTest, ChosenItemsArePostedWithTheirNewCheckStateAndCloseEveryMenu) {
  // The layout's "ischeck" fills an empty table; a stored state wins over it afterwards.
  CMenuWnd* root = OpenRoot(kAt, 0);
  EXPECT_TRUE(checks_.at(u"item_check"));
  Click(root->GetHWND(), Center(root, u"item_check"));
  EXPECT_TRUE(Menus().empty());
  EXPECT_FALSE(checks_.at(u"item_check"));

  root = OpenRoot(kAt, 0);
  EXPECT_FALSE(Item(root, u"item_check")->GetChecked());
  Click(root->GetHWND(), Center(root, u"item_check"));
  root = OpenRoot(kAt, 0);
  Click(root->GetHWND(), Center(root, u"item_exit"));
  EXPECT_EQ(owner_.clicks, (Posted{{u"item_check", 0}, {u"item_check", 1}, {u"item_exit", 0}}));
  EXPECT_EQ(checks_.count(u"item_exit"), 0u);
}

TEST_F(MenuTest, PressDraggedOffTheItemChoosesNothing) {
  CMenuWnd* root = OpenRoot(kAt, 0);
  Mouse(QTest::MousePress, root->GetHWND(), Center(root, u"item_exit"), Qt::LeftButton);
  Mouse(QTest::MouseRelease, root->GetHWND(), Center(root, u"item_a"), Qt::LeftButton);
  testing_qt::Pump();
  EXPECT_TRUE(owner_.clicks.empty());
  EXPECT_EQ(Menus().size(), 1u);
}

TEST_F(MenuTest, SeparatorTakesNoInput) {
  CMenuWnd* root = OpenRoot(kAt, 0);
  CMenuElementUI* line = Item(root, u"item_line");
  EXPECT_TRUE(line->IsLine());
  EXPECT_FALSE(line->IsEnabled());
  EXPECT_EQ(line->GetHeight(), CMenuElementUI::kLineHeight);
  Hover(root, u"item_a");
  auto* list = static_cast<CMenuUI*>(root->GetPaintManager().GetRoot());
  EXPECT_EQ(list->GetCurSel(), 0);
  Hover(root, u"item_line");
  Click(root->GetHWND(), Center(root, u"item_line"));
  EXPECT_EQ(list->GetCurSel(), 0);
  EXPECT_TRUE(owner_.clicks.empty());
  EXPECT_EQ(Menus().size(), 1u);
}

TEST_F(MenuTest, RightButtonReleaseDoubleClickAndContextMenuAreSwallowed) {
  CMenuWnd* root = OpenRoot(kAt, 0);
  struct Filter : IMessageFilterUI {
    std::vector<UINT> seen;
    LRESULT MessageHandler(UINT msg, WPARAM, LPARAM, bool&) override {
      seen.push_back(msg);
      return 0;
    }
  } filter;
  root->GetPaintManager().AddMessageFilter(&filter);
  const HWND h = root->GetHWND();
  for (UINT msg : {WM_RBUTTONUP, WM_RBUTTONDBLCLK, WM_CONTEXTMENU, WM_MOUSEMOVE})
    EXPECT_EQ(SendMessage(h, msg, 0, MAKELPARAM(20, 50)), 0);
  EXPECT_EQ(filter.seen, std::vector<UINT>{WM_MOUSEMOVE});
  // A real right click on a leaf chooses nothing.
  Click(h, Center(root, u"item_exit"), Qt::RightButton);
  EXPECT_TRUE(owner_.clicks.empty());
  EXPECT_EQ(Menus().size(), 1u);
  root->GetPaintManager().RemoveMessageFilter(&filter);
}

TEST_F(MenuTest, CascadeOpensOnHoverClosesOnASiblingAndChoosesFromTheDeepest) {
  CMenuWnd* root = OpenRoot(kAt, 0);
  CMenuElementUI* more = Item(root, u"item_more");
  Hover(root, u"item_more");
  ASSERT_EQ(Menus().size(), 2u);
  EXPECT_EQ(Menus()[1]->GetOwnerItem(), more);
  Hover(root, u"item_exit");
  EXPECT_EQ(Menus().size(), 1u);
  EXPECT_EQ(more->GetSubMenuWnd(), nullptr);

  Hover(root, u"item_more");
  Hover(Menus().at(1), u"sub_deeper");
  ASSERT_EQ(Menus().size(), 3u);
  Hover(Menus()[2], u"leaf_x");
  Click(Menus()[2]->GetHWND(), Center(Menus()[2], u"leaf_x"));
  EXPECT_EQ(owner_.clicks, (Posted{{u"leaf_x", 0}}));
  EXPECT_TRUE(Menus().empty());
}

TEST_F(MenuTest, ClickOutsideClosesTheWholeCascade) {
  CMenuWnd* root = OpenRoot(kAt, 0);
  Hover(root, u"item_more");
  Hover(Menus().at(1), u"sub_deeper");
  ASSERT_EQ(Menus().size(), 3u);
  // On the owner window, away from every menu: the deepest menu holds the mouse.
  Click(owner_.GetHWND(), POINT{10, 10});
  EXPECT_TRUE(Menus().empty());
  EXPECT_TRUE(owner_.clicks.empty());
}

TEST_F(MenuTest, PressOutsideClosesEveryMenuAfterAClickThatChoseNothing) {
  // The separator, the list's inset above the first item, and both with a sub-menu open.
  for (bool cascade : {false, true}) {
    CMenuWnd* root = OpenRoot(kAt, 0);
    if (cascade) {
      Hover(root, u"item_more");
      ASSERT_EQ(Menus().size(), 2u);
    }
    Click(root->GetHWND(), Center(root, u"item_line"));
    Click(root->GetHWND(), POINT{Rect(root->GetHWND()).left + 20, Rect(root->GetHWND()).top + 2});
    ASSERT_EQ(Menus().empty(), false);
    Click(owner_.GetHWND(), POINT{10, 10});
    EXPECT_TRUE(Menus().empty()) << "cascade " << cascade;
    CMenuWnd::GetMenuObserver().BroadcastReverse(MenuParam{MENU_CLOSE_ALL, nullptr});
    testing_qt::Pump();
  }
  EXPECT_TRUE(owner_.clicks.empty());
}

TEST_F(MenuTest, LosingTheFocusClosesEveryMenu) {
  QWidget other;
  other.setGeometry(600, 400, 80, 40);
  other.show();
  auto active_is = [](HWND h) {
    return testing_qt::WaitUntil([h] { return GetForegroundWindow() == h; });
  };
  CMenuWnd* root = OpenRoot(kAt, 0);
  ASSERT_TRUE(active_is(root->GetHWND()));
  // The focus moving from menu to menu is no loss.
  Hover(root, u"item_more");
  ASSERT_EQ(Menus().size(), 2u);
  Key(root, Qt::Key_Down);
  EXPECT_EQ(Menus().size(), 2u);
  other.activateWindow();
  EXPECT_TRUE(testing_qt::WaitUntil([] { return Menus().empty(); }));
  // Nor does it matter who holds the mouse: a root that never had it closes all the same.
  root = OpenRoot(kAt, 0);
  ASSERT_TRUE(active_is(root->GetHWND()));
  ReleaseCapture();
  SetForegroundWindow(owner_.GetHWND());
  EXPECT_TRUE(testing_qt::WaitUntil([] { return Menus().empty(); }));
  EXPECT_TRUE(owner_.clicks.empty());
}

TEST_F(MenuTest, EscapeInASubMenuClosesOnlyItAndFocusesTheOwnerItem) {
  CMenuWnd* root = OpenRoot(kAt, 0);
  CMenuElementUI* more = Item(root, u"item_more");
  Hover(root, u"item_more");
  Hover(Menus().at(1), u"sub_one");
  Key(Menus()[1], Qt::Key_Escape);
  EXPECT_EQ(Menus(), std::vector<CMenuWnd*>{root});
  EXPECT_EQ(more->GetSubMenuWnd(), nullptr);
  EXPECT_EQ(root->GetPaintManager().GetFocus(), more);
  CControlUI* one = more->GetItemAt(0);
  EXPECT_EQ(one->GetManager(), &root->GetPaintManager());
  EXPECT_EQ(one->GetParent(), more);
  EXPECT_FALSE(one->IsVisible());
  // The keyboard is back with the root, and the root still hears a click outside.
  EXPECT_TRUE(testing_qt::WaitUntil([root] { return GetForegroundWindow() == root->GetHWND(); }));
  Click(owner_.GetHWND(), POINT{10, 10});
  EXPECT_TRUE(Menus().empty());
}

TEST_F(MenuTest, KeysOpenASubMenuCloseItAndChoose) {
  CMenuWnd* root = OpenRoot(kAt, 0);
  for (int i = 0; i < 4; ++i)  // Alpha, Check, Exit, More: the separator is skipped
    Key(root, Qt::Key_Down);
  Key(root, Qt::Key_Right);
  ASSERT_EQ(Menus().size(), 2u);
  Key(Menus()[1], Qt::Key_Left);
  ASSERT_EQ(Menus().size(), 1u);
  Key(root, Qt::Key_Up);
  Key(root, Qt::Key_Return);
  EXPECT_EQ(owner_.clicks, (Posted{{u"item_exit", 0}}));
  EXPECT_TRUE(Menus().empty());
}

class CountingMenu : public CMenuWnd {
 public:
  CountingMenu(HWND parent, int* deaths) : CMenuWnd(parent), deaths_(deaths) {}

 protected:
  ~CountingMenu() override { ++*deaths_; }

 private:
  int* deaths_;
};

TEST_F(MenuTest, EveryWayOfClosingFreesEachWindowOnce) {
  int deaths = 0;
  auto open_cascade = [&] {
    auto* menu = new CountingMenu(owner_.GetHWND(), &deaths);
    menu->Init(nullptr, u"menu.xml", &owner_.pm, &checks_, 0, kAt);
    testing_qt::Pump();
    Hover(menu, u"item_more");
    Hover(Menus().at(1), u"sub_deeper");
    EXPECT_EQ(Menus().size(), 3u);
    return menu;
  };
  // Escape on the root: its sub-menus go with it, without a close of their own.
  Key(open_cascade(), Qt::Key_Escape);
  EXPECT_TRUE(Menus().empty());
  EXPECT_EQ(deaths, 1);
  // Everything closed twice over.
  open_cascade();
  for (int i = 0; i < 2; ++i)
    CMenuWnd::GetMenuObserver().BroadcastReverse(MenuParam{MENU_CLOSE_ALL, nullptr});
  testing_qt::Pump();
  EXPECT_TRUE(Menus().empty());
  EXPECT_EQ(deaths, 2);
  // The owner window dies with its menus open.
  open_cascade();
  DestroyWindow(owner_.GetHWND());
  testing_qt::Pump();
  EXPECT_TRUE(Menus().empty());
  EXPECT_EQ(deaths, 3);
  // A layout that cannot be read shows nothing and frees the object all the same.
  (new CountingMenu(nullptr, &deaths))->Init(nullptr, u"absent.xml", nullptr, nullptr, 0, kAt);
  testing_qt::Pump();
  EXPECT_TRUE(Menus().empty());
  EXPECT_EQ(deaths, 4);
}

}  // namespace
}  // namespace DuiLib
