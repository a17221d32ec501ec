// Where menu windows open: the root at its point, sub-menus beside their items, kept on the
// work area. Sizes follow from the fixture's layout.
#include "tests/ui/menu_fixture.h"

namespace DuiLib {
namespace {

constexpr int kRootW = 150, kRootH = 130;  // the window is 8 taller than its items
constexpr int kMoreTop = 4 + 100;          // "item_more" within the root
constexpr int kSubW = 124, kSubH = 52;     // 2 wider when the sub-menu opens rightwards
constexpr int kDeeperTop = 2 + 24;         // "sub_deeper" within its menu

TEST_F(MenuTest, RootOpensAtItsPointOrEndsThereWithTheAnchor) {
  CMenuWnd* root = OpenRoot(POINT{100, 120}, 0);
  EXPECT_EQ(Rect(root->GetHWND()), CDuiRect(100, 120, 100 + kRootW, 120 + kRootH + 8));
  EXPECT_EQ(GetCapture(), root->GetHWND());
  root->Close();
  testing_qt::Pump();
  // Up and to the left of the point, reaching 8 pixels below it.
  root = OpenRoot(POINT{400, 300}, 1);
  EXPECT_EQ(Rect(root->GetHWND()), CDuiRect(400 - kRootW, 300 - kRootH, 400, 308));
}

TEST_F(MenuTest, RootThatWouldLeaveTheWorkAreaOpensOnThePointsOtherSide) {
  // A panel along the top: the anchored menu opens downwards rather than off the screen.
  const LONG top = work_.top + 20;
  CMenuWnd* root = OpenRoot(POINT{400, top}, 1);
  EXPECT_EQ(Rect(root->GetHWND()), CDuiRect(400 - kRootW, top, 400, top + kRootH + 8));
  root->Close();
  testing_qt::Pump();
  const LONG x = work_.right - 50;
  root = OpenRoot(POINT{x, 100}, 0);
  EXPECT_EQ(Rect(root->GetHWND()), CDuiRect(x - kRootW, 100, x, 100 + kRootH + 8));
}

TEST_F(MenuTest, SubMenusCascadeToTheRightOfTheirItems) {
  Hover(OpenRoot(POINT{100, 120}, 0), u"item_more");
  const CDuiRect sub = Rect(Menus().at(1)->GetHWND());
  EXPECT_EQ(sub, CDuiRect(250, 120 + kMoreTop, 250 + kSubW + 2, 120 + kMoreTop + kSubH));
  Hover(Menus()[1], u"sub_deeper");
  EXPECT_EQ(Rect(Menus().at(2)->GetHWND()),
            CDuiRect(sub.right, sub.top + kDeeperTop, sub.right + 106, sub.top + kDeeperTop + 26));
}

TEST_F(MenuTest, NearTheRightEdgeTheWholeCascadeOpensToTheLeft) {
  CMenuWnd* root = OpenRoot(POINT{work_.right - 10, 300}, 1);
  const CDuiRect r = Rect(root->GetHWND());
  Hover(root, u"item_more");
  const CDuiRect sub = Rect(Menus().at(1)->GetHWND());
  EXPECT_EQ(sub, CDuiRect(r.left - kSubW, r.top + kMoreTop, r.left, r.top + kMoreTop + kSubH));
  // There is room to the right of the sub-menu, but the cascade keeps its direction.
  Hover(Menus()[1], u"sub_deeper");
  EXPECT_EQ(Rect(Menus().at(2)->GetHWND()),
            CDuiRect(sub.left - 104, sub.top + kDeeperTop, sub.left, sub.top + kDeeperTop + 26));
}

TEST_F(MenuTest, NearTheBottomASubMenuOpensUpwardsFromItsItem) {
  CMenuWnd* root = OpenRoot(POINT{300, work_.bottom - 2}, 1);
  const CDuiRect r = Rect(root->GetHWND());
  Hover(root, u"item_more");
  const LONG item_top = r.top + kMoreTop;
  ASSERT_GT(item_top + kSubH, work_.bottom);
  EXPECT_EQ(Rect(Menus().at(1)->GetHWND()),
            CDuiRect(r.right, item_top - kSubH, r.right + kSubW + 2, item_top));
}

}  // namespace
}  // namespace DuiLib
