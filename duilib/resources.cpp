#include "duilib/resources.h"

#include <zip.h>

#include <QFile>
#include <QPixmap>

#include "duilib/qt_convert.h"

namespace DuiLib {
namespace {

struct State {
  CDuiString path;
  CDuiString zip_name;
  zip_t* archive = nullptr;
  bool tried = false;
};

State& state() {
  static State s;
  return s;
}

void CloseArchive() {
  State& s = state();
  if (s.archive)
    zip_discard(s.archive);
  s.archive = nullptr;
  s.tried = false;
}

zip_t* Archive() {
  State& s = state();
  if (!s.archive && !s.tried) {
    s.tried = true;
    CDuiString full = s.zip_name;
    if (!full.IsEmpty() && full[0] != u'/')
      full = s.path + full;
    int err = 0;
    s.archive = zip_open(full.ToUtf8().c_str(), ZIP_RDONLY, &err);
  }
  return s.archive;
}

}  // namespace

void Resources::SetResourcePath(const CDuiString& path) {
  CDuiString p = path;
  if (!p.IsEmpty() && p[p.GetLength() - 1] != u'/')
    p += u'/';
  if (p == state().path)
    return;
  state().path = p;
  CloseArchive();
}

const CDuiString& Resources::GetResourcePath() {
  return state().path;
}

void Resources::SetResourceZip(const CDuiString& zip) {
  if (zip == state().zip_name && (state().archive || !state().tried))
    return;
  state().zip_name = zip;
  CloseArchive();
}

const CDuiString& Resources::GetResourceZip() {
  return state().zip_name;
}

bool Resources::Read(const CDuiString& name, QByteArray* out) {
  if (name.IsEmpty())
    return false;
  State& s = state();
  if (s.zip_name.IsEmpty()) {
    CDuiString full = name[0] == u'/' ? name : s.path + name;
    QFile f(ToQt(full));
    if (!f.open(QIODevice::ReadOnly))
      return false;
    *out = f.readAll();
    return true;
  }
  zip_t* z = Archive();
  if (!z)
    return false;
  std::string entry = name.ToUtf8();
  zip_stat_t st;
  zip_stat_init(&st);
  if (zip_stat(z, entry.c_str(), ZIP_FL_ENC_GUESS, &st) != 0 || !(st.valid & ZIP_STAT_SIZE))
    return false;
  zip_file_t* f = zip_fopen(z, entry.c_str(), 0);
  if (!f)
    return false;
  QByteArray data(static_cast<qsizetype>(st.size), Qt::Uninitialized);
  zip_int64_t n = zip_fread(f, data.data(), st.size);
  zip_fclose(f);
  if (n < 0 || static_cast<zip_uint64_t>(n) != st.size)
    return false;
  *out = std::move(data);
  return true;
}

bool Resources::Exists(const CDuiString& name) {
  State& s = state();
  if (s.zip_name.IsEmpty())
    return QFile::exists(ToQt(name[0] == u'/' ? name : s.path + name));
  zip_t* z = Archive();
  return z && zip_name_locate(z, name.ToUtf8().c_str(), 0) >= 0;
}

QIcon Resources::LoadIcon(UINT id) {
  QIcon icon;
  auto add = [&icon](const CDuiString& name) {
    QByteArray data;
    QPixmap pm;
    if (Read(name, &data) && pm.loadFromData(data))
      icon.addPixmap(pm);
  };
  add(CDuiString::Printf(u"icon%u.png", id));
  for (int size : {16, 24, 32, 48, 64, 128, 256})
    add(CDuiString::Printf(u"icon%u_%d.png", id, size));
  return icon;
}

}  // namespace DuiLib
