// stall_bench [ROWS]: the longest stall of the window's event loop (a 10 ms heartbeat timer
// measures the gaps between its beats) while the window's dialogs do their longest work on
// a list of ROWS rows (200,000 unless told):
//   - "&Stampa" in the print dialog, to the built-in PDF printer;
//   - "Salva &PDF" in the print preview;
//   - "&Esporta" of a workbook (XLSX) in the newer formats' export dialog.
// Each case runs from the click to the message that says how it went. It uses only what the
// dialogs have always offered, so the same source measures an older build for comparison.
// Not a test: it prints numbers against the 100 ms target.

#include "print/QtPrinterSurface.h"
#include "results/AppState.h"
#include "results/RowSource.h"
#include "ScriptedPrompter.h"
#include "system/SystemData.h"
#include "ui/EsportaFormatoDialog.h"
#include "ui/FrmAnteprima.h"
#include "ui/FrmStampaDir.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>

using namespace vellora;

namespace {

class BenchRows : public RowSource
{
public:
    explicit BenchRows(qsizetype rows) : m_rows(rows) {}
    qsizetype rowCount() const override { return m_rows; }
    QString text(qsizetype row, int column) const override
    {
        switch (column) {
        case ColName:
            return name(row);
        case ColExt:
            return QStringLiteral("dat");
        case ColSize:
            return QString::number(row * 37);
        case ColFolder:
            return folder(row);
        default:
            return {};
        }
    }
    QByteArray nameBytes(qsizetype row) const override
    {
        return QFile::encodeName(name(row) + QStringLiteral(".dat"));
    }
    QByteArray folderBytes(qsizetype row) const override { return QFile::encodeName(folder(row)); }

private:
    static QString name(qsizetype row)
    {
        return QStringLiteral("documento_%1").arg(row, 6, 10, QLatin1Char('0'));
    }
    static QString folder(qsizetype row)
    {
        return QStringLiteral("/srv/archivio/cartella_%1/").arg(row % 50);
    }
    qsizetype m_rows;
};

struct Stall
{
    double longestMs = 0;
    double totalMs = 0;
    QString message;
};

// Starts the work from the event loop, as a click does, and beats every 10 ms until the
// prompter has said how it went; the longest gap between beats is the stall.
Stall measure(ScriptedPrompter& prompter, const std::function<void()>& click)
{
    Stall stall;
    QElapsedTimer clock;
    qint64 last = 0;
    QEventLoop loop;
    QTimer heartbeat;
    heartbeat.setInterval(10);
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        stall.longestMs = std::max(stall.longestMs, double(now - last) / 1e6);
        last = now;
        if (!prompter.messages.empty())
            loop.quit();
    });
    clock.start();
    heartbeat.start();
    QTimer::singleShot(0, &loop, click);
    loop.exec();
    stall.totalMs = double(clock.nsecsElapsed()) / 1e6;
    stall.message = prompter.messages.front().text.section(QLatin1Char('\n'), 0, 0).trimmed();
    return stall;
}

void report(const char* what, const Stall& s)
{
    std::printf("%-34s longest stall %8.1f ms (target < 100 ms), %7.0f ms in all: %s\n", what, s.longestMs,
                s.totalMs, qPrintable(s.message));
    std::fflush(stdout);
}

AppState benchState()
{
    AppState st;
    st.CartellaRicerca = QStringLiteral("/srv/archivio/");
    st.TipoRicerca = Scope::Subfolders;
    st.OptS = {1, 1, 1, 1, 0, 0, 0, 0};
    return st;
}

const QString kSystemLine = QStringLiteral("Debian GNU/Linux - 12 (bookworm) - Ver. 6.1.0");

Stall printToPdf(const RowSource& rows)
{
    AppState st = benchState();
    ScriptedPrompter prompter;
    QtPrinterSurface pdf;
    pdf.selectPrinter(pdf.pdfIndex());
    FrmStampaDir dialog(pdf, st, rows, kSystemLine, prompter);
    dialog.setWaitMs(0);
    dialog.show();
    return measure(prompter, [&] { dialog.findChild<QPushButton*>(QStringLiteral("cmdStampa"))->click(); });
}

Stall savePdfFromPreview(const RowSource& rows)
{
    AppState st = benchState();
    ScriptedPrompter prompter;
    QtPrinterSurface pdf;
    pdf.selectPrinter(pdf.pdfIndex());
    FrmAnteprima preview(pdf, ReportInput{rows, st, kSystemLine}, prompter);
    preview.resize(1000, 900);
    preview.show();
    while (!preview.pages().complete())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return measure(prompter,
                   [&] { preview.findChild<QPushButton*>(QStringLiteral("cmdSalvaPDF"))->click(); });
}

Stall exportWorkbook(const RowSource& rows, const QString& folder)
{
    AppState st = benchState();
    ScriptedPrompter prompter;
    const SystemData system{QStringLiteral("2"), QStringLiteral("Debian"), QString(), QStringLiteral("6.1")};
    EsportaFormatoDialog dialog(st, rows, system, prompter);
    dialog.setExportFolder(folder);
    dialog.show();
    dialog.findChild<QRadioButton*>(QStringLiteral("optXLSX"))->click();
    return measure(prompter, [&] { dialog.findChild<QPushButton*>(QStringLiteral("cmdEsporta"))->click(); });
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const qsizetype n = argc > 1 ? QByteArray(argv[1]).toLongLong() : 200'000;
    QTemporaryDir out;
    qputenv("VELLORA_EXPORT_DIR", QFile::encodeName(out.path()));
    const BenchRows rows(n);
    std::printf("%lld rows\n", static_cast<long long>(n));
    report("print to the PDF printer:", printToPdf(rows));
    report("preview, \"Salva PDF\":", savePdfFromPreview(rows));
    report("export dialog, XLSX:", exportWorkbook(rows, out.path()));
    return 0;
}
