#include "duilib/message_box.h"

#include <QMessageBox>

#include "duilib/qt_convert.h"
#include "duilib/win_api.h"

namespace DuiLib {
namespace {

MessageBoxPresenter& presenter() {
  static MessageBoxPresenter p;
  return p;
}

int ShowQtBox(HWND owner, const CDuiString& text, const CDuiString& caption, UINT flags) {
  QMessageBox box(WidgetFromHwnd(owner));
  box.setWindowTitle(ToQt(caption));
  box.setText(ToQt(text));
  switch (flags & 0xF0) {
    case MB_ICONERROR:
      box.setIcon(QMessageBox::Critical);
      break;
    case MB_ICONQUESTION:
      box.setIcon(QMessageBox::Question);
      break;
    case MB_ICONWARNING:
      box.setIcon(QMessageBox::Warning);
      break;
    case MB_ICONINFORMATION:
      box.setIcon(QMessageBox::Information);
      break;
    default:
      break;
  }
  switch (flags & 0x0F) {
    case MB_OKCANCEL:
      box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
      break;
    case MB_YESNO:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
      break;
    case MB_YESNOCANCEL:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
      break;
    default:
      box.setStandardButtons(QMessageBox::Ok);
      break;
  }
  switch (box.exec()) {
    case QMessageBox::Yes:
      return IDYES;
    case QMessageBox::No:
      return IDNO;
    case QMessageBox::Cancel:
      return IDCANCEL;
    default:
      return IDOK;
  }
}

}  // namespace

int MessageBox(HWND owner, LPCTSTR text, LPCTSTR caption, UINT flags) {
  CDuiString t(text), c(caption);
  if (presenter())
    return presenter()(owner, t, c, flags);
  return ShowQtBox(owner, t, c, flags);
}

MessageBoxPresenter SetMessageBoxPresenter(MessageBoxPresenter p) {
  MessageBoxPresenter old = std::move(presenter());
  presenter() = std::move(p);
  return old;
}

}  // namespace DuiLib
