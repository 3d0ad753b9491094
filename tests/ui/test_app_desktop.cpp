// What a desktop user expects of the window: headings that order, rows copied as text, a
// menu and keys on the rows, and folders that come from outside (command line, drop).

#include "AppTestSupport.h"

#include "../cli/ListTestSupport.h"
#include "fileinfo/FolderPaths.h"
#include "ui/WindowArguments.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QHeaderView>
#include <QMenu>
#include <QMimeData>

using namespace vellora;
using namespace vellora::testing;

class TestAppDesktop : public QObject
{
    Q_OBJECT
    QStringList m_seen; // what happened, as the table of each test names it

    // A shown window that listed files in name order, its grid focused.
    std::unique_ptr<MainWindow> listed(Sandbox& box, const QList<QByteArray>& files,
                                       ColumnProfile optV = kDefaultOptV)
    {
        m_seen.clear();
        for (const QByteArray& f : files)
            writeFile(box.tree() + QFile::decodeName(f));
        auto w = box.window();
        w->state().OptV = optV;
        chooseFolder(*w, box.tree());
        w->show();
        QApplication::setActiveWindow(w.get());
        if (!QTest::qWaitForWindowActive(w.get()) || !scan(*w))
            return nullptr;
        child<QTableView>(*w, "GRIGLIA")->setFocus();
        return w;
    }

public Q_SLOTS:
    void open(const QUrl& url) { m_seen << url.toString(); } // the file manager's stand-in

private Q_SLOTS:
    // Two clicks on a heading, from the extension order: after each, the order in force (also
    // the box's), the heading with the arrow and its direction.
    void headingClicks_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<bool>("shown");
        QTest::addColumn<QString>("after");
        QTest::newRow("name") << int(ColName) << true << "0 1 A, 1 1 D";
        QTest::newRow("extension") << int(ColExt) << true << "2 2 A, 2 2 A";
        QTest::newRow("size") << int(ColSize) << true << "3 3 A, 4 3 D";
        QTest::newRow("date") << int(ColDate) << true << "5 4 A, 6 4 D";
        QTest::newRow("version") << int(ColVersion) << true << "7 5 D, 7 5 D";
        QTest::newRow("info") << int(ColInfo) << true << "8 6 A, 8 6 A";
        QTest::newRow("folder") << int(ColFolder) << true << "9 7 A, 10 7 D";
        QTest::newRow("size not shown") << int(ColSize) << false << "2 2 A, 2 2 A";
        QTest::newRow("Nr.") << int(ColNumber) << true << "2 2 A, 2 2 A";
    }
    void headingClicks()
    {
        QFETCH(int, column);
        Sandbox box;
        QFETCH(bool, shown);
        auto w = listed(box, {"a.txt"}, {1, 1, 1, std::int16_t(shown), 1, 1, 1, 1});
        QVERIFY(w);
        pick(*w, "cboORD", 2);
        auto* grid = child<QTableView>(*w, "GRIGLIA");
        // "Nr." is the heading of the fixed column laid over the table's first one.
        auto* header = (column ? grid : child<QTableView>(*w, "GRIGLIA_Nr"))->horizontalHeader();
        for (int click = 0; click < 2; ++click) {
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                              {header->sectionPosition(column) + 9, 5});
            QCOMPARE(child<QComboBox>(*w, "cboORD")->currentIndex(), orderIndex(w->state().OrdineGriglia));
            const QHeaderView* h = grid->horizontalHeader();
            m_seen << QStringLiteral("%1 %2 %3")
                          .arg(orderIndex(w->state().OrdineGriglia))
                          .arg(h->sortIndicatorSection())
                          .arg(h->sortIndicatorOrder() == Qt::AscendingOrder ? 'A' : 'D');
        }
        QTEST(m_seen.join(QStringLiteral(", ")), "after");
        QCOMPARE(grid->selectionModel()->selectedIndexes().size(), 7); // row 1; no column selected
    }

    // Ctrl+A, Ctrl+C: a heading row, then the rows as shown, any control character of a name
    // as "?", and a cell a spreadsheet would run or merge written as the file "per Excel"
    // writes it; the hostile name sorts before zz.txt.
    void copyText_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("shown");
        QTest::newRow("tab") << QByteArray("tab\there.txt") << "tab?here\ttxt";
        QTest::newRow("line break") << QByteArray("two\nlines.txt") << "two?lines\ttxt";
        QTest::newRow("return, escape") << QByteArray("cr\r\x1b.log") << "cr??\tlog";
        QTest::newRow("formula") << QByteArray("=\"1\"+2.csv") << "'=\"1\"+2\tcsv";
        QTest::newRow("leading quote") << QByteArray("\"a\tb.-x") << "\"\"\"a?b\"\t'-x";
    }
    void copyText()
    {
        QFETCH(QByteArray, file);
        Sandbox box;
        auto w = listed(box, {file, "zz.txt"});
        QVERIFY(w);
        QTest::keyClick(child<QTableView>(*w, "GRIGLIA"), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(child<QTableView>(*w, "GRIGLIA"), Qt::Key_C, Qt::ControlModifier);
        const QString rest = QStringLiteral("\t\t\t\t\t") + box.tree() + u'\n';
        QFETCH(QString, shown);
        QCOMPARE(QGuiApplication::clipboard()->text(), "Nr.\tNome File\tExt\tDimensione\tData Ult. Modifica\t"
                                                       "Versione File\tProduttore\tDirectory\n1\t" +
                                                           shown + rest + "2\tzz\ttxt" + rest);
    }

    // An entry of the rows' menu, opened on row 1 (a.txt), or a key on the grid: a.txt or what
    // became of it, then the path copied, the folder opened, the questions asked (%1: the tree).
    void rowMenu_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("after");
        const QString renamed = QStringLiteral("c.txt|Inserisci il nuovo nome del file|Rinomina File |a.txt");
        const QString trashed = QStringLiteral("trash|Cancellare il file\r\n%1a.txt|a.txt");
        QTest::newRow("Rinomina") << "mnuRinomina" << 0 << renamed;
        QTest::newRow("F2") << "" << int(Qt::Key_F2) << renamed;
        QTest::newRow("Rimuovi") << "mnuRimuovi" << 0 << trashed;
        QTest::newRow("Del") << "" << int(Qt::Key_Delete) << trashed;
        QTest::newRow("Apri cartella") << "mnuApriCartella" << 0 << "a.txt|file %1a.txt";
        QTest::newRow("Copia percorso") << "mnuCopiaPercorso" << 0 << "a.txt|%1a.txt";
        QTest::newRow("Enter") << "" << int(Qt::Key_Return) << "a.txt";
    }
    void rowMenu()
    {
        QFETCH(QString, entry);
        QFETCH(int, key);
        Sandbox box;
        QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "open");
        auto w = listed(box, {"a.txt", "b.txt"});
        QVERIFY(w);
        box.prompter.inputAnswers = {QStringLiteral("c.txt")};
        box.prompter.messageAnswers = {Prompter::Answer::Yes};
        QGuiApplication::clipboard()->clear();
        auto* grid = child<QTableView>(*w, "GRIGLIA");
        const QPoint at = grid->visualRect(w->table().index(0, ColExt)).center();
        QContextMenuEvent press(QContextMenuEvent::Mouse, at, grid->viewport()->mapToGlobal(at));
        if (key) {
            QTest::keyClick(grid, Qt::Key(key));
        } else if (QCoreApplication::sendEvent(grid->viewport(), &press)) {
            QTRY_VERIFY(child<QMenu>(*w, "mnuGRIGLIA")->isVisible());
            child<QMenu>(*w, "mnuGRIGLIA")->hide();
            child<QAction>(*w, qPrintable(entry))->trigger();
        }
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        QStringList seen = QDir(box.tree()).entryList({QStringLiteral("[ac].txt")}, QDir::Files);
        if (QFile::exists(box.trashed(QStringLiteral("a.txt"))))
            seen << QStringLiteral("trash");
        seen << QGuiApplication::clipboard()->text() << m_seen << box.shown;
        for (const auto& in : box.prompter.inputs)
            seen << in.prompt << in.title << in.defaultAnswer;
        for (const auto& m : box.prompter.messages)
            seen << m.text << m.title;
        QFETCH(QString, after);
        QCOMPARE(seen.filter(QRegularExpression(QStringLiteral("."))).join(u'|'), after.arg(box.tree()));
    }

    // vellora FOLDER and a drop: a folder, or a file's folder, selected as if picked (tree,
    // drive box, lblCurDir) and nothing read; a missing path told, the folder shown kept.
    void fromOutside_data()
    {
        QTest::addColumn<bool>("drop");
        QTest::addColumn<QString>("given");
        QTest::addColumn<QString>("selected"); // null: nothing changes
        QTest::newRow("folder") << false << QStringLiteral("sub") << QStringLiteral("sub/");
        QTest::newRow("file") << false << QStringLiteral("sub/a.txt") << QStringLiteral("sub/");
        QTest::newRow("missing") << false << QStringLiteral("gone/x") << QString();
        QTest::newRow("folder dropped") << true << QStringLiteral("sub/deep") << QStringLiteral("sub/deep/");
        QTest::newRow("file dropped") << true << QStringLiteral("sub/a.txt") << QStringLiteral("sub/");
    }
    void fromOutside()
    {
        QFETCH(bool, drop);
        QFETCH(QString, given);
        QFETCH(QString, selected);
        Sandbox box;
        QDir().mkpath(box.tree() + QStringLiteral("sub/deep"));
        writeFile(box.tree() + QStringLiteral("sub/a.txt"));
        auto w = box.window();
        const QString folder = selected.isNull() ? w->state().CartellaRicerca : box.tree() + selected;
        QMimeData data; // dropped as a file manager drops it
        data.setUrls({QUrl::fromLocalFile(box.tree() + given)});
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, {});
        QDropEvent dropped(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, {});
        if (drop && QCoreApplication::sendEvent(w.get(), &enter) && enter.isAccepted())
            QCoreApplication::sendEvent(w.get(), &dropped);
        else if (!drop)
            w->openFolder(parseWindowArguments({box.tree() + given}).path);
        auto* tree = child<QAbstractItemView>(*w, "BoxDIR");
        QCOMPARE(qobject_cast<FolderTreeModel*>(tree->model())->filePath(tree->currentIndex()) + u'/',
                 folder);
        QCOMPARE(labelText(*w, "lblCurDir") + u' ' + labelText(*w, "lblTotFile"), folder + "*.* 0");
        QCOMPARE(child<QComboBox>(*w, "cboDRIVE")->currentData().toString(),
                 MainWindow::mountPointOf(folder));
        QCOMPARE(box.prompter.messages.size(), std::size_t(selected.isNull()));
        if (selected.isNull())
            QCOMPARE(box.prompter.messages[0].text, "Impossibile leggere la cartella " + box.tree() + given +
                                                        ": file o cartella inesistente");
    }

    // vellora FOLDER from a working folder that was removed or lies past the path limit, and a
    // folder named in Latin-1: the folder itself is selected and read, or the removed one is
    // told; "/" is never taken for it. The tree shows what it can hold.
    void folderArguments_data()
    {
        QTest::addColumn<QByteArray>("workingFolder"); // "deep", "removed" or empty
        QTest::addColumn<QByteArray>("given");         // in the tree unless "."
        QTest::addColumn<QString>("message");
        QTest::newRow("working folder removed") << QByteArray("removed") << QByteArray(".")
                                                << "Impossibile leggere la cartella .: la cartella di lavoro "
                                                   "non esiste più";
        QTest::newRow("working folder past the path limit")
            << QByteArray("deep") << QByteArray(".") << QString();
        QTest::newRow("folder named in Latin-1") << QByteArray() << QByteArray("caff\xe8") << QString();
    }
    void folderArguments()
    {
        QFETCH(QByteArray, workingFolder);
        QFETCH(QByteArray, given);
        QFETCH(QString, message);
        Sandbox box;
        const QByteArray tree = QFile::encodeName(box.tree());
        const QByteArray latin1 = tree + "caff\xe8";
        QCOMPARE(::mkdir(latin1.constData(), 0755), 0);
        QCOMPARE(::close(::open((latin1 + "/uno.txt").constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644)), 0);
        const auto removeLatin1 = qScopeGuard([&] { // QTemporaryDir cannot name them
            ::unlink((latin1 + "/uno.txt").constData());
            ::rmdir(latin1.constData());
        });
        const DeepTree deep(25, 0);
        QByteArray folder = given == "." ? deepFolder(deep.path(), 24) : tree + given;
        auto w = box.window();
        const QString before = w->state().CartellaRicerca;
        {
            WorkingFolder there;
            if (workingFolder == "removed") {
                folder = tree + "gone";
                QVERIFY(QDir().mkdir(QFile::decodeName(folder)) && there.enter(folder) &&
                        ::rmdir(folder.constData()) == 0);
            } else if (workingFolder == "deep") {
                QVERIFY(there.enter(folder));
            }
            w->openFolder(parseWindowArguments({fileinfo::pathText(given == "." ? given : folder)}).path);
        }
        QStringList told;
        for (const auto& m : box.prompter.messages)
            told << m.text;
        QCOMPARE(told, message.isEmpty() ? QStringList() : QStringList{message});
        if (!message.isEmpty()) {
            QCOMPARE(w->state().CartellaRicerca, before);
            return;
        }
        QCOMPARE(fileinfo::pathBytes(w->state().CartellaRicerca), folder + '/');
        QVERIFY(scan(*w));
        QCOMPARE(labelText(*w, "lblTotFile"), QStringLiteral("1"));
    }
};

QTEST_MAIN(TestAppDesktop)
#include "test_app_desktop.moc"
