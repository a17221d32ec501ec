// The real skin archive: the main window builds, and every control the program looks up is
// there, of the right kind, in the start-up state the program expects.
#include <gtest/gtest.h>

#include "duilib/UIlib.h"
#include "support_qt/qt_input.h"

namespace DuiLib {
namespace {

// Builds the pages the way the main window does: each from its own layout, into the window's
// manager, without callback or parent.
class SkinWindow : public WindowImplBase {
 protected:
  LPCTSTR GetWindowClassName() const override { return u"SkinTest"; }
  CDuiString GetSkinFolder() override { return u""; }
  CDuiString GetSkinFile() override { return u"tavlo.xml"; }
  UILIB_RESOURCETYPE GetResourceType() const override { return UILIB_ZIP; }
  CDuiString GetZIPFileName() const override { return u"skin.zip"; }
  CControlUI* CreateControl(LPCTSTR name) override {
    for (const char16_t* page : {u"PageSet", u"PageUsers", u"PageTip"}) {
      if (EqualsNoCase(name, page)) {
        CDialogBuilder builder;
        return builder.Create(CDuiString(page) + u".xml", nullptr, nullptr, &m_PaintManager);
      }
    }
    return nullptr;
  }
};

class SkinTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CPaintManagerUI::SetResourcePath(CDuiString::FromUtf8(TAVLO_SKIN_DIR "/"));
    hwnd_ = wnd_.Create(nullptr, u"Tavlo", WS_POPUP | WS_VISIBLE, 0, 0, 0);
    ASSERT_NE(hwnd_, nullptr);
    pm_ = &wnd_.GetPaintManager();
    pm_->UpdateLayout();
  }
  void TearDown() override {
    if (IsWindow(hwnd_))
      DestroyWindow(hwnd_);
    testing_qt::Pump();
  }
  // The control named `name` if it answers the interface `kind`.
  CControlUI* Find(const char16_t* name, const char16_t* kind) {
    CControlUI* c = pm_->FindControl(name);
    return c && c->GetInterface(kind) ? c : nullptr;
  }

  SkinWindow wnd_;
  HWND hwnd_ = nullptr;
  CPaintManagerUI* pm_ = nullptr;
};

TEST_F(SkinTest, MainWindowHasEveryControlTheProgramUses) {
  struct Expected {
    const char16_t* name;
    const char16_t* kind;
    bool visible;
  };
  const Expected controls[] = {
      {u"sysbtn_close", u"Button", true},     {u"Static_wifi", u"Label", true},
      {u"Static_init_start", u"Label", true}, {u"Static_init", u"Label", false},
      {u"Edit_SSID", u"Edit", true},          {u"Edit_PWD", u"Edit", true},
      {u"chkShowPwd", u"CheckBox", true},     {u"Btn_Run", u"Button", false},
      {u"Btn_Close", u"Button", false},       {u"optionSet", u"Option", true},
      {u"optionUsers", u"Option", true},      {u"optionTip", u"Option", true},
      {u"switch", u"TabLayout", true},        {u"linkWebUrl", u"Button", true},
      {u"linkWebFriend", u"Button", true},    {u"ActiveXAdv", u"WebBrowser", true},
      {u"ListDeviceInfo", u"List", false},  // on the users page, not the first one
      {u"Qr_join", u"QrCode", false},       // shown while the hotspot runs
  };
  for (const Expected& e : controls) {
    CControlUI* c = Find(e.name, e.kind);
    ASSERT_NE(c, nullptr) << CDuiString(e.name).ToUtf8();
    EXPECT_EQ(c->IsVisible(), e.visible) << CDuiString(e.name).ToUtf8();
    if (e.visible) {
      EXPECT_GT(CDuiRect(c->GetPos()).GetWidth(), 0) << CDuiString(e.name).ToUtf8();
    }
  }
  auto* tabs = static_cast<CTabLayoutUI*>(Find(u"switch", u"TabLayout"));
  EXPECT_EQ(tabs->GetCount(), 3);
  EXPECT_EQ(tabs->GetCurSel(), 0);
  EXPECT_TRUE(static_cast<COptionUI*>(Find(u"optionSet", u"Option"))->IsSelected());
  EXPECT_TRUE(static_cast<CEditUI*>(Find(u"Edit_PWD", u"Edit"))->IsPasswordMode());
  EXPECT_FALSE(static_cast<CEditUI*>(Find(u"Edit_SSID", u"Edit"))->IsPasswordMode());
  // The device list sits on page 1 and shows once that page is selected.
  auto* list = static_cast<CListUI*>(Find(u"ListDeviceInfo", u"List"));
  ASSERT_TRUE(tabs->SelectItem(1));
  pm_->UpdateLayout();
  EXPECT_TRUE(list->IsVisible());
  EXPECT_EQ(list->GetListInfo()->nColumns, 4);  // number, MAC address, name, IPv4 address
}

TEST_F(SkinTest, JoinCodeFitsBesideTheFormReadably) {
  auto* code = static_cast<CQrCodeUI*>(Find(u"Qr_join", u"QrCode"));
  ASSERT_NE(code, nullptr);
  // A long name and a long password, with separators to escape: about 80 bytes.
  ASSERT_TRUE(code->SetPayload(
      "WIFI:T:WPA;S:Office\\-2nd floor\\;guest;P:correct-horse-battery-\\:staple;;"));
  code->SetVisible(true);
  pm_->UpdateLayout();
  EXPECT_GE(code->GetModulePixels(), 4);
  const CDuiRect rc(code->GetCodeRect());
  const CDuiRect page(Find(u"switch", u"TabLayout")->GetPos());
  EXPECT_GE(rc.left, page.left);
  EXPECT_LE(rc.right, page.right);
  EXPECT_GE(rc.top, page.top);
  EXPECT_LE(rc.bottom, page.bottom);
  // Nothing of the form underneath.
  for (const char16_t* name : {u"Edit_SSID", u"Edit_PWD", u"chkShowPwd", u"Btn_Run"}) {
    CDuiRect other(pm_->FindControl(name)->GetPos());
    RECT overlap{};
    EXPECT_FALSE(IntersectRect(&overlap, &rc, &other)) << CDuiString(name).ToUtf8();
  }
  // The form keeps its place whether the code shows or not.
  const RECT edit = pm_->FindControl(u"Edit_SSID")->GetPos();
  code->SetVisible(false);
  pm_->UpdateLayout();
  EXPECT_EQ(CDuiRect(pm_->FindControl(u"Edit_SSID")->GetPos()), CDuiRect(edit));
}

TEST_F(SkinTest, EveryImageTheLayoutsNameIsInTheArchive) {
  for (const char16_t* image :
       {u"wifi_ico0.png", u"wifi_ico1.png", u"wifi_ico2.png", u"wifi_ico3.png", u"wifi_ico4.png",
        u"logo_white.png", u"sysbtn_close_normal.png", u"check_on.png", u"tab_selected.png"})
    EXPECT_NE(pm_->GetImageEx(image), nullptr) << CDuiString(image).ToUtf8();
  EXPECT_FALSE(CPaintManagerUI::LoadIconResource(130).isNull());
  EXPECT_FALSE(CPaintManagerUI::LoadIconResource(131).isNull());
}

}  // namespace
}  // namespace DuiLib
