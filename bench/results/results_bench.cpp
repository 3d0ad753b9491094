// results_bench [TREE]: builds a million rows in memory (names and folders like a real
// tree), reports the table's bytes per row with the default columns and with every column,
// and times the orders. With TREE (a folder made by bench/scan/make_tree.py) the size and
// date orders run on its real files, repeated up to a million rows.

#include "results/ResultTable.h"
#include "scan/Scanner.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLocale>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <random>

using namespace vellora;

namespace {

long rssKb()
{
    FILE* f = std::fopen("/proc/self/status", "r");
    char line[256];
    long kb = 0;
    while (f && std::fgets(line, sizeof line, f))
        if (std::strncmp(line, "VmRSS:", 6) == 0)
            kb = std::atol(line + 6);
    if (f)
        std::fclose(f);
    return kb;
}

ScanResults synthetic(std::size_t n)
{
    static const char* words[] = {"report", "data",   "Notes", "main",  "build",
                                  "cache",  "readme", "IMG",   "setup", "lib"};
    static const char* exts[] = {"txt", "TXT", "c", "h", "cpp", "dll", "exe", "png", "tar.gz", ""};
    std::mt19937 rng(42);
    ScanResults s;
    const std::size_t folders = n / 20;
    for (std::size_t f = 0; f < folders; ++f)
        s.folders.push_back("/home/user/projects/tree/" + QByteArray(words[f % 10]) + '_' +
                            QByteArray::number(quint64(f / 10)) + "/sub" +
                            QByteArray::number(quint64(f % 7)) + '/');
    s.entries.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        std::string name = std::string(words[rng() % 10]) + '_' + std::to_string(rng() % 1000000);
        const char* ext = exts[rng() % 10];
        if (*ext)
            name += std::string(".") + ext;
        ScanResults::Entry e;
        e.nameOffset = s.names.size();
        e.nameLength = std::uint32_t(name.size());
        e.folder = std::uint32_t(i / 20);
        e.size = std::int64_t(rng() % 10000000);
        s.names += name;
        s.entries.push_back(e);
    }
    return s;
}

// CPU time of this thread: on a machine shared with other work the wall time says little.
double threadSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

void timeOrder(ResultTable& t, int order, const ColumnProfile& optV)
{
    QElapsedTimer timer;
    timer.start();
    const double cpu = threadSeconds();
    const bool ran = t.OrdinaGriglia(Order(order), optV);
    t.NumeraGriglia(true);
    std::printf("order %2d %-28s %s %7.3f s (cpu %.3f s) on %lld rows\n", order,
                qPrintable(orderCaptions()[order]), ran ? "ran " : "kept", double(timer.nsecsElapsed()) / 1e9,
                threadSeconds() - cpu, static_cast<long long>(t.rowCount()));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    // VELLORA_BENCH_LOCALE=it_IT times the collator path of the name orders.
    if (qEnvironmentVariableIsSet("VELLORA_BENCH_LOCALE"))
        QLocale::setDefault(QLocale(qEnvironmentVariable("VELLORA_BENCH_LOCALE")));
    const std::size_t n = 1000000;
    std::atomic_bool no{false};
    const ColumnProfile all{1, 1, 1, 1, 1, 1, 1, 1};

    {
        const long before = rssKb();
        ScanResults s = synthetic(n);
        const std::size_t rawNames = s.names.size();
        FillResult f = fillRows(std::move(s), FillOptions{}, no);
        ResultTable t;
        t.PopolaGriglia(std::move(f), defaultHeadings(), kDefaultOptV, Order::None);
        const long after = rssKb();
        std::printf("default columns: %.1f bytes/row counted, %.1f bytes/row resident (names %.1f of them)\n",
                    double(t.rows().memoryBytes()) / double(n), double(after - before) * 1024.0 / double(n),
                    double(rawNames) / double(n));

        // Every column: versions and infos interned from a few hundred distinct texts.
        ResultRows& rows = const_cast<ResultRows&>(t.rows());
        std::mt19937 rng(7);
        for (int i = 0; i < 300; ++i)
            rows.strings.push_back(
                QStringLiteral("%1.%2.%3.%4").arg(rng() % 11).arg(rng() % 5).arg(rng() % 3000).arg(i));
        for (int i = 0; i < 100; ++i)
            rows.strings.push_back(QStringLiteral("Vendor %1 Corporation").arg(i));
        for (ResultRows::Row& r : rows.rows) {
            r.filled = 0xfe;
            r.mtime = 1000000000 + std::int64_t(rng() % 100000000);
            r.version = rng() % 5 ? 0 : 1 + rng() % 300;
            r.info = rng() % 3 ? 0 : 301 + rng() % 100;
        }
        std::printf("every column:    %.1f bytes/row counted (the same storage; texts are made on reading)\n",
                    double(rows.memoryBytes()) / double(n));
        for (int order : {0, 1, 2, 7, 8, 9, 10})
            timeOrder(t, order, all);
        QElapsedTimer timer;
        timer.start();
        qsizetype chars = 0;
        for (qsizetype r = 1; r <= 1000; ++r)
            for (int c = 0; c < ColumnCount; ++c)
                chars += t.text(r * 997 % n + 1, c).size();
        std::printf("1000 rows read as text: %.3f ms\n", double(timer.nsecsElapsed()) / 1e6);
    }

    if (argc > 1) {
        ScanState state;
        ScanResults one;
        QByteArray root = QFile::encodeName(QString::fromLocal8Bit(argv[1]));
        if (!root.endsWith('/'))
            root += '/';
        if (!ScandisciCartella(QStringLiteral("*.*"), root, true, state, one)) {
            std::fprintf(stderr, "cannot read %s\n", root.constData());
            return 1;
        }
        // Repeat the tree's files up to a million rows (each file is read once per copy).
        ScanResults big;
        big.folders = one.folders;
        while (big.entries.size() < n && !one.entries.empty())
            for (const ScanResults::Entry& e : one.entries) {
                if (big.entries.size() >= n)
                    break;
                ScanResults::Entry c = e;
                c.nameOffset += big.names.size();
                big.entries.push_back(c);
            }
        const std::size_t copies =
            (big.entries.size() + one.entries.size() - 1) / std::max<std::size_t>(1, one.entries.size());
        for (std::size_t k = 0; k < copies; ++k)
            big.names += one.names;
        // Offsets above were shifted by the pool size at the time; rebuild them plainly.
        std::size_t i = 0;
        for (std::size_t k = 0; k < copies && i < big.entries.size(); ++k)
            for (const ScanResults::Entry& e : one.entries) {
                if (i >= big.entries.size())
                    break;
                big.entries[i++].nameOffset = e.nameOffset + k * one.names.size();
            }
        FillOptions o;
        o.optV = ColumnProfile{1, 1, 1, 1, 1, 0, 0, 1};
        QElapsedTimer timer;
        timer.start();
        FillResult f = fillRows(std::move(big), o, no);
        std::printf("fill with dates on %zu real rows: %.3f s\n", f.rows.size(),
                    double(timer.nsecsElapsed()) / 1e9);
        ResultTable t;
        t.PopolaGriglia(std::move(f), defaultHeadings(), o.optV, Order::None);
        for (int order : {3, 4, 5, 6})
            timeOrder(t, order, o.optV);
    }
    return 0;
}
