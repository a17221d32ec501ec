// Building a window from a skin archive and painting frames offscreen.
// Uses <bin>/skin.zip when the skin has been built, else a layout of similar size.
#include <benchmark/benchmark.h>
#include <zip.h>

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <cstdlib>

#include "duilib/UIlib.h"

namespace DuiLib {
namespace {

const char* kFallback = R"(<?xml version="1.0" encoding="utf-8"?>
<Window size="520,460" caption="0,0,0,40" roundcorner="6,6">
  <Font id="0" name="WenQuanYi Micro Hei" size="12" default="true"/>
  <Font id="1" name="WenQuanYi Micro Hei" size="16" bold="true"/>
  <VerticalLayout bkcolor="#FFFFFFFF" bordersize="1" bordercolor="#FFD0D7DE">
    <HorizontalLayout height="40" bkcolor="#FF2F80ED" inset="12,0,8,0">
      <Label text="Tavlo 免费WiFi" font="1" textcolor="#FFFFFFFF"/>
      <Button name="sysbtn_close" width="28" text="×" textcolor="#FFFFFFFF"/>
    </HorizontalLayout>
    <HorizontalLayout height="36" childpadding="8" inset="12,6,12,6">
      <Option name="optionSet" group="tab" text="设置" width="80" selected="true" selectedbkcolor="#FFE8F0FE"/>
      <Option name="optionUsers" group="tab" text="用户" width="80" selectedbkcolor="#FFE8F0FE"/>
      <Option name="optionTip" group="tab" text="帮助" width="80" selectedbkcolor="#FFE8F0FE"/>
    </HorizontalLayout>
    <TabLayout name="switch" inset="16,10,16,10">
      <VerticalLayout childpadding="10">
        <HorizontalLayout height="30"><Label text="名称" width="80"/><Edit name="Edit_SSID" text="Tavlo-1234" bordersize="1" bordercolor="#FFCCCCCC"/></HorizontalLayout>
        <HorizontalLayout height="30"><Label text="密码" width="80"/><Edit name="Edit_PWD" text="12345678" password="true" bordersize="1" bordercolor="#FFCCCCCC"/></HorizontalLayout>
        <CheckBox name="chkShowPwd" text="显示密码" height="24"/>
        <Text text="{b}提示{/b}：{c #FF888888}密码至少 8 位。{/c}{n}第二行说明文字" showhtml="true" height="40"/>
        <HorizontalLayout height="36" childpadding="10"><Control/><Button name="Btn_Run" text="开启共享" width="120" bkcolor="#FF2F80ED" textcolor="#FFFFFFFF" borderround="6,6"/></HorizontalLayout>
      </VerticalLayout>
      <List name="ListDeviceInfo" header="hidden" vscrollbar="true" itemlinecolor="#FFEEEEEE">
        <ListHeader><ListHeaderItem width="60"/><ListHeaderItem/></ListHeader>
      </List>
      <Text text="帮助文字。" />
    </TabLayout>
  </VerticalLayout>
</Window>)";

class BenchWindow : public WindowImplBase {
 protected:
  LPCTSTR GetWindowClassName() const override { return u"BenchFrame"; }
  CDuiString GetSkinFolder() override { return u""; }
  CDuiString GetSkinFile() override { return file_; }
  UILIB_RESOURCETYPE GetResourceType() const override { return UILIB_ZIP; }
  CDuiString GetZIPFileName() const override { return u"skin.zip"; }
  CControlUI* CreateControl(LPCTSTR name) override {
    CDuiString n(name);
    for (const char16_t* page : {u"PageSet", u"PageUsers", u"PageTip"}) {
      if (n.CompareNoCase(page) == 0) {
        CDialogBuilder b;
        return b.Create((CDuiString(page) + u".xml").GetData(), nullptr, nullptr, &m_PaintManager);
      }
    }
    return nullptr;
  }

 public:
  CDuiString file_ = u"tavlo.xml";
};

QTemporaryDir* g_dir = nullptr;

void SetUpSkin() {
  QString bin = QCoreApplication::applicationDirPath();
  if (QFile::exists(bin + "/skin.zip")) {
    CPaintManagerUI::SetResourcePath(DuiLib::CDuiString::FromUtf8((bin + "/").toStdString()));
    return;
  }
  g_dir = new QTemporaryDir;
  std::string path = g_dir->path().toStdString() + "/skin.zip";
  int err = 0;
  zip_t* z = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &err);
  zip_file_add(z, "tavlo.xml", zip_source_buffer(z, kFallback, std::strlen(kFallback), 0),
               ZIP_FL_OVERWRITE);
  zip_close(z);
  CPaintManagerUI::SetResourcePath(
      DuiLib::CDuiString::FromUtf8((g_dir->path() + "/").toStdString()));
}

void BM_BuildWindowAndFirstFrame(benchmark::State& state) {
  for (auto _ : state) {
    BenchWindow wnd;
    HWND h = wnd.Create(nullptr, u"bench", WS_POPUP | WS_VISIBLE, 0, 0, 0);
    if (!h) {
      state.SkipWithError("window not created");
      return;
    }
    QImage frame = WidgetFromHwnd(h)->grab().toImage();
    benchmark::DoNotOptimize(frame.bits());
    DestroyWindow(h);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
}
BENCHMARK(BM_BuildWindowAndFirstFrame)->Unit(benchmark::kMillisecond);

void BM_PaintFrame(benchmark::State& state) {
  BenchWindow wnd;
  HWND h = wnd.Create(nullptr, u"bench", WS_POPUP | WS_VISIBLE, 0, 0, 0);
  if (!h) {
    state.SkipWithError("window not created");
    return;
  }
  QWidget* w = WidgetFromHwnd(h);
  QImage frame(w->size(), QImage::Format_ARGB32_Premultiplied);
  for (auto _ : state) {
    w->render(&frame);
    benchmark::DoNotOptimize(frame.bits());
  }
  DestroyWindow(h);
}
BENCHMARK(BM_PaintFrame)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace DuiLib

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  DuiLib::SetUpSkin();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
