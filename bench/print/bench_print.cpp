// Prints a large report to the built-in PDF printer and times it, next to the same report
// on the recording surface (layout, stat and version reads without drawing) as baseline.
// Then the print preview in the same run: from the click on "A&nteprima" to the first page
// on screen, for 1,000 rows and for N, the time to place every row, to draw one page, and
// the worst frame while paging through the report.
//
//   bench_print [--rows N] [--files K] [--landscape] [--out FILE.pdf] [--keep]
//
// Run it offscreen (QT_QPA_PLATFORM=offscreen) or on a display.
//
// The rows refer, in turn, to K real files of a temporary folder, so every row costs the
// file-system reads a real report makes.

#include "print/PreviewSurface.h"
#include "print/PrintReport.h"
#include "print/QtPrinterSurface.h"
#include "RecordingSurface.h"
#include "results/AppState.h"
#include "results/RowSource.h"
#include "ScriptedPrompter.h"
#include "ui/FrmAnteprima.h"
#include "ui/FrmStampaDir.h"
#include "ui/PreviewView.h"

#include <cstdio>
#include <ctime>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>

using namespace vellora;

namespace {

// CPU time of this thread: wall time says little on a machine shared with other builds.
double cpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

class BenchRows : public RowSource
{
public:
    BenchRows(qsizetype rows, int files, QString folder)
        : m_rows(rows), m_files(files), m_folder(std::move(folder))
    {
    }
    qsizetype rowCount() const override { return m_rows; }
    QString text(qsizetype row, int column) const override
    {
        switch (column) {
        case ColName:
            return name(row);
        case ColExt:
            return QStringLiteral("dat");
        case ColFolder:
            return m_folder;
        default:
            return {};
        }
    }
    QByteArray nameBytes(qsizetype row) const override
    {
        return QFile::encodeName(name(row) + QStringLiteral(".dat"));
    }
    QByteArray folderBytes(qsizetype) const override { return QFile::encodeName(m_folder); }

private:
    QString name(qsizetype row) const
    {
        return QStringLiteral("document_%1").arg((row - 1) % m_files, 5, 10, QLatin1Char('0'));
    }
    qsizetype m_rows;
    int m_files;
    QString m_folder;
};

struct PreviewTimes
{
    double firstPageMs = 0; // click to the first page drawn on screen
    double placedMs = 0;    // click to every row placed
    int pages = 0;
    double pageMs = 0;       // one page pictured at the view's zoom, on average
    double worstFrameMs = 0; // paging through the report, one page step a frame
};

// Clicks "A&nteprima" in the real print dialog and times the preview that opens.
PreviewTimes timePreview(PrinterSurface& surface, const RowSource& rows, AppState& st)
{
    PreviewTimes times;
    ScriptedPrompter prompter;
    FrmStampaDir dialog(surface, st, rows, QStringLiteral("Debian GNU/Linux - 12 (bookworm) - Ver. 6.1.0"),
                        prompter);
    QElapsedTimer clock;
    prompter.onDialog = [&](QDialog& d) {
        auto& preview = static_cast<FrmAnteprima&>(d);
        PreviewView& view = preview.view();
        bool shown = false;
        QObject::connect(&view, &PreviewView::pageShown, &d, [&] {
            if (!shown)
                times.firstPageMs = clock.nsecsElapsed() / 1e6;
            shown = true;
        });
        d.resize(1000, 900);
        d.show();
        while (!shown || !preview.pages().complete())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        times.placedMs = clock.nsecsElapsed() / 1e6;
        times.pages = preview.pages().pageCount();

        const double dpi = view.zoom() / 100.0 * view.logicalDpiX();
        const int sample = std::min(times.pages, 20);
        QElapsedTimer t;
        t.start();
        for (int p = 1; p <= sample; ++p)
            (void)pageImage(preview.pages(), (p * 7919) % times.pages + 1, dpi);
        times.pageMs = t.nsecsElapsed() / 1e6 / sample;

        for (int step = 0; step < 60; ++step) {
            t.restart();
            view.verticalScrollBar()->setValue(view.verticalScrollBar()->value() +
                                               view.verticalScrollBar()->pageStep());
            view.viewport()->repaint();
            times.worstFrameMs = std::max(times.worstFrameMs, t.nsecsElapsed() / 1e6);
        }
        d.reject();
        return int(QDialog::Rejected);
    };
    auto* button = dialog.findChild<QPushButton*>(QStringLiteral("cmdAnteprima"));
    clock.start();
    button->click();
    return times;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    qsizetype rows = 100000;
    int files = 1000;
    bool landscape = false;
    QString out;
    bool keep = false;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--rows") && i + 1 < args.size())
            rows = args[++i].toLongLong();
        else if (args[i] == QLatin1String("--files") && i + 1 < args.size())
            files = std::max(1, args[++i].toInt());
        else if (args[i] == QLatin1String("--landscape"))
            landscape = true;
        else if (args[i] == QLatin1String("--out") && i + 1 < args.size())
            out = args[++i];
        else if (args[i] == QLatin1String("--keep"))
            keep = true;
    }

    QTemporaryDir tmp;
    const QString folder = tmp.path() + QStringLiteral("/listed/");
    QDir().mkpath(folder);
    for (int f = 0; f < files; ++f) {
        QFile file(folder + QStringLiteral("document_%1.dat").arg(f, 5, 10, QLatin1Char('0')));
        if (file.open(QIODevice::WriteOnly))
            file.write(QByteArray(100 + f * 37, 'x'));
    }
    const BenchRows source(rows, files, folder);
    AppState st;
    st.CartellaRicerca = folder;
    st.TipoRicerca = landscape ? Scope::Subfolders : Scope::Folder;
    st.OptS = {1, 1, 1, 1, 1, 1, std::int16_t(landscape ? 1 : 0), 0};
    st.listed.folders = 1;
    const ReportInput input{source, st, QStringLiteral("Debian GNU/Linux - 12 (bookworm) - Ver. 6.1.0")};
    ReportOptions options;
    options.waitMs = 0;

    QElapsedTimer t;
    t.start();
    double cpu = cpuSeconds();
    RecordingSurface recorder(3.2);
    const ReportOutcome base = printChosenReport(recorder, input, options);
    const double baseSecs = t.nsecsElapsed() / 1e9;
    const double baseCpu = cpuSeconds() - cpu;

    QtPrinterSurface surface;
    surface.selectPrinter(surface.pdfIndex());
    if (out.isEmpty())
        out = tmp.path() + QStringLiteral("/report.pdf");
    surface.setPdfOutputPath(out);
    t.restart();
    cpu = cpuSeconds();
    const ReportOutcome pdf = printChosenReport(surface, input, options);
    const double pdfSecs = t.nsecsElapsed() / 1e9;
    const double pdfCpu = cpuSeconds() - cpu;
    if (!pdf.job.ok) {
        std::fprintf(stderr, "print failed: %s\n", qPrintable(pdf.job.error));
        return 1;
    }
    const qint64 bytes = QFileInfo(pdf.job.pdfPath).size();
    std::printf("rows %lld, %s, pages %d\n", static_cast<long long>(rows),
                landscape ? "landscape" : "portrait", pdf.pages);
    std::printf("pdf report        %8.3f s wall %8.3f s cpu  (%.0f rows/s, %.1f MB)\n", pdfSecs, pdfCpu,
                double(rows) / pdfSecs, double(bytes) / 1e6);
    std::printf("recording surface %8.3f s wall %8.3f s cpu  (layout and file reads only, %d pages)\n",
                baseSecs, baseCpu, base.pages);
    std::printf("ratio pdf/recording (cpu) %.1f\n", pdfCpu / baseCpu);
    if (keep)
        std::printf("kept %s\n", qPrintable(pdf.job.pdfPath));

    // The preview measures on the same printer as the PDF above.
    for (const qsizetype n : {qsizetype(1000), rows}) {
        const BenchRows previewRows(n, files, folder);
        const PreviewTimes p = timePreview(surface, previewRows, st);
        std::printf("preview %7lld rows: first page %7.1f ms, all %5d pages placed %8.1f ms, one page drawn "
                    "%5.1f ms, worst frame paging %5.1f ms\n",
                    static_cast<long long>(n), p.firstPageMs, p.pages, p.placedMs, p.pageMs, p.worstFrameMs);
    }
    std::printf("whole pdf for %lld rows: %.1f ms\n", static_cast<long long>(rows), pdfSecs * 1000);
    return 0;
}
