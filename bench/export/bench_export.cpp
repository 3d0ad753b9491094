// Exports a million rows to a file and prints time and peak memory, next to a baseline that
// only stats each file and prints its name and size with stdio. Each export runs in a child
// process of its own, so each peak is that export's alone; the newer formats run beside the
// tab-separated export with the same columns, which is what their targets are set against.
//
//   bench_export [rows] [folder]      (defaults: 1000000, a temporary folder)

#include "export/Export.h"
#include "results/AppState.h"
#include "results/RowSource.h"
#include "system/SystemData.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QTemporaryDir>

#include <cstdio>
#include <optional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace vellora;

namespace {

// Rows over a handful of real files, repeated: what a large listing looks like to the
// export, without holding a million rows in memory.
class RepeatingRows : public RowSource
{
public:
    RepeatingRows(QByteArray folder, QList<QByteArray> names, qsizetype count)
        : m_folder(std::move(folder)), m_names(std::move(names)), m_count(count)
    {
    }
    qsizetype rowCount() const override { return m_count; }
    QString text(qsizetype row, int column) const override
    {
        const QByteArray& name = pick(row);
        const qsizetype dot = name.lastIndexOf('.');
        switch (column) {
        case ColName:
            return QString::fromUtf8(dot < 0 ? name : name.left(dot));
        case ColExt:
            return dot < 0 ? QString() : QString::fromUtf8(name.mid(dot + 1));
        case ColFolder:
            return QString::fromUtf8(m_folder);
        default:
            return {};
        }
    }
    QByteArray nameBytes(qsizetype row) const override { return pick(row); }
    QByteArray folderBytes(qsizetype) const override { return m_folder; }

private:
    const QByteArray& pick(qsizetype row) const { return m_names[(row - 1) % m_names.size()]; }
    QByteArray m_folder;
    QList<QByteArray> m_names;
    qsizetype m_count;
};

long peakKiB()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

double baseline(const RowSource& rows, const QString& file)
{
    QElapsedTimer t;
    t.start();
    std::FILE* out = std::fopen(QFile::encodeName(file).constData(), "w");
    if (!out)
        return -1;
    for (qsizetype r = 1; r <= rows.rowCount(); ++r) {
        const QByteArray path = rows.rowPath(r);
        struct stat st;
        if (::stat(path.constData(), &st) == 0)
            std::fprintf(out, "%s\t%lld\t%lld\r\n", rows.nameBytes(r).constData(), (long long)st.st_size,
                         (long long)st.st_mtime);
    }
    std::fclose(out);
    return double(t.nsecsElapsed()) / 1e9;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("vellora.*=false"));
    const qsizetype count = argc > 1 ? QByteArray(argv[1]).toLongLong() : 1000000;
    QTemporaryDir tmp;
    const QString outDir = argc > 2 ? QString::fromLocal8Bit(argv[2]) : tmp.path() + QStringLiteral("/temp/");

    const QString data = tmp.path() + QStringLiteral("/dati/");
    QDir().mkpath(data);
    QList<QByteArray> names;
    const char* samples[] = {"setup.exe",     "README",          "libreria_condivisa_lunga.dll",
                             "nota.txt",      "archivio.tar.gz", "immagine.png",
                             "documento.pdf", "àccentato.ini"};
    int i = 0;
    for (const char* s : samples) {
        QFile f(data + QString::fromUtf8(s));
        f.open(QIODevice::WriteOnly);
        f.write(QByteArray(512 * ++i, 'x'));
        names << QByteArray(s);
    }
    RepeatingRows rows(QFile::encodeName(data), names, count);
    SystemData system{QStringLiteral("2"), QStringLiteral("Linux"), QString(), QStringLiteral("6")};
    AppState state;
    state.CartellaRicerca = data;
    state.TipoRicerca = Scope::Subfolders;

    std::printf("rows: %lld, start peak RSS: %ld KiB\n", (long long)count, peakKiB());
    const double base = baseline(rows, tmp.path() + QStringLiteral("/baseline.txt"));
    std::printf("baseline (stat + fprintf):            %7.2f s\n", base);

    struct Case
    {
        const char* what;
        ExportKind kind;
        ColumnProfile opts;
    };
    const ColumnProfile all{1, 1, 1, 1, 1, 1, 1, 0};
    const Case cases[] = {
        {"text, all fields (stat + version)", ExportKind::Text, all},
        {"tab-separated, all fields", ExportKind::Tabbed, all},
        {"CSV, all fields", ExportKind::Csv, all},
        {"JSON lines (always all fields)", ExportKind::JsonLines, all},
        {"XLSX, all fields", ExportKind::Xlsx, all},
        {"HTML, all fields", ExportKind::Html, all},
        {"text, size and date (stat only)", ExportKind::Text, {1, 1, 1, 1, 1, 0, 0, 0}},
        {"text, names only (no file reads)", ExportKind::Text, {1, 1, 1, 0, 0, 0, 0, 0}},
    };
    int failures = 0;
    QDateTime when = QDateTime::currentDateTime();
    double tabbed = 0;
    for (const Case& c : cases) {
        state.OptS = c.opts;
        when = when.addSecs(1); // one file per case
        std::fflush(stdout);
        int pipeFd[2];
        if (::pipe(pipeFd) != 0)
            return 2;
        const pid_t child = ::fork();
        if (child == 0) {
            ::close(pipeFd[0]);
            QElapsedTimer t;
            t.start();
            const ExportRequest request{rows, state, system, when, ExportChoice{c.kind}};
            const ExportOutcome outcome = writeExport(request, ExportTarget::folder(outDir));
            const bool ok = outcome.ok;
            const QString error = outcome.error;
            const QString path = outcome.filePath;
            const double secs = double(t.nsecsElapsed()) / 1e9;
            const long long bytes = QFileInfo(path).size();
            QFile::remove(path);
            if (!ok) {
                std::printf("%-38s FAILED: %s\n", c.what, qPrintable(error));
                std::fflush(stdout);
                ::_exit(1);
            }
            (void)!::write(pipeFd[1], &secs, sizeof secs);
            std::printf("%-38s %7.2f s  (%5.2fx baseline)  %5lld MB written, peak RSS %7ld KiB", c.what, secs,
                        base > 0 ? secs / base : 0.0, bytes >> 20, peakKiB());
            std::fflush(stdout);
            ::_exit(0);
        }
        ::close(pipeFd[1]);
        double secs = 0;
        const bool got = ::read(pipeFd[0], &secs, sizeof secs) == sizeof secs;
        ::close(pipeFd[0]);
        int status = 0;
        ::waitpid(child, &status, 0);
        if (!got || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            ++failures;
            std::printf("\n");
            continue;
        }
        if (c.kind == ExportKind::Tabbed && c.opts == all)
            tabbed = secs;
        if (!isWindowFile(c.kind) && tabbed > 0)
            std::printf("  %4.2fx tab-separated", secs / tabbed);
        std::printf("\n");
    }
    return failures ? 1 : 0;
}
