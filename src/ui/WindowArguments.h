#pragma once
// vellora's command line and the folders that reach the window from outside (the command
// line, a drop, the file manager's "Apri con"). Plain logic: the window only applies it.

#include <QString>
#include <QStringList>

namespace vellora {

struct WindowArguments
{
    enum class Action { Run, Help, Version };
    Action action = Action::Run;
    QString path;  // the FOLDER argument as given (fileinfo::pathText of its bytes); empty when none
    QString error; // a command line that makes no sense: one Italian line
};

// Qt's own options (-platform, -style...) must be gone already: QApplication takes them.
// --help and --version win over everything else, as they answer without a window.
[[nodiscard]] WindowArguments parseWindowArguments(const QStringList& args);
[[nodiscard]] QString windowUsage();

// What a path from outside selects: the folder itself, or the folder that holds a file. The path
// may be relative to a working folder deeper than the path limit, be longer than it, or hold
// bytes that are not UTF-8 (fileinfo::pathText).
struct FolderToOpen
{
    QString
        folder; // absolute and clean, ending with "/", in fileinfo::pathText; empty when nothing is selected
    QString message; // why not: the Italian message of a folder that cannot be read
};
[[nodiscard]] FolderToOpen folderToOpen(const QString& path);

} // namespace vellora
