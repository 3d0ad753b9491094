// vellora-list --compare and --verify in the test's own process: the table and its exit codes,
// the default folder compared with, a comparison exported, files checked against a list. The
// states themselves are the engine's tests; tests/cli/compare_proofs.py checks them against an
// independent reading through the program, with sha256sum beside it.

#include "ListTestSupport.h"
#include "results/Formats.h"

#include <QTemporaryDir>
#include <QTest>

using namespace vellora;
using namespace vellora::testing;

namespace {

constexpr qint64 kThen = 1273047600;  // 2010-05-05
constexpr qint64 kLater = 1304583600; // 2011-05-05

void writeFile(const QString& path, const QByteArray& bytes, qint64 mtime)
{
    makeFile(path, 0);
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    f.close();
    timeval tv[2] = {{time_t(mtime), 0}, {time_t(mtime), 0}};
    QVERIFY(::utimes(QFile::encodeName(path).constData(), tv) == 0);
}

// The table's rows by path: state, then the cells after the path.
QMap<QString, QStringList> rowsByPath(const Captured& c)
{
    QMap<QString, QStringList> rows;
    for (const QString& line : c.out.mid(1)) {
        QStringList cells = line.split(QLatin1Char('\t'));
        const QString path = cells.takeAt(1);
        rows.insert(path, cells);
    }
    return rows;
}

} // namespace

class TestListCompare : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_tree;
    QString m_listing;

private Q_SLOTS:
    void initTestCase()
    {
        m_tree = m_dir.filePath(QStringLiteral("albero"));
        m_listing = m_dir.filePath(QStringLiteral("prima.jsonl"));
        writeFile(m_tree + "/same.txt", "uguale", kThen);
        writeFile(m_tree + "/edit.txt", "aaaa", kThen);
        writeFile(m_tree + "/grow.txt", "12", kThen);
        writeFile(m_tree + "/gone.txt", "via", kThen);
        writeFile(m_tree + "/move.bin", "in viaggio", kThen);
        const Captured saved = runList(
            {"--subfolders", "--export", "json", "--checksum", "sha256", "--output", m_listing, m_tree});
        QCOMPARE(saved.rc, kExitOk);

        writeFile(m_tree + "/edit.txt", "bbbb", kThen); // same size and time, new content
        writeFile(m_tree + "/grow.txt", "123", kLater);
        QVERIFY(QFile::remove(m_tree + "/gone.txt"));
        QVERIFY(QDir(m_tree).mkpath("sub"));
        QVERIFY(QFile::rename(m_tree + "/move.bin", m_tree + "/sub/move.bin"));
        writeFile(m_tree + "/new.txt", "nuovo", kLater);
    }

    // The folder the listing was made from is compared by default; the table has a row per
    // file that differs (every file with --all), the sizes and dates as the table shows them.
    void comparesWithFolder()
    {
        Captured c = runList({"--compare", m_listing, "--subfolders"});
        QCOMPARE(c.rc, kExitDiffers);
        QCOMPARE(c.err, QString());
        QCOMPARE(c.out.value(0).split(u'\t').mid(0, 4),
                 (QStringList{"Stato", "Percorso", "Dimensione prima", "Dimensione dopo"}));
        QMap<QString, QStringList> rows = rowsByPath(c);
        QCOMPARE(rows.keys(), (QStringList{"edit.txt", "gone.txt", "grow.txt", "new.txt", "sub/move.bin"}));
        QCOMPARE(rows["edit.txt"].value(0), "modificato");
        QCOMPARE(rows["edit.txt"].value(9), "sha256");
        QCOMPARE(rows["gone.txt"].mid(0, 5), (QStringList{"rimosso", "3", "", formatDateTable(kThen), ""}));
        QCOMPARE(rows["grow.txt"].mid(0, 5),
                 (QStringList{"modificato", "2", "3", formatDateTable(kThen), formatDateTable(kLater)}));
        QCOMPARE(rows["grow.txt"].value(9), "dimensione, data");
        QCOMPARE(rows["new.txt"].value(0), "aggiunto");
        QCOMPARE(rows["sub/move.bin"].value(0), "spostato");
        QCOMPARE(rows["sub/move.bin"].value(10), "move.bin");

        c = runList({"--compare", m_listing, "--subfolders", "--all", m_tree});
        QCOMPARE(c.rc, kExitDiffers);
        QCOMPARE(rowsByPath(c).value("same.txt").value(0), "invariato");

        // The pattern and the filters hold for the saved listing too: what they leave out of
        // the folder is not told as removed.
        c = runList({"--compare", m_listing, "--pattern", "*.txt", "--exclude", "gone.txt"});
        QCOMPARE(rowsByPath(c).keys(), (QStringList{"edit.txt", "grow.txt", "new.txt"}));

        // A listing against itself: no difference, the heading alone.
        c = runList({"--compare", m_listing, m_listing});
        QCOMPARE(c.rc, kExitOk);
        QCOMPARE(c.out.size(), 1);
    }

    // Every format writes the state and the changes first; trouble is exit 2 and one line.
    void exportsAndTrouble()
    {
        const QString csv = m_dir.filePath("confronto.csv");
        Captured c = runList({"--compare", m_listing, "--subfolders", "--export", "csv", "--csv-separator",
                              ",", "--output", csv});
        QCOMPARE(c.rc, kExitDiffers);
        const QByteArray heading = fileBytes(csv).split('\n').value(0).trimmed();
        QVERIFY(heading.startsWith("\xef\xbb\xbfStato,Modifiche,Nome File,"));
        QVERIFY(heading.endsWith(",Directory,Percorso precedente"));
        QVERIFY(fileBytes(csv).contains("spostato,,move,bin,"));

        c = runList({"--compare", m_dir.filePath("manca.jsonl"), m_tree});
        QCOMPARE(c.rc, kExitTrouble);
        QCOMPARE(c.err.count(u'\n'), 1);
        QVERIFY2(c.err.contains("manca.jsonl"), qPrintable(c.err));
        c = runList({"--compare", m_listing, m_dir.filePath("manca")});
        QCOMPARE(c.rc, kExitTrouble);
        QCOMPARE(c.err.count(u'\n'), 1);
    }

    // A list kept in the folder it checks is not a new file of it; a changed, a removed and a
    // new file are told, the summary counts them.
    void verifiesList()
    {
        QTemporaryDir dir;
        writeFile(dir.filePath("uno.txt"), "1", kThen);
        writeFile(dir.filePath("sotto/due.txt"), "22", kThen);
        writeFile(dir.filePath("tre.txt"), "333", kThen);
        const QString list = dir.filePath("SHA256SUMS");
        QCOMPARE(runList({"--subfolders", "--export", "sha256", "--output", list, dir.path()}).rc, kExitOk);
        Captured c = runList({"--verify", list, dir.path()});
        QCOMPARE(c.rc, kExitOk);
        QCOMPARE(c.out, (QStringList{"sotto/due.txt: ok", "tre.txt: ok", "uno.txt: ok"}));

        writeFile(dir.filePath("uno.txt"), "9", kThen);
        QVERIFY(QFile::remove(dir.filePath("tre.txt")));
        writeFile(dir.filePath("quattro.txt"), "4", kThen);
        c = runList({"--verify", list, dir.path()});
        QCOMPARE(c.rc, kExitDiffers);
        QCOMPARE(c.out, (QStringList{"sotto/due.txt: ok", "tre.txt: mancante", "uno.txt: diverso",
                                     "quattro.txt: nuovo"}));
        QCOMPARE(c.err, "vellora-list: 4 file controllati: 1 ok, 1 diverso, 1 mancante, 1 nuovo\n");

        // In a format: the state first, the file as it is now (a missing one without size).
        c = runList({"--verify", list, dir.path(), "--export", "csv", "--csv-separator", ",", "--columns",
                     "size", "--output", "-"});
        QCOMPARE(c.rc, kExitDiffers);
        QCOMPARE(c.out.value(2).trimmed(), "mancante,,tre,txt,," + dir.path() + "/,");
        QCOMPARE(c.out.value(3).trimmed(), "diverso,,uno,txt,1," + dir.path() + "/,");

        c = runList({"--verify", dir.filePath("manca")});
        QCOMPARE(c.rc, kExitTrouble);
        QCOMPARE(c.err.count(u'\n'), 1);
    }
};

QTEST_GUILESS_MAIN(TestListCompare)
#include "test_list_compare.moc"
