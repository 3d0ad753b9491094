#include "WindowArguments.h"

#include "fileinfo/FileFacts.h"
#include "fileinfo/FolderPaths.h"
#include "system/ErrorText.h"

#include <QCommandLineParser>

#include <cerrno>
#include <unistd.h>

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
    QCommandLineParser parser;
    parser.addOption(QCommandLineOption(QStringList{QStringLiteral("h"), QStringLiteral("help")}));
    parser.addOption(QCommandLineOption(QStringLiteral("version")));
    // The first argument is the program's name to the parser; "--" ends the options.
    const bool ok = parser.parse(QStringList{QStringLiteral("vellora")} + args);
    if (parser.isSet(QStringLiteral("help"))) {
        parsed.action = WindowArguments::Action::Help;
        return parsed;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        parsed.action = WindowArguments::Action::Version;
        return parsed;
    }
    const QStringList unknown = parser.unknownOptionNames();
    const QStringList folders = parser.positionalArguments();
    if (!unknown.isEmpty())
        parsed.error = QStringLiteral("opzione sconosciuta %1 (vedi --help)")
                           .arg((unknown.front().size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) +
                                unknown.front());
    else if (!ok)
        parsed.error = QStringLiteral("argomenti non validi (vedi --help)");
    else if (folders.size() > 1)
        parsed.error = QStringLiteral("si può indicare una sola cartella");
    else
        parsed.path = folders.value(0);
    return parsed;
}

FolderToOpen folderToOpen(const QString& path)
{
    FolderToOpen result;
    const auto fail = [&](const QString& named, const QString& cause) {
        result.message = QStringLiteral("Impossibile leggere la cartella %1: %2").arg(named, cause);
        return result;
    };
    QByteArray absolute;
    if (path.isEmpty())
        return fail(path, errnoCause(ENOENT));
    if (const int err = fileinfo::absolutePath(fileinfo::pathBytes(path), absolute); err != 0)
        return fail(path, workingFolderCause(err));
    // The folder itself, or the one that holds the file named.
    int fd = fileinfo::openFolder(absolute);
    int err = errno;
    if (fd < 0 && err == ENOTDIR) {
        const qsizetype slash = absolute.lastIndexOf('/');
        const QByteArray parent = slash > 0 ? absolute.left(slash) : QByteArray("/");
        fd = fileinfo::openFolder(parent);
        if (fd >= 0)
            absolute = parent;
    }
    if (fd < 0)
        return fail(fileinfo::pathText(absolute), errnoCause(err));
    ::close(fd);
    QString folder = fileinfo::pathText(absolute);
    if (!folder.endsWith(u'/'))
        folder += u'/';
    result.folder = folder;
    return result;
}

} // namespace vellora
