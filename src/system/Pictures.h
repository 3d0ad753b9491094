#pragma once
// The program's pictures, painted at run time so that the build carries no image files:
// the program icon and the three small pictures of the column dialog.

#include <QIcon>
#include <QPixmap>

namespace vellora {

// The program icon (a folder with a listed sheet) in the usual sizes.
[[nodiscard]] QIcon programIcon();
[[nodiscard]] QPixmap programPicture(int size);

// Column dialog: a printer (print and export profile), an eye over a grid (display
// profile), and a row of columns (decoration).
[[nodiscard]] QPixmap printColumnsPicture(int size = 32);
[[nodiscard]] QPixmap viewColumnsPicture(int size = 32);
[[nodiscard]] QPixmap columnsPicture(int size = 32);

} // namespace vellora
