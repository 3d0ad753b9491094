// Folders open in the desktop's file manager: over D-Bus (a stand-in file manager on a private
// session bus records what it is asked), else through the default folder handler (stand-in
// xdg-mime and xdg-open on PATH), never through this program itself; where nothing can open
// the folder, one message says so.

#include "ScriptedPrompter.h"
#include "ui/FolderOpener.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace vellora;

namespace {

const QString kService = QStringLiteral("org.freedesktop.FileManager1");

// What a file manager was asked: "ShowItems file:///…".
class FakeFileManager : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")

public:
    QStringList asked;

public Q_SLOTS:
    void ShowFolders(const QStringList& uris, const QString&)
    {
        asked << QStringLiteral("ShowFolders ") + uris.join(u' ');
    }
    void ShowItems(const QStringList& uris, const QString&)
    {
        asked << QStringLiteral("ShowItems ") + uris.join(u' ');
    }
};

QTemporaryDir* tools = nullptr; // the stand-in xdg-mime and xdg-open

void writeScript(const QString& name, const QByteArray& body)
{
    QFile file(tools->filePath(name));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\n" + body);
    file.close();
    QVERIFY(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
}

QString launched()
{
    QFile file(tools->filePath(QStringLiteral("launched")));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).trimmed() : QString();
}

} // namespace

class TestFolderOpener : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void opens_data();
    void opens();
};

void TestFolderOpener::opens_data()
{
    QTest::addColumn<bool>("onBus");
    QTest::addColumn<QString>("handler"); // what xdg-mime names as the default folder handler
    QTest::addColumn<bool>("item");
    QTest::addColumn<QString>("how");
    QTest::newRow("file manager, Apri cartella") << true << "" << true << "bus";
    QTest::newRow("file manager, Verifica") << true << "it.vellora.file.desktop" << false << "bus";
    QTest::newRow("another handler") << false << "pcmanfm.desktop" << true << "handler";
    QTest::newRow("only Vellora File") << false << "it.vellora.file.desktop" << false << "none";
    QTest::newRow("no handler") << false << "" << true << "none";
}

void TestFolderOpener::opens()
{
    QFETCH(bool, onBus);
    QFETCH(QString, handler);
    QFETCH(bool, item);
    QFETCH(QString, how);
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("una cartella"));
    const QString file = folder + QStringLiteral("/è un file.txt");
    QVERIFY(QDir().mkpath(folder));
    QFile(file).open(QIODevice::WriteOnly);
    writeScript(QStringLiteral("xdg-mime"), "echo '" + handler.toUtf8() + "'\n");
    QFile::remove(tools->filePath(QStringLiteral("launched")));

    QDBusConnection fakeBus =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("fake"));
    FakeFileManager fake;
    if (onBus) {
        QVERIFY(fakeBus.registerObject(QStringLiteral("/org/freedesktop/FileManager1"), &fake,
                                       QDBusConnection::ExportAllSlots));
        QVERIFY(fakeBus.registerService(kService));
    }
    const auto gone = qScopeGuard([&] {
        fakeBus.unregisterService(kService);
        fakeBus.unregisterObject(QStringLiteral("/org/freedesktop/FileManager1"));
    });

    ScriptedPrompter prompter;
    FolderOpener opener(prompter);
    QSignalSpy handled(&opener, &FolderOpener::handled);
    if (item)
        opener.showItem(file);
    else
        opener.showFolder(folder);
    QTRY_COMPARE(handled.size(), 1);
    QCOMPARE(handled.at(0).at(1).toString(), how);
    QCOMPARE(handled.at(0).at(0).toString(), folder);

    const QString uri = QUrl::fromLocalFile(item ? file : folder).toString(QUrl::FullyEncoded);
    QCOMPARE(fake.asked,
             onBus ? QStringList{(item ? QStringLiteral("ShowItems ") : QStringLiteral("ShowFolders ")) + uri}
                   : QStringList{});
    if (how == u"handler")
        QTRY_COMPARE(launched(), QUrl::fromLocalFile(folder).toString());
    else
        QCOMPARE(launched(), QString());
    QCOMPARE(prompter.messages.size(), how == u"none" ? 1u : 0u);
    if (how == u"none")
        QCOMPARE(prompter.messages.front().text, FolderOpener::noHandlerText(folder));
}

int main(int argc, char* argv[])
{
    // A session bus of our own, and stand-ins for the desktop's tools first on PATH.
    QProcess daemon;
    daemon.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--session"), QStringLiteral("--nofork"),
                                                 QStringLiteral("--print-address=1")});
    if (!daemon.waitForReadyRead(10000)) {
        std::fprintf(stderr, "dbus-daemon did not start\n");
        return 1;
    }
    qputenv("DBUS_SESSION_BUS_ADDRESS", daemon.readLine().trimmed());
    QTemporaryDir bin;
    tools = &bin;
    qputenv("PATH", QFile::encodeName(bin.path()) + ':' + qgetenv("PATH"));
    qunsetenv("XDG_CURRENT_DESKTOP");
    qunsetenv("DESKTOP_SESSION");
    int rc = 0;
    {
        QApplication app(argc, argv);
        writeScript(QStringLiteral("xdg-open"), "printf '%s\\n' \"$1\" > \"$(dirname \"$0\")/launched\"\n");
        TestFolderOpener test;
        rc = QTest::qExec(&test, argc, argv);
    }
    daemon.terminate();
    daemon.waitForFinished();
    return rc;
}

#include "test_folder_opener.moc"
