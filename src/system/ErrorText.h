#pragma once
// One Italian wording for the causes the file system reports, shared by every message that
// names a file and why something failed (trash, rename, export, reports).

#include <QString>

namespace vellora {

// The cause behind errno err, short and in Italian; fallback (or "errore di sistema N")
// when the error has no wording of its own.
[[nodiscard]] QString errnoCause(int err, const QString& fallback = {});

} // namespace vellora
