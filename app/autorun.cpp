#include "app/autorun.h"

#include <cwctype>

namespace app {

namespace {

char16_t FoldCase(char16_t c) {
  if (c >= u'A' && c <= u'Z')
    return static_cast<char16_t>(c - u'A' + u'a');
  if (c < 0x80 || (c >= 0xD800 && c <= 0xDFFF))
    return c;
  wint_t lower = std::towlower(static_cast<wint_t>(c));
  return lower <= 0xFFFF ? static_cast<char16_t>(lower) : c;
}

}  // namespace

bool EqualsIgnoreCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size())
    return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldCase(a[i]) != FoldCase(b[i]))
      return false;
  }
  return true;
}

Autorun::Autorun(platform::AutostartStore& store, std::u16string executable_path)
    : store_(store), executable_path_(std::move(executable_path)) {}

std::u16string Autorun::CommandLine() const {
  return u"\"" + executable_path_ + u"\" /start";
}

bool Autorun::IsAutorunEnabled() {
  if (!store_.Open())
    return false;
  std::optional<std::u16string> stored = store_.Read(kAutorunValueName);
  return EqualsIgnoreCase(stored.value_or(std::u16string()), CommandLine());
}

bool Autorun::SetAutorun(bool enable) {
  if (!store_.Open())
    return false;
  if (enable) {
    if (IsAutorunEnabled())
      return true;
    store_.Write(kAutorunValueName, CommandLine());
    return IsAutorunEnabled();
  }
  store_.Remove(kAutorunValueName);
  return !IsAutorunEnabled();
}

}  // namespace app
