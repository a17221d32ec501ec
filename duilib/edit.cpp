#include "duilib/edit.h"

#include <QKeyEvent>
#include <QLineEdit>

#include "duilib/paint_manager.h"
#include "duilib/qt_convert.h"
#include "duilib/render_engine.h"
#include "duilib/win_api.h"

namespace DuiLib {
namespace {

// Hands Tab and Escape back to the framework instead of Qt's focus chain.
class EditorKeys : public QObject {
 public:
  EditorKeys(QObject* parent, CPaintManagerUI* pm) : QObject(parent), pm_(pm) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override {
    if (e->type() == QEvent::KeyPress) {
      auto* ke = static_cast<QKeyEvent*>(e);
      if (ke->key() == Qt::Key_Tab || ke->key() == Qt::Key_Backtab) {
        pm_->SetNextTabControl(ke->key() == Qt::Key_Tab);
        return true;
      }
    }
    return QObject::eventFilter(watched, e);
  }

 private:
  CPaintManagerUI* pm_;
};

// At most `max` UTF-16 units, never ending inside a surrogate pair.
CDuiString Clamp(const CDuiString& text, UINT max) {
  int n = static_cast<int>(std::min<UINT>(max, static_cast<UINT>(text.GetLength())));
  if (n < text.GetLength() && n > 0 && QChar::isHighSurrogate(text[n - 1]))
    --n;
  return n < text.GetLength() ? text.Left(n) : text;
}

}  // namespace

CEditUI::CEditUI() {
  m_uTextStyle = DT_SINGLELINE | DT_VCENTER;
  m_cursor = Qt::IBeamCursor;
  m_rcTextPadding = RECT{4, 3, 4, 3};
  m_dwBackColor = 0xFFFFFFFF;
}

CEditUI::~CEditUI() {
  if (m_editor)
    RetireEditor(m_editor.data());
}

void CEditUI::RetireEditor(QLineEdit* e) {
  // Deleted later, because this may run inside one of its own signals; until then it must
  // neither take input nor reach this control, which may be gone by then.
  QObject::disconnect(e, &QLineEdit::textEdited, e, nullptr);
  QObject::disconnect(e, &QLineEdit::returnPressed, e, nullptr);
  e->hide();
  e->deleteLater();
}

LPVOID CEditUI::GetInterface(LPCTSTR name) {
  if (EqualsNoCase(name ? name : u"", u"Edit"))
    return this;
  return CLabelUI::GetInterface(name);
}

UINT CEditUI::GetControlFlags() const {
  return IsEnabled() ? (UIFLAG_SETCURSOR | UIFLAG_TABSTOP) : 0;
}

void CEditUI::SetText(LPCTSTR text) {
  m_sText = Clamp(CDuiString(text), m_uMaxChar);
  if (m_editor && FromQt(m_editor->text()) != m_sText)
    m_editor->setText(ToQt(m_sText));
  Invalidate();
}

void CEditUI::SetMaxChar(UINT max) {
  m_uMaxChar = max;
  m_sText = Clamp(m_sText, max);
  if (m_editor) {
    m_editor->setMaxLength(static_cast<int>(max));
    if (FromQt(m_editor->text()) != m_sText)
      m_editor->setText(ToQt(m_sText));
  }
  Invalidate();
}

void CEditUI::SetReadOnly(bool read_only) {
  m_bReadOnly = read_only;
  if (m_editor)
    m_editor->setReadOnly(read_only);
  Invalidate();
}

void CEditUI::SetPasswordMode(bool password) {
  if (m_bPasswordMode == password)
    return;
  m_bPasswordMode = password;
  if (m_editor)
    m_editor->setEchoMode(password ? QLineEdit::Password : QLineEdit::Normal);
  Invalidate();
}

void CEditUI::SetPasswordChar(TCHAR ch) {
  m_cPasswordChar = ch;
  Invalidate();
}

void CEditUI::SetTipValue(LPCTSTR tip) {
  m_sTipValue = tip;
  Invalidate();
}

void CEditUI::SetEnabled(bool enabled) {
  CLabelUI::SetEnabled(enabled);
  if (!enabled)
    CloseEditor();
}

void CEditUI::SetVisible(bool visible) {
  CLabelUI::SetVisible(visible);
  if (!IsVisible())
    CloseEditor();
}

void CEditUI::SetInternVisible(bool visible) {
  CLabelUI::SetInternVisible(visible);
  if (!IsVisible())
    CloseEditor();
}

void CEditUI::SetPos(RECT rc, bool need_invalidate) {
  CLabelUI::SetPos(rc, need_invalidate);
  if (m_editor)
    m_editor->setGeometry(ToQt(EditorRect()));
}

CDuiRect CEditUI::EditorRect() const {
  CDuiRect rc(m_rcItem);
  rc.Deflate(m_rcTextPadding);
  int inset = std::max(m_nBorderSize, 0);
  rc.Deflate(RECT{0, inset > m_rcTextPadding.top ? inset - m_rcTextPadding.top : 0, 0,
                  inset > m_rcTextPadding.bottom ? inset - m_rcTextPadding.bottom : 0});
  return rc;
}

void CEditUI::OpenEditor() {
  if (m_editor || !m_pManager || !IsEnabled() || !IsVisible())
    return;
  QWidget* host = WidgetFromHwnd(m_pManager->GetPaintWindow());
  if (!host)
    return;
  auto* e = new QLineEdit(host);
  e->setFrame(false);
  e->setFont(m_pManager->GetFont(m_iFont));
  e->setMaxLength(static_cast<int>(m_uMaxChar));
  e->setReadOnly(m_bReadOnly);
  e->setEchoMode(m_bPasswordMode ? QLineEdit::Password : QLineEdit::Normal);
  e->setText(ToQt(m_sText));
  if (m_uTextStyle & DT_CENTER)
    e->setAlignment(Qt::AlignCenter);
  else if (m_uTextStyle & DT_RIGHT)
    e->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  QPalette pal = e->palette();
  pal.setColor(QPalette::Base, ToQColor(m_dwEditbkColor));
  DWORD text = CurrentTextColor();
  pal.setColor(QPalette::Text, ToQColor((text >> 24) ? text : (text | 0xFF000000u)));
  e->setPalette(pal);
  e->setGeometry(ToQt(EditorRect()));
  e->installEventFilter(new EditorKeys(e, m_pManager));
  QObject::connect(e, &QLineEdit::textEdited, e, [this, e](const QString& t) {
    // The line edit counts UTF-16 units too and may cut a pair at the limit.
    m_sText = Clamp(FromQt(t), m_uMaxChar);
    if (ToQt(m_sText) != t)
      e->setText(ToQt(m_sText));
    if (m_pManager)
      m_pManager->SendNotify(this, DUI_MSGTYPE_TEXTCHANGED);
  });
  QObject::connect(e, &QLineEdit::returnPressed, e, [this]() {
    if (m_pManager)
      m_pManager->SendNotify(this, DUI_MSGTYPE_RETURN);
  });
  m_editor = e;
  e->show();
  e->setFocus(Qt::MouseFocusReason);
  e->selectAll();
}

void CEditUI::CloseEditor() {
  if (!m_editor)
    return;
  QLineEdit* e = m_editor.data();
  m_editor.clear();
  m_sText = Clamp(FromQt(e->text()), m_uMaxChar);
  RetireEditor(e);
  Invalidate();
}

void CEditUI::DoEvent(TEventUI& event) {
  if (!IsMouseEnabled() && event.Type > UIEVENT__MOUSEBEGIN && event.Type < UIEVENT__MOUSEEND) {
    if (m_pParent)
      m_pParent->DoEvent(event);
    return;
  }
  switch (event.Type) {
    case UIEVENT_SETCURSOR:
      if (m_pManager)
        m_pManager->SetCursorFor(this);
      return;
    case UIEVENT_SETFOCUS:
      CLabelUI::DoEvent(event);
      OpenEditor();
      return;
    case UIEVENT_KILLFOCUS:
      CloseEditor();
      CLabelUI::DoEvent(event);
      return;
    case UIEVENT_WINDOWSIZE:
      if (m_editor)
        m_editor->setGeometry(ToQt(EditorRect()));
      return;
    case UIEVENT_BUTTONDOWN:
    case UIEVENT_DBLCLICK:
      if (IsEnabled())
        OpenEditor();
      return;
    case UIEVENT_BUTTONUP:
    case UIEVENT_MOUSEMOVE:
      return;
    case UIEVENT_MOUSEENTER:
      m_uButtonState |= UISTATE_HOT;
      Invalidate();
      return;
    case UIEVENT_MOUSELEAVE:
      m_uButtonState &= ~UISTATE_HOT;
      Invalidate();
      return;
    default:
      CLabelUI::DoEvent(event);
  }
}

void CEditUI::SetAttribute(LPCTSTR name_p, LPCTSTR value_p) {
  std::u16string_view name(name_p ? name_p : u"");
  std::u16string_view value(value_p ? value_p : u"");
  int n;
  DWORD c;
  if (name == u"maxchar") {
    if (ParseInt(value, &n) && n >= 0)
      SetMaxChar(static_cast<UINT>(n));
  } else if (name == u"password") {
    SetPasswordMode(ParseBool(value));
  } else if (name == u"readonly") {
    SetReadOnly(ParseBool(value));
  } else if (name == u"nativebkcolor") {
    if (ParseColor(value, &c))
      SetNativeEditBkColor(c);
  } else if (name == u"tipvalue") {
    SetTipValue(value_p);
  } else if (name == u"tipvaluecolor") {
    if (ParseColor(value, &c))
      SetTipValueColor(c);
  } else if (name == u"normalimage") {
    m_sNormalImage = value_p;
  } else if (name == u"hotimage") {
    m_sHotImage = value_p;
  } else if (name == u"focusedimage") {
    m_sFocusedImage = value_p;
  } else if (name == u"disabledimage") {
    m_sDisabledImage = value_p;
  } else {
    CLabelUI::SetAttribute(name_p, value_p);
  }
}

void CEditUI::PaintStatusImage(HDC dc) {
  const CDuiString* img = &m_sNormalImage;
  if (!IsEnabled() && !m_sDisabledImage.IsEmpty())
    img = &m_sDisabledImage;
  else if (IsFocused() && !m_sFocusedImage.IsEmpty())
    img = &m_sFocusedImage;
  else if ((m_uButtonState & UISTATE_HOT) && !m_sHotImage.IsEmpty())
    img = &m_sHotImage;
  if (!img->IsEmpty())
    DrawImage(dc, *img);
}

void CEditUI::PaintText(HDC dc) {
  if (m_editor)
    return;  // the live editor shows the text
  CDuiRect rc = EditorRect();
  if (m_sText.IsEmpty()) {
    if (!m_sTipValue.IsEmpty())
      CRenderEngine::DrawText(dc, m_pManager, rc, m_sTipValue, m_dwTipValueColor, m_iFont,
                              DT_SINGLELINE | DT_VCENTER | (m_uTextStyle & (DT_CENTER | DT_RIGHT)));
    return;
  }
  CDuiString shown = m_sText;
  if (m_bPasswordMode) {
    // One mask per character, not per UTF-16 unit.
    size_t chars = static_cast<size_t>(ToQt(m_sText).toUcs4().size());
    shown = CDuiString(std::u16string(chars, m_cPasswordChar));
  }
  CRenderEngine::DrawText(
      dc, m_pManager, rc, shown, CurrentTextColor(), m_iFont,
      DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | (m_uTextStyle & (DT_CENTER | DT_RIGHT)));
}

}  // namespace DuiLib
