// Layouts from a zip archive: building, attributes, layout geometry, input and notifications.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <vector>

#include "duilib/UIlib.h"
#include "support_qt/qt_input.h"
#include "tests/duilib/skin_fixture.h"

namespace DuiLib {
namespace {

const char* kMainXml = R"(<?xml version="1.0" encoding="utf-8"?>
<Window size="400,300" caption="0,0,0,30" roundcorner="8,8" mininfo="300,200">
  <Font id="0" name="WenQuanYi Micro Hei" size="12" default="true"/>
  <Font id="1" name="NoSuchFamily" size="16" bold="true"/>
  <Default name="Menu" value="bkcolor=&quot;#FFFFFFFF&quot; inset=&quot;2,2,2,2&quot;"/>
  <Default name="Button" value="textcolor=&quot;#FF112233&quot;"/>
  <VerticalLayout name="root" bkcolor="#FFF0F0F0" inset="10,10,10,10" childpadding="5">
    <HorizontalLayout name="top" height="30">
      <Label name="title" text="标题" width="100" font="1" textcolor="#FF333333"/>
      <Control/>
      <Button name="Btn_Run" text="开始" width="80" hotbkcolor="#FF0000FF"/>
      <Button name="sysbtn_close" width="20" padding="5,5,0,5"/>
    </HorizontalLayout>
    <HorizontalLayout height="24" childpadding="4">
      <Option name="optionSet" group="tabs" text="设置" width="60" selected="true"/>
      <Option name="optionUsers" group="tabs" text="用户" width="60"/>
      <CheckBox name="chkShowPwd" text="显示" width="60"/>
    </HorizontalLayout>
    <TabLayout name="switch" selectedid="0">
      <VerticalLayout name="page0">
        <Edit name="Edit_PWD" height="26" password="true" text="secret99" maxchar="63"/>
        <Container name="floathost" height="50">
          <Label name="floater" float="true" pos="5,6,25,16"/>
        </Container>
      </VerticalLayout>
      <Custom name="page1"/>
    </TabLayout>
    <List name="ListDeviceInfo" height="80" header="hidden" itemtextcolor="#FF000000" vscrollbar="true">
      <ListHeader>
        <ListHeaderItem text="No." width="40"/>
        <ListHeaderItem text="MAC"/>
      </ListHeader>
    </List>
  </VerticalLayout>
</Window>)";

class TestWindow : public WindowImplBase {
 public:
  std::vector<std::pair<CDuiString, CDuiString>> notes;  // type, sender name
  std::vector<CDuiString> created;
  bool init_called = false;

  void Notify(TNotifyUI& msg) override {
    notes.emplace_back(msg.sType, msg.pSender ? msg.pSender->GetName() : CDuiString());
    WindowImplBase::Notify(msg);
  }
  int Count(const char16_t* type, const char16_t* name) const {
    int n = 0;
    for (const auto& [t, s] : notes)
      n += EqualsNoCase(t.view(), type) && s == name;
    return n;
  }

 protected:
  LPCTSTR GetWindowClassName() const override { return u"TestFrame"; }
  CDuiString GetSkinFolder() override { return u""; }
  CDuiString GetSkinFile() override { return u"main.xml"; }
  UILIB_RESOURCETYPE GetResourceType() const override { return UILIB_ZIP; }
  CDuiString GetZIPFileName() const override { return u"skin.zip"; }
  void InitWindow() override { init_called = true; }
  CControlUI* CreateControl(LPCTSTR name) override {
    created.emplace_back(name);
    if (std::u16string_view(name) == u"Custom")
      return new CLabelUI;
    return nullptr;
  }
};

class FrameworkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    skin_ = std::make_unique<SkinFixture>(
        std::map<std::string, std::string>{{"main.xml", kMainXml},
                                           {"dot.png", Png(4, 4, Qt::red)},
                                           {"dot@2x.png", Png(8, 8, Qt::blue)}});
    hwnd_ = wnd_.Create(nullptr, u"test", WS_POPUP | WS_VISIBLE, 0, 100, 100);
    ASSERT_NE(hwnd_, nullptr);
    pm_ = &wnd_.GetPaintManager();
    pm_->UpdateLayout();
    widget_ = WidgetFromHwnd(hwnd_);
  }
  void TearDown() override {
    if (IsWindow(hwnd_))
      DestroyWindow(hwnd_);
    testing_qt::Pump();
  }
  static std::string Png(int w, int h, Qt::GlobalColor c) {
    QImage img(w, h, QImage::Format_ARGB32);
    img.fill(c);
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, "PNG");
    return bytes.toStdString();
  }
  template <class T>
  T* Find(const char16_t* name) {
    return static_cast<T*>(pm_->FindControl(name));
  }
  QPoint Center(const char16_t* name) {
    CDuiRect rc(pm_->FindControl(name)->GetPos());
    return QPoint((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
  }

  std::unique_ptr<SkinFixture> skin_;
  TestWindow wnd_;
  HWND hwnd_ = nullptr;
  CPaintManagerUI* pm_ = nullptr;
  QWidget* widget_ = nullptr;
};

TEST_F(FrameworkTest, WindowAndDefaultsComeFromTheLayout) {
  EXPECT_TRUE(wnd_.init_called);
  EXPECT_EQ(wnd_.Count(u"windowinit", u"root"), 1);
  RECT rc;
  GetClientRect(hwnd_, &rc);
  EXPECT_EQ(CDuiRect(rc), CDuiRect(0, 0, 400, 300));
  EXPECT_EQ(pm_->GetInitSize().cx, 400);
  EXPECT_EQ(pm_->GetRoundCorner().cx, 8);
  EXPECT_EQ(pm_->GetMinInfo().cy, 200);
  EXPECT_EQ(CDuiString(pm_->GetDefaultAttributeList(u"Menu")),
            u"bkcolor=\"#FFFFFFFF\" inset=\"2,2,2,2\"");
  EXPECT_EQ(pm_->GetDefaultAttributeList(u"ExplandIcon"), nullptr);
  // A missing family falls back to a face that exists; size and weight are kept.
  EXPECT_EQ(pm_->GetFont(1).pixelSize(), 16);
  EXPECT_TRUE(pm_->GetFont(1).bold());
  EXPECT_EQ(pm_->GetFont(99).pixelSize(), 12);  // unknown id: the default font
  ASSERT_EQ(wnd_.created.size(), 1u);
  EXPECT_EQ(wnd_.created[0], u"Custom");
}

TEST_F(FrameworkTest, AttributesApply) {
  auto* title = Find<CLabelUI>(u"title");
  ASSERT_NE(title, nullptr);
  EXPECT_EQ(title->GetText(), u"标题");
  EXPECT_EQ(title->GetTextColor(), 0xFF333333u);
  EXPECT_EQ(title->GetFont(), 1);
  auto* run = Find<CButtonUI>(u"Btn_Run");
  EXPECT_EQ(run->GetTextColor(), 0xFF112233u);  // from the class default list
  EXPECT_EQ(Find<CControlUI>(u"root")->GetBkColor(), 0xFFF0F0F0u);
  auto* edit = Find<CEditUI>(u"Edit_PWD");
  EXPECT_TRUE(edit->IsPasswordMode());
  EXPECT_EQ(edit->GetMaxChar(), 63u);
  EXPECT_EQ(static_cast<CControlUI*>(run->GetInterface(u"button")), run);
  EXPECT_EQ(run->GetInterface(u"Edit"), nullptr);
  run->ApplyAttributeList(u"text=\"停止\" visible='false' width=\"90\"");
  EXPECT_EQ(run->GetText(), u"停止");
  EXPECT_FALSE(run->IsVisible());
  EXPECT_EQ(run->GetFixedWidth(), 90);
  auto* tab = Find<CTabLayoutUI>(u"switch");
  EXPECT_EQ(tab->GetCurSel(), 0);
  EXPECT_FALSE(Find<CControlUI>(u"page1")->IsVisible());
}

TEST_F(FrameworkTest, NestedContainersAreLaidOut) {
  // root inset 10: the top row spans x 10..390, y 10..40.
  EXPECT_EQ(CDuiRect(Find<CControlUI>(u"top")->GetPos()), CDuiRect(10, 10, 390, 40));
  EXPECT_EQ(CDuiRect(Find<CControlUI>(u"title")->GetPos()), CDuiRect(10, 10, 110, 40));
  // The spacer takes the rest; buttons are right-aligned in order, padding applied.
  EXPECT_EQ(CDuiRect(Find<CControlUI>(u"sysbtn_close")->GetPos()), CDuiRect(370, 15, 390, 35));
  EXPECT_EQ(CDuiRect(Find<CControlUI>(u"Btn_Run")->GetPos()), CDuiRect(285, 10, 365, 40));
  // Second row: child padding 4 between fixed-width options.
  EXPECT_EQ(Find<CControlUI>(u"optionUsers")->GetPos().left, 74);
  // Tab page takes what fixed rows leave: 300-20 (inset) - 30 - 24 - 80 - 3*5 = 131 high.
  CDuiRect page(Find<CControlUI>(u"page0")->GetPos());
  EXPECT_EQ(page, CDuiRect(10, 74, 390, 205));
  // A float sits at its position relative to its parent's top-left.
  CDuiRect host(Find<CControlUI>(u"floathost")->GetPos());
  EXPECT_EQ(CDuiRect(Find<CControlUI>(u"floater")->GetPos()),
            CDuiRect(host.left + 5, host.top + 6, host.left + 25, host.top + 16));
  // Hiding a row gives its room to the stretchable tab.
  Find<CControlUI>(u"top")->SetVisible(false);
  pm_->UpdateLayout();
  EXPECT_EQ(Find<CControlUI>(u"page0")->GetPos().top, 39);
}

TEST_F(FrameworkTest, ClicksNotifyWithTheSenderName) {
  testing_qt::Click(widget_, Center(u"Btn_Run"));
  EXPECT_EQ(wnd_.Count(u"CLICK", u"Btn_Run"), 1);
  // Pressing, leaving and releasing elsewhere is no click.
  testing_qt::Press(widget_, Center(u"Btn_Run"));
  testing_qt::MoveMouse(widget_, Center(u"title"));
  testing_qt::Release(widget_, Center(u"title"));
  EXPECT_EQ(wnd_.Count(u"click", u"Btn_Run"), 1);
  // Disabled buttons stay silent.
  Find<CControlUI>(u"Btn_Run")->SetEnabled(false);
  testing_qt::Click(widget_, Center(u"Btn_Run"));
  EXPECT_EQ(wnd_.Count(u"click", u"Btn_Run"), 1);
}

TEST_F(FrameworkTest, OptionGroupsKeepOneSelected) {
  auto* set = Find<COptionUI>(u"optionSet");
  auto* users = Find<COptionUI>(u"optionUsers");
  EXPECT_TRUE(set->IsSelected());
  testing_qt::Click(widget_, Center(u"optionUsers"));
  EXPECT_TRUE(users->IsSelected());
  EXPECT_FALSE(set->IsSelected());
  EXPECT_EQ(wnd_.Count(u"click", u"optionUsers"), 1);
  EXPECT_EQ(wnd_.Count(u"selectchanged", u"optionUsers"), 1);
  // Clicking the selected one again keeps it selected and reports no change.
  testing_qt::Click(widget_, Center(u"optionUsers"));
  EXPECT_TRUE(users->IsSelected());
  EXPECT_EQ(wnd_.Count(u"selectchanged", u"optionUsers"), 1);
  // A check box toggles and reports both ways.
  auto* chk = Find<CCheckBoxUI>(u"chkShowPwd");
  testing_qt::Click(widget_, Center(u"chkShowPwd"));
  EXPECT_TRUE(chk->GetCheck());
  testing_qt::Click(widget_, Center(u"chkShowPwd"));
  EXPECT_FALSE(chk->GetCheck());
  EXPECT_EQ(wnd_.Count(u"selectchanged", u"chkShowPwd"), 2);
  EXPECT_TRUE(Find<CTabLayoutUI>(u"switch")->SelectItem(1));
  EXPECT_FALSE(Find<CTabLayoutUI>(u"switch")->SelectItem(2));
  EXPECT_TRUE(Find<CControlUI>(u"page1")->IsVisible());
  EXPECT_FALSE(Find<CControlUI>(u"Edit_PWD")->IsVisible());
}

TEST_F(FrameworkTest, PasswordModeHidesTextUntilSwitchedOff) {
  auto* edit = Find<CEditUI>(u"Edit_PWD");
  QImage masked = widget_->grab().toImage();
  edit->SetPasswordMode(false);
  EXPECT_FALSE(edit->IsPasswordMode());
  QImage plain = widget_->grab().toImage();
  EXPECT_NE(masked, plain);  // the painted text differs
  // Editing happens in a real line edit that follows the mode and feeds the text back.
  testing_qt::Click(widget_, Center(u"Edit_PWD"));
  QLineEdit* line = edit->GetNativeEdit();
  ASSERT_NE(line, nullptr);
  EXPECT_EQ(line->echoMode(), QLineEdit::Normal);
  edit->SetPasswordMode(true);
  EXPECT_EQ(line->echoMode(), QLineEdit::Password);
  line->selectAll();
  testing_qt::Type(line, QStringLiteral("abc12345"));
  EXPECT_EQ(edit->GetText(), u"abc12345");
  EXPECT_GE(wnd_.Count(u"textchanged", u"Edit_PWD"), 1);
  // Focus elsewhere closes the editor and keeps the text.
  testing_qt::Click(widget_, Center(u"title"));
  EXPECT_EQ(edit->GetNativeEdit(), nullptr);
  EXPECT_EQ(edit->GetText(), u"abc12345");
}

TEST_F(FrameworkTest, ListRowsByIndex) {
  auto* list = Find<CListUI>(u"ListDeviceInfo");
  ASSERT_NE(list, nullptr);
  for (int i = 0; i < 6; ++i) {
    auto* row = new CListTextElementUI;
    row->SetAttribute(u"align", u"center");
    row->SetTag(static_cast<UINT_PTR>(list->GetCount()));
    ASSERT_TRUE(list->Add(row));
    row->SetText(0, CDuiString::Printf(u"%d", list->GetCount() - 1));
    row->SetText(1, CDuiString::Printf(u"00-1A-2B-3C-4D-%02X", i));
  }
  ASSERT_EQ(list->GetCount(), 6);
  auto row = [&](int i) { return static_cast<CListTextElementUI*>(list->GetItemAt(i)); };
  EXPECT_EQ(row(1)->GetText(1), u"00-1A-2B-3C-4D-01");
  EXPECT_EQ(row(1)->GetText(0), u"1");
  EXPECT_TRUE(list->RemoveAt(1));
  EXPECT_EQ(list->GetCount(), 5);
  EXPECT_EQ(row(1)->GetText(0), u"2");  // no renumbering
  EXPECT_EQ(row(1)->GetTag(), 2u);
  EXPECT_FALSE(list->RemoveAt(7));
  EXPECT_EQ(list->GetItemAt(9), nullptr);
  // Selection by index and by click; columns follow the (hidden) header.
  EXPECT_TRUE(list->SelectItem(2));
  EXPECT_TRUE(row(2)->IsSelected());
  EXPECT_FALSE(list->SelectItem(42));
  pm_->UpdateLayout();
  EXPECT_EQ(list->GetListInfo()->nColumns, 2);
  EXPECT_EQ(list->GetListInfo()->rcColumn[0].right - list->GetListInfo()->rcColumn[0].left, 40);
  QPoint first(Center(u"ListDeviceInfo").x(), list->GetItemAt(0)->GetPos().top + 3);
  testing_qt::Click(widget_, first);
  EXPECT_EQ(list->GetCurSel(), 0);
  EXPECT_FALSE(row(2)->IsSelected());
  // Six rows overflow 80 pixels: the body scrolls.
  EXPECT_GT(static_cast<CContainerUI*>(list->GetList())->GetScrollRange(), 0);
  list->RemoveAll();
  EXPECT_EQ(list->GetCount(), 0);
  EXPECT_EQ(list->GetCurSel(), -1);
}

TEST_F(FrameworkTest, ImagesLoadFromTheArchiveAndDraw) {
  const TImageInfo* img = pm_->GetImageEx(u"dot.png");
  ASSERT_NE(img, nullptr);
  EXPECT_EQ(img->nX, 4);
  EXPECT_EQ(pm_->GetImageEx(u"missing.png"), nullptr);
  QImage canvas(20, 20, QImage::Format_ARGB32_Premultiplied);
  canvas.fill(Qt::white);
  QPainter p(&canvas);
  RECT item{0, 0, 20, 20};
  EXPECT_TRUE(CRenderEngine::DrawImageString(&p, pm_, item, item,
                                             u"file='dot.png' dest='2,2,6,6' fade='255'"));
  EXPECT_FALSE(CRenderEngine::DrawImageString(&p, pm_, item, item, u"nothere.png"));
  p.end();
  EXPECT_EQ(canvas.pixel(3, 3), QColor(Qt::red).rgba());
  EXPECT_EQ(canvas.pixel(8, 8), QColor(Qt::white).rgba());
}

TEST_F(FrameworkTest, CaptionDragsTheWindowAndReportsTheEnd) {
  RECT before;
  GetWindowRect(hwnd_, &before);
  QPoint grip(200, 15);  // caption band, over the spacer
  testing_qt::Press(widget_, grip);
  testing_qt::MoveMouse(widget_, grip + QPoint(30, 20));
  testing_qt::Release(widget_, grip + QPoint(30, 20) - QPoint(30, 20));
  RECT after;
  GetWindowRect(hwnd_, &after);
  EXPECT_EQ(after.left - before.left, 30);
  EXPECT_EQ(after.top - before.top, 20);
}

TEST(RenderTest, HtmlTextMarkupMeasuresAndFindsLinks) {
  CPaintManagerUI pm;
  pm.AddFont(0, u"WenQuanYi Micro Hei", 12, false, false, false, true);
  RECT one{0, 0, 300, 100};
  CRenderEngine::DrawHtmlText(nullptr, &pm, one, u"abc", 0, nullptr, nullptr, nullptr, 0,
                              DT_CALCRECT);
  RECT two{0, 0, 300, 100};
  CRenderEngine::DrawHtmlText(nullptr, &pm, two, u"{b}abc{/b}{n}{c #FFFF0000}def{/c}", 0, nullptr,
                              nullptr, nullptr, 0, DT_CALCRECT);
  EXPECT_GT(two.bottom, one.bottom);  // {n} makes a second line
  RECT links[4];
  CDuiString targets[4];
  int count = 4;
  QImage canvas(300, 40, QImage::Format_ARGB32_Premultiplied);
  QPainter p(&canvas);
  RECT rc{0, 0, 300, 40};
  CRenderEngine::DrawHtmlText(&p, &pm, rc, u"see {a http://x/}here{/a} {u}now{/u}", 0xFF000000,
                              links, targets, &count, 0, DT_SINGLELINE);
  EXPECT_EQ(count, 1);
  EXPECT_EQ(targets[0], u"http://x/");
  EXPECT_GT(links[0].left, 0);
}

}  // namespace
}  // namespace DuiLib
