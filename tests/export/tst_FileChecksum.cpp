// The checksum reader: the digest of a file's content, and none for what has no content to
// check (files of the kernel's own views, which report no size or never end).

#include "export/FileChecksum.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace vellora;

class TestFileChecksum : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void digest_data()
    {
        QTest::addColumn<QByteArray>("folder"); // empty: the test's own folder, holding "abc"
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("file") << QByteArray() << QByteArray("abc.txt")
                              << QByteArray(
                                     "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
        QTest::newRow("empty file")
            << QByteArray() << QByteArray("empty.txt")
            << QByteArray("e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
        QTest::newRow("gone") << QByteArray() << QByteArray("gone.txt") << QByteArray();
        // Size 0, yet text comes out; its sibling pagemap would read on for hours.
        QTest::newRow("procfs") << QByteArray("/proc/self/") << QByteArray("status") << QByteArray();
        // Size 4096, whatever it holds.
        QTest::newRow("sysfs") << QByteArray("/sys/kernel/") << QByteArray("uevent_seqnum") << QByteArray();
    }

    void digest()
    {
        QFETCH(QByteArray, folder);
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, expected);
        QTemporaryDir dir;
        QFile abc(dir.filePath(QStringLiteral("abc.txt"))), empty(dir.filePath(QStringLiteral("empty.txt")));
        QVERIFY(abc.open(QIODevice::WriteOnly) && abc.write("abc") == 3 && empty.open(QIODevice::WriteOnly));
        abc.close();
        empty.close();
        if (folder.isEmpty())
            folder = QFile::encodeName(dir.path()) + '/';
        else if (!QFile::exists(QFile::decodeName(folder + name)))
            QSKIP("not on this system");
        const std::atomic_bool stop{false};
        QCOMPARE(ChecksumReader().sha256(folder, name, stop), expected);
    }
};

QTEST_GUILESS_MAIN(TestFileChecksum)
#include "tst_FileChecksum.moc"
