#include "app/state_dump.h"

#include <QPixmap>
#include <QSaveFile>
#include <QWidget>
#include <cstdlib>

#include "app/tavlo.h"
#include "duilib/web_browser.h"
#include "ui/advert_pane.h"
#include "ui/menu_wnd.h"

namespace app {

namespace {

constexpr int kPollMs = 50;

QString Q(const std::u16string& text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

// A cell of the rows line: its separators and backslashes escaped, line ends as blanks.
QString Cell(const std::u16string& text) {
  QString cell;
  for (QChar c : Q(text)) {
    if (c == u'\\' || c == u'|' || c == u',')
      cell += u'\\';
    cell += c == u'\n' || c == u'\r' ? QChar(u' ') : c;
  }
  return cell;
}

}  // namespace

std::unique_ptr<StateDump> StateDump::FromEnvironment(CTavlo* window) {
  const char* path = std::getenv("TAVLO_STATE_DUMP");
  if (!path || !*path)
    return nullptr;
  const char* perf = std::getenv("TAVLO_PERF_LOG");
  return std::make_unique<StateDump>(window, QString::fromLocal8Bit(path), !perf || !*perf);
}

StateDump::StateDump(CTavlo* window, QString path, bool pictures)
    : window_(window), path_(std::move(path)), pictures_(pictures) {
  QObject::connect(&timer_, &QTimer::timeout, this, [this] { Poll(); });
  timer_.start(kPollMs);
  Poll();
}

QString StateDump::Describe(CTavlo& window) {
  DuiLib::CPaintManagerUI& pm = window.GetPaintManager();
  QString out;
  out += QString("window_visible=%1\n").arg(DuiLib::IsWindowVisible(window.GetHWND()) ? 1 : 0);
  out += QString("window_minimized=%1\n").arg(DuiLib::IsIconic(window.GetHWND()) ? 1 : 0);
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
  RECT window_rect{};
  DuiLib::GetWindowRect(window.GetHWND(), &window_rect);
  out += QString("window_rect=%1,%2,%3,%4\n")
             .arg(window_rect.left)
             .arg(window_rect.top)
             .arg(window_rect.right)
             .arg(window_rect.bottom);
  // Where a script clicks, in window coordinates.
  for (const char16_t* name : {u"Btn_Run", u"Btn_Close", u"sysbtn_close", u"optionSet",
                               u"optionUsers", u"optionTip", u"Edit_SSID", u"Edit_PWD"}) {
    DuiLib::CControlUI* control = pm.FindControl(name);
    if (!control)
      continue;
    const RECT rc = control->GetPos();
    out += QString("center_%1=%2,%3\n")
               .arg(QString::fromUtf16(name))
               .arg((rc.left + rc.right) / 2)
               .arg((rc.top + rc.bottom) / 2);
  }
  DuiLib::CControlUI* title = pm.FindControl(u"Static_title");
  out += "title=" + (title ? Q(title->GetText().str()) : QString()) + "\n";
  DuiLib::CControlUI* wifi = pm.FindControl(u"Static_wifi");
  out += "Static_wifi=" + (wifi ? Q(wifi->GetBkImage().str()) : QString()) + "\n";
  auto* tabs = dynamic_cast<DuiLib::CTabLayoutUI*>(pm.FindControl(u"switch"));
  out += QString("page=%1\n").arg(tabs ? tabs->GetCurSel() : -1);
  out += QString("window_icon=%1\n").arg(window.window_icon());
  const NotifyIconData& tray = window.tray_icon().data();
  out += QString("tray_icon=%1\n").arg(tray.hIcon);
  out += "balloon=" + ((tray.uFlags & NIF_INFO) ? Q(tray.szInfo) : QString()) + "\n";
  out += QString("ready=%1\n").arg(window.hotspot().ready() ? 1 : 0);
  auto* list = dynamic_cast<DuiLib::CListUI*>(pm.FindControl(u"ListDeviceInfo"));
  QStringList rows;
  for (int i = 0; list && i < list->GetCount(); ++i) {
    auto* row = dynamic_cast<DuiLib::CListTextElementUI*>(list->GetItemAt(i));
    if (!row)
      continue;
    QStringList cells;
    for (int column = 0; column < 4; ++column)
      cells << Cell(row->GetText(column).str());
    rows << cells.join("|");
  }
  out += "rows=" + rows.join(",") + "\n";
  auto autorun = window.check_states().find(u"menu_Autorun");
  out += QString("autorun_check=%1\n")
             .arg(autorun != window.check_states().end() && autorun->second ? 1 : 0);
  auto* advert = dynamic_cast<DuiLib::CWebBrowserUI*>(pm.FindControl(ui::kAdvertPaneName));
  out += "advert=" + (advert ? Q(advert->GetPlainText().str()).simplified() : QString()) + "\n";
  DescribeMenus(&out);
  return out;
}

void StateDump::DescribeMenus(QString* out) {
  // The open popup menus, each as the last root or sub-menu window that opened.
  DuiLib::ObserverImpl::Iterator it(DuiLib::CMenuWnd::GetMenuObserver());
  int count = 0;
  while (DuiLib::ReceiverImplBase* receiver = it.Next()) {
    auto* menu = dynamic_cast<DuiLib::CMenuWnd*>(receiver);
    if (!menu || !DuiLib::IsWindowVisible(menu->GetHWND()))
      continue;
    ++count;
    RECT rc{};
    DuiLib::GetWindowRect(menu->GetHWND(), &rc);
    *out +=
        QString("menu_rect=%1,%2,%3,%4\n").arg(rc.left).arg(rc.top).arg(rc.right).arg(rc.bottom);
    for (const char16_t* name : {u"menu_Web", u"menu_Autorun", u"menu_Exit"}) {
      DuiLib::CControlUI* item = menu->GetPaintManager().FindControl(name);
      if (!item)
        continue;
      const RECT pos = item->GetPos();
      *out += QString("center_%1=%2,%3\n")
                  .arg(QString::fromUtf16(name))
                  .arg((pos.left + pos.right) / 2)
                  .arg((pos.top + pos.bottom) / 2);
    }
  }
  *out += QString("menus=%1\n").arg(count);
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
  if (!file.commit())
    return;
  last_ = now;
  // The framework paints everything itself, so the grab is what the user sees.
  if (!pictures_)
    return;
  if (QWidget* widget = DuiLib::WidgetFromHwnd(window_->GetHWND()))
    widget->grab().save(path_ + ".png", "PNG");
}

}  // namespace app
