// A contact sheet of the whole skin, for reviewing the images side by side.
#pragma once

#include <vector>

#include <QImage>

#include "tools/skin-images/catalog.h"

namespace skin {

// Lays out every image of |specs| at 1x and, where it has one, 2x, each on the ground it
// sits on in the window and labelled with its file name. Needs a QGuiApplication (text).
QImage RenderContactSheet(const std::vector<ImageSpec>& specs);

}  // namespace skin
