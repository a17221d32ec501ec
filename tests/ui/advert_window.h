// The main window's layout and its pages from the real skin archive, with the advert pane set
// up as the program does it, and the program's browser-event handler with a record of what the
// browser told it. UI thread only.
#pragma once

#include <string>
#include <vector>

#include "duilib/UIlib.h"
#include "ui/advert_pane.h"
#include "ui/web_event_handler.h"

namespace ui {

class RecordingHandler : public CCustomWebEventHandler {
 public:
  void NavigateError(DuiLib::CWebBrowserUI*, const DuiLib::CDuiString& url, int, bool*) override {
    errors.push_back(url.str());
  }
  void NavigateComplete2(DuiLib::CWebBrowserUI*, const DuiLib::CDuiString& url) override {
    completed.push_back(url.str());
  }
  HRESULT Download(DuiLib::CWebBrowserUI* browser, const DuiLib::CDuiString& url) override {
    downloads.push_back(url.str());
    return CCustomWebEventHandler::Download(browser, url);
  }
  std::vector<std::u16string> errors, completed, downloads;
};

class AdvertWindow : public DuiLib::WindowImplBase {
 public:
  bool pane_found = false;

 protected:
  LPCTSTR GetWindowClassName() const override { return u"AdvertTest"; }
  DuiLib::CDuiString GetSkinFolder() override { return u""; }
  DuiLib::CDuiString GetSkinFile() override { return u"tavlo.xml"; }
  DuiLib::UILIB_RESOURCETYPE GetResourceType() const override { return DuiLib::UILIB_ZIP; }
  DuiLib::CDuiString GetZIPFileName() const override { return u"skin.zip"; }
  DuiLib::CControlUI* CreateControl(LPCTSTR name) override {
    for (const char16_t* page : {u"PageSet", u"PageUsers", u"PageTip"}) {
      if (DuiLib::EqualsNoCase(name, page)) {
        DuiLib::CDialogBuilder builder;
        return builder.Create(DuiLib::CDuiString(page) + u".xml", nullptr, nullptr,
                              &m_PaintManager);
      }
    }
    return nullptr;
  }
  void InitWindow() override { pane_found = SetupAdvertPane(m_PaintManager); }
};

}  // namespace ui
