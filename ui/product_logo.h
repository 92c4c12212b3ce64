#pragma once
// The product logo of the splash window, drawn rather than shipped: 174 x 161 pixels.
#include <QPixmap>

namespace ztl::ui {

QPixmap productLogo();

}  // namespace ztl::ui
