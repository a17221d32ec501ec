// The popup menu's behaviour through real windows and input: clicks, check items, sub-menus,
// keys, closing and the life of the window objects.
#include <algorithm>

#include "tests/ui/menu_fixture.h"

namespace DuiLib {
namespace {

constexpr POINT kAt{200, 150};

TEST_F(MenuTest, ClickOnCheckItemPostsNameAndNewStateThenClosesEveryMenu) {
  checks_[u"item_check"] = true;
  CMenuWnd* root = OpenRoot(kAt, 0);
  ASSERT_EQ(Menus().size(), 1u);
  EXPECT_TRUE(Item(root, u"item_check")->GetChecked());

  Click(root->GetHWND(), Center(root, u"item_check"));
  testing_qt::Pump();
  ASSERT_EQ(owner_.clicks.size(), 1u);
  EXPECT_EQ(owner_.clicks[0].name, u"item_check");
  EXPECT_EQ(owner_.clicks[0].checked, 0);
  EXPECT_FALSE(checks_[u"item_check"]);
  EXPECT_TRUE(Menus().empty());

  // The next menu shows the stored state; a second click checks it again.
  root = OpenRoot(kAt, 0);
  EXPECT_FALSE(Item(root, u"item_check")->GetChecked());
  Click(root->GetHWND(), Center(root, u"item_check"));
  testing_qt::Pump();
  ASSERT_EQ(owner_.clicks.size(), 2u);
  EXPECT_EQ(owner_.clicks[1].checked, 1);
  EXPECT_TRUE(checks_[u"item_check"]);
}

TEST_F(MenuTest, PlainItemPostsUncheckedAndTouchesNoCheckState) {
  CMenuWnd* root = OpenRoot(kAt, 0);
  Click(root->GetHWND(), Center(root, u"item_exit"));
  testing_qt::Pump();
  ASSERT_EQ(owner_.clicks.size(), 1u);
  EXPECT_EQ(owner_.clicks[0].name, u"item_exit");
  EXPECT_EQ(owner_.clicks[0].checked, 0);
  EXPECT_EQ(checks_.count(u"item_exit"), 0u);
}

TEST_F(MenuTest, LayoutCheckStateAppliesOnlyWhenTheTableHasNone) {
  // "ischeck" is true in the layout: an empty table takes it, a stored false wins.
  CMenuWnd* root = OpenRoot(kAt, 0);
  EXPECT_TRUE(Item(root, u"item_check")->GetChecked());
  EXPECT_TRUE(checks_.at(u"item_check"));
  root->Close();
  testing_qt::Pump();

  checks_[u"item_check"] = false;
  root = OpenRoot(kAt, 0);
  EXPECT_FALSE(Item(root, u"item_check")->GetChecked());
}

TEST_F(MenuTest, WithoutOwnerStateNothingIsPostedOrCheckedButMenusClose) {
  CMenuWnd* root = OpenRoot(kAt, 0, /*with_owner_state=*/false);
  CMenuElementUI* check = Item(root, u"item_check");
  EXPECT_FALSE(check->GetChecked());
  check->SetChecked(true);
  EXPECT_FALSE(check->GetChecked());
  Click(root->GetHWND(), Center(root, u"item_check"));
  testing_qt::Pump();
  EXPECT_TRUE(owner_.clicks.empty());
  EXPECT_TRUE(Menus().empty());
}

TEST_F(MenuTest, PressDraggedOffTheItemChoosesNothing) {
  CMenuWnd* root = OpenRoot(kAt, 0);
  Mouse(QTest::MousePress, root->GetHWND(), Center(root, u"item_exit"), Qt::LeftButton);
  Mouse(QTest::MouseRelease, root->GetHWND(), Center(root, u"item_a"), Qt::LeftButton);
  testing_qt::Pump();
  EXPECT_TRUE(owner_.clicks.empty());
  EXPECT_EQ(Menus().size(), 1u);
}

TEST_F(MenuTest, SeparatorTakesNoInputAndCannotBeSelected) {
  CMenuWnd* root = OpenRoot(kAt, 0);
  CMenuElementUI* line = Item(root, u"item_line");
  ASSERT_NE(line, nullptr);
  EXPECT_TRUE(line->IsLine());
  EXPECT_FALSE(line->IsEnabled());
  EXPECT_EQ(line->GetHeight(), CMenuElementUI::kLineHeight);

  Hover(root, u"item_a");
  auto* list = static_cast<CMenuUI*>(root->GetPaintManager().GetRoot());
  const int selected = list->GetCurSel();
  EXPECT_EQ(selected, list->GetItemIndex(Item(root, u"item_a")));
  // Hovering and clicking the line changes nothing and chooses nothing.
  POINT on_line = Center(root, u"item_line");
  Move(root->GetHWND(), on_line);
  Click(root->GetHWND(), on_line);
  testing_qt::Pump();
  EXPECT_EQ(list->GetCurSel(), selected);
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
  HWND h = root->GetHWND();
  const POINT exit_pt = Center(root, u"item_exit");
  const LPARAM client = MAKELPARAM(exit_pt.x - Rect(h).left, exit_pt.y - Rect(h).top);
  EXPECT_EQ(SendMessage(h, WM_RBUTTONUP, 0, client), 0);
  EXPECT_EQ(SendMessage(h, WM_RBUTTONDBLCLK, 0, client), 0);
  EXPECT_EQ(SendMessage(h, WM_CONTEXTMENU, 0, MAKELPARAM(exit_pt.x, exit_pt.y)), 0);
  EXPECT_EQ(SendMessage(h, WM_MOUSEMOVE, 0, client), 0);
  ASSERT_EQ(filter.seen.size(), 1u);
  EXPECT_EQ(filter.seen[0], WM_MOUSEMOVE);

  // A real right click on a leaf selects it but chooses nothing.
  Click(h, exit_pt, Qt::RightButton);
  testing_qt::Pump();
  EXPECT_TRUE(owner_.clicks.empty());
  ASSERT_EQ(Menus().size(), 1u);
  root->GetPaintManager().RemoveMessageFilter(&filter);
}

TEST_F(MenuTest, ClickOutsideClosesTheWholeCascade) {
  CMenuWnd* root = OpenRoot(kAt, 0);
  Hover(root, u"item_more");
  ASSERT_EQ(Menus().size(), 2u);
  Hover(Menus()[1], u"sub_deeper");
  ASSERT_EQ(Menus().size(), 3u);
  // Pressing on the owner window, away from every menu (the deepest menu holds the mouse).
  Click(owner_.GetHWND(), POINT{10, 10});
  testing_qt::Pump();
  EXPECT_TRUE(Menus().empty());
  EXPECT_TRUE(owner_.clicks.empty());
}

TEST_F(MenuTest, ChoosingInADeepSubMenuPostsAndClosesAll) {
  CMenuWnd* root = OpenRoot(kAt, 0);
  Hover(root, u"item_more");
  CMenuWnd* sub = Menus().at(1);
  EXPECT_EQ(sub->GetOwnerItem(), Item(root, u"item_more"));
  Hover(sub, u"sub_deeper");
  CMenuWnd* deepest = Menus().at(2);
  Hover(deepest, u"leaf_x");
  Click(deepest->GetHWND(), Center(deepest, u"leaf_x"));
  testing_qt::Pump();
  ASSERT_EQ(owner_.clicks.size(), 1u);
  EXPECT_EQ(owner_.clicks[0].name, u"leaf_x");
  EXPECT_TRUE(Menus().empty());
}

TEST_F(MenuTest, HoveringASiblingClosesTheSubMenuAndItComesBackOnReturn) {
  CMenuWnd* root = OpenRoot(kAt, 0);
  CMenuElementUI* more = Item(root, u"item_more");
  Hover(root, u"item_more");
  ASSERT_EQ(Menus().size(), 2u);
  EXPECT_NE(more->GetSubMenuWnd(), nullptr);
  // The sub-menu's items are laid out in their own window, not hit inside the root.
  EXPECT_EQ(root->GetPaintManager().FindControl(ClientCenter(root, u"item_a")), Item(root, u"item_a"));

  Hover(root, u"item_exit");
  ASSERT_EQ(Menus().size(), 1u);
  EXPECT_EQ(more->GetSubMenuWnd(), nullptr);
  EXPECT_EQ(root->GetPaintManager().FindControl(u"sub_one"), nullptr);

  Hover(root, u"item_more");
  ASSERT_EQ(Menus().size(), 2u);
  EXPECT_NE(Item(Menus()[1], u"sub_one"), nullptr);
}

TEST_F(MenuTest, EscapeInASubMenuClosesOnlyItAndFocusesTheOwnerItem) {
  CMenuWnd* root = OpenRoot(kAt, 0);
  Hover(root, u"item_more");
  CMenuWnd* sub = Menus().at(1);
  Hover(sub, u"sub_one");
  testing_qt::Key(WidgetFromHwnd(sub->GetHWND()), Qt::Key_Escape);
  testing_qt::Pump();
  ASSERT_EQ(Menus().size(), 1u);
  EXPECT_EQ(Menus()[0], root);
  CMenuElementUI* more = Item(root, u"item_more");
  EXPECT_EQ(more->GetSubMenuWnd(), nullptr);
  EXPECT_EQ(root->GetPaintManager().GetFocus(), more);
  // The sub-items are the owner's again, hidden.
  CMenuElementUI* one = AsMenuElement(more->GetItemAt(0));
  ASSERT_NE(one, nullptr);
  EXPECT_EQ(one->GetManager(), &root->GetPaintManager());
  EXPECT_EQ(one->GetParent(), more);
  EXPECT_FALSE(one->IsVisible());
  // The root still closes on a click outside.
  Click(owner_.GetHWND(), POINT{10, 10});
  testing_qt::Pump();
  EXPECT_TRUE(Menus().empty());
}

TEST_F(MenuTest, KeyboardOpensChoosesAndLeftCloses) {
  CMenuWnd* root = OpenRoot(kAt, 0);
  QWidget* root_widget = WidgetFromHwnd(root->GetHWND());
  for (int i = 0; i < 4; ++i)  // Alpha, Check, (the line is skipped) Exit, More
    testing_qt::Key(root_widget, Qt::Key_Down);
  testing_qt::Key(root_widget, Qt::Key_Right);
  testing_qt::Pump();
  ASSERT_EQ(Menus().size(), 2u);
  QWidget* sub_widget = WidgetFromHwnd(Menus()[1]->GetHWND());
  testing_qt::Key(sub_widget, Qt::Key_Left);
  testing_qt::Pump();
  ASSERT_EQ(Menus().size(), 1u);

  testing_qt::Key(root_widget, Qt::Key_Up);
  testing_qt::Key(root_widget, Qt::Key_Return);
  testing_qt::Pump();
  ASSERT_EQ(owner_.clicks.size(), 1u);
  EXPECT_EQ(owner_.clicks[0].name, u"item_exit");
  EXPECT_TRUE(Menus().empty());
}

TEST_F(MenuTest, OwnerKeepsItsActiveLookAndClickNotificationsReachIt) {
  struct Notifier : INotifyUI {
    std::vector<CDuiString> types;
    void Notify(TNotifyUI& msg) override { types.push_back(msg.sType); }
  } notifier;
  owner_.pm.AddNotifier(&notifier);
  CMenuWnd* root = OpenRoot(kAt, 0);
  EXPECT_NE(std::find(owner_.ncactivate.begin(), owner_.ncactivate.end(), 1u),
            owner_.ncactivate.end());

  TNotifyUI msg;
  for (const char16_t* type : {u"click", u"valuechanged", u"itemclick", u"Click"}) {
    msg.sType = type;
    root->Notify(msg);
  }
  ASSERT_EQ(notifier.types.size(), 2u);
  EXPECT_EQ(notifier.types[0], u"click");
  EXPECT_EQ(notifier.types[1], u"valuechanged");
  owner_.pm.RemoveNotifier(&notifier);
}

// Counts its own destruction; every other menu window is checked by the sanitizers.
class CountingMenu : public CMenuWnd {
 public:
  explicit CountingMenu(HWND parent, int* deaths) : CMenuWnd(parent), deaths_(deaths) {}

 protected:
  ~CountingMenu() override { ++*deaths_; }

 private:
  int* deaths_;
};

TEST_F(MenuTest, EveryWayOfClosingFreesEachWindowOnce) {
  int deaths = 0;
  auto open = [&] {
    auto* menu = new CountingMenu(owner_.GetHWND(), &deaths);
    menu->Init(nullptr, u"menu.xml", &owner_.pm, &checks_, 0, kAt);
    testing_qt::Pump();
    Hover(menu, u"item_more");
    Hover(Menus().at(1), u"sub_deeper");
    EXPECT_EQ(Menus().size(), 3u);
    return menu;
  };
  // Escape on the root: its sub-menus go with it, without a close of their own.
  CountingMenu* root = open();
  testing_qt::Key(WidgetFromHwnd(root->GetHWND()), Qt::Key_Escape);
  testing_qt::Pump();
  EXPECT_TRUE(Menus().empty());
  EXPECT_EQ(deaths, 1);

  // Broadcast close of everything, twice: the second request finds nothing.
  open();
  CMenuWnd::GetMenuObserver().BroadcastReverse(MenuParam{MENU_CLOSE_ALL, nullptr});
  CMenuWnd::GetMenuObserver().BroadcastReverse(MenuParam{MENU_CLOSE_ALL, nullptr});
  testing_qt::Pump();
  EXPECT_TRUE(Menus().empty());
  EXPECT_EQ(deaths, 2);

  // The owner window dies with its menus open.
  open();
  DestroyWindow(owner_.GetHWND());
  testing_qt::Pump();
  EXPECT_TRUE(Menus().empty());
  EXPECT_EQ(deaths, 3);
}

TEST_F(MenuTest, MissingLayoutShowsNothingAndFreesTheObject) {
  auto* menu = new CMenuWnd(owner_.GetHWND());
  menu->Init(nullptr, u"absent.xml", &owner_.pm, &checks_, 0, kAt);
  testing_qt::Pump();
  EXPECT_TRUE(Menus().empty());
}

TEST_F(MenuTest, MenuListTakesOnlyMenuItems) {
  CMenuUI list;
  CControlUI plain;
  EXPECT_FALSE(list.Add(&plain));
  EXPECT_FALSE(list.AddAt(&plain, 0));
  EXPECT_EQ(list.GetItemIndex(&plain), -1);
  EXPECT_FALSE(list.SetItemIndex(&plain, 0));
  EXPECT_FALSE(list.Remove(&plain, true));

  auto* item = new CMenuElementUI;
  auto* sub = new CMenuElementUI;
  item->Add(sub);
  ASSERT_TRUE(list.Add(item));
  EXPECT_EQ(list.GetItemIndex(item), 0);
  EXPECT_FALSE(sub->IsVisible());  // a sub-item is hidden from the list that shows its owner
  EXPECT_TRUE(item->IsVisible());
}

}  // namespace
}  // namespace DuiLib
