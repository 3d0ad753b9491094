#include "Platform.h"

#include "ErrorText.h"
#include "fileinfo/FolderPaths.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QStandardPaths>
#include <QUrl>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace vellora {

namespace {
Q_LOGGING_CATEGORY(lcSystem, "vellora.system")
}

namespace {

QString userHome()
{
    // QDir::homePath() answers "/" when HOME is unset or empty.
    QString home = qEnvironmentVariable("HOME");
    if (home.isEmpty()) {
        long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
        std::vector<char> buffer(size > 0 ? std::size_t(size) : 16384);
        struct passwd entry;
        struct passwd* found = nullptr;
        if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
            found->pw_dir)
            home = QFile::decodeName(found->pw_dir);
    }
    if (!QDir::isAbsolutePath(home))
        return {};
    home = QDir::cleanPath(home);
    if (!home.endsWith(QLatin1Char('/')))
        home += QLatin1Char('/');
    return home;
}

} // namespace

QString homeFolder()
{
    const QString home = userHome();
    return home.isEmpty() ? QStringLiteral("/") : home;
}

QString exportFolder()
{
    QString dir = qEnvironmentVariable("VELLORA_EXPORT_DIR");
    if (dir.isEmpty()) {
        const QString home = userHome();
        return home.isEmpty() || home == u"/" ? QString() : home + QStringLiteral("temp/");
    }
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return dir;
}

bool makeFolder(const QString& folder, QString* errorText)
{
    if (folder.isEmpty()) {
        if (errorText)
            *errorText =
                QStringLiteral("Impossibile trovare la cartella personale dell'utente per le esportazioni");
        return false;
    }
    // One folder at a time from the last one opened: the path may pass the system's limit, and
    // keeps its own bytes (a name from the command line that is not UTF-8 is that name).
    const QByteArray path = fileinfo::pathBytes(QDir::cleanPath(folder));
    int at = ::open(path.startsWith('/') ? "/" : ".", O_PATH | O_DIRECTORY | O_CLOEXEC);
    for (const QByteArray& name : path.split('/')) {
        if (at < 0 || name.isEmpty())
            continue;
        const int made = ::mkdirat(at, name.constData(), 0777);
        const int next = made == 0 || errno == EEXIST
                             ? ::openat(at, name.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC)
                             : -1;
        const int err = errno;
        ::close(at);
        at = next;
        errno = err;
    }
    if (at >= 0) {
        ::close(at);
        return true;
    }
    if (errorText)
        *errorText = QStringLiteral("Impossibile creare la cartella %1: %2")
                         .arg(QDir::toNativeSeparators(folder), errnoCause(errno));
    return false;
}

namespace {

void setError(QString* errorText, const QString& text)
{
    if (errorText)
        *errorText = text;
}

// Makes sure the home trash exists. QFile::moveToTrash does not create the data folder
// above it, and when it finds no trash at all it takes an empty trash path, that is the
// working directory: the file would end up in "./files" instead of the trash.
// Without a home trash we refuse rather than let that happen.
bool ensureHomeTrash()
{
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (dataHome.isEmpty() || !QDir::isAbsolutePath(dataHome))
        return false;
    QDir().mkpath(dataHome);
    const QString trash = dataHome + QStringLiteral("/Trash");
    if (::mkdir(QFile::encodeName(trash).constData(), 0700) != 0 && errno != EEXIST)
        qCInfo(lcSystem) << "cannot create the trash" << trash << ::strerror(errno);
    return QFileInfo(trash).isDir();
}

} // namespace

bool moveToTrash(const QByteArray& path, QString* errorText)
{
    // QFile only takes names as text. A name whose bytes do not survive the round trip
    // through the locale's encoding would reach the file system as other bytes: possibly
    // another file. Such a name is refused, never approximated.
    const QString name = QFile::decodeName(path);
    if (path.isEmpty() || path.contains('\0') || QFile::encodeName(name) != path) {
        setError(errorText,
                 QStringLiteral("il nome del file non è rappresentabile nella codifica del sistema"));
        return false;
    }

    struct stat st
    {
    };
    if (::lstat(path.constData(), &st) != 0) {
        setError(errorText, errnoCause(errno));
        return false;
    }
    if (S_ISDIR(st.st_mode)) {
        setError(errorText, QStringLiteral("è una cartella, non un file"));
        return false;
    }

    // Moving into the trash removes the name from its folder: that needs write access there.
    const QByteArray parent = QFile::encodeName(QFileInfo(name).absolutePath());
    if (::access(parent.constData(), W_OK | X_OK) != 0) {
        const int err = errno;
        setError(errorText, err == EROFS ? errnoCause(err) : QStringLiteral("permesso negato"));
        return false;
    }

    if (!ensureHomeTrash()) {
        setError(errorText, QStringLiteral("il cestino non è disponibile"));
        return false;
    }
    QString inTrash;
    if (QFile::moveToTrash(name, &inTrash)) {
        if (QDir::isAbsolutePath(inTrash))
            return true;
        // Last guard: should Qt still have fallen back to the working directory, the file
        // goes back where the user had it.
        const QByteArray misplaced = QFile::encodeName(QDir::current().absoluteFilePath(inTrash));
        // link + unlink: never replaces a file made meanwhile under the old name.
        const bool restored =
            ::link(misplaced.constData(), path.constData()) == 0 && ::unlink(misplaced.constData()) == 0;
        if (restored) {
            // Tidy what Qt made there; rmdir leaves folders that held something before.
            QDir cwd = QDir::current();
            const QFileInfo moved(inTrash);
            cwd.remove(moved.path() + QStringLiteral("/../info/") + moved.fileName() +
                       QStringLiteral(".trashinfo"));
            cwd.rmdir(QStringLiteral("files"));
            cwd.rmdir(QStringLiteral("info"));
        }
        qCWarning(lcSystem) << "no trash available; file" << (restored ? "restored to" : "left in")
                            << (restored ? name : QFile::decodeName(misplaced));
        setError(errorText, QStringLiteral("il cestino non è disponibile"));
        return false;
    }

    qCWarning(lcSystem) << "moveToTrash failed for" << name;
    if (::lstat(path.constData(), &st) != 0) {
        setError(errorText, QStringLiteral("il file non esiste più"));
        return false;
    }
    setError(errorText, QStringLiteral("il cestino non è disponibile"));
    return false;
}

void openFileManager(const QString& folder)
{
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(folder)))
        qCInfo(lcSystem) << "no file manager opened on" << folder;
}

} // namespace vellora
