// The tray menu as a user sees it: the real skin, the menu window and its shadow composited
// over a plain desktop. With TAVLO_SCREENSHOT_DIR set the pictures are saved there.
#include <gtest/gtest.h>

#include <QDir>
#include <QPainter>
#include <QWidget>
#include <cstdlib>

#include "support_qt/qt_input.h"
#include "ui/menu_wnd.h"

namespace DuiLib {
namespace {

constexpr QRgb kDesktop = 0xFF5B7A99;
constexpr int kMargin = 24;

class LookOwnerWnd : public CWindowWnd {
 protected:
  LPCTSTR GetWindowClassName() const override { return u"TestLookOwner"; }
};

// Opens the tray menu as the main window does; `menu` receives its place in the picture.
QImage Shoot(bool autorun, QRect* menu) {
  LookOwnerWnd owner;
  CPaintManagerUI owner_pm;
  owner_pm.Init(owner.Create(nullptr, u"owner", WS_POPUP, 0, 0, 0, 10, 10));
  MenuCheckInfo checks{{u"menu_Autorun", autorun}};
  auto* wnd = new CMenuWnd(owner.GetHWND());
  wnd->Init(nullptr, u"menu.xml", &owner_pm, &checks, 1, POINT{400, 300});
  testing_qt::Pump();
  QWidget* face = WidgetFromHwnd(wnd->GetHWND());
  QWidget* shadow = WidgetFromHwnd(wnd->GetShadow().GetShadowWindow());
  if (!face || !shadow || !shadow->isVisible())
    return {};
  const QPoint origin = face->pos() - QPoint(kMargin, kMargin);
  QImage shot(face->size() + QSize(2 * kMargin, 2 * kMargin), QImage::Format_ARGB32);
  shot.fill(kDesktop);
  QPainter(&shot).drawPixmap(shadow->pos() - origin, shadow->grab());
  // The window region cuts the menu's corners, as the window system does.
  const QImage pixels = face->grab().toImage();
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  GetWindowRgn(wnd->GetHWND(), region);
  for (int y = 0; y < pixels.height(); ++y) {
    for (int x = 0; x < pixels.width(); ++x) {
      if (PtInRegion(region, x, y))
        shot.setPixel(QPoint(x, y) + face->pos() - origin, pixels.pixel(x, y));
    }
  }
  DeleteObject(region);
  *menu = QRect(face->pos() - origin, face->size());
  DestroyWindow(owner.GetHWND());
  testing_qt::Pump();
  CMenuWnd::GetMenuObserver().SetManager(nullptr);
  CMenuWnd::GetMenuObserver().SetMenuCheckInfo(nullptr);
  if (const char* dir = std::getenv("TAVLO_SCREENSHOT_DIR"))
    shot.save(QDir(dir).filePath(autorun ? "tray-menu-checked.png" : "tray-menu-unchecked.png"));
  return shot;
}

int Darkest(const QImage& img, const QRect& area) {
  int darkest = 255;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x)
      darkest = std::min(darkest, qGray(img.pixel(x, y)));
  }
  return darkest;
}

TEST(MenuLookTest, TrayMenuWithItsShadowAndCheckMark) {
  CPaintManagerUI::SetResourcePath(CDuiString::FromUtf8(TAVLO_SKIN_DIR "/"));
  CPaintManagerUI::SetResourceZip(u"skin.zip");
  ASSERT_TRUE(CWndShadow::Initialize(nullptr));
  QRect menu, again;
  QImage checked = Shoot(true, &menu);
  QImage unchecked = Shoot(false, &again);
  ASSERT_FALSE(checked.isNull());
  ASSERT_EQ(menu, again);
  // The mark sits in the 35-pixel column of the second item (items 30 high below 4 pixels),
  // and is all that differs.
  const QRect mark(menu.left() + 9, menu.top() + 4 + 30 + 7, 16, 16);
  EXPECT_LT(Darkest(checked, mark), 160);
  EXPECT_GT(Darkest(unchecked, mark), 240);
  QPainter(&checked).fillRect(mark, Qt::black);
  QPainter(&unchecked).fillRect(mark, Qt::black);
  EXPECT_EQ(checked, unchecked);
  // Text, and the separator's line in the middle of its 10 pixels.
  EXPECT_LT(Darkest(checked, QRect(menu.left() + 35, menu.top() + 4, 80, 30)), 100);
  EXPECT_EQ(checked.pixel(menu.left() + 80, menu.top() + 4 + 60 + 5), 0xFFE6EAF0);
  // A soft shadow: darkest beside the menu, gone a few pixels out.
  const int y = menu.center().y();
  EXPECT_LT(qGray(checked.pixel(menu.left() - 1, y)), qGray(checked.pixel(menu.left() - 3, y)));
  EXPECT_LT(qGray(checked.pixel(menu.left() - 3, y)), qGray(kDesktop));
  EXPECT_EQ(checked.pixel(menu.left() - 6, y), kDesktop);
  EXPECT_LT(qGray(checked.pixel(menu.center().x(), menu.bottom() + 1)), qGray(kDesktop));
}

}  // namespace
}  // namespace DuiLib
