// Where menu windows open: the root at its point, sub-menus beside their items, kept on the
// work area. Sizes follow from the cascade layout of the fixture.
#include "tests/ui/menu_fixture.h"

namespace DuiLib {
namespace {

constexpr int kRootWidth = 150;
constexpr int kRootHeight = 130;    // the items; the window is 8 taller
constexpr int kMoreTop = 4 + 100;   // "item_more" within the root
constexpr int kSubWidth = 120 + 4;  // a sub-menu's window is 2 wider when it opens rightwards
constexpr int kSubHeight = 2 * 24 + 4;
constexpr int kDeeperTop = 2 + 24;  // "sub_deeper" within its menu
constexpr int kDeepestWidth = 100 + 4;

TEST_F(MenuTest, RootOpensAtItsPointOrEndsThereWithTheAnchor) {
  CMenuWnd* root = OpenRoot(POINT{100, 120}, 0);
  EXPECT_EQ(Rect(root->GetHWND()), CDuiRect(100, 120, 100 + kRootWidth, 120 + kRootHeight + 8));
  EXPECT_TRUE(IsWindowVisible(root->GetHWND()));
  EXPECT_EQ(GetCapture(), root->GetHWND());
  root->Close();
  testing_qt::Pump();

  root = OpenRoot(POINT{400, 300}, 1);
  // Up and to the left of the point, reaching 8 pixels below it.
  EXPECT_EQ(Rect(root->GetHWND()), CDuiRect(400 - kRootWidth, 300 - kRootHeight, 400, 308));
}

TEST_F(MenuTest, RootThatWouldLeaveTheWorkAreaOpensOnThePointsOtherSide) {
  // A panel along the top: the anchored menu opens downwards instead of off the screen.
  const LONG top = work_.top + 20;
  CMenuWnd* root = OpenRoot(POINT{400, top}, 1);
  EXPECT_EQ(Rect(root->GetHWND()), CDuiRect(400 - kRootWidth, top, 400, top + kRootHeight + 8));
  root->Close();
  testing_qt::Pump();

  // Near the right edge without the anchor: it opens to the left of the point.
  const LONG x = work_.right - 50;
  root = OpenRoot(POINT{x, 100}, 0);
  EXPECT_EQ(Rect(root->GetHWND()), CDuiRect(x - kRootWidth, 100, x, 100 + kRootHeight + 8));
}

TEST_F(MenuTest, SubMenusCascadeToTheRightOfTheirItems) {
  CMenuWnd* root = OpenRoot(POINT{100, 120}, 0);
  Hover(root, u"item_more");
  ASSERT_EQ(Menus().size(), 2u);
  const CDuiRect sub = Rect(Menus()[1]->GetHWND());
  EXPECT_EQ(sub, CDuiRect(250, 120 + kMoreTop, 250 + kSubWidth + 2, 120 + kMoreTop + kSubHeight));
  EXPECT_TRUE(IsWindowVisible(Menus()[1]->GetHWND()));

  Hover(Menus()[1], u"sub_deeper");
  ASSERT_EQ(Menus().size(), 3u);
  EXPECT_EQ(Rect(Menus()[2]->GetHWND()),
            CDuiRect(sub.right, sub.top + kDeeperTop, sub.right + kDeepestWidth + 2,
                     sub.top + kDeeperTop + 22 + 4));
}

TEST_F(MenuTest, NearTheRightEdgeTheWholeCascadeOpensToTheLeft) {
  CMenuWnd* root = OpenRoot(POINT{work_.right - 10, 300}, 1);
  const CDuiRect r = Rect(root->GetHWND());
  Hover(root, u"item_more");
  ASSERT_EQ(Menus().size(), 2u);
  const CDuiRect sub = Rect(Menus()[1]->GetHWND());
  EXPECT_EQ(sub,
            CDuiRect(r.left - kSubWidth, r.top + kMoreTop, r.left, r.top + kMoreTop + kSubHeight));

  // There would be room to the right of the sub-menu, but the cascade keeps its direction.
  Hover(Menus()[1], u"sub_deeper");
  ASSERT_EQ(Menus().size(), 3u);
  const CDuiRect deepest = Rect(Menus()[2]->GetHWND());
  EXPECT_EQ(deepest.right, sub.left);
  EXPECT_EQ(deepest.left, sub.left - kDeepestWidth);
  EXPECT_EQ(deepest.top, sub.top + kDeeperTop);
}

TEST_F(MenuTest, NearTheBottomASubMenuOpensUpwardsFromItsItem) {
  CMenuWnd* root = OpenRoot(POINT{300, work_.bottom - 2}, 1);
  const CDuiRect r = Rect(root->GetHWND());
  Hover(root, u"item_more");
  ASSERT_EQ(Menus().size(), 2u);
  const LONG item_top = r.top + kMoreTop;
  ASSERT_GT(item_top + kSubHeight, work_.bottom);
  EXPECT_EQ(Rect(Menus()[1]->GetHWND()),
            CDuiRect(r.right, item_top - kSubHeight, r.right + kSubWidth + 2, item_top));
}

}  // namespace
}  // namespace DuiLib
