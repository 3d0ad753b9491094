// version_bench [FILES] [CODE_KIB]: writes FILES executables with CODE_KIB of code before
// their resources into a temporary folder, then times the version reader over all of them
// against the baseline of reading each file whole, as a naive reader would. Prints the
// times, the reader's preads per file and the ratio.

#include "fileinfo/ByteSource.h"
#include "fileinfo/Languages.h"
#include "fileinfo/VersionParser.h"
#include "fileinfo/VersionReader.h"
#include "PeBuilder.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char** argv)
{
    const int files = argc > 1 ? std::atoi(argv[1]) : 2000;
    const int codeKib = argc > 2 ? std::atoi(argv[2]) : 512;
    QTemporaryDir dir;
    if (!dir.isValid() || files <= 0 || codeKib < 0)
        return 1;

    vtest::Resource r;
    r.data = vtest::versionBlock(
        vtest::simpleContent(QStringLiteral("Acme"), QStringLiteral("Tool"), QStringLiteral("Suite")));
    vtest::PeOptions options;
    options.codeSize = quint32(codeKib) * 1024;
    const QByteArray pe = vtest::buildPe({r}, options);
    QList<QByteArray> paths;
    for (int i = 0; i < files; ++i) {
        QFile f(dir.filePath(QStringLiteral("f%1.exe").arg(i)));
        if (!f.open(QIODevice::WriteOnly) || f.write(pe) != pe.size())
            return 1;
        paths.append(QFile::encodeName(f.fileName()));
    }

    // Baseline first, which also warms the page cache for both.
    QElapsedTimer t;
    t.start();
    qint64 bytes = 0;
    for (const QByteArray& p : paths) {
        QFile f(QFile::decodeName(p));
        if (f.open(QIODevice::ReadOnly))
            bytes += f.readAll().size();
    }
    const qint64 wholeNs = t.nsecsElapsed();

    t.restart();
    int found = 0;
    for (const QByteArray& p : paths)
        found += vellora::readVersionData(p).companyName == QLatin1String("Acme");
    const qint64 readerNs = t.nsecsElapsed();

    vellora::fileinfo::FileByteSource src(paths.first());
    (void)vellora::fileinfo::readVersion(src, {});

    std::printf("files %d of %lld bytes; found %d\n", files, static_cast<long long>(pe.size()), found);
    std::printf("read whole:     %8.1f us/file (%lld bytes)\n", wholeNs / 1000.0 / files,
                static_cast<long long>(bytes));
    std::printf("version reader: %8.1f us/file, %d preads/file\n", readerNs / 1000.0 / files,
                src.readCalls());
    std::printf("ratio reader/whole: %.3f\n", double(readerNs) / double(wholeNs));
    return found == files ? 0 : 1;
}
