// scan_bench [--subfolders] [--pattern P] DIR: runs one scan and prints "size path" for
// every recorded file, then the counts on stderr.
#include "scan/Scanner.h"

#include <QFile>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    bool subfolders = false;
    QString pattern = QStringLiteral("*");
    QByteArray dir;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--subfolders") == 0) {
            subfolders = true;
        } else if (std::strcmp(argv[i], "--pattern") == 0 && i + 1 < argc) {
            pattern = QFile::decodeName(argv[++i]);
        } else if (dir.isEmpty()) {
            dir = argv[i];
        } else {
            std::fputs("usage: scan_bench [--subfolders] [--pattern P] DIR\n", stderr);
            return 2;
        }
    }
    if (dir.isEmpty()) {
        std::fputs("usage: scan_bench [--subfolders] [--pattern P] DIR\n", stderr);
        return 2;
    }

    vellora::ScanState state;
    vellora::ScanResults results;
    if (!vellora::ScandisciCartella(pattern, dir, subfolders, state, results)) {
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
    std::fprintf(stderr, "files %llu folders %llu examined %llu\n",
                 static_cast<unsigned long long>(state.totFile.load()),
                 static_cast<unsigned long long>(state.totCartelle.load()),
                 static_cast<unsigned long long>(state.examined.load()));
    return 0;
}
