// Exports a million rows to a file and prints time and peak memory, next to a baseline that
// only stats each file and prints its name and size with stdio.
//
//   bench_export [rows] [folder]      (defaults: 1000000, a temporary folder)

#include "export/Exporter.h"
#include "results/AppState.h"
#include "results/RowSource.h"
#include "system/SystemData.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>
#include <sys/resource.h>
#include <sys/stat.h>

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
    state.TipoRicerca = 1;

    std::printf("rows: %lld, start peak RSS: %ld KiB\n", (long long)count, peakKiB());
    const double base = baseline(rows, tmp.path() + QStringLiteral("/baseline.txt"));
    std::printf("baseline (stat + fprintf):            %7.2f s\n", base);

    struct Case
    {
        const char* what;
        ExportKind kind;
        ColumnProfile opts;
    };
    const Case cases[] = {
        {"text, all fields (stat + version)", ExportKind::Text, {1, 1, 1, 1, 1, 1, 1, 0}},
        {"tab-separated, all fields", ExportKind::Tabbed, {1, 1, 1, 1, 1, 1, 1, 0}},
        {"text, size and date (stat only)", ExportKind::Text, {1, 1, 1, 1, 1, 0, 0, 0}},
        {"text, names only (no file reads)", ExportKind::Text, {1, 1, 1, 0, 0, 0, 0, 0}},
    };
    int failures = 0;
    QDateTime when = QDateTime::currentDateTime();
    for (const Case& c : cases) {
        state.OptS = c.opts;
        when = when.addSecs(1); // one file per case
        const ExportRequest request{rows, state, system, when, outDir, NameLayout::Single};
        QElapsedTimer t;
        t.start();
        const ExportOutcome outcome = exportToFile(c.kind, request);
        const double secs = double(t.nsecsElapsed()) / 1e9;
        if (!outcome.ok) {
            std::printf("%-38s FAILED: %s\n", c.what, qPrintable(outcome.error));
            ++failures;
            continue;
        }
        std::printf("%-38s %7.2f s  (%5.2fx baseline)  %lld MB written, peak RSS %ld KiB\n", c.what, secs,
                    base > 0 ? secs / base : 0.0, (long long)(QFileInfo(outcome.filePath).size() >> 20),
                    peakKiB());
        QFile::remove(outcome.filePath);
    }
    return failures ? 1 : 0;
}
