#include "app/autorun.h"

#include <cwctype>

#include "base/result.h"

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

constexpr DWORD kPathNotFound = 3;
constexpr DWORD kDiskFull = 112;

std::u16string Decimal(DWORD value) {
  std::u16string text;
  do {
    text.insert(text.begin(), static_cast<char16_t>(u'0' + value % 10));
    value /= 10;
  } while (value != 0);
  return text;
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
  // No Open first: an entry the process cannot change still starts at logon.
  std::optional<std::u16string> stored = store_.Read(kAutorunValueName);
  return EqualsIgnoreCase(stored.value_or(std::u16string()), CommandLine());
}

bool Autorun::SetAutorun(bool enable) {
  failure_ = {};
  if (!store_.Open()) {
    failure_ = store_.LastFailure();
    return false;
  }
  if (enable) {
    if (IsAutorunEnabled())
      return true;
    if (!store_.Write(kAutorunValueName, CommandLine())) {
      failure_ = store_.LastFailure();
      return false;
    }
    return IsAutorunEnabled();
  }
  if (!store_.Remove(kAutorunValueName)) {
    failure_ = store_.LastFailure();
    return false;
  }
  return !IsAutorunEnabled();
}

std::u16string AutorunFailureText(const platform::AutostartFailure& failure) {
  const std::u16string place = u"“" + failure.place + u"”";
  std::u16string reason;
  switch (failure.code) {
    case ERROR_SUCCESS:
      reason = u"保存后读回的启动项与设置不符。";
      break;
    case ERROR_ACCESS_DENIED:
      reason = u"没有写入" + place + u"的权限。";
      break;
    case ERROR_FILE_NOT_FOUND:
    case kPathNotFound:
      reason = u"无法创建文件夹" + place + u"。";
      break;
    case kDiskFull:
      reason = place + u"所在的磁盘已满。";
      break;
    default:
      reason = u"写入" + place + u"时出错（错误代码 " + Decimal(failure.code) + u"）。";
      break;
  }
  return u"开机自动启动设置未能保存：" + reason;
}

}  // namespace app
