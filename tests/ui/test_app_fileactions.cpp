// Delete and rename from the result table, driven through the real window: the rows, the
// counter, the files on disk and the trash afterwards; and the no-replace rename itself.

#include "AppTestSupport.h"

#include "system/FileOps.h"

#include <QFocusEvent>

#include <unistd.h>

using namespace vellora;
using namespace vellora::testing;

class TestAppFileActions : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void deleteRow_data();
    void deleteRow();
    void onlyRowWithoutExtension();
    void tableFocusSwitchesDelete();
    void rename_data();
    void rename();
    void renameKeepsOddNameBytes();
    void renameNeverReplaces();

private:
    // A window that scanned the tree with files; the table is ordered by name A-Z.
    static std::unique_ptr<MainWindow> scanned(Sandbox& box, const QStringList& files)
    {
        for (const QString& f : files)
            writeFile(box.tree() + f);
        auto w = box.window();
        chooseFolder(*w, box.tree());
        return scan(*w) ? std::move(w) : nullptr;
    }
    static QStringList names(MainWindow& w)
    {
        QStringList out;
        for (qsizetype r = 1; r <= w.table().rowCount(); ++r)
            out << w.table().text(r, ColName) + u'.' + w.table().text(r, ColExt) + u'#' +
                       w.table().text(r, ColNumber);
        return out;
    }
    static void selectRow(MainWindow& w, qsizetype row)
    {
        auto* grid = child<QTableView>(w, "GRIGLIA");
        grid->setCurrentIndex(w.table().index(int(row - 1), ColName));
    }
    static void pressDelete(MainWindow& w)
    {
        auto* grid = child<QTableView>(w, "GRIGLIA");
        QFocusEvent in(QEvent::FocusIn, Qt::MouseFocusReason);
        QCoreApplication::sendEvent(grid, &in);
        QTest::mousePress(child<QPushButton>(w, "cmdRimuovi"), Qt::LeftButton);
    }
};

// The first and the last row go with their files to the trash; an answer "No", a file gone
// since the scan and a trash that refuses keep the row, the counter and the file.
void TestAppFileActions::deleteRow_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("fault"); // "", "no", "vanished", "trash"
    QTest::addColumn<QStringList>("left");
    QTest::addColumn<int>("messages");
    const QStringList all{QStringLiteral("a.txt#1"), QStringLiteral("b.txt#2"), QStringLiteral("c.txt#3")};
    QTest::newRow("first") << 1 << QString() << QStringList{"b.txt#1", "c.txt#2"} << 1;
    QTest::newRow("last") << 3 << QString() << QStringList{"a.txt#1", "b.txt#2"} << 1;
    QTest::newRow("answered No") << 1 << QStringLiteral("no") << all << 1;
    QTest::newRow("file vanished") << 1 << QStringLiteral("vanished") << all << 0;
    QTest::newRow("trash refuses") << 2 << QStringLiteral("trash") << all << 2;
}

void TestAppFileActions::deleteRow()
{
    QFETCH(int, row);
    QFETCH(QString, fault);
    QFETCH(QStringList, left);
    QFETCH(int, messages);
    Sandbox box;
    auto w = scanned(box, {QStringLiteral("c.txt"), QStringLiteral("a.txt"), QStringLiteral("b.txt")});
    QVERIFY(w);
    const QString file = w->table().text(row, ColName) + QStringLiteral(".txt");
    if (fault == u"vanished")
        QVERIFY(QFile::remove(box.tree() + file));
    if (fault == u"trash")
        w->fileActions().setTrashFunction([](const QByteArray&, QString* error) {
            *error = QStringLiteral("il cestino non è disponibile");
            return false;
        });
    selectRow(*w, row);
    box.prompter.messageAnswers = {fault == u"no" ? Prompter::Answer::No : Prompter::Answer::Yes};
    pressDelete(*w);
    QCOMPARE(names(*w), left);
    QCOMPARE(labelText(*w, "lblTotFile"), QString::number(left.size()));
    const bool deleted = left.size() == 2;
    QCOMPARE(QFile::exists(box.tree() + file), !deleted && fault != u"vanished");
    QCOMPARE(QFile::exists(box.trashed(file)), deleted); // to the trash, not away
    QCOMPARE(int(box.prompter.messages.size()), messages);
    // The question names the file; a refusal tells the file and the cause.
    for (const auto& m : box.prompter.messages)
        QVERIFY2(m.text.contains(box.tree() + file), qPrintable(m.text));
    if (messages > 1)
        QVERIFY(box.prompter.messages[1].text.contains(QStringLiteral("il cestino non è disponibile")));
    if (deleted)
        QVERIFY(child<QPushButton>(*w, "cmdRimuovi")->isEnabled());
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);
}

// A file without extension: the texts shown end in ".", the file used has no dot. Renamed,
// then deleted as the table's only row, which names no file afterwards.
void TestAppFileActions::onlyRowWithoutExtension()
{
    Sandbox box;
    auto w = scanned(box, {QStringLiteral("Makefile")});
    QVERIFY(w);
    // The default answer as shown, "Makefile.", is the file's own name: nothing happens.
    box.prompter.inputAnswers = {QStringLiteral("Makefile."), QStringLiteral("GNUmakefile")};
    QVERIFY(w->fileActions().renameRow(1));
    QCOMPARE(box.prompter.inputs[0].defaultAnswer, QStringLiteral("Makefile."));
    QVERIFY(QFile::exists(box.tree() + QStringLiteral("Makefile")));
    QVERIFY(w->fileActions().renameRow(1));
    QCOMPARE(names(*w), QStringList{QStringLiteral("GNUmakefile.#1")});

    selectRow(*w, 1);
    box.prompter.messageAnswers = {Prompter::Answer::Yes};
    pressDelete(*w);
    QCOMPARE(box.prompter.messages.size(), std::size_t(1));
    QVERIFY(box.prompter.messages[0].text.endsWith(box.tree() + QStringLiteral("GNUmakefile.")));
    QVERIFY(QFile::exists(box.trashed(QStringLiteral("GNUmakefile"))));
    QCOMPARE(labelText(*w, "lblTotFile"), QStringLiteral("0"));
    QVERIFY(!child<QPushButton>(*w, "cmdRimuovi")->isEnabled());
    for (int c = 0; c < ColumnCount; ++c)
        QVERIFY(w->table().text(0, c).isEmpty() && w->table().text(1, c).isEmpty());
    pressDelete(*w);
    QVERIFY(!w->fileActions().renameRow(1));
    QCOMPARE(box.prompter.messages.size(), std::size_t(1));
    QCOMPARE(box.prompter.inputs.size(), std::size_t(2));
}

void TestAppFileActions::tableFocusSwitchesDelete()
{
    Sandbox box;
    auto w = scanned(box, {QStringLiteral("a.txt")});
    QVERIFY(w);
    auto* grid = child<QTableView>(*w, "GRIGLIA");
    auto* remove = child<QPushButton>(*w, "cmdRimuovi");
    QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
    QCoreApplication::sendEvent(grid, &in);
    QVERIFY(remove->isEnabled());
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(grid, &out);
    QVERIFY(!remove->isEnabled());
    // Neither a completed click nor the keyboard deletes.
    QCoreApplication::sendEvent(grid, &in);
    QTest::keyClick(remove, Qt::Key_Space);
    QVERIFY(box.prompter.messages.empty());
}

// The answers given in turn (a null text cancels), what a.txt is called afterwards, the
// messages shown and the prompts asked.
void TestAppFileActions::rename_data()
{
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<QString>("expectFile");
    QTest::addColumn<QString>("told"); // a piece of the one message, if any
    QTest::addColumn<int>("prompts");
    const QString taken = QStringLiteral("È già presente un file con questo nome !");
    QTest::newRow("plain") << QStringList{"z.doc"} << "z.doc" << QString() << 1;
    QTest::newRow("blanks trimmed") << QStringList{"  q.txt  "} << "q.txt" << QString() << 1;
    QTest::newRow("cancel") << QStringList{QString()} << "a.txt" << QString() << 1;
    QTest::newRow("blanks only") << QStringList{"   "} << "a.txt" << QString() << 1;
    QTest::newRow("same name") << QStringList{"a.txt"} << "a.txt" << QString() << 1;
    QTest::newRow("taken, then free") << QStringList{"b.txt", "y.txt"} << "y.txt" << taken << 2;
    // Letter case makes another name here: b.txt stays, nothing is replaced.
    QTest::newRow("other name in other case") << QStringList{"B.TXT"} << "B.TXT" << QString() << 1;
    QTest::newRow("case only") << QStringList{"A.TXT"} << "A.TXT" << QString() << 1;
    QTest::newRow("separator refused") << QStringList{"sub/x.txt", QString()} << "a.txt"
                                       << "senza cartella" << 2;
    QTest::newRow("dot-dot refused") << QStringList{"..", QString()} << "a.txt"
                                     << "non è un nome di file valido" << 2;
    // Longer than any file system allows: the cause and the file are told.
    QTest::newRow("refused by the file system")
        << QStringList{QString(300, u'n') + QStringLiteral(".txt")} << "a.txt"
        << "troppo lungo" << 1;
}

void TestAppFileActions::rename()
{
    QFETCH(QStringList, answers);
    QFETCH(QString, expectFile);
    QFETCH(QString, told);
    QFETCH(int, prompts);
    Sandbox box;
    QDir().mkpath(box.tree() + QStringLiteral("sub"));
    auto w = scanned(box, {QStringLiteral("a.txt"), QStringLiteral("b.txt")});
    QVERIFY(w);
    for (const QString& a : answers)
        box.prompter.inputAnswers.push_back(a.isNull() ? std::nullopt : std::optional<QString>(a));
    selectRow(*w, 1);
    // The view's own double-click report (QTest's synthetic double click does not reach
    // item views reliably offscreen).
    auto* grid = child<QTableView>(*w, "GRIGLIA");
    Q_EMIT grid->doubleClicked(w->table().index(0, ColName));
    QCOMPARE(int(box.prompter.inputs.size()), prompts);
    QCOMPARE(box.prompter.inputs.back().defaultAnswer, QStringLiteral("a.txt"));
    QCOMPARE(box.prompter.messages.size(), std::size_t(told.isNull() ? 0 : 1));
    for (const auto& m : box.prompter.messages)
        QVERIFY2(m.text.contains(told), qPrintable(m.text));
    if (told == u"troppo lungo")
        QVERIFY(box.prompter.messages[0].text.contains(box.tree() + QStringLiteral("a.txt")));
    QVERIFY(QFile::exists(box.tree() + QStringLiteral("b.txt")));
    QVERIFY(QFile::exists(box.tree() + expectFile));
    QCOMPARE(QDir(box.tree()).entryList(QDir::Files).size(), 2);
    const QString shown = names(*w).join(u',');
    QVERIFY2(shown.contains(expectFile + u'#'), qPrintable(shown)); // the row shows the new name
}

void TestAppFileActions::renameKeepsOddNameBytes()
{
    Sandbox box;
    // A name that is not UTF-8 next to the name its lossy decoding would give.
    const QByteArray dir = QFile::encodeName(box.tree());
    const QByteArray odd = dir + QByteArray("\xff\xfe.txt");
    FILE* raw = std::fopen(odd.constData(), "w");
    QVERIFY(raw);
    std::fclose(raw);
    const QString decoy = QString::fromUtf8("\xef\xbf\xbd\xef\xbf\xbd.txt");
    auto w = scanned(box, {decoy});
    QVERIFY(w && w->table().rowCount() == 2);
    qsizetype oddRow = 0;
    for (qsizetype r = 1; r <= 2; ++r)
        if (w->table().nameBytes(r) == QByteArray("\xff\xfe.txt"))
            oddRow = r;
    QVERIFY(oddRow > 0);
    // The offered name taken as it is: its text decodes to the decoy's name, the file stays.
    box.prompter.inputAnswers = {w->fileActions().nameText(oddRow)};
    QVERIFY(w->fileActions().renameRow(oddRow));
    QVERIFY(box.prompter.messages.empty());
    QVERIFY(EsisteFile(odd));
    QCOMPARE(w->table().nameBytes(oddRow), QByteArray("\xff\xfe.txt"));
    box.prompter.inputAnswers = {QStringLiteral("fixed.txt")};
    QVERIFY(w->fileActions().renameRow(oddRow));
    QVERIFY(EsisteFile(dir + "fixed.txt"));
    QVERIFY(!EsisteFile(odd));
    QVERIFY(QFile::exists(box.tree() + decoy));
    QCOMPARE(QDir(box.tree()).entryList(QDir::Files).size(), 2);
}

// A name taken by another file, also one differing only in case (another program may have
// created it after the check), or by another name of the same file: refused, the file there
// intact.
void TestAppFileActions::renameNeverReplaces()
{
    QTemporaryDir dir;
    const auto path = [&](const char* name) { return QFile::encodeName(dir.filePath(QLatin1String(name))); };
    for (const char* name : {"a.txt", "A.TXT", "b.txt"})
        writeFile(QFile::decodeName(path(name)), name);
    QCOMPARE(renameNoReplace(path("a.txt"), path("b.txt")), RenameResult::TargetExists);
    QCOMPARE(renameNoReplace(path("a.txt"), path("A.TXT")), RenameResult::TargetExists);
    for (const char* link : {"hard.txt", "B.TXT"}) {
        QCOMPARE(::link(path("b.txt").constData(), path(link).constData()), 0);
        QCOMPARE(renameNoReplace(path("b.txt"), path(link)), RenameResult::TargetExists);
        QVERIFY(EsisteFile(path("b.txt")) && EsisteFile(path(link)));
    }
    QFile f(QFile::decodeName(path("A.TXT")));
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("A.TXT"));
    QCOMPARE(renameNoReplace(path("a.txt"), path("c.txt")), RenameResult::Renamed);
    QVERIFY(!EsisteFile(path("a.txt")) && EsisteFile(path("c.txt")));
    QVERIFY(!EsisteFile(QByteArray()));
    QVERIFY(!EsisteFile(QFile::encodeName(dir.path()))); // a folder is not a file
}

QTEST_MAIN(TestAppFileActions)
#include "test_app_fileactions.moc"
