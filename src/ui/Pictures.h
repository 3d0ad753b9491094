#pragma once
// The program's pictures: the program icon, drawn from the same SVG file that is installed
// for the desktop's menu, and the three small pictures of the column dialog, painted at run
// time.

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
