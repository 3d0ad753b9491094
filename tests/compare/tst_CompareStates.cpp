// What changed in a folder, against what the test did to it: a tree saved by the real JSON
// lines export, then files added, removed, moved, edited (same size with and without a new
// time), touched, renamed in case only; compared with a second saved listing and with the
// folder as it is now, with checksums and without.

#include "compare/Comparison.h"
#include "compare/LiveFiles.h"
#include "compare/SavedListing.h"
#include "CompareFixtures.h"
#include "PeBuilder.h"

#include <QMap>
#include <QProcess>
#include <QTemporaryDir>

using namespace vellora;
using namespace fixtures;

namespace {

constexpr qint64 kThen = 1600000000;

QByteArray program(quint16 build, const char* company)
{
    vtest::VersionContent v =
        vtest::simpleContent(QLatin1String(company), QStringLiteral("Setup"), QStringLiteral("Suite"));
    v.fixedVersion = std::array<quint16, 4>{1, 2, 3, build};
    return vtest::peWithVersion(vtest::versionBlock(v));
}

// Records which files a comparison asks to hash, and hashes them.
class RecordingHasher : public ContentHasher
{
public:
    bool hash(ListedFiles& files, const std::vector<std::uint32_t>& which) override
    {
        for (const std::uint32_t i : which)
            asked << QString::fromUtf8(files.relative(i).data(), qsizetype(files.relative(i).size()));
        return FolderHasher(nullptr, {}).hash(files, which);
    }
    QStringList asked;
};

} // namespace

class TestCompareStates : public QObject
{
    Q_OBJECT

    QTemporaryDir m_tmp;
    QByteArray m_root;

    QString listing(const char* name) const { return m_tmp.filePath(QLatin1String(name)); }

private Q_SLOTS:
    void initTestCase()
    {
        m_root = QFile::encodeName(m_tmp.path()) + "/albero/";
        const struct
        {
            const char* path;
            QByteArray content;
        } before[] = {{"invariato.txt", "same"},        {"caf\xE9.txt", "bytes"},
                      {"sub/rimosso.txt", "gone"},      {"sub/spostato.dat", "moving"},
                      {"modificato-ora.txt", "abcd"},   {"stessa-ora.txt", "wxyz"},
                      {"toccato.txt", "touch"},         {"Maiuscole.txt", "case"},
                      {"cresciuto.log", "12"},          {"vuoto/a.txt", ""},
                      {"setup.exe", program(4, "Acme")}};
        for (const auto& f : before)
            QVERIFY(put(m_root, f.path, f.content, kThen));
        QVERIFY(saveListing(m_root, listing("prima-sha.jsonl"), true));
        QVERIFY(saveListing(m_root, listing("prima.jsonl"), false));

        const QByteArray& r = m_root;
        QVERIFY(::unlink(r + "sub/rimosso.txt") == 0 && ::unlink(r + "vuoto/a.txt") == 0);
        QVERIFY(put(r, "altro/x", "") && ::unlink(r + "altro/x") == 0);
        QVERIFY(::rename(r + "sub/spostato.dat", r + "altro/spostato.dat") == 0);
        QVERIFY(::rename(r + "Maiuscole.txt", r + "maiuscole.txt") == 0);
        QVERIFY(put(r, "modificato-ora.txt", "abce", kThen + 100));
        QVERIFY(put(r, "stessa-ora.txt", "wxyq", kThen)); // same size, time put back
        QVERIFY(put(r, "toccato.txt", "touch", kThen + 100));
        QVERIFY(put(r, "cresciuto.log", "123", kThen + 100));
        QVERIFY(put(r, "vuoto/b.txt", "", kThen)); // empty like a.txt, but another file
        QVERIFY(put(r, "setup.exe", program(5, "Acmf"), kThen));
        QVERIFY(put(r, "nuovo.txt", "fresh", kThen));
        QVERIFY(saveListing(m_root, listing("dopo-sha.jsonl"), true));
        QVERIFY(saveListing(m_root, listing("dopo.jsonl"), false));
    }

    // A name that is not UTF-8 is beyond QDir's removal.
    void cleanupTestCase() { QProcess::execute(QStringLiteral("rm"), {QStringLiteral("-rf"), m_tmp.path()}); }

    void states_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after"); // a listing, or "" for the folder as it is now
        QTest::addColumn<bool>("hashAll");
        QTest::addColumn<QStringList>("differ"); // rows unlike those of two listings with checksums
        QTest::addColumn<QStringList>("hashed"); // files the comparison had hashed
        const QStringList bySizeAndTime{
            "modificato-ora.txt modificato data", "stessa-ora.txt invariato", "toccato.txt modificato data",
            "cresciuto.log modificato dimensione,data", "setup.exe modificato versione,produttore"};
        QTest::newRow("listings with checksums") << "prima-sha"
                                                 << "dopo-sha" << false << QStringList() << QStringList();
        QTest::newRow("listings without") << "prima"
                                          << "dopo" << false << bySizeAndTime << QStringList();
        QTest::newRow("listing without, listing with")
            << "prima"
            << "dopo-sha" << false << bySizeAndTime << QStringList();
        // Same size: hashed; another size: changed as it is. An added file is hashed only
        // when it has the size of a removed one.
        QTest::newRow("folder, hashed where size and time cannot tell")
            << "prima-sha"
            << "" << false << QStringList{"cresciuto.log modificato dimensione,data"}
            << QStringList{"altro/spostato.dat", "caf\uFFFD.txt",      "invariato.txt",
                           "maiuscole.txt",      "modificato-ora.txt", "setup.exe",
                           "stessa-ora.txt",     "toccato.txt",        "vuoto/b.txt"};
        QTest::newRow("folder, every file hashed")
            << "prima-sha"
            << "" << true << QStringList()
            << QStringList{"altro/spostato.dat", "caf\uFFFD.txt",      "cresciuto.log", "invariato.txt",
                           "maiuscole.txt",      "modificato-ora.txt", "nuovo.txt",     "setup.exe",
                           "stessa-ora.txt",     "toccato.txt",        "vuoto/b.txt"};
        QTest::newRow("folder, without checksums") << "prima"
                                                   << "" << false << bySizeAndTime << QStringList();
    }

    void states()
    {
        QFETCH(QString, before);
        QFETCH(QString, after);
        QFETCH(bool, hashAll);
        QFETCH(QStringList, differ);
        ListedFiles older, newer;
        QVERIFY(readSavedListing(QFile::encodeName(listing(qPrintable(before + ".jsonl"))), older).ok);
        RecordingHasher hasher;
        CompareOptions options;
        options.keepUnchanged = true;
        options.hashAll = hashAll;
        if (after.isEmpty()) {
            QVERIFY(readLiveFiles(rowsOf(m_root), m_root, newer, LiveRead{}));
            options.hasher = &hasher;
        } else {
            QVERIFY(readSavedListing(QFile::encodeName(listing(qPrintable(after + ".jsonl"))), newer).ok);
        }
        const CompareOutcome outcome = compareListings(older, newer, options);
        QVERIFY(outcome.ok);

        QMap<QString, QString> expected;
        for (const char* row : {"altro/spostato.dat spostato", "caf\xEF\xBF\xBD.txt invariato",
                                "cresciuto.log modificato dimensione,data,sha256", "invariato.txt invariato",
                                "maiuscole.txt spostato", "modificato-ora.txt modificato data,sha256",
                                "nuovo.txt aggiunto", "setup.exe modificato sha256,versione,produttore",
                                "stessa-ora.txt modificato sha256", "sub/rimosso.txt rimosso",
                                "toccato.txt invariato", "vuoto/a.txt rimosso", "vuoto/b.txt aggiunto"})
            expected[QString::fromUtf8(row).section(u' ', 0, 0)] = QString::fromUtf8(row);
        for (const QString& row : differ)
            expected[row.section(u' ', 0, 0)] = row;
        QStringList got;
        std::array<qsizetype, kFileStateCount> counted{};
        for (const ComparedFile& f : outcome.files) {
            const std::string_view path = comparedPath(f, older, newer);
            const QString fields = changedFieldWords(f.changed).join(u',');
            got << (QString::fromUtf8(path.data(), qsizetype(path.size())) + u' ' + fileStateWord(f.state) +
                    (fields.isEmpty() ? QString() : u' ' + fields));
            ++counted[std::size_t(f.state)];
        }
        QCOMPARE(got, QStringList(expected.values()));
        QCOMPARE(outcome.counts, counted);
        QVERIFY(outcome.differs());
        hasher.asked.sort();
        QTEST(hasher.asked, "hashed");
    }

    // A time the listing cannot write (past the year 9999) is unknown on both sides, and the
    // file is not changed.
    void timesBeyondListing()
    {
        test::MemoryFacts facts(false);
        test::MemoryRows rows;
        rows.factSource = &facts;
        rows.add(QStringLiteral("lontano"), QStringLiteral("txt"), QStringLiteral("/srv/"));
        facts.fake(rows.rowPath(1), 7, qint64(1) << 40, VersionData{});
        ListedFiles saved, now;
        QVERIFY(saveListing(rows, "/srv/", listing("lontano.jsonl"), false));
        QVERIFY(readSavedListing(QFile::encodeName(listing("lontano.jsonl")), saved).ok);
        QVERIFY(readLiveFiles(rows, "/srv/", now, LiveRead{}));
        QCOMPARE(compareListings(saved, now).count(FileState::Unchanged), 1);
    }

    // A listing compared with itself, or with one of a copy elsewhere: nothing differs.
    void copies()
    {
        const QByteArray copy = QFile::encodeName(m_tmp.path()) + "/copia/";
        const test::MemoryRows rows = rowsOf(m_root);
        for (qsizetype r = 1; r <= rows.rowCount(); ++r) {
            const QByteArray path = rows.rowPath(r);
            struct stat st;
            QVERIFY(::stat(path.constData(), &st) == 0);
            QVERIFY(put(copy, path.mid(m_root.size()), contentOf(path), st.st_mtime));
        }
        ListedFiles saved, here, there;
        QVERIFY(readSavedListing(QFile::encodeName(listing("dopo-sha.jsonl")), saved).ok);
        QCOMPARE(saved.root, m_root);
        QVERIFY(readLiveFiles(rowsOf(m_root), m_root, here, LiveRead{}));
        QVERIFY(readLiveFiles(rowsOf(copy), copy, there, LiveRead{}));
        for (ListedFiles* other : {&here, &there}) {
            const CompareOutcome outcome = compareListings(saved, *other);
            QVERIFY(outcome.ok && !outcome.differs());
            QCOMPARE(outcome.count(FileState::Unchanged), saved.count());
            QVERIFY(outcome.files.empty());
        }
    }
};

QTEST_GUILESS_MAIN(TestCompareStates)
#include "tst_CompareStates.moc"
