// The column dialog driven through its object names, on the window's state and a fake
// column 0 of the result table.

#include "ui/ColonneDialog.h"

#include <QCheckBox>
#include <QLabel>
#include <QLayout>
#include <QMap>
#include <QPushButton>
#include <QTest>

using namespace vellora;

Q_DECLARE_METATYPE(vellora::ColumnProfile)

namespace {

// Column 0 of a table: index 0 is the heading, 1..rows the cells.
struct FakeTable : NumberColumnTarget
{
    FakeTable(QStringList c, QString n) : column0(std::move(c)), counter(std::move(n)) {}
    QStringList column0;
    QString counter;

    QString fileCounterText() const override { return counter; }
    qsizetype rowCount() const override { return column0.size() - 1; }
    void clearNumberColumn(qsizetype n) override
    {
        for (qsizetype r = 0; r <= n; ++r)
            column0[r].clear();
    }
    void numberRows(qsizetype n) override
    {
        for (qsizetype r = 1; r <= n; ++r)
            column0[r] = QString::number(r);
        column0[0] = QStringLiteral("Nr.");
    }
};

QCheckBox* box(QDialog& d, int i)
{
    return d.findChild<QCheckBox*>(QStringLiteral("ckOpt%1").arg(i));
}

void press(QDialog& d, const char* button)
{
    d.findChild<QPushButton*>(QLatin1String(button))->click();
}

AppState stateFor(const QString& profile)
{
    AppState s;
    s.ProfiloColonne = profile == u"STAMPA"    ? ProfileKind::Stampa
                       : profile == u"ESPORTA" ? ProfileKind::Esporta
                                               : ProfileKind::Vedi;
    s.Intestazioni[ColInfo] = QStringLiteral("Descrizione File");
    // Number and folder on, the name off as an older version may have left them: the boxes
    // hidden from the user keep their values, the name is always printed.
    s.OptS = {0, 0, 1, 1, 0, 1, 0, 1};
    s.OptV = {1, 1, 1, 0, 1, 0, 0, 0};
    return s;
}

} // namespace

class TestColonne : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void loads_data()
    {
        QTest::addColumn<QString>("profile");
        QTest::addColumn<ColumnProfile>("shown"); // the flags the boxes show
        QTest::newRow("VEDI") << "VEDI" << stateFor({}).OptV;
        QTest::newRow("STAMPA") << "STAMPA" << stateFor({}).OptS;
        QTest::newRow("ESPORTA") << "ESPORTA" << stateFor({}).OptS;
    }

    void loads()
    {
        QFETCH(QString, profile);
        QFETCH(ColumnProfile, shown);
        AppState state = stateFor(profile);
        const bool vedi = profile == u"VEDI";
        ColonneDialog d(state, nullptr);
        QCOMPARE(d.findChild<QLabel*>(QStringLiteral("imgST"))->isHidden(), vedi);
        QCOMPARE(d.findChild<QLabel*>(QStringLiteral("imgVEDI"))->isHidden(), !vedi);
        for (int i = 0; i < 8; ++i) {
            QCOMPARE(box(d, i)->text(), state.Intestazioni[i]); // follows the current info heading
            QCOMPARE(box(d, i)->isChecked(), shown[i] != 0 || i == ColName || i == ColExt);
        }
        QCOMPARE(box(d, ColNumber)->isHidden(), !vedi); // reports have no number column
        QVERIFY(box(d, ColFolder)->isHidden());
        QVERIFY(!box(d, ColName)->isEnabled() && !box(d, ColExt)->isEnabled());

        // The boxes shown fill two columns from the top left, without an empty cell.
        d.layout()->activate();
        QMap<int, QList<int>> columns; // left edge: tops of the boxes shown, in box order
        for (int i = 0; i < 8; ++i)
            if (!box(d, i)->isHidden())
                columns[box(d, i)->x()] << box(d, i)->y();
        QCOMPARE(columns.size(), 2);
        const QList<int> left = columns.first();
        const QList<int> right = columns.last();
        QCOMPARE(left.size(), vedi ? 4 : 3);
        QCOMPARE(right, left.first(right.size()));
    }

    // Only OK on a known profile keeps the clicks. Print and export share the flags (the
    // loads test shows ESPORTA reading what STAMPA writes); the number column stays as it is.
    void closing_data()
    {
        QTest::addColumn<QString>("profile");
        QTest::addColumn<QByteArray>("button");
        QTest::addColumn<ColumnProfile>("optS");
        const ColumnProfile before = stateFor({}).OptS;
        QTest::newRow("STAMPA, OK") << "STAMPA" << QByteArray("cmdOK")
                                    << ColumnProfile{0, 1, 1, 0, 0, 1, 1, 1};
        QTest::newRow("STAMPA, Annulla") << "STAMPA" << QByteArray("cmdAnnulla") << before;
        QTest::newRow("VEDI, Annulla") << "VEDI" << QByteArray("cmdAnnulla") << before;
    }

    void closing()
    {
        QFETCH(QString, profile);
        QFETCH(QByteArray, button);
        QFETCH(ColumnProfile, optS);
        AppState state = stateFor(profile);
        FakeTable table{{"Nr.", "1", "2"}, QStringLiteral("2")};
        {
            ColonneDialog d(state, &table);
            for (int i : {ColSize, ColInfo, ColName, ColNumber})
                box(d, i)->click();
            press(d, button.constData());
        }
        QCOMPARE(state.OptS, optS);
        QCOMPARE(state.OptV, stateFor({}).OptV);
        QCOMPARE(table.column0, QStringList({"Nr.", "1", "2"}));
    }

    void numberColumn_data()
    {
        QTest::addColumn<int>("flag0");  // OptV[0] when the dialog opens
        QTest::addColumn<int>("clicks"); // clicks on the number box
        QTest::addColumn<QStringList>("column0");
        QTest::addColumn<QString>("counter");
        QTest::addColumn<QStringList>("expected");

        const QStringList numbered{"Nr.", "1", "2", "3"};
        const QStringList empty{"", "", "", ""};
        const QStringList reordered{"Nr.", "3", "1", "2"}; // renumbering follows the current order
        QTest::newRow("uncheck empties heading and rows") << 1 << 1 << reordered << "3" << empty;
        QTest::newRow("check numbers in current order") << 0 << 1 << empty << "3" << numbered;
        QTest::newRow("check again renumbers") << 1 << 2 << reordered << "3" << numbered;
        QTest::newRow("no click leaves a disagreeing column") << 0 << 0 << numbered << "3" << numbered;
        QTest::newRow("counter not a number") << 0 << 1 << empty << "abc" << empty;
        QTest::newRow("counter beyond the table") << 1 << 1 << numbered << "4" << numbered;
        QTest::newRow("counter below the table") << 1 << 1 << numbered << "2" << QStringList{"", "", "", "3"};
        QTest::newRow("empty table") << 0 << 1 << QStringList{""} << "0" << QStringList{"Nr."};
    }

    void numberColumn()
    {
        QFETCH(int, flag0);
        QFETCH(int, clicks);
        QFETCH(QStringList, column0);
        QFETCH(QString, counter);
        QFETCH(QStringList, expected);

        AppState state = stateFor(QStringLiteral("VEDI"));
        state.OptV[ColNumber] = std::int16_t(flag0);
        FakeTable table{column0, counter};
        ColonneDialog d(state, &table);
        for (int c = 0; c < clicks; ++c)
            box(d, ColNumber)->click();
        box(d, ColSize)->click(); // takes effect at the next fill only
        QCOMPARE(table.column0, column0);
        press(d, "cmdOK");
        QCOMPARE(int(state.OptV[ColNumber]), (flag0 + clicks) % 2);
        QCOMPARE(int(state.OptV[ColSize]), 1);
        QCOMPARE(table.column0, expected);
    }

    // Every flag off takes the default; a single flag on, even the hidden folder's, is kept.
    void profileDefaults()
    {
        AppState state;
        state.OptS = {};
        state.OptV = {0, 0, 0, 0, 0, 0, 0, 1};
        applyProfileDefaults(state);
        QCOMPARE(state.OptS, kDefaultOptS);
        QCOMPARE(state.OptV, (ColumnProfile{0, 0, 0, 0, 0, 0, 0, 1}));
    }
};

QTEST_MAIN(TestColonne)
#include "test_colonne.moc"
