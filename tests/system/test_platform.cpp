// Folders and the trash. The trash tests run in a private home, so nothing of the machine's
// own trash is touched.

#include "system/Platform.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>

using namespace vellora;

namespace {

bool makeFile(const QByteArray& path, const QByteArray& content)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return false;
    const bool ok = ::write(fd, content.constData(), size_t(content.size())) == content.size();
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
        const QString expected = userHome == u"/" ? QString() : userHome + QStringLiteral("/temp/");
        QCOMPARE(exportFolder(), expected);
        QVERIFY(!exportFolder().startsWith(QStringLiteral("/temp")));
        qputenv("HOME", home);
        QString error;
        QVERIFY(!makeFolder(QString(), &error));
        QVERIFY(!error.isEmpty());
    }

    void trashesAFile_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::newRow("plain") << QByteArray("lista.txt");
        QTest::newRow("accented") << QByteArray("perché è così.txt");
        QTest::newRow("spaces and percent") << QByteArray(" 100% sure .doc");
    }

    void trashesAFile()
    {
        QFETCH(QByteArray, name);
        const QByteArray path = m_dir + name;
        QVERIFY(makeFile(path, "data"));
        QString error;
        QVERIFY2(moveToTrash(path, &error), qPrintable(error));
        QVERIFY(!exists(path));
        const QDir trash(m_home.filePath(QStringLiteral(".local/share/Trash/files")));
        QVERIFY(trash.exists(QFile::decodeName(name)));
    }

    // A name that is not valid in the locale's encoding must not reach the file system as
    // another name: here the one it would decode to exists too, and both must survive.
    void refusesANameItCannotSpell()
    {
        const QByteArray bad = m_dir + "bad\xff.txt";
        const QByteArray lookalike = QFile::encodeName(QFile::decodeName(bad));
        QVERIFY(bad != lookalike);
        QVERIFY(makeFile(bad, "mine"));
        QVERIFY(makeFile(lookalike, "someone else's"));
        QString error;
        QVERIFY(!moveToTrash(bad, &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(exists(bad));
        QVERIFY(exists(lookalike));
        // QTemporaryDir cannot spell that name either.
        ::unlink(bad.constData());
    }

    // Without a usable trash the file must stay where it is, not land in the working folder.
    void noTrashLeavesTheFile()
    {
        const QByteArray path = m_dir + "keep.txt";
        QVERIFY(makeFile(path, "keep"));
        QVERIFY(makeFile(m_dir + "blocker", ""));
        QTemporaryDir cwd;
        const QString oldCwd = QDir::currentPath();
        QVERIFY(QDir::setCurrent(cwd.path()));
        const QByteArray oldData = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", m_dir + "blocker/share");

        QString error;
        const bool moved = moveToTrash(path, &error);

        qputenv("XDG_DATA_HOME", oldData);
        QVERIFY(QDir::setCurrent(oldCwd));
        QVERIFY(!moved);
        QVERIFY2(error.contains(QStringLiteral("cestino")), qPrintable(error));
        QVERIFY(exists(path));
        QCOMPARE(QDir(cwd.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList());
    }

    void failsWithACause_data()
    {
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<QString>("cause");
        QTest::newRow("vanished") << QByteArray("gone.txt") << QStringLiteral("inesistente");
        QTest::newRow("folder") << QByteArray("sub") << QStringLiteral("cartella");
        QTest::newRow("empty") << QByteArray() << QStringLiteral("nome");
    }

    void failsWithACause()
    {
        QFETCH(QByteArray, path);
        QFETCH(QString, cause);
        QVERIFY(QDir().mkpath(QFile::decodeName(m_dir + "sub")));
        QString error;
        QVERIFY(!moveToTrash(path.isEmpty() ? path : m_dir + path, &error));
        QVERIFY2(error.contains(cause), qPrintable(error));
    }
};

QTEST_GUILESS_MAIN(TestPlatform)
#include "test_platform.moc"
