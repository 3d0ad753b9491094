#pragma once
// Short Italian causes for the failures an export can meet on the file system.

#include <QString>

namespace vellora {

// The cause of an errno value; fallback (the library's own text) for values without an
// Italian text, or when err is 0.
[[nodiscard]] QString ioErrorText(int err, const QString& fallback = {});

} // namespace vellora
