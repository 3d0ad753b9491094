#pragma once
// One Italian wording for the causes the file system reports, shared by every message that
// names a file and why something failed (trash, rename, export, reports).

#include <QString>

namespace vellora {

// The cause behind errno err, short and in Italian; fallback (or "errore di sistema N")
// when the error has no wording of its own.
[[nodiscard]] QString errnoCause(int err, const QString& fallback = {});

// Why a relative path cannot be made absolute: err is fileinfo::absolutePath's answer.
[[nodiscard]] QString workingFolderCause(int err);

// The closing note of an export or a print that could not read some listed files again
// (vanished or unreadable since the scan); empty when count is 0.
[[nodiscard]] QString unreadableFilesNote(qsizetype count);

} // namespace vellora
