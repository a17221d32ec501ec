// CPaintManagerUI's resources: fonts, default attribute lists and images, shared along the
// parent-resource chain.
#include <QFontDatabase>
#include <QGuiApplication>

#include "duilib/paint_manager.h"
#include "duilib/qt_convert.h"
#include "duilib/resources.h"

namespace DuiLib {

void CPaintManagerUI::UseParentResource(CPaintManagerUI* parent) {
  // A chain that leads back here would loop forever on every lookup.
  for (CPaintManagerUI* p = parent; p; p = p->m_pParentResourcePM) {
    if (p == this)
      return;
  }
  m_pParentResourcePM = parent;
}

CPaintManagerUI* CPaintManagerUI::ResourceRoot() {
  CPaintManagerUI* pm = this;
  while (pm->m_pParentResourcePM)
    pm = pm->m_pParentResourcePM;
  return pm;
}

const CPaintManagerUI* CPaintManagerUI::ResourceRoot() const {
  const CPaintManagerUI* pm = this;
  while (pm->m_pParentResourcePM)
    pm = pm->m_pParentResourcePM;
  return pm;
}

void CPaintManagerUI::AddFont(int id,
                              LPCTSTR name,
                              int size,
                              bool bold,
                              bool underline,
                              bool italic,
                              bool is_default) {
  TFontInfo info;
  info.sFontName = name;
  info.iSize = size;
  info.bBold = bold;
  info.bUnderline = underline;
  info.bItalic = italic;
  QString family = ToQt(info.sFontName);
  QStringList families;
  if (!family.isEmpty() && QFontDatabase::hasFamily(family))
    families << family;
  // Chinese text needs a CJK face when the named one is missing.
  families << QStringLiteral("WenQuanYi Micro Hei") << QStringLiteral("Noto Sans CJK SC")
           << QStringLiteral("sans-serif");
  info.font.setFamilies(families);
  info.font.setStyleHint(QFont::SansSerif);
  info.font.setPixelSize(std::max(size, 1));
  info.font.setBold(bold);
  info.font.setUnderline(underline);
  info.font.setItalic(italic);
  info.font.setHintingPreference(QFont::PreferNoHinting);
  m_aCustomFonts[id] = info;
  if (is_default || m_iDefaultFont < 0)
    m_iDefaultFont = id;
}

const TFontInfo* CPaintManagerUI::GetFontInfo(int id) const {
  for (const CPaintManagerUI* pm = this; pm; pm = pm->m_pParentResourcePM) {
    auto it = pm->m_aCustomFonts.find(id);
    if (it != pm->m_aCustomFonts.end())
      return &it->second;
  }
  return GetDefaultFontInfo();
}

const TFontInfo* CPaintManagerUI::GetDefaultFontInfo() const {
  for (const CPaintManagerUI* pm = this; pm; pm = pm->m_pParentResourcePM) {
    if (pm->m_iDefaultFont >= 0) {
      auto it = pm->m_aCustomFonts.find(pm->m_iDefaultFont);
      if (it != pm->m_aCustomFonts.end())
        return &it->second;
    }
  }
  return nullptr;
}

QFont CPaintManagerUI::GetFont(int id) const {
  if (const TFontInfo* info = GetFontInfo(id))
    return info->font;
  QFont f;
  f.setFamilies({QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("sans-serif")});
  f.setPixelSize(12);
  return f;
}

void CPaintManagerUI::AddDefaultAttributeList(LPCTSTR name, LPCTSTR list) {
  m_DefaultAttrHash[CDuiString(name)] = CDuiString(list);
}

LPCTSTR CPaintManagerUI::GetDefaultAttributeList(LPCTSTR name) const {
  for (const CPaintManagerUI* pm = this; pm; pm = pm->m_pParentResourcePM) {
    auto it = pm->m_DefaultAttrHash.find(CDuiString(name));
    if (it != pm->m_DefaultAttrHash.end())
      return it->second.GetData();
  }
  return nullptr;
}

const TImageInfo* CPaintManagerUI::GetImageEx(LPCTSTR name_p) {
  CDuiString name(name_p);
  if (name.IsEmpty())
    return nullptr;
  bool hidpi = GetDpiScale() > 1.0;
  CDuiString key = hidpi ? name + u"@2x" : name;
  CPaintManagerUI* store = ResourceRoot();
  auto it = store->m_mImageHash.find(key);
  if (it != store->m_mImageHash.end())
    return it->second.get();
  QByteArray data;
  qreal dpr = 1.0;
  if (hidpi) {
    int dot = name.ReverseFind(u'.');
    CDuiString twin = dot > 0 ? name.Left(dot) + u"@2x" + name.Mid(dot) : name + u"@2x";
    if (Resources::Read(twin, &data))
      dpr = 2.0;
  }
  if (dpr == 1.0 && !Resources::Read(name, &data))
    return nullptr;
  QImage img;
  if (!img.loadFromData(data))
    return nullptr;
  auto info = std::make_unique<TImageInfo>();
  info->image = img.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  info->image.setDevicePixelRatio(dpr);
  info->nX = static_cast<int>(std::lround(img.width() / dpr));
  info->nY = static_cast<int>(std::lround(img.height() / dpr));
  TImageInfo* raw = info.get();
  store->m_mImageHash[key] = std::move(info);
  return raw;
}

void CPaintManagerUI::RemoveAllImages() {
  m_mImageHash.clear();
}

}  // namespace DuiLib
