#pragma once
// The product's pictures, drawn rather than shipped: the splash window's logo (174 x 161
// pixels) and the Help button's picture.
#include <QPixmap>

namespace ztl::ui {

QPixmap productLogo();

// The picture of the main window's Help button: a question mark in the logo's colours.
QPixmap helpButtonPicture(int size);

}  // namespace ztl::ui
