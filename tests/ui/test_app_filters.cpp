// The window's filters: the "Escludi" box with its history, the "Fi&ltri..." dialog and its
// caption, the sets of masks in the pattern box, what a scan with them lists, and the
// filters kept across a restart.

#include "AppTestSupport.h"

#include "results/FilterSummary.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QMenuBar>

using namespace vellora;
using namespace vellora::testing;

namespace {

// The dialog as a user fills it: sizes as typed with their unit (0 byte, 1 KB, 2 MB, 3 GB),
// a day ticked when valid; then OK. Returns what the dialog answered.
struct DialogInput
{
    QString from;
    int fromUnit;
    QString to;
    int toUnit;
    QDate since, until;
};

std::function<int(QDialog&)> fill(const DialogInput& in, QString* error = nullptr)
{
    return [in, error](QDialog& d) {
        child<QLineEdit>(d, "edtDimDa")->setText(in.from);
        child<QComboBox>(d, "cboUnitaDa")->setCurrentIndex(in.fromUnit);
        child<QLineEdit>(d, "edtDimA")->setText(in.to);
        child<QComboBox>(d, "cboUnitaA")->setCurrentIndex(in.toUnit);
        const auto setDay = [&d](const char* check, const char* edit, const QDate& day) {
            if (day.isValid())
                child<QDateEdit>(d, edit)->setDate(day);
            child<QCheckBox>(d, check)->setChecked(day.isValid());
        };
        setDay("chkDal", "dtpDal", in.since);
        setDay("chkAl", "dtpAl", in.until);
        d.accept();
        if (error)
            *error = labelText(d, "lblErrore");
        return d.result();
    };
}

} // namespace

Q_DECLARE_METATYPE(DialogInput)
Q_DECLARE_METATYPE(std::optional<std::int64_t>)

class TestAppFilters : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The dialog's ranges reach the state, the caption and lblCurDir; a reversed range is
    // refused in the dialog and changes nothing; "Azzera" takes every range off.
    void filtersDialog_data()
    {
        QTest::addColumn<DialogInput>("input");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<int>("on");
        QTest::addColumn<std::optional<std::int64_t>>("minSize");
        QTest::addColumn<std::optional<std::int64_t>>("maxSize");
        const QDate nov1(2026, 11, 1), nov30(2026, 11, 30);
        QTest::newRow("nothing") << DialogInput{{}, 0, {}, 0, {}, {}} << true << 0
                                 << std::optional<std::int64_t>() << std::optional<std::int64_t>();
        QTest::newRow("1 MB and a day")
            << DialogInput{"1", 2, {}, 0, nov1, {}} << true << 2 << std::optional<std::int64_t>(1 << 20)
            << std::optional<std::int64_t>();
        QTest::newRow("0 byte to 3 GB")
            << DialogInput{"0", 0, "3", 3, {}, {}} << true << 1 << std::optional<std::int64_t>(0)
            << std::optional<std::int64_t>(3LL << 30);
        QTest::newRow("days reversed") << DialogInput{{}, 0, {}, 0, nov30, nov1} << false << 0
                                       << std::optional<std::int64_t>() << std::optional<std::int64_t>();
        QTest::newRow("1025 byte over 1 KB")
            << DialogInput{"1025", 0, "1", 1, {}, {}} << false << 0 << std::optional<std::int64_t>()
            << std::optional<std::int64_t>();
        QTest::newRow("too large") << DialogInput{"9999999999999", 3, {}, 0, {}, {}} << false << 0
                                   << std::optional<std::int64_t>() << std::optional<std::int64_t>();
    }
    void filtersDialog()
    {
        QFETCH(DialogInput, input);
        QFETCH(bool, accepted);
        QFETCH(int, on);
        QFETCH(std::optional<std::int64_t>, minSize);
        QFETCH(std::optional<std::int64_t>, maxSize);
        Sandbox box;
        auto w = box.window();
        chooseFolder(*w, box.tree());
        QString error;
        box.prompter.onDialog = fill(input, &error);
        child<QPushButton>(*w, "cmdFiltri")->click();
        QCOMPARE(error.isEmpty(), accepted);
        ListingFilters expected;
        expected.minSize = minSize;
        expected.maxSize = maxSize;
        if (accepted) {
            expected.modifiedFrom = input.since.isValid() ? std::optional(input.since) : std::nullopt;
            expected.modifiedTo = input.until.isValid() ? std::optional(input.until) : std::nullopt;
        }
        QCOMPARE(w->state().filters, expected);
        QCOMPARE(child<QPushButton>(*w, "cmdFiltri")->text(),
                 on ? QStringLiteral("Fi&ltri (%1)").arg(on) : QStringLiteral("Fi&ltri..."));
        QCOMPARE(labelText(*w, "lblCurDir"), titleWithFilters(box.tree() + QStringLiteral("*.*"), expected));

        // Opened again, the dialog shows the ranges as they are; "Azzera" then OK takes them off.
        box.prompter.onDialog = [](QDialog& d) {
            child<QPushButton>(d, "cmdAzzera")->click();
            d.accept();
            return d.result();
        };
        child<QPushButton>(*w, "cmdFiltri")->click();
        QCOMPARE(w->state().filters, ListingFilters());
        QCOMPARE(child<QPushButton>(*w, "cmdFiltri")->text(), QStringLiteral("Fi&ltri..."));
        QCOMPARE(labelText(*w, "lblCurDir"), box.tree() + QStringLiteral("*.*"));
    }

    // A scan with a set of masks, an exclusion and a size range: excluded folders are neither
    // listed nor counted, a mask that cannot be used is told and starts nothing; the text used
    // goes first in the box's history, once.
    void scanWithFilters()
    {
        Sandbox box;
        const QString t = box.tree();
        writeFile(t + QStringLiteral("a.exe"), QByteArray(2048, 'x'));
        writeFile(t + QStringLiteral("b.dll"), "small");
        writeFile(t + QStringLiteral("c.txt"), QByteArray(2048, 'x'));
        writeFile(t + QStringLiteral("sub/d.sys"), QByteArray(4096, 'x'));
        writeFile(t + QStringLiteral(".git/e.exe"), QByteArray(4096, 'x'));
        writeFile(t + QStringLiteral("sub/.git/f.exe"), QByteArray(4096, 'x'));
        auto w = box.window();
        chooseFolder(*w, t);
        pick(*w, "cboRicercaIn", 1);
        auto* masks = child<QComboBox>(*w, "cboPATTERN");
        QCOMPARE(masks->itemText(masks->count() - 3), QStringLiteral("*.exe;*.dll;*.ocx;*.sys"));
        pick(*w, "cboPATTERN", masks->count() - 3);
        auto* exclude = child<QComboBox>(*w, "cboESCLUDI");
        exclude->setEditText(QStringLiteral("src/.git"));
        QVERIFY(scan(*w));
        QCOMPARE(int(box.prompter.messages.size()), 1);
        QCOMPARE(labelText(*w, "lblTotFile"), QStringLiteral("0"));
        QCOMPARE(exclude->count(), 0);

        exclude->setEditText(QStringLiteral(" .git ; *.tmp"));
        box.prompter.onDialog = fill({"1", 1, {}, 0, {}, {}});
        child<QPushButton>(*w, "cmdFiltri")->click();
        QVERIFY(scan(*w));
        QCOMPARE(int(box.prompter.messages.size()), 1);
        QCOMPARE(labelText(*w, "lblTotFile") + u' ' + labelText(*w, "lblCartelle"), QStringLiteral("2 2"));
        QStringList names;
        for (int r = 1; r <= w->table().rowCount(); ++r)
            names << w->table().text(r, ColName);
        names.sort();
        QCOMPARE(names,
                 (QStringList{QStringLiteral("a"), QStringLiteral("d")})); // the name column has no extension
        ListingFilters shown = w->state().filters;
        QCOMPARE(shown.exclusions, (QStringList{QStringLiteral(".git"), QStringLiteral("*.tmp")}));
        QCOMPARE(labelText(*w, "lblCurDir"), titleWithFilters(t + masks->currentText(), shown));
        exclude->setEditText(QStringLiteral("*.bak"));
        QVERIFY(scan(*w));
        exclude->setEditText(QStringLiteral(" .git ; *.tmp"));
        QVERIFY(scan(*w));
        QCOMPARE(exclude->count(), 2);
        QCOMPARE(exclude->itemText(0), QStringLiteral(" .git ; *.tmp"));
    }

    // What the window was closed with comes back at the next start; a window never given a
    // filter writes none of their names.
    void restartRestoresFilters()
    {
        Sandbox box;
        {
            auto w = box.window();
            w->close();
        }
        QVERIFY(!readAll(box.settingsPath()).contains("Escludi"));
        QVERIFY(!readAll(box.settingsPath()).contains("Dim"));
        const QDate day(2026, 11, 8);
        {
            auto w = box.window();
            chooseFolder(*w, box.tree());
            for (const char* text : {"*.tmp", "node_modules;.git"}) {
                child<QComboBox>(*w, "cboESCLUDI")->setEditText(QLatin1String(text));
                QVERIFY(scan(*w));
            }
            box.prompter.onDialog = fill({{}, 0, "10", 2, {}, day});
            child<QPushButton>(*w, "cmdFiltri")->click();
            w->close();
        }
        auto w = box.window();
        auto* exclude = child<QComboBox>(*w, "cboESCLUDI");
        QCOMPARE(exclude->currentText(), QStringLiteral("node_modules;.git"));
        QCOMPARE(exclude->count(), 2);
        QCOMPARE(exclude->itemText(1), QStringLiteral("*.tmp"));
        QCOMPARE(child<QPushButton>(*w, "cmdFiltri")->text(), QStringLiteral("Fi&ltri (2)"));
        ListingFilters expected;
        expected.exclusions = QStringList{QStringLiteral("node_modules"), QStringLiteral(".git")};
        expected.maxSize = 10 << 20;
        expected.modifiedTo = day;
        QCOMPARE(w->state().filters, expected);
        QCOMPARE(labelText(*w, "lblCurDir"), titleWithFilters(box.tree() + QStringLiteral("*.*"), expected));
    }

    // The new controls' Alt keys are theirs alone: none takes the key of a menu or of another
    // control of the window (Alt+F opens the "File" menu, Alt+E goes to the folder tree).
    void ownAccelerators()
    {
        Sandbox box;
        auto w = box.window();
        QList<QKeySequence> others;
        for (QAction* menu : w->menuBar()->actions())
            others << QKeySequence::mnemonic(menu->text());
        for (QLabel* l : w->findChildren<QLabel*>())
            if (l->buddy() && l->objectName() != u"lblEscludi_")
                others << QKeySequence::mnemonic(l->text());
        for (QPushButton* b : w->findChildren<QPushButton*>())
            if (b->objectName() != u"cmdFiltri")
                others << QKeySequence::mnemonic(b->text());
        for (const char* name : {"lblEscludi_", "cmdFiltri"}) {
            auto* own = child<QWidget>(*w, name);
            const QString text = own->property("text").toString();
            QVERIFY2(!QKeySequence::mnemonic(text).isEmpty(), name);
            QVERIFY2(!others.contains(QKeySequence::mnemonic(text)), qPrintable(text));
        }
    }

private:
    static QByteArray readAll(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

QTEST_MAIN(TestAppFilters)
#include "test_app_filters.moc"
