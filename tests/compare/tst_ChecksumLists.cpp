// Lists of checksums and saved listings read back: sha256sum's own files read as sha256sum -c
// reads them, ours accepted by sha256sum -c, a check that fails the files sha256sum -c fails,
// on names with blanks, backslashes, line breaks and bytes that are not UTF-8; and saved
// listings old and new, with the errors of lines that are no records.

#include "compare/LiveFiles.h"
#include "compare/Manifest.h"
#include "compare/SavedListing.h"
#include "compare/Verification.h"
#include "CompareFixtures.h"

#include <QCryptographicHash>
#include <QProcess>
#include <QTemporaryDir>

using namespace vellora;
using namespace fixtures;

namespace {

const QByteArray kHex = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";

// Files, then a symbolic link to the first, which sha256sum reads as that file.
const QByteArrayList kNames{"con spazi.txt", "back\\slash", "riga\nnuova", "cr\rx",         " inizio",
                            "*stella",       "caf\xE9",     "a capo\r",    "sub/dir/f.txt", "collegamento"};

// The tree of kNames at root; "path digest" of each, the digests by Qt.
QByteArrayList makeTree(const QByteArray& root)
{
    QByteArrayList expected;
    for (const QByteArray& name : kNames) {
        const QByteArray content = "contenuto di " + (name == kNames.back() ? kNames.front() : name);
        if (name == kNames.back() ? ::symlink(kNames.front().constData(), root + name) != 0
                                  : !put(root, name, content))
            return {};
        expected << name + ' ' + QCryptographicHash::hash(content, QCryptographicHash::Sha256).toHex();
    }
    return expected;
}

QByteArrayList described(const std::vector<ChecksumEntry>& entries)
{
    QByteArrayList out;
    for (const ChecksumEntry& e : entries)
        out << e.path + ' ' + sha256Hex(e.sha256);
    return out;
}

// Runs sha256sum in folder with args and then the names, handed over as bytes (QProcess
// would write a name that is not UTF-8 as "?"); its standard output.
QByteArray sha256sum(const QString& folder, const QStringList& args, const QByteArrayList& names = {},
                     int* exitCode = nullptr)
{
    QProcess p;
    p.setWorkingDirectory(folder);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"),
               QStringLiteral("C.UTF-8")); // its words in English, whatever the test's locale
    p.setProcessEnvironment(env);
    p.start(QStringLiteral("xargs"), QStringList{"-0", "sha256sum"} + args);
    p.write(names.join('\0'));
    p.closeWriteChannel();
    p.waitForFinished(-1);
    if (exitCode)
        *exitCode = p.exitCode();
    return p.readAllStandardOutput();
}

} // namespace

class TestChecksumLists : public QObject
{
    Q_OBJECT

    QTemporaryDir m_tmp;
    QByteArray m_root;
    QByteArrayList m_expected; // "path digest" of every name, digests by Qt

private Q_SLOTS:
    void initTestCase()
    {
        m_root = QFile::encodeName(m_tmp.path()) + "/albero/";
        m_expected = makeTree(m_root);
        QCOMPARE(m_expected.size(), kNames.size());
    }
    void cleanupTestCase() { QProcess::execute(QStringLiteral("rm"), {QStringLiteral("-rf"), m_tmp.path()}); }

    // Lines as sha256sum -c of coreutils 9.1 takes them (each row tried with it by hand).
    void parseLines_data()
    {
        QTest::addColumn<QByteArrayList>("lines");
        QTest::addColumn<QByteArrayList>("paths"); // "-": passed over, "!": no checksum line
        const QByteArray h = kHex;
        QTest::newRow("text and binary mode")
            << QByteArrayList{h + "  a b", h + " *c"} << QByteArrayList{"a b", "c"};
        QTest::newRow("blanks before, CR LF after")
            << QByteArrayList{"  " + h + "  a\r"} << QByteArrayList{"a"};
        QTest::newRow("escaped") << QByteArrayList{"\\" + h + "  a\\\\b\\nc\\rd", "\\" + h + "  a\\qb"}
                                 << QByteArrayList{"a\\b\nc\rd", "!"};
        QTest::newRow("tagged") << QByteArrayList{"SHA256 (a (1)) = " + h, "SHA256(b)=" + h,
                                                  "\\SHA256 (c\\\\d) = " + h, "SHA256 (e) = " + h + " "}
                                << QByteArrayList{"a (1)", "b", "c\\d", "!"};
        QTest::newRow("comments and blank lines")
            << QByteArrayList{"#" + h + "  a", "", "   ", "  #x"} << QByteArrayList{"-", "-", "!", "!"};
        QTest::newRow("reversed order (BSD)")
            << QByteArrayList{h + " a", h + "\tb", h + "  c"} << QByteArrayList{"a", "b", "!"};
        QTest::newRow("standard, then reversed")
            << QByteArrayList{h + "  a", h + " b"} << QByteArrayList{"a", "!"};
        QTest::newRow("names of blanks and stars")
            << QByteArrayList{h + "  ", h + " *", h + "  a "} << QByteArrayList{" ", "*", "!"};
        QTest::newRow("digests") << QByteArrayList{h.toUpper() + "  a", h.left(63) + "  b", h + "0  c"}
                                 << QByteArrayList{"a", "!", "!"};
    }
    void parseLines()
    {
        QFETCH(QByteArrayList, lines);
        ManifestParser parser;
        QByteArrayList got;
        for (const QByteArray& line : lines) {
            ChecksumEntry entry;
            switch (parser.parse(std::string_view(line.constData(), std::size_t(line.size())), entry)) {
            case ManifestParser::Line::Checksum:
                got << (sha256Hex(entry.sha256) == kHex ? entry.path : "wrong digest");
                break;
            case ManifestParser::Line::Ignored:
                got << "-";
                break;
            case ManifestParser::Line::Bad:
                got << "!";
            }
        }
        QTEST(got, "paths");
    }

    // sha256sum's files, in each of its forms, read as the names and digests they hold.
    void sha256sumFiles_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::newRow("text") << QStringList();
        QTest::newRow("binary") << QStringList{"-b"};
        QTest::newRow("tagged") << QStringList{"--tag"};
    }
    void sha256sumFiles()
    {
        QFETCH(QStringList, options);
        const QString list = m_tmp.filePath(QStringLiteral("somme.txt"));
        QFile out(list);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(sha256sum(QFile::decodeName(m_root), options << QStringLiteral("--"), kNames));
        out.close();
        ChecksumList read;
        QVERIFY(readChecksumList(QFile::encodeName(list), read).ok);
        QCOMPARE(described(read.entries), m_expected);
        QCOMPARE(read.badLines, 0);
    }

    // Our lines, as sha256sum -c takes them; then the files changed, gone, replaced by a
    // folder, and a new one: the check fails the files sha256sum -c fails.
    void writtenAndChecked()
    {
        const QByteArray root = QFile::encodeName(m_tmp.path()) + "/copia/";
        QByteArray manifest;
        QCOMPARE(makeTree(root), m_expected);
        for (const QByteArray& name : kNames) {
            Sha256 digest;
            QVERIFY(parseSha256(m_expected[kNames.indexOf(name)].mid(name.size() + 1).toStdString(), digest));
            manifest += manifestLine(digest, std::string_view(name.constData(), std::size_t(name.size())));
        }
        QVERIFY(put(root, "SHA256SUMS", manifest));
        int exitCode = -1;
        const QByteArray accepted =
            sha256sum(QFile::decodeName(root), {"--strict", "-c", "SHA256SUMS"}, {}, &exitCode);
        QCOMPARE(exitCode, 0);
        QCOMPARE(accepted.count(": OK\n"), kNames.size());
        ChecksumList list;
        QVERIFY(readChecksumList(root + "SHA256SUMS", list).ok);
        QCOMPARE(described(list.entries), m_expected);

        QVERIFY(put(root, "back\\slash", "altro contenuto") && ::unlink(root + "riga\nnuova") == 0);
        QVERIFY(::unlink(root + " inizio") == 0 && ::mkdir(root + " inizio", 0755) == 0);
        QVERIFY(put(root, "sub/nuovo.txt", "nuovo"));
        QStringList theirs;
        for (const QByteArray& line : sha256sum(QFile::decodeName(root), {"-c", "SHA256SUMS"}).split('\n'))
            if (!line.isEmpty())
                theirs << QString::fromUtf8(line.mid(line.lastIndexOf(": ") + 2));
        ListedFiles present;
        LiveRead paths;
        paths.facts = 0;
        QVERIFY(readLiveFiles(rowsOf(root), root, present, paths));
        VerifyOptions options;
        options.folder = root;
        options.present = &present;
        const VerifyOutcome outcome = verifyChecksums(list, options);
        QVERIFY(outcome.ok && !outcome.allOk());
        QStringList ours, states;
        for (const CheckedFile& f : outcome.files) {
            states << checkStateWord(f.state);
            if (f.state != CheckState::New)
                ours << (f.state == CheckState::Ok          ? "OK"
                         : f.state == CheckState::Different ? "FAILED"
                                                            : "FAILED open or read");
        }
        QCOMPARE(ours, theirs);
        QCOMPARE(states, (QStringList{"ok", "diverso", "mancante", "ok", "illeggibile", "ok", "ok", "ok",
                                      "ok", "ok", "nuovo", "nuovo"}));
        QCOMPARE(outcome.files.back().path, QByteArray("sub/nuovo.txt"));
    }

    // Saved listings: the paths inside the listed folder, of this version and of older ones,
    // and the lines that are no records, named.
    void listings_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QByteArrayList>("read"); // the folder, then the paths; or the error
        const QByteArray raw = QByteArray("/r/caf\xE9/x\xFF.txt").toBase64();
        QTest::newRow("names not UTF-8")
            << "{\"path\":\"/r/caf\xEF\xBF\xBD/x\xEF\xBF\xBD.txt\",\"path_bytes\":\"" + raw +
                   "\",\"relative\":\"caf\xEF\xBF\xBD/x\xEF\xBF\xBD.txt\"}\n"
            << QByteArrayList{"/r/", "caf\xE9/x\xFF.txt"};
        QTest::newRow("older listing: the folder the files share")
            << QByteArray("{\"path\":\"/s/a/b/x\"}\n\r\n{\"path\":\"/s/a/bc/y\"}\r\n{\"path\":\"/s/a/z\"}")
            << QByteArrayList{"/s/a/", "b/x", "bc/y", "z"};
        QTest::newRow("older listing of one file")
            << QByteArray("{\"path\":\"/s/a/x\",\"size\":null}\n") << QByteArrayList{"/s/a/", "x"};
        const QByteArray ok = "{\"path\":\"/s/x\",\"relative\":\"x\"}\n";
        const auto error = [](const char* cause) {
            return QByteArrayList{QByteArray("Impossibile leggere l'elenco %1: riga 2, ") + cause + '.'};
        };
        QTest::newRow("a bad time") << ok + "{\"path\":\"/s/y\",\"modified\":\"2004-13-01T00:00:00Z\"}"
                                    << error("data non valida");
        QTest::newRow("no JSON") << ok + "{\"path\":" << error("non è un oggetto JSON di un elenco");
        QTest::newRow("two objects") << ok + ok.chopped(1) + ok
                                     << error("non è un oggetto JSON di un elenco");
        QTest::newRow("no path") << ok + "{\"size\":1}" << error("manca il percorso del file");
        QTest::newRow("a size as text")
            << ok + "{\"path\":\"/s/y\",\"size\":\"1\"}" << error("dimensione non valida");
        QTest::newRow("a bad checksum")
            << ok + "{\"path\":\"/s/y\",\"sha256\":\"abc\"}" << error("checksum non valido");
        QTest::newRow("a path outside")
            << ok + "{\"path\":\"/s/y\",\"relative\":\"/y\"}" << error("percorso relativo non valido");
    }
    void listings()
    {
        QFETCH(QByteArray, content);
        const QByteArray file = QFile::encodeName(m_tmp.filePath(QStringLiteral("elenco.jsonl")));
        QVERIFY(put(file, "", content));
        ListedFiles files;
        const ReadOutcome outcome = readSavedListing(file, files);
        QByteArrayList got{outcome.ok ? files.root : outcome.error.toUtf8()};
        for (qsizetype i = 0; i < files.count() && outcome.ok; ++i)
            got << QByteArray(files.relative(i).data(), qsizetype(files.relative(i).size()));
        QFETCH(QByteArrayList, read);
        for (QByteArray& line : read)
            line.replace("%1", file);
        QCOMPARE(got, read);
    }

    void unreadable_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("cause");
        QTest::newRow("gone") << "manca.jsonl"
                              << "file o cartella inesistente";
        QTest::newRow("a folder") << ""
                                  << "è una cartella";
    }
    void unreadable()
    {
        QFETCH(QString, path);
        const QString file = m_tmp.filePath(path);
        ListedFiles files;
        ChecksumList list;
        QFETCH(QString, cause);
        const QString expected =
            QStringLiteral("Impossibile leggere %1 ") + file + QStringLiteral(": ") + cause + u'.';
        QCOMPARE(readSavedListing(QFile::encodeName(file), files).error, expected.arg("l'elenco"));
        QCOMPARE(readChecksumList(QFile::encodeName(file), list).error, expected.arg("la lista"));
    }

    void isoTimes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("secs"); // 1 for none
        QTest::newRow("Rome, summer") << "2004-05-12T14:30:00+02:00" << qint64(1084365000);
        QTest::newRow("west, half hours, a fraction") << "2004-05-12T14:30:00.25-05:30" << qint64(1084392000);
        QTest::newRow("UTC, 1880") << "1880-06-07T12:00:00Z" << qint64(-2826446400);
        QTest::newRow("the first second") << "0001-01-01T00:00:00Z" << qint64(-62135596800);
        QTest::newRow("no offset") << "2004-05-12T14:30:00" << qint64(1);
        QTest::newRow("a blank for T") << "2004-05-12 14:30:00Z" << qint64(1);
        QTest::newRow("hour 24") << "2004-05-12T24:00:00Z" << qint64(1);
    }
    void isoTimes()
    {
        QFETCH(QString, text);
        const std::optional<std::int64_t> secs = parseIsoTime(text.toStdString());
        QTEST(qint64(secs.value_or(1)), "secs");
    }
};

QTEST_GUILESS_MAIN(TestChecksumLists)
#include "tst_ChecksumLists.moc"
