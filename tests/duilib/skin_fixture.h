// Writes a skin archive for a test and points the framework at it.
#pragma once

#include <zip.h>

#include <QDir>
#include <QTemporaryDir>
#include <map>
#include <string>

#include "duilib/paint_manager.h"

namespace DuiLib {

class SkinFixture {
 public:
  // Files by name; the archive is written at once.
  explicit SkinFixture(const std::map<std::string, std::string>& files) {
    path_ = dir_.path().toStdString() + "/skin.zip";
    int err = 0;
    zip_t* z = zip_open(path_.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &err);
    for (const auto& [name, data] : files) {
      // libzip reads the buffer at close time: keep copies alive until then.
      auto& kept = buffers_[name] = data;
      zip_source_t* src = zip_source_buffer(z, kept.data(), kept.size(), 0);
      zip_file_add(z, name.c_str(), src, ZIP_FL_OVERWRITE | ZIP_FL_ENC_UTF_8);
    }
    zip_close(z);
    CPaintManagerUI::SetResourcePath(CDuiString::FromUtf8(dir_.path().toStdString() + "/"));
    CPaintManagerUI::SetResourceZip(u"skin.zip");
  }

 private:
  QTemporaryDir dir_;
  std::string path_;
  std::map<std::string, std::string> buffers_;
};

}  // namespace DuiLib
