// Folders and the trash. The trash tests run in a private home, so nothing of the machine's
// own trash is touched.

#include "system/Platform.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>

using namespace vellora;

namespace {

// By bytes: QFile cannot spell every name.
bool makeFile(const QByteArray& path, const QByteArray& content)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const bool ok = fd >= 0 && ::write(fd, content.constData(), size_t(content.size())) == content.size();
    ::close(fd);
    return ok;
}

bool exists(const QByteArray& path)
{
    return ::access(path.constData(), F_OK) == 0;
}

} // namespace

class TestPlatform : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_home;
    QByteArray m_dir; // where the files to trash are made, inside the private home

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        qputenv("HOME", QFile::encodeName(m_home.path()));
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_home.filePath(QStringLiteral(".local/share"))));
        m_dir = QFile::encodeName(m_home.filePath(QStringLiteral("files"))) + '/';
        QVERIFY(QDir().mkpath(QFile::decodeName(m_dir)));
    }

    void folders()
    {
        QCOMPARE(homeFolder(), m_home.path() + u'/');
        qunsetenv("VELLORA_EXPORT_DIR");
        QCOMPARE(exportFolder(), m_home.path() + QStringLiteral("/temp/"));
        qputenv("VELLORA_EXPORT_DIR", "/srv/export");
        QCOMPARE(exportFolder(), QStringLiteral("/srv/export/"));
        qunsetenv("VELLORA_EXPORT_DIR");

        // Without HOME the password database tells; the root folder never gets a "temp".
        const QByteArray home = qgetenv("HOME");
        qputenv("HOME", "");
        const struct passwd* pw = ::getpwuid(::getuid());
        QVERIFY(pw && pw->pw_dir);
        const QString userHome = QDir::cleanPath(QFile::decodeName(pw->pw_dir));
        QCOMPARE(exportFolder(), userHome == u"/" ? QString() : userHome + QStringLiteral("/temp/"));
        qputenv("HOME", home);
        QString error;
        QVERIFY(!makeFolder(QString(), &error) && !error.isEmpty());
    }

    // A moved file lands in the private trash under its own name. A failed move leaves every
    // file where it was, and nothing goes into the working folder. A name not valid in the
    // locale's encoding must not reach the file system as the name it would decode to, which
    // exists too.
    void moveToTrash_data()
    {
        QTest::addColumn<QByteArray>("name"); // made as a file unless "gone.txt" or "sub"
        QTest::addColumn<bool>("moved");
        QTest::addColumn<QString>("cause");
        QTest::newRow("plain") << QByteArray("lista.txt") << true << QString();
        QTest::newRow("accented") << QByteArray("perché è così.txt") << true << QString();
        QTest::newRow("spaces and percent") << QByteArray(" 100% sure .doc") << true << QString();
        QTest::newRow("vanished") << QByteArray("gone.txt") << false << QStringLiteral("inesistente");
        QTest::newRow("folder") << QByteArray("sub") << false << QStringLiteral("cartella");
        QTest::newRow("empty") << QByteArray() << false << QStringLiteral("nome");
        QTest::newRow("name it cannot spell") << QByteArray("bad\xff.txt") << false << QString();
        QTest::newRow("no usable trash") << QByteArray("keep.txt") << false << QStringLiteral("cestino");
    }

    void moveToTrash()
    {
        QFETCH(QByteArray, name);
        QFETCH(bool, moved);
        QFETCH(QString, cause);
        const QByteArray path = name.isEmpty() ? name : m_dir + name;
        const QByteArray lookalike = QFile::encodeName(QFile::decodeName(path));
        QVERIFY(QDir().mkpath(QFile::decodeName(m_dir + "sub")));
        const bool made = !name.isEmpty() && name != "gone.txt" && name != "sub";
        QVERIFY(!made || (makeFile(path, "mine") && makeFile(lookalike, "someone else's")));
        const auto cleanup =
            qScopeGuard([&] { ::unlink(path.constData()); }); // QTemporaryDir cannot spell it
        QVERIFY(makeFile(m_dir + "blocker", ""));
        const QByteArray oldData = qgetenv("XDG_DATA_HOME");
        if (cause == u"cestino")
            qputenv("XDG_DATA_HOME", m_dir + "blocker/share");
        QTemporaryDir cwd;
        const QString oldCwd = QDir::currentPath();
        QVERIFY(QDir::setCurrent(cwd.path()));

        QString error;
        const bool done = vellora::moveToTrash(path, &error);

        qputenv("XDG_DATA_HOME", oldData);
        QVERIFY(QDir::setCurrent(oldCwd));
        QVERIFY2(done == moved && error.contains(cause), qPrintable(error));
        if (moved)
            QVERIFY(!exists(path) && QDir(m_home.filePath(QStringLiteral(".local/share/Trash/files")))
                                         .exists(QFile::decodeName(name)));
        else
            QVERIFY(!error.isEmpty() && (!made || (exists(path) && exists(lookalike))));
        QCOMPARE(QDir(cwd.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList());
    }
};

QTEST_GUILESS_MAIN(TestPlatform)
#include "test_platform.moc"
