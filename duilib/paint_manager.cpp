// CPaintManagerUI: its window, the control tree and its names, layout and painting, option
// groups, and the process-wide instance and resource settings.
#include "duilib/paint_manager.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QWidget>

#include "duilib/button.h"
#include "duilib/qt_convert.h"
#include "duilib/resources.h"
#include "duilib/ui_thread.h"
#include "duilib/win_api.h"

namespace DuiLib {
namespace {

HINSTANCE g_instance = nullptr;

CControlUI* FindByPoint(CControlUI* c, LPVOID data) {
  POINT pt = *static_cast<POINT*>(data);
  return CDuiRect(c->GetPos()).PtInRect(pt) ? c : nullptr;
}

}  // namespace

CPaintManagerUI::CPaintManagerUI() : m_alive(std::make_shared<bool>(true)) {}

CPaintManagerUI::~CPaintManagerUI() {
  *m_alive = false;
  for (const TimerInfo& t : m_aTimers)
    DuiLib::KillTimer(m_hWndPaint, t.window_id);
  m_aTimers.clear();
  CControlUI* root = m_pRoot;
  m_pRoot = nullptr;
  m_pFocus = m_pEventHover = m_pEventClick = nullptr;
  for (CControlUI* c : m_aDelayedCleanup)
    delete c;
  m_aDelayedCleanup.clear();
  delete root;
}

void CPaintManagerUI::SetInstance(HINSTANCE instance) {
  g_instance = instance;
  Resources::SetResourcePath(GetInstancePath());
}

HINSTANCE CPaintManagerUI::GetInstance() {
  return g_instance;
}

CDuiString CPaintManagerUI::GetInstancePath() {
  QString dir = QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
  return FromQt(dir.isEmpty() ? QString() : dir + QLatin1Char('/'));
}

void CPaintManagerUI::SetResourcePath(LPCTSTR path) {
  Resources::SetResourcePath(path);
}

CDuiString CPaintManagerUI::GetResourcePath() {
  return Resources::GetResourcePath();
}

void CPaintManagerUI::SetResourceZip(LPCTSTR zip_name) {
  Resources::SetResourceZip(zip_name);
}

CDuiString CPaintManagerUI::GetResourceZip() {
  return Resources::GetResourceZip();
}

QIcon CPaintManagerUI::LoadIconResource(UINT id) {
  return Resources::LoadIcon(id);
}

void CPaintManagerUI::Init(HWND wnd) {
  m_hWndPaint = wnd;
}

HDC CPaintManagerUI::GetPaintDC() const {
  return GetPaintPainter(m_hWndPaint);
}

qreal CPaintManagerUI::GetDpiScale() const {
  if (QWidget* w = WidgetFromHwnd(m_hWndPaint))
    return w->devicePixelRatioF();
  if (m_pParentResourcePM)
    return m_pParentResourcePM->GetDpiScale();
  return qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
}

bool CPaintManagerUI::AttachDialog(CControlUI* root) {
  if (!root)
    return false;
  SetFocus(nullptr);
  m_pEventHover = m_pEventClick = nullptr;
  if (m_pRoot && m_pRoot != root)
    AddDelayedCleanup(m_pRoot);
  m_pRoot = root;
  m_bUpdateNeeded = true;
  return InitControls(root);
}

bool CPaintManagerUI::InitControls(CControlUI* control, CControlUI* parent) {
  if (!control)
    return false;
  control->SetManager(this, parent ? parent : control->GetParent(), true);
  auto add = [](CControlUI* c, LPVOID data) -> CControlUI* {
    auto* pm = static_cast<CPaintManagerUI*>(data);
    CDuiString name = c->GetName();
    if (!name.IsEmpty())
      pm->m_mNameHash.emplace(name, c);
    return nullptr;
  };
  control->FindControl(add, this, UIFIND_ALL);
  return true;
}

void CPaintManagerUI::ReapObjects(CControlUI* control) {
  OnControlRemoved(control);
}

void CPaintManagerUI::AddDelayedCleanup(CControlUI* control) {
  if (!control)
    return;
  // Forget the subtree now, not at the deletion: a control added meanwhile may take a name.
  auto forget = [](CControlUI* c, LPVOID data) -> CControlUI* {
    static_cast<CPaintManagerUI*>(data)->OnControlRemoved(c);
    return nullptr;
  };
  control->FindControl(forget, this, UIFIND_ALL);
  control->SetManager(this, nullptr, false);
  control->SetVisible(false);
  m_aDelayedCleanup.push_back(control);
  std::weak_ptr<bool> alive = m_alive;
  RunOnUiThread([this, alive]() {
    if (alive.expired())
      return;
    std::vector<CControlUI*> doomed;
    doomed.swap(m_aDelayedCleanup);
    for (CControlUI* c : doomed)
      delete c;
  });
}

void CPaintManagerUI::OnControlRemoved(CControlUI* control) {
  for (auto it = m_mNameHash.begin(); it != m_mNameHash.end();) {
    if (it->second == control)
      it = m_mNameHash.erase(it);
    else
      ++it;
  }
  if (m_pFocus == control)
    m_pFocus = nullptr;
  if (m_pEventHover == control)
    m_pEventHover = nullptr;
  if (m_pEventClick == control)
    m_pEventClick = nullptr;
  KillTimer(control);
}

CControlUI* CPaintManagerUI::FindControl(LPCTSTR name) const {
  auto it = m_mNameHash.find(CDuiString(name));
  return it == m_mNameHash.end() ? nullptr : it->second;
}

CControlUI* CPaintManagerUI::FindControl(POINT pt) const {
  if (!m_pRoot)
    return nullptr;
  return m_pRoot->FindControl(FindByPoint, &pt, UIFIND_VISIBLE | UIFIND_HITTEST | UIFIND_TOP_FIRST);
}

CControlUI* CPaintManagerUI::FindSubControlByName(CControlUI* parent, LPCTSTR name) const {
  if (!parent)
    return nullptr;
  CDuiString wanted(name);
  auto match = [](CControlUI* c, LPVOID data) -> CControlUI* {
    return c->GetName() == *static_cast<CDuiString*>(data) ? c : nullptr;
  };
  return parent->FindControl(match, &wanted, UIFIND_ALL);
}

void CPaintManagerUI::SetInitSize(int cx, int cy) {
  m_szInitWindowSize = SIZE{cx, cy};
  if (!m_pRoot && m_hWndPaint) {
    RECT rc;
    if (GetWindowRect(m_hWndPaint, &rc))
      MoveWindow(m_hWndPaint, rc.left, rc.top, cx, cy, true);
  }
}

SIZE CPaintManagerUI::GetClientSize() const {
  RECT rc{};
  GetClientRect(m_hWndPaint, &rc);
  return SIZE{rc.right - rc.left, rc.bottom - rc.top};
}

void CPaintManagerUI::Invalidate() {
  InvalidateRect(m_hWndPaint, nullptr, false);
}

void CPaintManagerUI::Invalidate(const RECT& rc) {
  InvalidateRect(m_hWndPaint, &rc, false);
}

void CPaintManagerUI::NeedUpdate() {
  m_bUpdateNeeded = true;
  Invalidate();
}

void CPaintManagerUI::UpdateLayout() {
  if (!m_pRoot || !m_hWndPaint)
    return;
  RECT client{};
  GetClientRect(m_hWndPaint, &client);
  if (CDuiRect(client).IsEmpty())
    return;
  if (m_bUpdateNeeded || m_pRoot->IsUpdateNeeded() || !(CDuiRect(m_pRoot->GetPos()) == client)) {
    m_bUpdateNeeded = false;
    m_pRoot->SetPos(client, false);
  }
}

void CPaintManagerUI::Paint(HDC dc) {
  UpdateLayout();
  RECT client{};
  GetClientRect(m_hWndPaint, &client);
  QWidget* w = WidgetFromHwnd(m_hWndPaint);
  bool translucent = w && w->testAttribute(Qt::WA_TranslucentBackground);
  dc->setCompositionMode(QPainter::CompositionMode_Source);
  dc->fillRect(ToQt(client), translucent ? QColor(Qt::transparent) : QColor(Qt::white));
  dc->setCompositionMode(QPainter::CompositionMode_SourceOver);
  if (m_szRoundCorner.cx > 0 && m_szRoundCorner.cy > 0) {
    // Anti-aliased corners; the window region cuts the same shape where there is no alpha.
    QPainterPath path;
    path.addRoundedRect(QRectF(0, 0, client.right, client.bottom), m_szRoundCorner.cx / 2.0,
                        m_szRoundCorner.cy / 2.0);
    dc->setRenderHint(QPainter::Antialiasing, true);
    dc->setClipPath(path);
  }
  dc->setRenderHint(QPainter::TextAntialiasing, true);
  m_pRoot->DoPaint(dc, client);
}

void CPaintManagerUI::AddOptionGroup(const CDuiString& group, COptionUI* option) {
  auto& v = m_mOptionGroups[group];
  if (std::find(v.begin(), v.end(), option) == v.end())
    v.push_back(option);
}

void CPaintManagerUI::RemoveOptionGroup(const CDuiString& group, COptionUI* option) {
  auto it = m_mOptionGroups.find(group);
  if (it != m_mOptionGroups.end())
    std::erase(it->second, option);
}

std::vector<COptionUI*> CPaintManagerUI::GetOptionGroup(const CDuiString& group) const {
  auto it = m_mOptionGroups.find(group);
  return it == m_mOptionGroups.end() ? std::vector<COptionUI*>{} : it->second;
}

}  // namespace DuiLib
