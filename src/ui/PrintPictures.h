#pragma once
// Small pictures of the print dialogs, painted at run time.

#include <QPixmap>

namespace vellora {

[[nodiscard]] QPixmap pagePicture(bool landscape, int side);
[[nodiscard]] QPixmap printerPicture(int side);

} // namespace vellora
