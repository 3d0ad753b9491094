#pragma once
// The faces the window layer names ("Verdana", "Tahoma", "Courier New") mapped to the
// nearest installed ones: the named face first, then metric-compatible or similar faces.

#include <QFont>
#include <QStringList>

namespace vellora {

[[nodiscard]] QFont verdanaFont(qreal pointSize = 8.25);
[[nodiscard]] QFont tahomaFont(qreal pointSize = 8.25);
[[nodiscard]] QFont courierNewFont(qreal pointSize = 10);

} // namespace vellora
