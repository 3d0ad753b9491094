#include "WindowArguments.h"

#include "system/ErrorText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <sys/stat.h>

namespace vellora {

QString windowUsage()
{
    return QStringLiteral("Usage: vellora [FOLDER]\n"
                          "       vellora --help | --version\n"
                          "\n"
                          "Opens the Vellora File window. With FOLDER the window starts on that folder\n"
                          "(a file stands for the folder that holds it) instead of the last one used;\n"
                          "nothing is read until the start button is pressed.\n"
                          "\n"
                          "  --help              this text\n"
                          "  --version           the program's version\n"
                          "  --                  what follows is the folder, even if it begins with '-'\n"
                          "\n"
                          "Exit status: 0 the window was closed, 2 bad arguments.\n");
}

WindowArguments parseWindowArguments(const QStringList& args)
{
    WindowArguments parsed;
    bool optionsEnd = false;
    int folders = 0;
    for (const QString& a : args) {
        if (!optionsEnd && (a == u"--help" || a == u"-h")) {
            parsed.action = WindowArguments::Action::Help;
            return parsed;
        }
        if (!optionsEnd && a == u"--version") {
            parsed.action = WindowArguments::Action::Version;
        } else if (!optionsEnd && a == u"--") {
            optionsEnd = true;
        } else if (!optionsEnd && a.startsWith(u'-') && a != u"-") {
            if (parsed.error.isEmpty())
                parsed.error = QStringLiteral("unknown option %1").arg(a);
        } else if (++folders == 1) {
            parsed.path = a;
        } else if (parsed.error.isEmpty()) {
            parsed.error = QStringLiteral("only one folder may be given");
        }
    }
    if (parsed.action == WindowArguments::Action::Version)
        parsed.error.clear();
    return parsed;
}

FolderToOpen folderToOpen(const QString& path)
{
    FolderToOpen result;
    const QString absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    struct stat st = {};
    if (path.isEmpty() || ::stat(QFile::encodeName(absolute).constData(), &st) != 0) {
        const int err = path.isEmpty() ? ENOENT : errno;
        result.message =
            QStringLiteral("Impossibile leggere la cartella %1: %2").arg(absolute, errnoCause(err));
        return result;
    }
    QString folder = S_ISDIR(st.st_mode) ? absolute : QFileInfo(absolute).path();
    if (!folder.endsWith(u'/'))
        folder += u'/';
    result.folder = folder;
    return result;
}

} // namespace vellora
