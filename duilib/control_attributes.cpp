// CControlUI's layout attributes: one name and value at a time, or a whole attribute list.
#include "duilib/control.h"

namespace DuiLib {

void CControlUI::SetAttribute(LPCTSTR name_p, LPCTSTR value_p) {
  std::u16string_view name(name_p ? name_p : u"");
  CDuiString value(value_p);
  RECT rc;
  SIZE sz;
  int n;
  DWORD c;
  if (name == u"name") {
    SetName(value);
  } else if (name == u"text") {
    SetText(value);
  } else if (name == u"tooltip") {
    SetToolTip(value);
  } else if (name == u"userdata") {
    SetUserData(value);
  } else if (name == u"pos") {
    if (ParseRect(value.view(), &rc))
      SetFloatPos(rc);
  } else if (name == u"float") {
    SetFloat(ParseBool(value.view()));
  } else if (name == u"padding") {
    if (ParseRect(value.view(), &rc))
      SetPadding(rc);
  } else if (name == u"width") {
    if (ParseInt(value.view(), &n))
      SetFixedWidth(n);
  } else if (name == u"height") {
    if (ParseInt(value.view(), &n))
      SetFixedHeight(n);
  } else if (name == u"minwidth") {
    if (ParseInt(value.view(), &n))
      SetMinWidth(n);
  } else if (name == u"maxwidth") {
    if (ParseInt(value.view(), &n))
      SetMaxWidth(n);
  } else if (name == u"minheight") {
    if (ParseInt(value.view(), &n))
      SetMinHeight(n);
  } else if (name == u"maxheight") {
    if (ParseInt(value.view(), &n))
      SetMaxHeight(n);
  } else if (name == u"bkcolor" || name == u"bkcolor1") {
    if (ParseColor(value.view(), &c))
      SetBkColor(c);
  } else if (name == u"bkcolor2") {
    if (ParseColor(value.view(), &c))
      SetBkColor2(c);
  } else if (name == u"bordercolor") {
    if (ParseColor(value.view(), &c))
      SetBorderColor(c);
  } else if (name == u"focusbordercolor") {
    if (ParseColor(value.view(), &c))
      SetFocusBorderColor(c);
  } else if (name == u"bordersize") {
    if (ParseInt(value.view(), &n))
      SetBorderSize(n);
  } else if (name == u"borderround") {
    if (ParseSize(value.view(), &sz))
      SetBorderRound(sz);
  } else if (name == u"bkimage") {
    SetBkImage(value);
  } else if (name == u"visible") {
    SetVisible(ParseBool(value.view()));
  } else if (name == u"enabled") {
    SetEnabled(ParseBool(value.view()));
  } else if (name == u"mouse") {
    SetMouseEnabled(ParseBool(value.view()));
  } else if (name == u"keyboard") {
    SetKeyboardEnabled(ParseBool(value.view()));
  } else if (name == u"cursor") {
    if (EqualsNoCase(value.view(), u"hand"))
      m_cursor = Qt::PointingHandCursor;
    else if (EqualsNoCase(value.view(), u"ibeam"))
      m_cursor = Qt::IBeamCursor;
    else
      m_cursor = Qt::ArrowCursor;
  }
}

void CControlUI::ApplyAttributeList(LPCTSTR list_p) {
  std::u16string_view list(list_p ? list_p : u"");
  size_t i = 0;
  auto skip_space = [&] {
    while (i < list.size() &&
           (list[i] == u' ' || list[i] == u'\t' || list[i] == u'\r' || list[i] == u'\n'))
      ++i;
  };
  while (true) {
    skip_space();
    if (i >= list.size())
      return;
    size_t name_start = i;
    while (i < list.size() && list[i] != u'=' && list[i] != u' ')
      ++i;
    std::u16string name(list.substr(name_start, i - name_start));
    skip_space();
    if (i >= list.size() || list[i] != u'=')
      return;
    ++i;
    skip_space();
    if (i >= list.size() || (list[i] != u'"' && list[i] != u'\''))
      return;
    char16_t quote = list[i++];
    size_t value_end = list.find(quote, i);
    if (value_end == std::u16string_view::npos)
      return;
    std::u16string value(list.substr(i, value_end - i));
    i = value_end + 1;
    SetAttribute(name.c_str(), value.c_str());
  }
}

}  // namespace DuiLib
