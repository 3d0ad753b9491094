#include "Platform.h"

#include "ErrorText.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QUrl>

#include <filesystem>
#include <pwd.h>
#include <system_error>
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
    std::error_code ec;
    std::filesystem::create_directories(QFile::encodeName(QDir::cleanPath(folder)).toStdString(), ec);
    if (!ec)
        return true;
    if (errorText)
        *errorText = QStringLiteral("Impossibile creare la cartella %1: %2")
                         .arg(QDir::toNativeSeparators(folder), errnoCause(ec.value()));
    return false;
}

void openFileManager(const QString& folder)
{
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(folder)))
        qCInfo(lcSystem) << "no file manager opened on" << folder;
}

} // namespace vellora
