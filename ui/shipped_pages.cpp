#include "ui/shipped_pages.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <QStandardPaths>
#include <QUrl>

#include "duilib/resources.h"
#include "duilib/web_browser.h"

namespace ui {
namespace {

namespace fs = std::filesystem;

// A folder of this user's own that nobody else can enter: made when missing, refused when it
// is a link, not a folder or someone else's.
bool PrivateFolder(const fs::path& dir) {
  if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST)
    return false;
  struct stat st {};
  if (::lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid())
    return false;
  return (st.st_mode & 077) == 0 || ::chmod(dir.c_str(), 0700) == 0;
}

// Written beside the target and renamed over it: a link planted at the name is replaced, not
// followed, and a reader never sees half a page.
bool WriteWhole(const fs::path& target, const QByteArray& data) {
  std::string temp = target.string() + ".XXXXXX";
  int fd = ::mkstemp(temp.data());  // mode 0600
  if (fd < 0)
    return false;
  const char* p = data.constData();
  qsizetype left = data.size();
  while (left > 0) {
    ssize_t n = ::write(fd, p, static_cast<size_t>(left));
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      break;
    p += n;
    left -= n;
  }
  bool ok = ::close(fd) == 0 && left == 0 && ::rename(temp.c_str(), target.c_str()) == 0;
  if (!ok)
    ::unlink(temp.c_str());
  return ok;
}

}  // namespace

std::u16string ShippedPageEntry(std::u16string_view path) {
  std::u16string_view name = path.substr(path.find_last_of(u'/') + 1);
  for (const char16_t* page : kShippedPages) {
    if (name == page)
      return std::u16string(kShippedPagesFolder) + page;
  }
  return {};
}

std::u16string ShippedPageAddress(std::u16string_view path) {
  std::u16string entry = ShippedPageEntry(path);
  return entry.empty() ? entry : std::u16string(DuiLib::kSkinScheme) + u":/" + entry;
}

fs::path ShippedPagesFolder() {
  QString base = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  if (base.isEmpty())
    base = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
  if (base.isEmpty())
    return {};
  return fs::path(base.toStdString()) / "tavlo" / "web";
}

std::u16string ExtractShippedPage(std::u16string_view path, const fs::path& folder) {
  const std::u16string wanted = ShippedPageEntry(path);
  if (wanted.empty() || folder.empty() || !PrivateFolder(folder.parent_path()) ||
      !PrivateFolder(folder))
    return {};
  std::u16string url;
  for (const char16_t* page : kShippedPages) {
    const std::u16string entry = std::u16string(kShippedPagesFolder) + page;
    QByteArray data;
    const fs::path target = folder / QString::fromUtf16(page).toStdString();
    if (!DuiLib::Resources::Read(DuiLib::CDuiString(entry), &data) || !WriteWhole(target, data))
      continue;
    if (entry == wanted)
      url =
          QUrl::fromLocalFile(QString::fromStdString(target.string())).toString().toStdU16String();
  }
  return url;
}

}  // namespace ui
