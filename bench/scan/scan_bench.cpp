// scan_bench [--subfolders] [--pattern MASKS] [--exclude MASKS]... [--min-size N[K|M|G]]
//            [--max-size N[K|M|G]] [--modified-from YYYY-MM-DD] [--modified-to YYYY-MM-DD] DIR:
// runs one scan and prints "size path" for every recorded file, then the counts on stderr.
#include "scan/Scanner.h"

#include <QFile>

#include <cstdio>
#include <cstring>

namespace {

int usage()
{
    std::fputs(
        "usage: scan_bench [--subfolders] [--pattern MASKS] [--exclude MASKS]... [--min-size N]\n"
        "                  [--max-size N] [--modified-from YYYY-MM-DD] [--modified-to YYYY-MM-DD] DIR\n",
        stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    bool subfolders = false;
    vellora::FilterTexts texts;
    texts.pattern = QStringLiteral("*");
    QByteArray dir;
    for (int i = 1; i < argc; ++i) {
        const auto value = [&](QString& into) {
            if (i + 1 >= argc)
                return false;
            into = QFile::decodeName(argv[++i]);
            return true;
        };
        const char* a = argv[i];
        QString exclusion;
        bool ok = true;
        if (std::strcmp(a, "--subfolders") == 0)
            subfolders = true;
        else if (std::strcmp(a, "--pattern") == 0)
            ok = value(texts.pattern);
        else if (std::strcmp(a, "--exclude") == 0 && (ok = value(exclusion)))
            texts.exclusions << exclusion; // repeatable, as vellora-list's option
        else if (std::strcmp(a, "--min-size") == 0)
            ok = value(texts.minSize);
        else if (std::strcmp(a, "--max-size") == 0)
            ok = value(texts.maxSize);
        else if (std::strcmp(a, "--modified-from") == 0)
            ok = value(texts.modifiedFrom);
        else if (std::strcmp(a, "--modified-to") == 0)
            ok = value(texts.modifiedTo);
        else if (dir.isEmpty() && a[0] != '-')
            dir = a;
        else
            ok = false;
        if (!ok)
            return usage();
    }
    if (dir.isEmpty())
        return usage();
    QString error;
    const auto filters = vellora::parseFilters(texts, &error);
    if (!filters) {
        std::fprintf(stderr, "scan_bench: %s\n", qPrintable(error));
        return 2;
    }

    vellora::ScanState state;
    vellora::ScanResults results;
    if (!vellora::ScandisciCartella(*filters, dir, subfolders, state, results)) {
        std::fprintf(stderr, "scan_bench: cannot read %s\n", dir.constData());
        return 1;
    }
    static char buffer[1 << 16];
    std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
    for (std::size_t i = 0; i < results.size(); ++i) {
        const QByteArray& folder = results.folder(i);
        const auto name = results.name(i);
        std::fprintf(stdout, "%lld ", static_cast<long long>(results.entries[i].size));
        std::fwrite(folder.constData(), 1, std::size_t(folder.size()), stdout);
        std::fwrite(name.data(), 1, name.size(), stdout);
        std::fputc('\n', stdout);
    }
    std::fflush(stdout);
    std::fprintf(stderr, "files %llu folders %llu examined %llu unreadable %llu\n",
                 static_cast<unsigned long long>(state.totFile.load()),
                 static_cast<unsigned long long>(state.totCartelle.load()),
                 static_cast<unsigned long long>(state.examined.load()),
                 static_cast<unsigned long long>(state.unreadable.load()));
    return 0;
}
