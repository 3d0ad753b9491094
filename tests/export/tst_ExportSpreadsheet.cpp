// A tab-separated export opened by a real spreadsheet: LibreOffice converts it to CSV and
// every listed file must come back as exactly one row with the same fields. Skipped where
// LibreOffice is not installed.

#include "../common/MemoryRows.h"
#include "export/Exporter.h"
#include "results/AppState.h"
#include "system/SystemData.h"

#include <QDir>
#include <QLocale>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace vellora;
using namespace vellora::test;

namespace {

// One sheet row per line (the export turns line breaks inside names into "?", so a line
// break here means a name was split); fields separated by commas, quoted when needed.
QList<QStringList> parseCsv(const QString& text)
{
    static const QRegularExpression field(QStringLiteral("\"((?:[^\"]|\"\")*)\"(?:,|$)|([^,]*)(?:,|$)"));
    QList<QStringList> rows;
    for (QString line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        QStringList cells;
        for (qsizetype at = 0; at < line.size();) {
            const QRegularExpressionMatch m = field.match(line, at, QRegularExpression::NormalMatch,
                                                          QRegularExpression::AnchorAtOffsetMatchOption);
            cells << (m.hasCaptured(1) ? m.captured(1).replace(QStringLiteral("\"\""), QStringLiteral("\""))
                                       : m.captured(2));
            at = m.capturedEnd() + (m.capturedEnd() == at ? 1 : 0);
            if (line.endsWith(QLatin1Char(',')) && at == line.size())
                cells << QString();
        }
        rows << cells;
    }
    return rows;
}

} // namespace

class TestExportSpreadsheet : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void oneFileOneRow()
    {
        const QString office = QStandardPaths::findExecutable(QStringLiteral("libreoffice"));
        if (office.isEmpty())
            QSKIP("LibreOffice is not installed");
        QLocale::setDefault(QLocale::c());
        QTemporaryDir tmp;
        QVERIFY(tmp.isValid());
        const QString data = tmp.path() + QStringLiteral("/dati/");
        QVERIFY(QDir().mkpath(data));

        // Names that a spreadsheet might split, join or evaluate.
        const QStringList bases{QStringLiteral("semplice"),          QStringLiteral("con\ttab"),
                                QStringLiteral("a capo\nqui"),       QStringLiteral("\"virgolette"),
                                QStringLiteral("virgola, e; punto"), QStringLiteral("àccentato ñ €"),
                                QStringLiteral("=SOMMA(1;2)"),       QStringLiteral("-meno"),
                                QStringLiteral("chiusa\"")};
        MemoryRows rows;
        for (const QString& b : bases) {
            QFile f(data + b + QStringLiteral(".txt"));
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write("12345") == 5);
            rows.add(b, QStringLiteral("txt"), data);
        }
        rows.add(QStringLiteral("senza estensione"), QString(), data);
        QFile plain(data + QStringLiteral("senza estensione"));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();

        AppState state;
        state.CartellaRicerca = data;
        state.TipoRicerca = 0;
        state.OptS = {1, 1, 1, 1, 1, 0, 0, 0};
        const SystemData system{QStringLiteral("2"), QStringLiteral("Linux"), QString(), QStringLiteral("6")};
        const ExportRequest request{rows,
                                    state,
                                    system,
                                    QDateTime(QDate(2004, 5, 12), QTime(14, 30, 59)),
                                    tmp.path() + QStringLiteral("/temp/"),
                                    NameLayout::Separate};
        const ExportOutcome outcome = exportToFile(ExportKind::Tabbed, request);
        QVERIFY2(outcome.ok, qPrintable(outcome.error));

        // Tab-separated, double quote as text delimiter, UTF-8, from line 1: what the import
        // dialog offers for such a file.
        QProcess lo;
        lo.setWorkingDirectory(tmp.path());
        lo.setProcessEnvironment([&] {
            auto env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("HOME"), tmp.path()); // a private profile
            return env;
        }());
        lo.start(office, {QStringLiteral("--headless"), QStringLiteral("--norestore"),
                          QStringLiteral("--infilter=Text - txt - csv (StarCalc):9,34,76,1"),
                          QStringLiteral("--convert-to"),
                          QStringLiteral("csv:Text - txt - csv (StarCalc):44,34,76,1"),
                          QStringLiteral("--outdir"), tmp.path() + QStringLiteral("/csv"), outcome.filePath});
        QVERIFY(lo.waitForFinished(240000));
        QFile csv(tmp.path() + QStringLiteral("/csv/") + QFileInfo(outcome.filePath).completeBaseName() +
                  QStringLiteral(".csv"));
        QVERIFY2(csv.open(QIODevice::ReadOnly), lo.readAllStandardError().constData());
        const QString converted = QString::fromUtf8(csv.readAll());
        const QList<QStringList> sheet = parseCsv(converted);
        if (sheet.size() != rows.rowCount())
            qWarning().noquote() << converted;

        QCOMPARE(sheet.size(), rows.rowCount());
        for (qsizetype r = 0; r < sheet.size(); ++r) {
            const QStringList& cells = sheet[r];
            QCOMPARE(cells.size(), 4); // name, extension, size, date
            QString name = rows.rows[std::size_t(r)].base;
            name = name.replace(u'\t', u'?').replace(u'\n', u'?').left(17);
            if (!name.isEmpty() && QStringLiteral("=+-@").contains(name[0]))
                name.prepend(u'\''); // text, not a formula
            QCOMPARE(cells[0], name);
            QCOMPARE(cells[1], rows.rows[std::size_t(r)].ext);
        }
    }
};

QTEST_GUILESS_MAIN(TestExportSpreadsheet)
#include "tst_ExportSpreadsheet.moc"
