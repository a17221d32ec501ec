// Conversions between the framework's value types and Qt's. Framework-internal: code outside
// duilib talks in CDuiString and RECT.
#pragma once

#include <QColor>
#include <QPoint>
#include <QRect>
#include <QString>

#include "duilib/ui_types.h"

namespace DuiLib {

inline QString ToQt(const CDuiString& s) {
  return QString::fromUtf16(s.GetData(), s.GetLength());
}
inline QString ToQt(std::u16string_view s) {
  return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size()));
}
inline CDuiString FromQt(const QString& s) {
  return CDuiString(reinterpret_cast<const char16_t*>(s.utf16()), static_cast<int>(s.size()));
}
inline QRect ToQt(const RECT& r) {
  return QRect(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1));
}
inline CDuiRect FromQt(const QRect& r) {
  return CDuiRect(r.left(), r.top(), r.left() + r.width(), r.top() + r.height());
}
inline QColor ToQColor(DWORD argb) {
  return QColor::fromRgba(argb);
}

}  // namespace DuiLib
