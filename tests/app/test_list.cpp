// vellora-list as scripts use it: the exact lines it prints for a tree, the profile and
// order options, and the exit codes for bad arguments, unreadable folders and interrupts.

#include "app/ListCommand.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <sys/time.h>

using namespace vellora;

namespace {

struct Captured
{
    int rc = -1;
    QStringList out; // lines
    QString err;
};

QString slurp(std::FILE* f)
{
    std::fflush(f);
    std::rewind(f);
    QByteArray all;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        all.append(buf, qsizetype(n));
    std::fclose(f);
    return QString::fromUtf8(all);
}

Captured runList(const QStringList& args, bool interrupted = false)
{
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    Captured c;
    {
        ListCommand cmd(out, err);
        cmd.interruptFlag() = interrupted;
        c.rc = cmd.run(args);
    }
    c.out = slurp(out).split(QLatin1Char('\n'));
    if (c.out.last().isEmpty())
        c.out.removeLast();
    c.err = slurp(err);
    return c;
}

void makeFile(const QString& path, qint64 size, qint64 mtime = 0)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(size, 'x'));
    f.close();
    if (mtime) {
        timeval tv[2] = {{time_t(mtime), 0}, {time_t(mtime), 0}};
        QVERIFY(::utimes(QFile::encodeName(path).constData(), tv) == 0);
    }
}

const QString kHeadings =
    QStringLiteral("Nr.\tNome File\tExt\tDimensione\tData Ult. Modifica\tVersione File\t%1\tDirectory");

} // namespace

class TestList : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString root() const { return m_dir.path() + QLatin1Char('/'); }

private Q_SLOTS:
    void initTestCase()
    {
        const qint64 t = QDateTime(QDate(2003, 12, 31), QTime(23, 59)).toSecsSinceEpoch();
        makeFile(root() + QStringLiteral("b.txt"), 900, t);
        makeFile(root() + QStringLiteral("A.doc"), 10, t + 60);
        makeFile(root() + QStringLiteral("sub/c.TXT"), 1000000, t + 120);
        makeFile(root() + QStringLiteral("tab\there.txt"), 1, t);
    }

    void listsTree_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QStringList>("lines"); // after the heading row; %1 is the folder
        QTest::addColumn<QString>("infoHeading");
        QTest::newRow("defaults: folder only, name order, numbered")
            << QStringList{}
            << QStringList{"1\tA\tdoc\t\t\t\t\t%1", "2\tb\ttxt\t\t\t\t\t%1", "3\ttab?here\ttxt\t\t\t\t\t%1"}
            << "Produttore";
        QTest::newRow("size order with sizes and dates, subfolders")
            << QStringList{"--subfolders", "--order", "4", "--columns", "size,date"}
            << QStringList{"\tc\tTXT\t1,000,000\t01/01/2004 00:01\t\t\t%1sub/",
                           "\tb\ttxt\t900\t31/12/2003 23:59\t\t\t%1",
                           "\tA\tdoc\t10\t01/01/2004 00:00\t\t\t%1",
                           "\ttab?here\ttxt\t1\t31/12/2003 23:59\t\t\t%1"}
            << "Produttore";
        QTest::newRow("pattern, empty columns, product info")
            << QStringList{"--subfolders", "--pattern", "*.txt",   "--columns=",
                           "--info",       "product",   "--order", "9"}
            << QStringList{"\tb\ttxt\t\t\t\t\t%1", "\ttab?here\ttxt\t\t\t\t\t%1", "\tc\tTXT\t\t\t\t\t%1sub/"}
            << "Info File";
        QTest::newRow("size order without the size column keeps scan order")
            << QStringList{"--order", "3", "--pattern", "b*"} << QStringList{"1\tb\ttxt\t\t\t\t\t%1"}
            << "Produttore";
        QTest::newRow("version and info of plain files are empty")
            << QStringList{"--pattern", "A.doc", "--columns", "version,info", "--info", "description"}
            << QStringList{"\tA\tdoc\t\t\t\t\t%1"} << "Descrizione File";
    }
    void listsTree()
    {
        QFETCH(QStringList, args);
        QFETCH(QStringList, lines);
        QFETCH(QString, infoHeading);
        const Captured c = runList(args << m_dir.path());
        QCOMPARE(c.err, QString());
        QCOMPARE(c.rc, kExitOk);
        QStringList expected{kHeadings.arg(infoHeading)};
        for (const QString& l : lines)
            expected << l.arg(root());
        QCOMPARE(c.out, expected);
    }

    void rejectsBadArguments_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("no folder") << QStringList{};
        QTest::newRow("unknown option") << QStringList{"--frobnicate", "."};
        QTest::newRow("order out of range") << QStringList{"--order", "11", "."};
        QTest::newRow("order not a number") << QStringList{"--order", "x", "."};
        QTest::newRow("order without value") << QStringList{".", "--order"};
        QTest::newRow("unknown column") << QStringList{"--columns", "number,colour", "."};
        QTest::newRow("unknown info") << QStringList{"--info", "vendor", "."};
        QTest::newRow("two folders") << QStringList{".", ".."};
    }
    void rejectsBadArguments()
    {
        QFETCH(QStringList, args);
        const Captured c = runList(args);
        QCOMPARE(c.rc, kExitUsage);
        QVERIFY(c.out.isEmpty());
        QCOMPARE(c.err.count(QLatin1Char('\n')), 1);
        QVERIFY(c.err.startsWith(QStringLiteral("vellora-list: ")));
    }

    void exitCodes()
    {
        Captured c = runList({QStringLiteral("--help")});
        QCOMPARE(c.rc, kExitOk);
        QVERIFY(c.out.join(QLatin1Char('\n')).contains(QStringLiteral("--columns")));

        c = runList({m_dir.filePath(QStringLiteral("missing"))});
        QCOMPARE(c.rc, kExitFolder);
        QVERIFY(c.out.isEmpty());

        c = runList({m_dir.filePath(QStringLiteral("b.txt"))});
        QCOMPARE(c.rc, kExitFolder);

        // Ctrl+C before the first entry: nothing listed, exit 130.
        c = runList({m_dir.path()}, true);
        QCOMPARE(c.rc, kExitInterrupted);
        QVERIFY(c.out.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestList)
#include "test_list.moc"
