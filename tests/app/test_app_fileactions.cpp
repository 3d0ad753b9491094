// Delete and rename from the result table, driven through the real window: the rows, the
// counter, the files on disk and the trash afterwards; and the no-replace rename itself.

#include "AppTestSupport.h"

#include "app/FileOps.h"

#include <QFocusEvent>

using namespace vellora;
using namespace vellora::testing;

class TestAppFileActions : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void deleteRow_data();
    void deleteRow();
    void deleteOnlyRow();
    void deleteAnsweredNo();
    void deleteVanishedFile();
    void trashFailureKeepsRow();
    void tableFocusSwitchesDelete();
    void rename_data();
    void rename();
    void renameNoExtension();
    void renameKeepsOddNameBytes();
    void renameNeverReplaces();
    void renameRefusedByFileSystem();

private:
    // A window that scanned the tree with files; the table is ordered by name A-Z.
    static std::unique_ptr<MainWindow> scanned(Sandbox& box, const QStringList& files)
    {
        for (const QString& f : files)
            writeFile(box.tree() + f);
        auto w = box.window();
        chooseFolder(*w, box.tree());
        if (!scan(*w))
            return nullptr;
        return w;
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

void TestAppFileActions::deleteRow_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("left");
    QTest::newRow("first") << 1 << QStringLiteral("a.txt")
                           << QStringList{QStringLiteral("b.txt#1"), QStringLiteral("c.txt#2")};
    QTest::newRow("middle") << 2 << QStringLiteral("b.txt")
                            << QStringList{QStringLiteral("a.txt#1"), QStringLiteral("c.txt#2")};
    QTest::newRow("last") << 3 << QStringLiteral("c.txt")
                          << QStringList{QStringLiteral("a.txt#1"), QStringLiteral("b.txt#2")};
}

void TestAppFileActions::deleteRow()
{
    QFETCH(int, row);
    QFETCH(QString, file);
    QFETCH(QStringList, left);
    Sandbox box;
    auto w = scanned(box, {QStringLiteral("c.txt"), QStringLiteral("a.txt"), QStringLiteral("b.txt")});
    QVERIFY(w);
    selectRow(*w, row);
    box.prompter.messageAnswers = {Prompter::Answer::Yes};
    pressDelete(*w);
    QCOMPARE(box.prompter.messages.size(), std::size_t(1));
    QCOMPARE(box.prompter.messages[0].text, QStringLiteral("Cancellare il file\r\n") + box.tree() + file);
    QCOMPARE(box.prompter.messages[0].title, file);
    QCOMPARE(box.prompter.messages[0].icon, Prompter::Icon::Question);
    QCOMPARE(box.prompter.messages[0].buttons, Prompter::Buttons::YesNo);
    QCOMPARE(names(*w), left);
    QCOMPARE(labelText(*w, "lblTotFile"), QStringLiteral("2"));
    QVERIFY(!QFile::exists(box.tree() + file));
    QVERIFY2(QFile::exists(box.trashed(file)), "the file went to the trash, not away");
    QVERIFY(child<QPushButton>(*w, "cmdRimuovi")->isEnabled());
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);
}

void TestAppFileActions::deleteOnlyRow()
{
    Sandbox box;
    auto w = scanned(box, {QStringLiteral("Makefile")});
    QVERIFY(w);
    selectRow(*w, 1);
    box.prompter.messageAnswers = {Prompter::Answer::Yes};
    pressDelete(*w);
    QCOMPARE(box.prompter.messages.size(), std::size_t(1));
    // A file without extension: the texts shown end in ".", the file used has no dot.
    QCOMPARE(box.prompter.messages[0].title, QStringLiteral("Makefile."));
    QCOMPARE(box.prompter.messages[0].text,
             QStringLiteral("Cancellare il file\r\n") + box.tree() + QStringLiteral("Makefile."));
    QVERIFY(QFile::exists(box.trashed(QStringLiteral("Makefile"))));
    QCOMPARE(labelText(*w, "lblTotFile"), QStringLiteral("0"));
    QVERIFY(!child<QPushButton>(*w, "cmdRimuovi")->isEnabled());
    for (int c = 0; c < ColumnCount; ++c) {
        QCOMPARE(w->table().text(0, c), QString());
        QCOMPARE(w->table().text(1, c), QString());
    }
    // The emptied row names no file any more: neither action does anything.
    pressDelete(*w);
    QVERIFY(!w->fileActions().renameRow(1));
    QCOMPARE(box.prompter.messages.size(), std::size_t(1));
    QVERIFY(box.prompter.inputs.empty());
}

void TestAppFileActions::deleteAnsweredNo()
{
    Sandbox box;
    auto w = scanned(box, {QStringLiteral("a.txt"), QStringLiteral("b.txt")});
    QVERIFY(w);
    selectRow(*w, 1);
    box.prompter.messageAnswers = {Prompter::Answer::No};
    pressDelete(*w);
    QCOMPARE(w->table().rowCount(), 2);
    QCOMPARE(labelText(*w, "lblTotFile"), QStringLiteral("2"));
    QVERIFY(QFile::exists(box.tree() + QStringLiteral("a.txt")));
}

void TestAppFileActions::deleteVanishedFile()
{
    Sandbox box;
    auto w = scanned(box, {QStringLiteral("a.txt"), QStringLiteral("b.txt")});
    QVERIFY(w);
    QVERIFY(QFile::remove(box.tree() + QStringLiteral("a.txt")));
    selectRow(*w, 1);
    pressDelete(*w);
    QVERIFY(box.prompter.messages.empty());
    QCOMPARE(w->table().rowCount(), 2);
    QVERIFY(!w->fileActions().renameRow(1));
    QVERIFY(box.prompter.inputs.empty());
}

void TestAppFileActions::trashFailureKeepsRow()
{
    Sandbox box;
    auto w = scanned(box, {QStringLiteral("a.txt"), QStringLiteral("b.txt")});
    QVERIFY(w);
    w->fileActions().setTrashFunction([](const QByteArray&, QString* error) {
        *error = QStringLiteral("il cestino non è disponibile");
        return false;
    });
    selectRow(*w, 2);
    box.prompter.messageAnswers = {Prompter::Answer::Yes};
    pressDelete(*w);
    QCOMPARE(box.prompter.messages.size(), std::size_t(2));
    const QString told = box.prompter.messages[1].text;
    QVERIFY2(told.contains(box.tree() + QStringLiteral("b.txt")) &&
                 told.contains(QStringLiteral("il cestino non è disponibile")),
             qPrintable(told));
    QCOMPARE(w->table().rowCount(), 2);
    QCOMPARE(w->table().text(2, ColName), QStringLiteral("b"));
    QCOMPARE(labelText(*w, "lblTotFile"), QStringLiteral("2"));
    QVERIFY(QFile::exists(box.tree() + QStringLiteral("b.txt")));
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);
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
    // A click on the button never takes the focus from the table.
    QCOMPARE(remove->focusPolicy(), Qt::NoFocus);
    // Neither a completed click nor the keyboard deletes.
    QCoreApplication::sendEvent(grid, &in);
    QTest::keyClick(remove, Qt::Key_Space);
    QVERIFY(box.prompter.messages.empty());
}

void TestAppFileActions::rename_data()
{
    QTest::addColumn<QList<QVariant>>("answers"); // QString answers; an invalid QVariant cancels
    QTest::addColumn<QString>("expectFile");      // the file a.txt is now called
    QTest::addColumn<int>("messages");
    QTest::addColumn<int>("prompts");
    const QVariant cancel;
    QTest::newRow("plain") << QList<QVariant>{QStringLiteral("z.doc")} << QStringLiteral("z.doc") << 0 << 1;
    QTest::newRow("blanks trimmed") << QList<QVariant>{QStringLiteral("  q.txt  ")} << QStringLiteral("q.txt")
                                    << 0 << 1;
    QTest::newRow("cancel") << QList<QVariant>{cancel} << QStringLiteral("a.txt") << 0 << 1;
    QTest::newRow("blanks only") << QList<QVariant>{QStringLiteral("   ")} << QStringLiteral("a.txt") << 0
                                 << 1;
    QTest::newRow("taken, then free") << QList<QVariant>{QStringLiteral("b.txt"), QStringLiteral("y.txt")}
                                      << QStringLiteral("y.txt") << 1 << 2;
    // Letter case makes another name here: b.txt stays, nothing is replaced.
    QTest::newRow("other name in other case")
        << QList<QVariant>{QStringLiteral("B.TXT")} << QStringLiteral("B.TXT") << 0 << 1;
    QTest::newRow("case only") << QList<QVariant>{QStringLiteral("A.TXT")} << QStringLiteral("A.TXT") << 0
                               << 1;
    QTest::newRow("separator refused")
        << QList<QVariant>{QStringLiteral("sub/x.txt"), cancel} << QStringLiteral("a.txt") << 1 << 2;
    QTest::newRow("dot-dot refused") << QList<QVariant>{QStringLiteral(".."), cancel}
                                     << QStringLiteral("a.txt") << 1 << 2;
    QTest::newRow("same name") << QList<QVariant>{QStringLiteral("a.txt")} << QStringLiteral("a.txt") << 0
                               << 1;
}

void TestAppFileActions::rename()
{
    QFETCH(QList<QVariant>, answers);
    QFETCH(QString, expectFile);
    QFETCH(int, messages);
    QFETCH(int, prompts);
    Sandbox box;
    QDir().mkpath(box.tree() + QStringLiteral("sub"));
    auto w = scanned(box, {QStringLiteral("a.txt"), QStringLiteral("b.txt")});
    QVERIFY(w);
    for (const QVariant& a : answers)
        box.prompter.inputAnswers.push_back(a.isValid() ? std::optional<QString>(a.toString())
                                                        : std::nullopt);
    selectRow(*w, 1);
    // The view's own double-click report (QTest's synthetic double click does not reach
    // item views reliably offscreen).
    auto* grid = child<QTableView>(*w, "GRIGLIA");
    Q_EMIT grid->doubleClicked(w->table().index(0, ColName));
    QCOMPARE(int(box.prompter.inputs.size()), prompts);
    for (const auto& input : box.prompter.inputs) {
        QCOMPARE(input.prompt, QStringLiteral("Inserisci il nuovo nome del file"));
        QCOMPARE(input.title, QStringLiteral("Rinomina File "));
        QCOMPARE(input.defaultAnswer, QStringLiteral("a.txt"));
    }
    QCOMPARE(int(box.prompter.messages.size()), messages);
    if (messages > 0 && answers[0].toString().startsWith(u'b', Qt::CaseInsensitive))
        QCOMPARE(box.prompter.messages[0].text, QStringLiteral("È già presente un file con questo nome !"));
    QVERIFY(QFile::exists(box.tree() + QStringLiteral("b.txt")));
    QVERIFY(QFile::exists(box.tree() + expectFile));
    QCOMPARE(QDir(box.tree()).entryList(QDir::Files).size(), 2);
    // The row shows the name the file now has.
    QStringList shown;
    for (qsizetype r = 1; r <= 2; ++r)
        shown << w->table().text(r, ColName) + u'.' + w->table().text(r, ColExt);
    QVERIFY2(shown.contains(expectFile), qPrintable(shown.join(u',')));
}

void TestAppFileActions::renameNoExtension()
{
    Sandbox box;
    auto w = scanned(box, {QStringLiteral("Makefile")});
    QVERIFY(w);
    // The default answer as shown, "Makefile.", is the file's own name: nothing happens.
    box.prompter.inputAnswers = {QStringLiteral("Makefile.")};
    QVERIFY(w->fileActions().renameRow(1));
    QCOMPARE(box.prompter.inputs[0].defaultAnswer, QStringLiteral("Makefile."));
    QVERIFY(QFile::exists(box.tree() + QStringLiteral("Makefile")));
    QVERIFY(!QFile::exists(box.tree() + QStringLiteral("Makefile.")));
    box.prompter.inputAnswers = {QStringLiteral("GNUmakefile")};
    QVERIFY(w->fileActions().renameRow(1));
    QVERIFY(QFile::exists(box.tree() + QStringLiteral("GNUmakefile")));
    QCOMPARE(w->table().text(1, ColName), QStringLiteral("GNUmakefile"));
    QCOMPARE(w->table().text(1, ColExt), QString());
    QCOMPARE(w->table().text(1, ColNumber), QStringLiteral("1"));
}

void TestAppFileActions::renameKeepsOddNameBytes()
{
    Sandbox box;
    // A name that is not UTF-8 next to the name its lossy decoding would give.
    const QByteArray dir = QFile::encodeName(box.tree());
    const QByteArray odd = dir + QByteArray("\xff\xfe.txt");
    {
        QFile f(QString::fromLocal8Bit(odd));
        FILE* raw = std::fopen(odd.constData(), "w");
        QVERIFY(raw);
        std::fclose(raw);
    }
    writeFile(box.tree() + QString::fromUtf8("\xef\xbf\xbd\xef\xbf\xbd.txt"), "decoy");
    auto w = box.window();
    chooseFolder(*w, box.tree());
    QVERIFY(scan(*w));
    QCOMPARE(w->table().rowCount(), 2);
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
    QFile decoy(box.tree() + QString::fromUtf8("\xef\xbf\xbd\xef\xbf\xbd.txt"));
    QVERIFY(decoy.open(QIODevice::ReadOnly));
    QCOMPARE(decoy.readAll(), QByteArray("decoy"));
}

void TestAppFileActions::renameNeverReplaces()
{
    QTemporaryDir dir;
    const QByteArray a = QFile::encodeName(dir.filePath(QStringLiteral("a.txt")));
    const QByteArray upper = QFile::encodeName(dir.filePath(QStringLiteral("A.TXT")));
    const QByteArray other = QFile::encodeName(dir.filePath(QStringLiteral("b.txt")));
    writeFile(QFile::decodeName(a), "a");
    writeFile(QFile::decodeName(upper), "upper");
    writeFile(QFile::decodeName(other), "b");
    // A name taken by another file, also one differing only in case (another program may
    // have created it after the check): refused, both files intact.
    QCOMPARE(renameNoReplace(a, other), RenameResult::TargetExists);
    QCOMPARE(renameNoReplace(a, upper), RenameResult::TargetExists);
    QFile f(QFile::decodeName(upper));
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("upper"));
    QVERIFY(EsisteFile(a));
    QCOMPARE(renameNoReplace(a, QFile::encodeName(dir.filePath(QStringLiteral("c.txt")))),
             RenameResult::Renamed);
    QVERIFY(!EsisteFile(a));
    QVERIFY(!EsisteFile(QByteArray()));
    QVERIFY(!EsisteFile(QFile::encodeName(dir.path()))); // a folder is not a file
}

void TestAppFileActions::renameRefusedByFileSystem()
{
    Sandbox box;
    auto w = scanned(box, {QStringLiteral("a.txt")});
    QVERIFY(w);
    // A name longer than any file system allows.
    box.prompter.inputAnswers = {QString(300, u'n') + QStringLiteral(".txt")};
    QVERIFY(!w->fileActions().renameRow(1));
    QCOMPARE(box.prompter.messages.size(), std::size_t(1));
    QVERIFY2(box.prompter.messages[0].text.contains(box.tree() + QStringLiteral("a.txt")),
             qPrintable(box.prompter.messages[0].text));
    QVERIFY(box.prompter.messages[0].text.contains(QStringLiteral("troppo lungo")));
    QCOMPARE(w->table().text(1, ColName), QStringLiteral("a"));
    QVERIFY(QFile::exists(box.tree() + QStringLiteral("a.txt")));
}

QTEST_MAIN(TestAppFileActions)
#include "test_app_fileactions.moc"
