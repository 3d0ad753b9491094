// vellora-list where it meets the world: working folders past the path limit or removed, start
// folders past it, outputs that are FIFOs, devices or links, unreadable files, the pictures of an
// earlier run, and the program itself: arguments that are not UTF-8, readers that go away, cron's
// environment, Ctrl+C while a FIFO waits for its reader.

#include "fileinfo/FolderPaths.h"
#include "ListTestSupport.h"
#include "MemoryFacts.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace vellora;
using namespace vellora::testing;

class TestListOutside : public QObject
{
    Q_OBJECT

    QTemporaryDir m_tree; // README of 70 bytes, a folder named in Latin-1 ("caffè")
    QTemporaryDir m_out;
    QString tree() const { return m_tree.path(); }

private Q_SLOTS:
    void initTestCase()
    {
        makeFile(m_tree.filePath(QStringLiteral("README")), 70);
        const QByteArray latin1 = QFile::encodeName(tree()) + "/caff\xe8";
        QCOMPARE(::mkdir(latin1.constData(), 0755), 0);
        QCOMPARE(::close(::open((latin1 + "/uno.txt").constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644)), 0);
    }

    void cleanupTestCase()
    {
        const QByteArray latin1 = QFile::encodeName(tree()) + "/caff\xe8";
        QCOMPARE(::unlink((latin1 + "/uno.txt").constData()), 0);
        QCOMPARE(::rmdir(latin1.constData()), 0);
    }

    // A relative folder is named from the working folder, however deep, and a removed working
    // folder is refused, never read as "/"; a start folder past the path limit is listed.
    void workingFolders()
    {
        const DeepTree deep(41, 1273047600);
        const QByteArray deepest = deepFolder(deep.path(), 40); // 8,000 bytes: f40.txt
        Captured c = runList({"--columns", "size", fileinfo::pathText(deepest)});
        QCOMPARE(c.err, QString());
        QCOMPARE(c.out.value(1).split(u'\t').mid(1, 3), (QStringList{"f40", "txt", "41"}));
        const QString output = fileinfo::pathText(deepest + "/new/Lista.txt"); // written there too
        c = runList({"--export", "tsv", "--output", output, tree()});
        QCOMPARE(c.err, "Esportazione per Excel terminata: vedi file " + output + '\n');
        {
            WorkingFolder there;
            QVERIFY(there.enter(deepest));
            c = runList({"--export", "text", "--output", "-", "."});
            QCOMPARE(c.err, QString());
            QCOMPARE(QString::fromUtf8(c.bytes).split(QStringLiteral("\r\n")).value(1),
                     "Esporta: " + QString::fromUtf8(deepest) + "/*.*");
        }
        const QString gone = m_out.filePath(QStringLiteral("gone"));
        WorkingFolder removed;
        QVERIFY(QDir().mkpath(gone) && removed.enter(QFile::encodeName(gone)) && QDir().rmdir(gone));
        for (const QStringList& args :
             {QStringList{"."}, QStringList{"--export", "text", "--output", "-", "."}}) {
            c = runList(args);
            QCOMPARE(c.rc, kExitFolder);
            QVERIFY(c.bytes.isEmpty());
            QCOMPARE(c.err, QStringLiteral(
                                "vellora-list: impossibile leggere la cartella .: la cartella di lavoro non "
                                "esiste più\n"));
        }
    }

    // An existing target that is not a regular file is written into, never replaced.
    void outputTargets()
    {
        QTemporaryDir dir;
        const QString fifo = dir.filePath(QStringLiteral("pipe"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        // A named pipe, and an unnamed one as /dev/fd/N (a link only the kernel can follow, what
        // a shell's >(...) gives). Our end is open first: the writes land in the buffer at once.
        int unnamed[2];
        QCOMPARE(::pipe2(unnamed, O_CLOEXEC | O_NONBLOCK), 0);
        const int reader = ::open(QFile::encodeName(fifo).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        QVERIFY(reader >= 0);
        Captured c;
        for (const auto& [target, from] :
             {std::pair{fifo, reader}, std::pair{QStringLiteral("/dev/fd/%1").arg(unnamed[1]), unnamed[0]}}) {
            c = runList({"--export", "tsv", "--pattern", "README", "--output", target, tree()});
            char buf[256];
            const ssize_t got = ::read(from, buf, sizeof buf);
            QCOMPARE(c.rc, kExitOk);
            QCOMPARE(QByteArray(buf, got > 0 ? qsizetype(got) : 0), QByteArray("README.\t70\r\n"));
        }
        for (const int fd : {reader, unnamed[0], unnamed[1]})
            ::close(fd);
        struct stat st;
        QVERIFY(::stat(QFile::encodeName(fifo).constData(), &st) == 0 && S_ISFIFO(st.st_mode));
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot),
                 QStringList{"pipe"});

        c = runList({"--export", "text", "--output", "/dev/null", tree()});
        QCOMPARE(c.rc, kExitOk);
        QVERIFY(QFileInfo(QStringLiteral("/dev/null")).exists());

        // Every write fails there, those of a PDF too (whose writer does not look at them).
        for (const QStringList& action : {QStringList{"--export", "text"}, QStringList{"--print", "PDF"}}) {
            c = runList(action + QStringList{"--output", "/dev/full", tree()});
            QCOMPARE(c.rc, kExitOutput);
            QCOMPARE(c.err, QStringLiteral(
                                "vellora-list: Impossibile scrivere il file /dev/full: spazio esaurito sul "
                                "disco\n"));
        }
        // The standard output on a full disk: its cause too, for a few bytes as for many.
        for (const char* kind : {"text", "csv", "xlsx"}) {
            c = runList({"--export", kind, "--output", "-", tree()}, false, nullptr,
                        std::fopen("/dev/full", "w"));
            QCOMPARE(c.rc, kExitOutput);
            QCOMPARE(c.err,
                     QStringLiteral("vellora-list: scrittura sull'output standard non riuscita: spazio "
                                    "esaurito sul disco\n"));
        }

        c = runList({"--export", "text", "--output", dir.path(), tree()});
        QCOMPARE(c.rc, kExitOutput);
        QVERIFY2(c.err.contains(dir.path()) && c.err.count(QLatin1Char('\n')) == 1, qPrintable(c.err));
        QVERIFY(QFileInfo(dir.path()).isDir());

        const QString blocked = tree() + QStringLiteral("/README/out.txt"); // below a file
        c = runList({"--export", "text", "--output", blocked, tree()});
        QCOMPARE(c.rc, kExitOutput);
        QVERIFY(c.bytes.isEmpty());
        QVERIFY2(c.err.startsWith(QStringLiteral("vellora-list: ")) && c.err.count(QLatin1Char('\n')) == 1,
                 qPrintable(c.err));
        QCOMPARE(fileBytes(tree() + QStringLiteral("/README")).size(), 70);
    }

    // A link under the output's name: one's own is written through and stays a link; a link to
    // nothing, or one that another user may have planted in a shared folder, is refused.
    void outputLinks_data()
    {
        QTest::addColumn<bool>("shared");    // the link's folder: sticky and world-writable
        QTest::addColumn<bool>("foreign");   // the link belongs to another user
        QTest::addColumn<bool>("toNothing"); // it names no file
        QTest::addColumn<QString>("refusal");
        const QString planted =
            QStringLiteral("è un collegamento di un altro utente in una cartella condivisa");
        QTest::newRow("own link") << false << false << false << QString();
        QTest::newRow("own link, shared folder") << true << false << false << QString();
        QTest::newRow("link to nothing")
            << false << false << true << "il collegamento non porta a nessun file";
        QTest::newRow("another user's link, shared folder") << true << true << false << planted;
        QTest::newRow("another user's link, own folder") << false << true << false << QString();
    }
    void outputLinks()
    {
        QFETCH(bool, shared);
        QFETCH(bool, foreign);
        QFETCH(bool, toNothing);
        QFETCH(QString, refusal);
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("out"));
        QVERIFY(QDir().mkdir(folder) &&
                ::chmod(QFile::encodeName(folder).constData(), shared ? 01777 : 0755) == 0);
        const QString victim = dir.filePath(QStringLiteral("victim.txt"));
        makeFile(victim, 3);
        const QString link = folder + QStringLiteral("/Lista.txt");
        QVERIFY(QFile::link(toNothing ? dir.filePath(QStringLiteral("none.txt")) : victim, link));
        if (foreign && ::lchown(QFile::encodeName(link).constData(), 65534, 65534) != 0)
            QSKIP("only root can give a link to another user");

        const Captured c = runList({"--export", "tsv", "--pattern", "README", "--output", link, tree()});
        QCOMPARE(c.err, refusal.isEmpty()
                            ? "Esportazione per Excel terminata: vedi file " + link + '\n'
                            : "vellora-list: Impossibile scrivere il file " + link + ": " + refusal + '\n');
        QCOMPARE(fileBytes(victim), QByteArray(refusal.isEmpty() ? "README.\t70\r\n" : "xxx"));
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(
            QDir(folder).entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot),
            QStringList{"Lista.txt"});
        QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("none.txt"))));
    }

    // The plain listing ends with the exports' note on files that could not be read again.
    void notesUnreadableFiles()
    {
        const test::MemoryFacts nothingReadable(false);
        Captured c = runList({"--columns", "date", tree()}, false, &nothingReadable);
        QCOMPARE(c.rc, kExitOk);
        QCOMPARE(c.out.size(), 2);
        QCOMPARE(c.err, "vellora-list: 1 file non si è potuto leggere: i suoi campi sono vuoti.\n");
        c = runList({tree()}, false, &nothingReadable); // nothing to read again
        QCOMPARE(c.err, QString());
    }

    // The pictures of a one-page report replace those of a longer earlier run; files of other
    // names, and links, stay.
    void previewPagesReplaceOlder()
    {
        QTemporaryDir pages;
        const QStringList kept{"notes.txt", "page-0004.png", "page-12.png"};
        for (const QString& name :
             QStringList{"page-0001.png", "page-0002.png", "page-0003.png", "notes.txt", "page-12.png"})
            makeFile(pages.filePath(name), 3);
        QVERIFY(QFile::link(pages.filePath(QStringLiteral("notes.txt")), pages.filePath(kept[1])));
        const Captured c = runList({"--preview-pages", "1-3", "--output", pages.path(), tree()});
        QCOMPARE(c.rc, kExitOk);
        QCOMPARE(QDir(pages.path()).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot),
                 (QStringList{"notes.txt", "page-0001.png", "page-0004.png", "page-12.png"}));
        QVERIFY(fileBytes(pages.filePath(QStringLiteral("page-0001.png"))).startsWith("\x89PNG"));
    }

    // The program as a shell runs it ($L, the tree $T, a folder $O): exit code, standard
    // error and, where a name is not UTF-8, the file it wrote.
    void program_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<bool>("readerGone"); // the standard output is a pipe nobody reads
        QTest::addColumn<int>("rc");
        QTest::addColumn<QString>("err");
        QTest::addColumn<QByteArray>("written"); // in $O
        const QString gone = QStringLiteral(
            "vellora-list: scrittura sull'output standard non riuscita: canale chiuso da chi legge\n");
        QTest::newRow("export, reader gone")
            << R"sh(exec "$L" --export text --output - "$T")sh" << true << 1 << gone << QByteArray();
        QTest::newRow("listing, reader gone") << R"sh(exec "$L" "$T")sh" << true << 1 << gone << QByteArray();
        QTest::newRow("print without XDG_RUNTIME_DIR")
            << R"sh(unset XDG_RUNTIME_DIR; exec "$L" --print PDF --output "$O/r.pdf" "$T")sh" << false << 0
            << "Stampa terminata: vedi file $O/r.pdf\n"
            << QByteArray("r.pdf");
        QTest::newRow("names that are not UTF-8")
            << R"sh(exec "$L" --export json --output "$O/x$(printf '\351').json" "$T/caff$(printf '\350')")sh"
            << false << 0 << "Esportazione in formato JSON lines terminata: vedi file $O/x\uFFFD.json\n"
            << QByteArray("x\xe9.json");
    }
    void program()
    {
        QFETCH(QString, script);
        QFETCH(bool, readerGone);
        QFETCH(int, rc);
        QFETCH(QString, err);
        QFETCH(QByteArray, written);
        QTemporaryDir out;
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("L"), QStringLiteral(VELLORA_LIST_PROGRAM));
        env.insert(QStringLiteral("T"), tree());
        env.insert(QStringLiteral("O"), out.path());
        p.setProcessEnvironment(env);
        int ends[2] = {-1, -1};
        QCOMPARE(::pipe2(ends, O_CLOEXEC), 0);
        ::close(ends[0]); // the reader is gone before the first write
        p.setChildProcessModifier([&] {
            ::signal(SIGPIPE, SIG_DFL); // as a shell leaves it
            if (readerGone)
                ::dup2(ends[1], STDOUT_FILENO);
        });
        p.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), script});
        QVERIFY(p.waitForFinished(120000));
        ::close(ends[1]);
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), rc);
        QCOMPARE(QString::fromUtf8(p.readAllStandardError()),
                 QString(err).replace(QStringLiteral("$O"), out.path()));
        // A name QTemporaryDir could not remove goes here.
        if (!written.isEmpty())
            QCOMPARE(::unlink((QFile::encodeName(out.path()) + '/' + written).constData()), 0);
    }

    // A FIFO without a reader: the export waits for one, and Ctrl+C ends the wait (exit 130),
    // nothing written and the FIFO left as it was.
    void ctrlCEndsWaitForReader()
    {
        QTemporaryDir dir;
        const QString fifo = dir.filePath(QStringLiteral("pipe"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QProcess p;
        p.start(QStringLiteral(VELLORA_LIST_PROGRAM), {"--export", "text", "--output", fifo, tree()});
        QVERIFY(p.waitForStarted());
        const QString wchan = QStringLiteral("/proc/%1/wchan").arg(p.processId());
        if (!QTest::qWaitFor([&] { return fileBytes(wchan) == "wait_for_partner"; }, 60000))
            QSKIP("the kernel does not tell where the program waits");
        QCOMPARE(::kill(pid_t(p.processId()), SIGINT), 0);
        QVERIFY2(p.waitForFinished(60000), "the first Ctrl+C did not end the wait");
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), kExitInterrupted);
        QCOMPARE(p.readAllStandardError(), QByteArray());
        QCOMPARE(
            QDir(dir.path()).entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot),
            QStringList{"pipe"});
    }
};

QTEST_MAIN(TestListOutside)
#include "test_list_outside.moc"
