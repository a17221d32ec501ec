// The application icon for the desktop's icon theme, drawn by the same code as the skin's
// product icons.
//
// Runs on the thread that owns the QGuiApplication.
#pragma once

#include <QString>

namespace skin {

// The sizes a hicolor theme is expected to hold for an application.
inline constexpr int kAppIconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

// Whether this build can write the scalable (SVG) icon.
bool CanWriteScalableIcon();

// Writes <theme_dir>/<n>x<n>/apps/<name>.png for every size, and
// <theme_dir>/scalable/apps/<name>.svg when CanWriteScalableIcon(). False, with the reason on
// standard error, when a folder or file cannot be written; whatever could be written stays.
bool WriteAppIcons(const QString& theme_dir, const QString& name);

}  // namespace skin
