#include "Platform.h"

#include "ErrorText.h"
#include "fileinfo/FolderPaths.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <pwd.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace vellora {

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

} // namespace vellora
