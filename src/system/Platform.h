#pragma once
// Platform services behind one small interface each, so that the logic above them never
// needs an #ifdef: the home and export folders, the trash, the file manager.

#include <QByteArray>
#include <QString>

namespace vellora {

// The user's home folder, ending with "/": the default and fallback folder. HOME, or the
// password database's entry when HOME is unset or empty; "/" when neither knows it.
[[nodiscard]] QString homeFolder();

// The folder exports and PDF reports go to: "temp" in the home folder, ending with "/".
// VELLORA_EXPORT_DIR overrides it (tests and scripts). Not created here. Empty when the
// home folder is not known: a folder is never made at the root of the file system.
[[nodiscard]] QString exportFolder();

// Creates folder and the folders above it when missing. On failure returns false and, when
// errorText is given, the Italian message naming the folder and the cause.
[[nodiscard]] bool makeFolder(const QString& folder, QString* errorText = nullptr);

// Moves one file (its name's bytes as they are) to the desktop trash, as the desktop's file
// managers do. Never deletes permanently. On failure returns false and, when errorText is
// given, a short Italian description of the cause.
[[nodiscard]] bool moveToTrash(const QByteArray& path, QString* errorText = nullptr);

} // namespace vellora
