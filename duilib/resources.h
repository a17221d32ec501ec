// Where skin files come from: the resource folder, or a zip archive in it. Process-wide
// settings that the paint manager's static setters change; the archive is opened once and
// kept open until the zip setting changes. UI thread only.
#pragma once

#include <QByteArray>
#include <QIcon>

#include "duilib/ui_string.h"

namespace DuiLib {

class Resources {
 public:
  // Folder that relative names resolve against (with a trailing '/').
  static void SetResourcePath(const CDuiString& path);
  static const CDuiString& GetResourcePath();
  // Archive file (relative to the resource path unless absolute); empty = plain folder.
  static void SetResourceZip(const CDuiString& zip);
  static const CDuiString& GetResourceZip();

  // Reads a file by its name in the archive (or folder). False when it does not exist or the
  // archive cannot be read.
  static bool Read(const CDuiString& name, QByteArray* out);
  static bool Exists(const CDuiString& name);

  // The icon resource `id`: icon<id>.png plus any icon<id>_<size>.png. Null when none exists.
  static QIcon LoadIcon(UINT id);
};

}  // namespace DuiLib
