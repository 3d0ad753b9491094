// Folders and the trash. The trash tests run in a private home, so nothing of the machine's
// own trash is touched.

#include "system/Platform.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <filesystem>
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

QByteArray readFile(const QByteArray& path)
{
    QByteArray bytes(4096, '\0');
    const int fd = ::open(path.constData(), O_RDONLY);
    const ssize_t got = fd < 0 ? 0 : ::read(fd, bytes.data(), size_t(bytes.size()));
    ::close(fd);
    return bytes.left(qMax<ssize_t>(got, 0));
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

    // Names QDir cannot spell, left in the trash.
    void cleanupTestCase() { std::filesystem::remove_all(QFile::encodeName(m_home.path()).toStdString()); }

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

    // A moved file lands in the private trash under its own name, with a record whose path
    // decodes to exactly the file's (a desktop restores it there, whatever the name holds).
    // A failed move leaves every file where it was, and nothing goes into the working
    // folder. A name not valid in the locale's encoding is trashed as itself, never as the
    // name it would decode to, which exists too.
    void moveToTrash_data()
    {
        QTest::addColumn<QByteArray>("name"); // made as a file unless "gone.txt" or "sub"
        QTest::addColumn<bool>("moved");
        QTest::addColumn<QString>("cause");
        QTest::newRow("plain") << QByteArray("lista.txt") << true << QString();
        QTest::newRow("accented") << QByteArray("perché è così.txt") << true << QString();
        QTest::newRow("spaces and percent") << QByteArray(" 100% sure .doc") << true << QString();
        QTest::newRow("percent escapes") << QByteArray("saldi%2Fprezzi%41.txt") << true << QString();
        QTest::newRow("line break and Path=")
            << QByteArray("report.pdf\nPath=%2Fhome%2Fu%2F.config%2Fautostart%2Fevil.desktop") << true
            << QString();
        QTest::newRow("vanished") << QByteArray("gone.txt") << false << QStringLiteral("inesistente");
        QTest::newRow("folder") << QByteArray("sub") << false << QStringLiteral("cartella");
        QTest::newRow("empty") << QByteArray() << false << QStringLiteral("nome");
        QTest::newRow("name not in the locale's encoding") << QByteArray("bad\xff.txt") << true << QString();
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
        QVERIFY(!made || (makeFile(lookalike, "someone else's") && makeFile(path, "mine")));
        const auto cleanup = qScopeGuard([&] {
            ::unlink(path.constData()); // QTemporaryDir cannot spell it
            ::unlink(lookalike.constData());
        });
        // The trash folder taken by a file: the home trash cannot be made.
        const QByteArray trash = QFile::encodeName(m_home.filePath(QStringLiteral(".local/share/Trash")));
        const bool blocked = cause == u"cestino";
        QVERIFY(QDir().mkpath(QFile::decodeName(trash)));
        QVERIFY(!blocked || (::rename(trash, trash + ".away") == 0 && makeFile(trash, "")));
        const auto unblock = qScopeGuard([&] {
            if (blocked)
                ::unlink(trash.constData()), ::rename(trash + ".away", trash);
        });
        QTemporaryDir cwd;
        const QString oldCwd = QDir::currentPath();
        QVERIFY(QDir::setCurrent(cwd.path()));

        QString error;
        const bool done = vellora::moveToTrash(path, &error);

        QVERIFY(QDir::setCurrent(oldCwd));
        QVERIFY2(done == moved && error.contains(cause), qPrintable(error));
        if (moved) {
            QVERIFY(!exists(path) && exists(trash + "/files/" + name));
            QList<QByteArray> paths;
            for (const QByteArray& line : readFile(trash + "/info/" + name + ".trashinfo").split('\n'))
                if (line.startsWith("Path="))
                    paths << QByteArray::fromPercentEncoding(line.mid(5));
            QCOMPARE(paths, QList<QByteArray>{path});
        } else {
            QVERIFY(!error.isEmpty() && (!made || exists(path)));
        }
        QVERIFY(!made || lookalike == path || exists(lookalike));
        QCOMPARE(QDir(cwd.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList());
    }
};

QTEST_GUILESS_MAIN(TestPlatform)
#include "test_platform.moc"
