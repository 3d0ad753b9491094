// Writes a few well-formed executables and version blocks as the fuzzer's starting corpus.

#include "PeBuilder.h"

#include <QDir>
#include <QFile>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s CORPUS_DIR\n", argv[0]);
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!dir.mkpath(QStringLiteral(".")))
        return 1;

    using namespace vtest;
    VersionContent two =
        simpleContent(QStringLiteral("Società"), QStringLiteral("Descrizione"), QStringLiteral("Vellora"));
    two.translations = {{0x0410, 0x04E4}, {0x0409, 0x04B0}};
    two.tables.append(
        {QStringLiteral("041004E4"), {{QStringLiteral("CompanyName"), QStringLiteral("Italia")}}});
    const QByteArray plain = versionBlock(simpleContent("Acme", "Tool", "Suite"));

    QList<Resource> multi;
    for (quint16 lang : {quint16(0x0407), quint16(0x0409), quint16(0x0410)}) {
        Resource r;
        r.lang = lang;
        r.data = versionBlock(two);
        multi.append(r);
    }
    Resource icon;
    icon.type = 3;
    icon.data = QByteArray(40, '\x11');
    multi.prepend(icon);
    PeOptions pe64;
    pe64.pe64 = true;

    const QList<std::pair<const char*, QByteArray>> seeds = {
        {"pe32", peWithVersion(plain)},
        {"pe64", buildPe(multi, pe64)},
        {"pe32-multi", buildPe(multi)},
        {"ne", buildNe({{0x8003, 0x8001, "icon"}, {0x8010, 0x8001, versionBlock16(two)}})},
        {"block-wide", versionBlock(two)},
        {"block-narrow", versionBlock16(two)},
    };
    for (const auto& [name, bytes] : seeds) {
        QFile f(dir.filePath(QStringLiteral("seed-%1").arg(QLatin1String(name))));
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            return 1;
    }
    return 0;
}
