#include "FolderOpener.h"

#include "system/Prompter.h"
#include "ui/AppLog.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusReply>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QUrl>

namespace vellora {

namespace {

const QString kService = QStringLiteral("org.freedesktop.FileManager1");

// This program's own desktop entry: as the folder handler it would open itself.
QString ownDesktopId()
{
    const QString name = QGuiApplication::desktopFileName();
    return (name.isEmpty() ? QStringLiteral("it.vellora.file") : name) + QStringLiteral(".desktop");
}

bool busOffers(const QDBusConnection& bus)
{
    QDBusConnectionInterface* names = bus.isConnected() ? bus.interface() : nullptr;
    if (!names)
        return false;
    if (names->isServiceRegistered(kService))
        return true;
    // Not running, but started by the bus when asked.
    const QDBusReply<QStringList> startable = names->call(QStringLiteral("ListActivatableNames"));
    return startable.isValid() && startable.value().contains(kService);
}

} // namespace

FolderOpener::FolderOpener(Prompter& prompter, QObject* parent) : QObject(parent), m_prompter(prompter) {}

QString FolderOpener::noHandlerText(const QString& folder)
{
    return QStringLiteral("Nessun gestore di file disponibile per aprire la cartella %1")
        .arg(QDir::toNativeSeparators(folder));
}

void FolderOpener::showFolder(const QString& folder)
{
    askBus(QStringLiteral("ShowFolders"), folder, folder);
}

void FolderOpener::showItem(const QString& file)
{
    askBus(QStringLiteral("ShowItems"), file, QFileInfo(file).absolutePath());
}

void FolderOpener::askBus(const QString& method, const QString& target, const QString& folder)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!busOffers(bus)) {
        askDefaultHandler(folder);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        kService, QStringLiteral("/org/freedesktop/FileManager1"), kService, method);
    call << QStringList{QUrl::fromLocalFile(target).toString(QUrl::FullyEncoded)} << QString();
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, folder] {
        watcher->deleteLater();
        if (watcher->isError()) {
            qCInfo(lcApp) << "the file manager did not answer:" << watcher->error().message();
            askDefaultHandler(folder);
            return;
        }
        Q_EMIT handled(folder, QStringLiteral("bus"));
    });
}

void FolderOpener::askDefaultHandler(const QString& folder)
{
    auto* query = new QProcess(this);
    connect(query, &QProcess::finished, this, [this, query, folder] {
        query->deleteLater();
        useHandler(folder, QString::fromLocal8Bit(query->readAllStandardOutput()).trimmed());
    });
    connect(query, &QProcess::errorOccurred, this, [this, query, folder](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;
        query->deleteLater();
        useHandler(folder, QString());
    });
    query->start(QStringLiteral("xdg-mime"),
                 {QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("inode/directory")});
}

void FolderOpener::useHandler(const QString& folder, const QString& desktopId)
{
    // The handler the query named is the one xdg-open starts.
    if (!desktopId.isEmpty() && desktopId != ownDesktopId() &&
        QProcess::startDetached(QStringLiteral("xdg-open"), {QUrl::fromLocalFile(folder).toString()})) {
        Q_EMIT handled(folder, QStringLiteral("handler"));
        return;
    }
    m_prompter.message(noHandlerText(folder), QString(), Prompter::Icon::Information, Prompter::Buttons::Ok);
    Q_EMIT handled(folder, QStringLiteral("none"));
}

} // namespace vellora
