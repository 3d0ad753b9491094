#pragma once
// Platform services behind one small interface each, so that the logic above them never
// needs an #ifdef: the home and export folders, the trash, the file manager.

#include <QByteArray>
#include <QString>

namespace vellora {

// The user's home folder, ending with "/": the default and fallback folder.
[[nodiscard]] QString homeFolder();

// The folder exports and PDF reports go to: "temp" in the home folder, ending with "/".
// VELLORA_EXPORT_DIR overrides it (tests and scripts). Not created here.
[[nodiscard]] QString exportFolder();

// Moves one file to the desktop trash. Never deletes permanently. On failure returns false
// and, when errorText is given, a short Italian description of the cause.
[[nodiscard]] bool moveToTrash(const QByteArray& path, QString* errorText = nullptr);

// Opens the file manager on a folder; the result is not checked by callers.
void openFileManager(const QString& folder);

} // namespace vellora
