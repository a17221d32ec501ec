#include "duilib/message_box.h"

#include <QMessageBox>
#include <QPointer>
#include <list>

#include "duilib/qt_convert.h"
#include "duilib/win_api.h"

namespace DuiLib {
namespace {

MessageBoxPresenter& presenter() {
  static MessageBoxPresenter p;
  return p;
}

struct OpenBox {
  QPointer<QMessageBox> box;
  HWND owner = nullptr;
  bool dismissed = false;
};

// Real boxes whose loops are running, innermost last.
std::list<OpenBox>& OpenBoxes() {
  static std::list<OpenBox> boxes;
  return boxes;
}

bool OwnedBy(HWND owner, HWND window) {
  // Owner chains are short; the bound only guards against a cycle.
  for (int depth = 0; owner && depth < 64; ++depth, owner = GetWindowOwner(owner)) {
    if (owner == window)
      return true;
  }
  return false;
}

int DismissAnswer(UINT flags) {
  switch (flags & 0x0F) {
    case MB_OKCANCEL:
    case MB_YESNOCANCEL:
      return IDCANCEL;
    case MB_YESNO:
      return IDNO;
    default:
      return IDOK;
  }
}

void Configure(QMessageBox* box, const CDuiString& text, const CDuiString& caption, UINT flags) {
  box->setWindowTitle(ToQt(caption));
  box->setText(ToQt(text));
  switch (flags & 0xF0) {
    case MB_ICONERROR:
      box->setIcon(QMessageBox::Critical);
      break;
    case MB_ICONQUESTION:
      box->setIcon(QMessageBox::Question);
      break;
    case MB_ICONWARNING:
      box->setIcon(QMessageBox::Warning);
      break;
    case MB_ICONINFORMATION:
      box->setIcon(QMessageBox::Information);
      break;
    default:
      break;
  }
  switch (flags & 0x0F) {
    case MB_OKCANCEL:
      box->setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
      break;
    case MB_YESNO:
      box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
      break;
    case MB_YESNOCANCEL:
      box->setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
      break;
    default:
      box->setStandardButtons(QMessageBox::Ok);
      break;
  }
}

int ShowQtBox(HWND owner, const CDuiString& text, const CDuiString& caption, UINT flags) {
  // On the heap: a parent that goes while the loop runs deletes its children, and a box on
  // the stack would then be freed twice.
  auto* box = new QMessageBox(WidgetFromHwnd(owner));
  Configure(box, text, caption, flags);
  std::list<OpenBox>& boxes = OpenBoxes();
  auto entry = boxes.insert(boxes.end(), OpenBox{box, owner, false});
  const int answer = box->exec();
  const bool dismissed = entry->dismissed || entry->box.isNull();
  delete entry->box.data();
  boxes.erase(entry);
  if (dismissed)
    return DismissAnswer(flags);
  switch (answer) {
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

bool HasOpenMessageBox(HWND window) {
  if (!window)
    return false;
  for (const OpenBox& open : OpenBoxes()) {
    if (OwnedBy(open.owner, window))
      return true;
  }
  return false;
}

void CloseMessageBoxes(HWND window) {
  if (!window)
    return;
  for (OpenBox& open : OpenBoxes()) {
    if (!OwnedBy(open.owner, window) || open.dismissed)
      continue;
    open.dismissed = true;
    if (open.box)
      open.box->done(QDialog::Rejected);
  }
}

}  // namespace DuiLib
