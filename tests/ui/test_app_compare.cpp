// The comparison in the window: a saved listing compared with the window's folder on the
// dialog's worker, the grid showing it (state first, the counts above), the state heading
// grouping it, an export of it, a listing that cannot be read told, and a new scan putting the
// listing back.

#include "AppTestSupport.h"
#include "cli/ListCommand.h"
#include "ui/CompareDialog.h"
#include "ui/EsportaFormatoDialog.h"
#include "ui/ResultGrid.h"

#include <QHeaderView>
#include <QRadioButton>

using namespace vellora;
using namespace vellora::testing;

namespace {

// The saved listing of folder, with checksums, as vellora-list writes it.
bool saveListing(const QString& folder, const QString& path)
{
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    const int rc = ListCommand(out, err).run(
        {"--subfolders", "--export", "json", "--checksum", "sha256", "--output", path, folder});
    std::fclose(out);
    std::fclose(err);
    return rc == kExitOk;
}

// The compare dialog as the user fills it: the listing, unchanged files shown, "&Confronta";
// accepted once the worker is done.
std::function<int(QDialog&)> compareWith(const QString& listing, ScriptedPrompter& prompter)
{
    return [listing, &prompter](QDialog& d) {
        auto* compare = qobject_cast<CompareDialog*>(&d);
        if (!compare)
            return int(QDialog::Rejected);
        compare->setListing(listing);
        compare->setShowUnchanged(true);
        compare->Confronta();
        const std::size_t told = prompter.messages.size();
        const bool ended = QTest::qWaitFor(
            [&] { return compare->result() != nullptr || prompter.messages.size() > told; }, 20000);
        return ended && compare->result() ? int(QDialog::Accepted) : int(QDialog::Rejected);
    };
}

QStringList column(QAbstractItemModel* model, int c)
{
    QStringList cells;
    for (int r = 0; r < model->rowCount(); ++r)
        cells << model->index(r, c).data().toString();
    return cells;
}

} // namespace

class TestAppCompare : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void comparesInTheGrid()
    {
        Sandbox box;
        const QString t = box.tree();
        writeFile(t + "a.txt", "uguale");
        writeFile(t + "b.txt", "corto");
        writeFile(t + "c.txt", "via");
        const QString listing = box.dir.filePath("prima.jsonl");
        QVERIFY(saveListing(t, listing));
        writeFile(t + "b.txt", "più lungo di prima");
        QVERIFY(QFile::remove(t + "c.txt"));
        writeFile(t + "d.txt", "nuovo");

        auto w = box.window();
        chooseFolder(*w, t);
        pick(*w, "cboRicercaIn", 1);
        QVERIFY(scan(*w));
        box.prompter.onDialog = compareWith(listing, box.prompter);
        child<QAction>(*w, "mnuConfronta")->trigger();

        auto* grid = child<QTableView>(*w, "GRIGLIA");
        QAbstractItemModel* shown = grid->model();
        QCOMPARE(shown->headerData(0, Qt::Horizontal).toString(), "Stato");
        QCOMPARE(column(shown, 0), (QStringList{"invariato", "modificato", "rimosso", "aggiunto"}));
        QCOMPARE(column(shown, 1), (QStringList{"a", "b", "c", "d"}));
        QCOMPARE(labelText(*w, "lblConfronto"),
                 "Confronto di " + listing + " con " + t +
                     ": 1 aggiunto, 1 rimosso, 0 spostati, 1 modificato, 1 invariato");
        QCOMPARE(labelText(*w, "lblTotFile"), "4");
        QVERIFY(child<QPushButton>(*w, "cmdStampa")->isEnabled());

        // The state heading groups the rows by state, and puts them back.
        auto* fixed = static_cast<ResultGrid*>(grid)->numberColumn()->horizontalHeader();
        Q_EMIT fixed->sectionClicked(0);
        QCOMPARE(column(shown, 0), (QStringList{"aggiunto", "rimosso", "modificato", "invariato"}));

        // An export writes the rows as shown, with their states.
        box.prompter.onDialog = [](QDialog& d) {
            child<QRadioButton>(d, "optJSON")->setChecked(true);
            child<QPushButton>(d, "cmdEsporta")->click();
            // The export runs on its own thread; the dialog stays until it ends.
            const auto& format = dynamic_cast<const EsportaFormatoDialog&>(d);
            if (!QTest::qWaitFor([&] { return !format.running(); }))
                return int(QDialog::Rejected);
            return int(QDialog::Accepted);
        };
        child<QAction>(*w, "mnuAltroFormato")->trigger();
        const QStringList files = QDir(exportFolder()).entryList({"*.jsonl"});
        QCOMPARE(files.size(), 1);
        const QList<QByteArray> lines = [&] {
            QFile f(QDir(exportFolder()).filePath(files.front()));
            return f.open(QIODevice::ReadOnly) ? f.readAll().trimmed().split('\n') : QList<QByteArray>{};
        }();
        QCOMPARE(lines.size(), 4);
        QVERIFY2(lines.front().contains("\"state\":\"aggiunto\""), lines.front().constData());

        // A new scan puts the listing back.
        QVERIFY(scan(*w));
        QCOMPARE(grid->model(), static_cast<QAbstractItemModel*>(&w->table()));
        QVERIFY(!child<QLabel>(*w, "lblConfronto")->isVisible());
        QCOMPARE(labelText(*w, "lblTotFile"), "3");
    }

    void tellsUnreadableListing()
    {
        Sandbox box;
        writeFile(box.tree() + "a.txt");
        auto w = box.window();
        chooseFolder(*w, box.tree());
        QVERIFY(scan(*w));
        const QString missing = box.dir.filePath("manca.jsonl");
        box.prompter.onDialog = compareWith(missing, box.prompter);
        child<QAction>(*w, "mnuConfronta")->trigger();
        QCOMPARE(box.prompter.messages.size(), std::size_t(1));
        QVERIFY2(box.prompter.messages.front().text.contains(missing),
                 qPrintable(box.prompter.messages.front().text));
        QCOMPARE(child<QTableView>(*w, "GRIGLIA")->model(), static_cast<QAbstractItemModel*>(&w->table()));
    }
};

QTEST_MAIN(TestAppCompare)
#include "test_app_compare.moc"
