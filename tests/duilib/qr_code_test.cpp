// The QR code control: built by name from a layout, painted as sharp black and white squares
// with its quiet zone at whole pixels per module, and nothing when it has no code to show.
#include <gtest/gtest.h>

#include <QImage>

#include "duilib/UIlib.h"
#include "support_qt/qt_input.h"
#include "tests/duilib/skin_fixture.h"

namespace DuiLib {
namespace {

constexpr QRgb kGrey = 0xFF808080;
constexpr QRgb kBlack = 0xFF000000;
constexpr QRgb kWhite = 0xFFFFFFFF;

const char* kLayout = R"(<?xml version="1.0" encoding="utf-8"?>
<Window size="300,300">
  <Font id="0" name="WenQuanYi Micro Hei" size="12" default="true"/>
  <VerticalLayout bkcolor="#FF808080">
    <QrCode name="qr" width="200" height="200" payload="hello" text="扫码" textcolor="#FF0000FF"/>
  </VerticalLayout>
</Window>)";

class QrWindow : public WindowImplBase {
 protected:
  LPCTSTR GetWindowClassName() const override { return u"QrTest"; }
  CDuiString GetSkinFolder() override { return u""; }
  CDuiString GetSkinFile() override { return u"layout.xml"; }
  UILIB_RESOURCETYPE GetResourceType() const override { return UILIB_ZIP; }
  CDuiString GetZIPFileName() const override { return u"skin.zip"; }
};

class QrCodeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    hwnd_ = wnd_.Create(nullptr, u"t", WS_POPUP | WS_VISIBLE, 0, 0, 0);
    ASSERT_NE(hwnd_, nullptr);
    pm_ = &wnd_.GetPaintManager();
    pm_->UpdateLayout();
    qr_ = static_cast<CQrCodeUI*>(pm_->FindControl(u"qr")->GetInterface(u"QrCode"));
    ASSERT_NE(qr_, nullptr);
  }
  void TearDown() override {
    if (IsWindow(hwnd_))
      DestroyWindow(hwnd_);
    testing_qt::Pump();
  }
  QImage Grab() {
    pm_->UpdateLayout();
    return WidgetFromHwnd(hwnd_)->grab().toImage().convertToFormat(QImage::Format_ARGB32);
  }
  // Pixels inside the control that are not the page's grey.
  int PaintedPixels(const QImage& img) {
    const RECT rc = qr_->GetPos();
    int painted = 0;
    for (int y = rc.top; y < rc.bottom; ++y) {
      for (int x = rc.left; x < rc.right; ++x)
        painted += img.pixel(x, y) != kGrey;
    }
    return painted;
  }
  // Every pixel of the code's square is pure black or white, each module one uniform square
  // of the right colour, with four white modules of quiet zone around; the page shows right
  // outside it.
  void ExpectSharpCode(const QImage& img) {
    const int scale = qr_->GetModulePixels();
    const int n = qr_->GetModuleCount();
    const RECT rc = qr_->GetCodeRect();
    const int quiet = CQrCodeUI::kQuietZoneModules;
    ASSERT_EQ(rc.right - rc.left, scale * (n + 2 * quiet));
    ASSERT_EQ(rc.bottom - rc.top, scale * (n + 2 * quiet));
    int wrong = 0;
    for (int y = rc.top; y < rc.bottom; ++y) {
      for (int x = rc.left; x < rc.right; ++x) {
        const int mx = (x - rc.left) / scale - quiet;
        const int my = (y - rc.top) / scale - quiet;
        wrong += img.pixel(x, y) != (qr_->IsDarkModule(mx, my) ? kBlack : kWhite);
      }
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(img.pixel(rc.left - 1, (rc.top + rc.bottom) / 2), kGrey);
    EXPECT_EQ(img.pixel(rc.right, (rc.top + rc.bottom) / 2), kGrey);
    EXPECT_EQ(img.pixel((rc.left + rc.right) / 2, rc.top - 1), kGrey);
  }

  SkinFixture skin_{{{"layout.xml", kLayout}}};
  QrWindow wnd_;
  HWND hwnd_ = nullptr;
  CPaintManagerUI* pm_ = nullptr;
  CQrCodeUI* qr_ = nullptr;
};

TEST_F(QrCodeTest, LayoutBuildsItAndPaintsSharpModulesWithQuietZoneAndCaption) {
  EXPECT_EQ(qr_->GetPayload(), "hello");
  EXPECT_EQ(qr_->GetModuleCount(), 21);  // the smallest version holds five bytes
  // Finder patterns: dark corners, the light ring inside them.
  EXPECT_TRUE(qr_->IsDarkModule(0, 0));
  EXPECT_FALSE(qr_->IsDarkModule(1, 1));
  EXPECT_TRUE(qr_->IsDarkModule(20, 0));
  EXPECT_TRUE(qr_->IsDarkModule(0, 20));
  EXPECT_FALSE(qr_->IsDarkModule(20, 20) && qr_->IsDarkModule(19, 19));
  EXPECT_FALSE(qr_->IsDarkModule(-1, 0));
  EXPECT_FALSE(qr_->IsDarkModule(0, 21));

  // 200 pixels less a caption line, over 29 modules: six pixels each.
  EXPECT_EQ(qr_->GetModulePixels(), 6);
  const QImage img = Grab();
  ExpectSharpCode(img);
  // The caption is painted in its colour under the code, not over it.
  const RECT code = qr_->GetCodeRect();
  const RECT item = qr_->GetPos();
  int caption = 0;
  for (int y = code.bottom; y < item.bottom; ++y) {
    for (int x = item.left; x < item.right; ++x)
      caption += qBlue(img.pixel(x, y)) > 200 && qRed(img.pixel(x, y)) < 100;
  }
  EXPECT_GT(caption, 20);
}

TEST_F(QrCodeTest, ScaleFollowsTheRoomAndNeverBlurs) {
  // A longer text, a larger version.
  ASSERT_TRUE(qr_->SetPayload(std::string(60, 'x')));
  EXPECT_EQ(qr_->GetModuleCount(), 33);
  const int at_200 = qr_->GetModulePixels();
  qr_->SetFixedWidth(290);
  qr_->SetFixedHeight(290);
  const QImage large = Grab();
  EXPECT_GT(qr_->GetModulePixels(), at_200);
  ExpectSharpCode(large);
  // Odd sizes still give whole pixels per module, centred.
  qr_->SetFixedWidth(173);
  qr_->SetFixedHeight(171);
  ExpectSharpCode(Grab());
}

TEST_F(QrCodeTest, NoCodeNoPaintAndBadTextsClearIt) {
  ASSERT_GT(PaintedPixels(Grab()), 0);
  // Too small for even one pixel per module: neither the code nor its caption.
  qr_->SetFixedWidth(20);
  qr_->SetFixedHeight(60);
  const QImage small = Grab();
  EXPECT_EQ(qr_->GetModulePixels(), 0);
  EXPECT_EQ(PaintedPixels(small), 0);
  qr_->SetFixedWidth(200);
  qr_->SetFixedHeight(200);
  ASSERT_GT(PaintedPixels(Grab()), 0);

  // More than any QR code holds: refused, and the old code does not stay behind.
  EXPECT_FALSE(qr_->SetPayload(std::string(3000, 'x')));
  EXPECT_EQ(qr_->GetModuleCount(), 0);
  EXPECT_EQ(qr_->GetPayload(), "");
  EXPECT_EQ(PaintedPixels(Grab()), 0);

  // Bytes are taken as they are, zeros included, and an empty text clears the code.
  ASSERT_TRUE(qr_->SetPayload(std::string("a\0b", 3)));
  EXPECT_EQ(qr_->GetPayload().size(), 3u);
  ExpectSharpCode(Grab());
  EXPECT_TRUE(qr_->SetPayload(""));
  EXPECT_EQ(qr_->GetModuleCount(), 0);
  EXPECT_EQ(PaintedPixels(Grab()), 0);
}

}  // namespace
}  // namespace DuiLib
