// The render engine's image strings and rich-text markup, checked on the pixels they produce.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QPainter>

#include "duilib/UIlib.h"
#include "tests/duilib/skin_fixture.h"

namespace DuiLib {
namespace {

constexpr QRgb kRed = 0xFFFF0000;
constexpr QRgb kGreen = 0xFF00FF00;
constexpr QRgb kBlue = 0xFF0000FF;
constexpr QRgb kYellow = 0xFFFFFF00;
constexpr QRgb kWhite = 0xFFFFFFFF;

std::string Encode(const QImage& img) {
  QByteArray bytes;
  QBuffer buf(&bytes);
  buf.open(QIODevice::WriteOnly);
  img.save(&buf, "PNG");
  return bytes.toStdString();
}

// 4x4 in quadrants: red, green / blue, yellow.
std::string Quadrants() {
  QImage img(4, 4, QImage::Format_ARGB32);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x)
      img.setPixel(x, y, y < 2 ? (x < 2 ? kRed : kGreen) : (x < 2 ? kBlue : kYellow));
  }
  return Encode(img);
}

// 6x6: a 2-pixel red frame around a blue centre, the nine-patch case.
std::string Framed() {
  QImage img(6, 6, QImage::Format_ARGB32);
  img.fill(kRed);
  for (int y = 2; y < 4; ++y) {
    for (int x = 2; x < 4; ++x)
      img.setPixel(x, y, kBlue);
  }
  return Encode(img);
}

class RenderEngineTest : public ::testing::Test {
 protected:
  RenderEngineTest()
      : skin_({{"quad.png", Quadrants()}, {"frame.png", Framed()}}),
        canvas_(40, 40, QImage::Format_ARGB32_Premultiplied) {
    canvas_.fill(kWhite);
  }

  // Draws into the item (0,0)-(w,h) of a white canvas.
  bool Draw(const char16_t* image, int w = 20, int h = 20, const char16_t* modify = nullptr) {
    QPainter p(&canvas_);
    RECT item{0, 0, w, h};
    return CRenderEngine::DrawImageString(&p, &pm_, item, item, image, modify);
  }
  QRgb At(int x, int y) const { return canvas_.pixel(x, y); }

  SkinFixture skin_;
  CPaintManagerUI pm_;
  QImage canvas_;
};

TEST_F(RenderEngineTest, SourcePicksPartOfTheImageAndDestPlacesIt) {
  EXPECT_TRUE(Draw(u"file='quad.png' source='2,0,4,2' dest='4,4,14,14'"));
  EXPECT_EQ(At(4, 4), kGreen);
  EXPECT_EQ(At(13, 13), kGreen);  // no bleeding from the neighbouring quadrants at the edges
  EXPECT_EQ(At(9, 9), kGreen);
  EXPECT_EQ(At(3, 3), kWhite);
  EXPECT_EQ(At(14, 14), kWhite);
}

TEST_F(RenderEngineTest, WholeImageStretchesOverTheItemAndDestIsClippedToIt) {
  EXPECT_TRUE(Draw(u"quad.png", 16, 16));
  EXPECT_EQ(At(1, 1), kRed);
  EXPECT_EQ(At(14, 1), kGreen);
  EXPECT_EQ(At(1, 14), kBlue);
  EXPECT_EQ(At(14, 14), kYellow);
  EXPECT_EQ(At(17, 17), kWhite);
  canvas_.fill(kWhite);
  // A destination reaching past the item is cut at the item's edge.
  EXPECT_TRUE(Draw(u"file='quad.png' dest='10,10,30,30'", 20, 20));
  EXPECT_EQ(At(11, 11), kRed);
  EXPECT_EQ(At(19, 19), kYellow);
  EXPECT_EQ(At(20, 20), kWhite);
}

TEST_F(RenderEngineTest, CornersStayUnscaledAndHoleSkipsTheCentre) {
  EXPECT_TRUE(Draw(u"file='frame.png' corner='2,2,2,2'", 30, 30));
  EXPECT_EQ(At(1, 1), kRed);
  EXPECT_EQ(At(15, 1), kRed);   // the top edge stretches along x only
  EXPECT_EQ(At(3, 15), kBlue);  // stretched as a whole, the frame would reach x = 10
  EXPECT_EQ(At(15, 15), kBlue);
  EXPECT_EQ(At(28, 28), kRed);
  canvas_.fill(kWhite);
  EXPECT_TRUE(Draw(u"file='frame.png' corner='2,2,2,2' hole='true'", 30, 30));
  EXPECT_EQ(At(15, 15), kWhite);
  EXPECT_EQ(At(15, 0), kRed);
  // Corners larger than the destination are dropped rather than overlapping.
  canvas_.fill(kWhite);
  EXPECT_TRUE(Draw(u"file='frame.png' corner='8,8,8,8'", 12, 12));
  EXPECT_EQ(At(6, 6), kBlue);
}

TEST_F(RenderEngineTest, FadeBlendsAndModifyOverrides) {
  EXPECT_TRUE(Draw(u"file='frame.png' fade='128'"));
  QColor c = QColor::fromRgb(At(1, 1));
  EXPECT_EQ(c.red(), 255);
  EXPECT_NEAR(c.green(), 127, 2);
  EXPECT_NEAR(c.blue(), 127, 2);
  canvas_.fill(kWhite);
  EXPECT_TRUE(Draw(u"file='frame.png' fade='0'"));
  EXPECT_EQ(At(1, 1), kWhite);
  // The modifier replaces the file's attributes: here the destination and the source.
  canvas_.fill(kWhite);
  EXPECT_TRUE(
      Draw(u"file='quad.png' dest='0,0,20,20'", 20, 20, u"dest='0,0,4,4' source='0,2,2,4'"));
  EXPECT_EQ(At(2, 2), kBlue);
  EXPECT_EQ(At(10, 10), kWhite);
}

TEST_F(RenderEngineTest, TilingRepeatsTheSourceInsteadOfStretching) {
  EXPECT_TRUE(Draw(u"file='quad.png' source='0,0,4,2' xtiled='true'", 16, 2));
  // Each 4-pixel tile is red then green.
  for (int x : {0, 1, 4, 5, 8, 13})
    EXPECT_EQ(At(x, 0), (x % 4) < 2 ? kRed : kGreen) << x;
}

TEST_F(RenderEngineTest, DoubleDensityImagesTakeSourceAndCornersInLayoutPixels) {
  TImageInfo info;
  info.image.loadFromData(QByteArray::fromStdString(Framed()));
  info.image = info.image.scaled(12, 12).convertToFormat(QImage::Format_ARGB32_Premultiplied);
  info.image.setDevicePixelRatio(2.0);
  info.nX = info.nY = 6;
  QPainter p(&canvas_);
  RECT dest{0, 0, 30, 30};
  EXPECT_TRUE(CRenderEngine::DrawImage(&p, &info, dest, dest, RECT{0, 0, 6, 6}, RECT{2, 2, 2, 2}));
  p.end();
  EXPECT_EQ(At(1, 1), kRed);
  EXPECT_EQ(At(3, 15), kBlue);
  EXPECT_EQ(At(28, 15), kRed);
}

TEST_F(RenderEngineTest, UnreadableImagesDrawNothingAndReportIt) {
  EXPECT_FALSE(Draw(u"file='none.png'"));
  EXPECT_FALSE(Draw(u"dest='0,0,4,4'"));  // no file at all
  EXPECT_FALSE(Draw(u""));
  EXPECT_EQ(At(1, 1), kWhite);
}

// Bounding box of the pixels close to `color`, or an empty rect.
QRect Ink(const QImage& img, QColor color) {
  QRect box;
  for (int y = 0; y < img.height(); ++y) {
    for (int x = 0; x < img.width(); ++x) {
      QColor c = img.pixelColor(x, y);
      if (std::abs(c.red() - color.red()) < 60 && std::abs(c.green() - color.green()) < 60 &&
          std::abs(c.blue() - color.blue()) < 60)
        box |= QRect(x, y, 1, 1);
    }
  }
  return box;
}

class HtmlTextTest : public ::testing::Test {
 protected:
  HtmlTextTest() : canvas_(300, 80, QImage::Format_ARGB32_Premultiplied) {
    pm_.AddFont(0, u"WenQuanYi Micro Hei", 14, false, false, false, true);
    pm_.AddFont(1, u"WenQuanYi Micro Hei", 28, false, false, false);
    canvas_.fill(Qt::white);
  }
  void Paint(const char16_t* text, UINT style = 0, RECT rc = {0, 0, 300, 80}) {
    QPainter p(&canvas_);
    CRenderEngine::DrawHtmlText(&p, &pm_, rc, text, 0xFF000000, nullptr, nullptr, nullptr, 0,
                                style);
  }
  RECT Measure(const char16_t* text, UINT style = 0, LONG width = 300) {
    RECT rc{0, 0, width, 500};
    CRenderEngine::DrawHtmlText(nullptr, &pm_, rc, text, 0, nullptr, nullptr, nullptr, 0,
                                style | DT_CALCRECT);
    return rc;
  }

  CPaintManagerUI pm_;
  QImage canvas_;
};

TEST_F(HtmlTextTest, ColourRunsPaintInTheirColourAndEndAtTheirCloseTag) {
  Paint(u"{c #FFFF0000}红色{/c}黑色", DT_SINGLELINE);
  QRect red = Ink(canvas_, Qt::red);
  QRect black = Ink(canvas_, Qt::black);
  ASSERT_FALSE(red.isEmpty());
  ASSERT_FALSE(black.isEmpty());
  EXPECT_LT(red.right(), black.left() + 2);  // red first, then black text after it
  // "#RRGGBB" is opaque too.
  canvas_.fill(Qt::white);
  Paint(u"{c #0000FF}蓝{/c}", DT_SINGLELINE);
  EXPECT_FALSE(Ink(canvas_, Qt::blue).isEmpty());
}

TEST_F(HtmlTextTest, StylesAndFontsChangeTheMeasuredSize) {
  RECT plain = Measure(u"abcdefgh", DT_SINGLELINE);
  RECT big = Measure(u"{f 1}abcdefgh{/f}", DT_SINGLELINE);
  EXPECT_GT(big.right, plain.right * 3 / 2);
  EXPECT_GT(big.bottom, plain.bottom * 3 / 2);
  // Closing restores the style before it; a stray close tag changes nothing.
  EXPECT_EQ(Measure(u"{b}{/b}abcdefgh", DT_SINGLELINE).right, plain.right);
  EXPECT_EQ(Measure(u"{/b}abcdefgh", DT_SINGLELINE).right, plain.right);
}

TEST_F(HtmlTextTest, BoldPaintsHeavierStrokes) {
  auto ink = [this](const char16_t* text) {
    canvas_.fill(Qt::white);
    Paint(text, DT_SINGLELINE);
    int dark = 0;
    for (int y = 0; y < canvas_.height(); ++y) {
      for (int x = 0; x < canvas_.width(); ++x)
        dark += qGray(canvas_.pixel(x, y)) < 128;
    }
    return dark;
  };
  int plain = ink(u"热点共享");
  EXPECT_GT(ink(u"{b}热点共享{/b}"), plain * 11 / 10);
  EXPECT_EQ(ink(u"{b}{/b}热点共享"), plain);
}

TEST_F(HtmlTextTest, LineBreaksAndWrapping) {
  RECT one = Measure(u"第一行");
  RECT two = Measure(u"第一行{n}第二行");
  EXPECT_NEAR(two.bottom, 2 * one.bottom, 1);
  EXPECT_EQ(Measure(u"第一行{n}第二行", DT_SINGLELINE).bottom, one.bottom);
  // Word breaking keeps lines within the width and breaks after a space.
  RECT wrapped = Measure(u"alpha beta gamma delta epsilon", DT_WORDBREAK, 80);
  EXPECT_LE(wrapped.right, 80);
  EXPECT_GE(wrapped.bottom, 3 * one.bottom);
  // A word longer than the line is split rather than lost.
  RECT long_word = Measure(u"abcdefghijklmnopqrstuvwxyz", DT_WORDBREAK, 40);
  EXPECT_LE(long_word.right, 40);
  EXPECT_GT(long_word.bottom, one.bottom);
}

TEST_F(HtmlTextTest, UnknownTagsAndBracesShowAsText) {
  RECT literal = Measure(u"{x}a{", DT_SINGLELINE);
  RECT text = Measure(u"a", DT_SINGLELINE);
  EXPECT_GT(literal.right, 3 * text.right);
}

TEST_F(HtmlTextTest, CentredTextSitsInTheMiddle) {
  Paint(u"{c #FFFF0000}中{/c}", DT_SINGLELINE | DT_CENTER | DT_VCENTER);
  QRect red = Ink(canvas_, Qt::red);
  ASSERT_FALSE(red.isEmpty());
  EXPECT_NEAR(red.center().x(), 150, 3);
  EXPECT_NEAR(red.center().y(), 40, 4);
}

TEST_F(HtmlTextTest, LinksReportTheirRectanglesUpToTheCapacity) {
  RECT links[1];
  CDuiString targets[1];
  int count = 1;
  RECT rc{0, 0, 300, 80};
  QPainter p(&canvas_);
  CRenderEngine::DrawHtmlText(&p, &pm_, rc, u"{a one}甲{/a} {a two}乙{/a}", 0xFF000000, links,
                              targets, &count, 0, DT_SINGLELINE);
  p.end();
  EXPECT_EQ(count, 1);
  EXPECT_EQ(targets[0], u"one");
  // Links paint in the manager's link colour.
  QRect blue = Ink(canvas_, QColor(0, 0, 255));
  ASSERT_FALSE(blue.isEmpty());
  EXPECT_GE(blue.left(), links[0].left);
}

}  // namespace
}  // namespace DuiLib
