#include "app/state_dump.h"

#include <QSaveFile>
#include <cstdlib>

#include "app/tavlo.h"

namespace app {

namespace {

constexpr int kPollMs = 50;

QString Q(const std::u16string& text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

std::unique_ptr<StateDump> StateDump::FromEnvironment(CTavlo* window) {
  const char* path = std::getenv("TAVLO_STATE_DUMP");
  if (!path || !*path)
    return nullptr;
  return std::make_unique<StateDump>(window, QString::fromLocal8Bit(path));
}

StateDump::StateDump(CTavlo* window, QString path) : window_(window), path_(std::move(path)) {
  QObject::connect(&timer_, &QTimer::timeout, this, [this] { Poll(); });
  timer_.start(kPollMs);
  Poll();
}

QString StateDump::Describe(CTavlo& window) {
  DuiLib::CPaintManagerUI& pm = window.GetPaintManager();
  QString out;
  out += QString("window_visible=%1\n").arg(DuiLib::IsWindowVisible(window.GetHWND()) ? 1 : 0);
  for (const char16_t* name : {u"Btn_Run", u"Btn_Close", u"Static_init", u"Static_init_start"}) {
    DuiLib::CControlUI* control = pm.FindControl(name);
    out += QString("%1=%2\n")
               .arg(QString::fromUtf16(name))
               .arg(control && control->IsOwnVisible() ? 1 : 0);
  }
  for (const char16_t* name : {u"Edit_SSID", u"Edit_PWD"}) {
    DuiLib::CControlUI* control = pm.FindControl(name);
    out += QString("%1=%2\n").arg(QString::fromUtf16(name),
                                  control ? Q(control->GetText().str()) : QString());
  }
  DuiLib::CControlUI* wifi = pm.FindControl(u"Static_wifi");
  out += "Static_wifi=" + (wifi ? Q(wifi->GetBkImage().str()) : QString()) + "\n";
  out += QString("window_icon=%1\n").arg(window.window_icon());
  const NotifyIconData& tray = window.tray_icon().data();
  out += QString("tray_icon=%1\n").arg(tray.hIcon);
  out += "balloon=" + ((tray.uFlags & NIF_INFO) ? Q(tray.szInfo) : QString()) + "\n";
  out += QString("ready=%1\n").arg(window.hotspot().ready() ? 1 : 0);
  auto* list = dynamic_cast<DuiLib::CListUI*>(pm.FindControl(u"ListDeviceInfo"));
  QStringList rows;
  for (int i = 0; list && i < list->GetCount(); ++i) {
    auto* row = dynamic_cast<DuiLib::CListTextElementUI*>(list->GetItemAt(i));
    if (row)
      rows << Q(row->GetText(0).str()) + " " + Q(row->GetText(1).str());
  }
  out += "rows=" + rows.join(",") + "\n";
  auto autorun = window.check_states().find(u"menu_Autorun");
  out += QString("autorun_check=%1\n")
             .arg(autorun != window.check_states().end() && autorun->second ? 1 : 0);
  return out;
}

void StateDump::Poll() {
  if (!DuiLib::IsWindow(window_->GetHWND()))
    return;
  const QString now = Describe(*window_);
  if (now == last_)
    return;
  QSaveFile file(path_);
  if (!file.open(QIODevice::WriteOnly))
    return;
  file.write(now.toUtf8());
  if (file.commit())
    last_ = now;
}

}  // namespace app
