#pragma once
// The small file-system routines behind the file actions. Every path here is the bytes the
// scan read: a name that is not valid in the locale's encoding must never be re-encoded
// into the name of another file.

#include <QByteArray>
#include <QString>

namespace vellora {

// True when an entry other than a folder exists at exactly that path (hidden and
// read-only files included); false for the empty path and on any error.
[[nodiscard]] bool EsisteFile(const QByteArray& path);

// Sends the file to the desktop trash; never deletes permanently. On failure errorText
// gets a short Italian cause.
[[nodiscard]] bool EliminaFile(const QByteArray& path, QString* errorText = nullptr);

enum class RenameResult { Renamed, TargetExists, Failed };

// Renames oldPath to newPath (same folder) without ever replacing an existing file, also
// when another program creates newPath in between. A rename that only changes the letter
// case on a file system that ignores case is allowed. On Failed, errorText gets a short
// Italian cause.
[[nodiscard]] RenameResult renameNoReplace(const QByteArray& oldPath, const QByteArray& newPath,
                                           QString* errorText = nullptr);

} // namespace vellora
