// Truncated, damaged and hostile executables: the reader answers with an empty text or
// "*** error ***", never a crash, a hang, a huge allocation or a wrong string.

#include "fileinfo/VersionReader.h"
#include "PeBuilder.h"

#include <QLoggingCategory>
#include <QTest>

#include <functional>

using namespace vellora;
using namespace vtest;

namespace {

const QString kError = QStringLiteral("*** error ***");
const QString kCompany = QStringLiteral("Acme");

QByteArray plainBlock()
{
    return versionBlock(simpleSpec(kCompany, "Tool", "Suite"));
}

// Where the optional header holds the number of data directories; the directories follow.
qsizetype dirCount(const QByteArray& f, const PeLayout& l)
{
    return l.optionalHeader + (f[l.optionalHeader + 1] == 2 ? 108 : 92);
}

using Damage = std::function<void(QByteArray& file, const PeLayout& l)>;
using Damage16 = std::function<void(QByteArray& file, const NeLayout& l)>;

QStringList fields(const VersionData& d)
{
    return QStringList{d.fileVersion, d.companyName, d.fileDescription, d.productName}
           << (d.readable ? "readable" : "") << (d.hasResource ? "resource" : "");
}

} // namespace

class TestVersionHostile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QLoggingCategory::setFilterRules(QStringLiteral("vellora.fileinfo.debug=false")); }
    void everyTruncation_data();
    void everyTruncation();
    void everyByteDamaged();
    void peHeaders_data();
    void peHeaders();
    void neHeaders_data();
    void neHeaders();
    void damagedBlock_data();
    void damagedBlock();
};

void TestVersionHostile::everyTruncation_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("dataEnd");
    VersionSpec two = simpleSpec(kCompany, "Tool", "Suite");
    two.tables.prepend({QStringLiteral("041004E4"), {{QStringLiteral("CompanyName"), QStringLiteral("It")}}});
    PeLayout l;
    const QByteArray pe32 = peWithVersion(plainBlock(), false, &l);
    QTest::newRow("PE32") << pe32 << int(l.data[0] + plainBlock().size());
    const QByteArray pe64 = peWithVersion(versionBlock(two), true, &l);
    QTest::newRow("PE32+") << pe64 << int(l.data[0] + versionBlock(two).size());
    // The length of an NE resource counts whole alignment units, up to the padded end.
    const QByteArray ne = buildNe({{0x8010, 0x8001, versionBlock16(two)}});
    QTest::newRow("NE") << ne << int(ne.size());
}

void TestVersionHostile::everyTruncation()
{
    // Cut anywhere before the end of its version data, a file has no version resource at
    // all; cut after it, it reads as the whole file.
    QFETCH(QByteArray, file);
    QFETCH(int, dataEnd);
    const QStringList intact = fields(parseVersionData(file));
    VersionData noResource;
    noResource.readable = true;
    const QStringList none = fields(noResource);
    QCOMPARE(intact[1], kCompany);
    for (int n = 0; n < file.size(); ++n) {
        const QStringList got = fields(parseVersionData(file.left(n)));
        QVERIFY2(got == (n < dataEnd ? none : intact),
                 qPrintable(QStringLiteral("cut at %1: %2").arg(n).arg(got.join(u'|'))));
    }
}

void TestVersionHostile::everyByteDamaged()
{
    // Each byte of headers, directory and version block replaced in turn; the checks here
    // are that nothing crashes (the sanitizer build watches the reads) and that every
    // answer stays within the receiving buffer's limit.
    PeLayout l;
    const QByteArray pe = peWithVersion(plainBlock(), false, &l);
    const QByteArray ne = buildNe({{0x8010, 0x8001, versionBlock16(simpleSpec(kCompany, "Tool", "Suite"))}});
    for (const QByteArray& file : {pe, ne}) {
        for (qsizetype i = 0; i < file.size(); ++i) {
            if (i >= 0x400 && i < l.rsrcSection && file.size() == pe.size())
                continue; // code section filler
            for (const uchar v :
                 {uchar(0x00), uchar(0xFF), uchar(0x7F), uchar(file[i] + 1), uchar(file[i] ^ 0x80)}) {
                QByteArray damaged = file;
                damaged[i] = char(v);
                const VersionData d = parseVersionData(damaged);
                for (auto kind : {InfoKind::CompanyName, InfoKind::FileDescription, InfoKind::ProductName})
                    QVERIFY(d.info(kind).size() <= 254 || d.info(kind) == kError);
            }
        }
    }
}

void TestVersionHostile::peHeaders_data()
{
    QTest::addColumn<bool>("pe64");
    QTest::addColumn<Damage>("damage");
    QTest::addColumn<QString>("company");

    auto row = [](const char* name, const QString& company, const Damage& damage) {
        for (bool pe64 : {false, true})
            QTest::addRow("%s%s", name, pe64 ? " (PE32+)" : "") << pe64 << damage << company;
    };
    const quint32 resourceEntrySize = 4; // offset of the size word in a data entry

    row("intact", kCompany, [](QByteArray&, const PeLayout&) {});
    row("header offset past the end", "",
        [](QByteArray& f, const PeLayout&) { put32(f, 0x3C, quint32(f.size())); });
    row("header offset at the last bytes", "",
        [](QByteArray& f, const PeLayout&) { put32(f, 0x3C, quint32(f.size() - 4)); });
    row("header offset 0xFFFFFFFF", "", [](QByteArray& f, const PeLayout&) { put32(f, 0x3C, 0xFFFFFFFF); });
    row("bad signature", "", [](QByteArray& f, const PeLayout& l) { f[l.peHeader + 2] = 'X'; });
    row("unknown optional header", "",
        [](QByteArray& f, const PeLayout& l) { put16(f, l.optionalHeader, 0x107); });
    row("optional header too short for the directories", "",
        [](QByteArray& f, const PeLayout& l) { put16(f, l.peHeader + 20, 96); });
    row("two directories only", "", [](QByteArray& f, const PeLayout& l) { put32(f, dirCount(f, l), 2); });
    row("three directories", kCompany, [](QByteArray& f, const PeLayout& l) { put32(f, dirCount(f, l), 3); });
    row("resource directory outside every section", "",
        [](QByteArray& f, const PeLayout& l) { put32(f, dirCount(f, l) + 4 + 16, 0x90000); });
    row("65535 sections", kCompany,
        [](QByteArray& f, const PeLayout& l) { put16(f, l.peHeader + 6, 0xFFFF); });
    row("section table cut by the end of file", "", [](QByteArray& f, const PeLayout& l) {
        put16(f, l.peHeader + 20, quint16(f.size() - l.optionalHeader - 40));
    });
    row("section data past the end of file", "",
        [](QByteArray& f, const PeLayout& l) { put32(f, l.rsrcSectionHeader + 20, quint32(f.size())); });
    row("section raw size 0", "",
        [](QByteArray& f, const PeLayout& l) { put32(f, l.rsrcSectionHeader + 16, 0); });
    row("section ends inside the root directory", "",
        [](QByteArray& f, const PeLayout& l) { put32(f, l.rsrcSectionHeader + 16, 16); });
    row("section ends exactly at the block", kCompany, [](QByteArray& f, const PeLayout& l) {
        put32(f, l.rsrcSectionHeader + 16, quint32(l.data[0] - l.rsrcSection + plainBlock().size()));
    });
    row("section ends one byte into the block's end", "", [](QByteArray& f, const PeLayout& l) {
        put32(f, l.rsrcSectionHeader + 16, quint32(l.data[0] - l.rsrcSection + plainBlock().size() - 1));
    });
    row("section raw size 0xFFFFFFFF", kCompany,
        [](QByteArray& f, const PeLayout& l) { put32(f, l.rsrcSectionHeader + 16, 0xFFFFFFFF); });
    row("section address near 4 GiB", "",
        [](QByteArray& f, const PeLayout& l) { put32(f, l.rsrcSectionHeader + 12, 0xFFFFFFF0); });
    row("version type points back at the root", "",
        [](QByteArray& f, const PeLayout& l) { put32(f, l.directories[0] + 20, 0x80000000u); });
    row("name level points at itself", "", [](QByteArray& f, const PeLayout& l) {
        put32(f, l.directories[1] + 20, 0x80000000u | quint32(l.directories[1] - l.rsrcSection));
    });
    row("language level points at a directory", "", [](QByteArray& f, const PeLayout& l) {
        put32(f, l.directories[2] + 20, 0x80000000u | quint32(l.directories[2] - l.rsrcSection));
    });
    row("subdirectory offset 0x7FFFFFFF", "",
        [](QByteArray& f, const PeLayout& l) { put32(f, l.directories[0] + 20, 0xFFFFFFFF); });
    row("version type is a data entry", "",
        [](QByteArray& f, const PeLayout& l) { put32(f, l.directories[0] + 20, 0); });
    row("65535 id entries at the root", "",
        [](QByteArray& f, const PeLayout& l) { put16(f, l.directories[0] + 14, 0xFFFF); });
    row("65535 named and id entries", "", [](QByteArray& f, const PeLayout& l) {
        put16(f, l.directories[0] + 12, 0xFFFF);
        put16(f, l.directories[0] + 14, 0xFFFF);
    });
    row("no languages", "", [](QByteArray& f, const PeLayout& l) { put16(f, l.directories[2] + 14, 0); });
    row("data entry past the section", "",
        [](QByteArray& f, const PeLayout& l) { put32(f, l.directories[2] + 20, 0x7FFFFFF0); });
    row("one byte of data at the section's last byte", kError, [](QByteArray& f, const PeLayout& l) {
        put32(f, l.dataEntries[0], l.rsrcRva + quint32(f.size() - l.rsrcSection - 1));
        put32(f, l.dataEntries[0] + resourceEntrySize, 1);
    });
    row("data just past the section", "", [](QByteArray& f, const PeLayout& l) {
        put32(f, l.dataEntries[0], l.rsrcRva + quint32(f.size() - l.rsrcSection));
    });
    row("data size 0", "",
        [](QByteArray& f, const PeLayout& l) { put32(f, l.dataEntries[0] + resourceEntrySize, 0); });
    // The platform's query takes all the declared data or nothing.
    row("data reaching the end of the file", kCompany, [](QByteArray& f, const PeLayout& l) {
        put32(f, l.dataEntries[0] + resourceEntrySize, quint32(f.size() - l.data[0]));
    });
    row("data one byte past the end of the file", "", [](QByteArray& f, const PeLayout& l) {
        put32(f, l.dataEntries[0] + resourceEntrySize, quint32(f.size() - l.data[0] + 1));
    });
    row("data size 0xFFFFFFFF", "",
        [](QByteArray& f, const PeLayout& l) { put32(f, l.dataEntries[0] + resourceEntrySize, 0xFFFFFFFF); });
    row("data address wraps", "",
        [](QByteArray& f, const PeLayout& l) { put32(f, l.dataEntries[0], 0xFFFFFFFF); });
}

void TestVersionHostile::peHeaders()
{
    QFETCH(bool, pe64);
    QFETCH(Damage, damage);
    PeLayout l;
    QByteArray file = peWithVersion(plainBlock(), pe64, &l);
    damage(file, l);
    const VersionData d = parseVersionData(file);
    QVERIFY(d.readable);
    QTEST(d.companyName, "company");
}

void TestVersionHostile::neHeaders_data()
{
    QTest::addColumn<Damage16>("damage");
    QTest::addColumn<QString>("company");

    using Where = qsizetype (*)(const NeLayout&);
    const auto row = [](const char* name, const QString& company, Where where, quint16 value) {
        QTest::newRow(name) << Damage16([=](QByteArray& f, const NeLayout& l) { put16(f, where(l), value); })
                            << company;
    };
    const Where shift = [](const NeLayout& l) { return l.resourceTable; };
    const Where offset = [](const NeLayout& l) { return l.nameInfos[0]; };
    const Where length = [](const NeLayout& l) { return l.nameInfos[0] + 2; };
    QTest::newRow("intact") << Damage16([](QByteArray&, const NeLayout&) {}) << kCompany;
    row("shift 31", "", shift, 31);
    row("shift 32", "", shift, 32);
    row("shift 0xFFFF", "", shift, 0xFFFF);
    row(
        "table past the end", "", [](const NeLayout& l) { return l.neHeader + 0x24; }, 0xFFF0);
    QTest::newRow("table without end mark") << Damage16([](QByteArray& f, const NeLayout& l) {
        put16(f, l.neHeader + 0x26, quint16(l.nameInfos[0] + 12 - l.neHeader));
    }) << kCompany;
    row(
        "65535 resources of the type", "", [](const NeLayout& l) { return l.resourceTable + 4; }, 0xFFFF);
    row("length 0", "", length, 0);
    row("offset past the end", "", offset, 0xFFFF);
    row("length past the end", "", length, 0xFFFF);
    QTest::newRow("no NE after the DOS header")
        << Damage16([](QByteArray& f, const NeLayout& l) { f[l.neHeader + 1] = 'X'; }) << "";
}

void TestVersionHostile::neHeaders()
{
    QFETCH(Damage16, damage);
    NeLayout l;
    QByteArray file = buildNe({{0x8010, 0x8001, versionBlock16(simpleSpec(kCompany, "Tool", "Suite"))}}, &l);
    damage(file, l);
    QTEST(parseVersionData(file).companyName, "company");
}

void TestVersionHostile::damagedBlock_data()
{
    QTest::addColumn<QByteArray>("block");
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("company");
    QTest::addColumn<QString>("product");

    const QByteArray b = plainBlock();
    auto at = [&](const char* key) { return nodeOffset(b, QString::fromLatin1(key)); };
    auto set16 = [&](qsizetype where, quint16 value) {
        QByteArray c = b;
        put16(c, where, value);
        return c;
    };
    const qsizetype description = at("FileDescription");
    QByteArray noNul = b;
    noNul.replace(noNul.indexOf(QByteArray("A\0c\0m\0e\0\0\0", 10)) + 8, 2, QByteArray("X\0", 2));
    QByteArray badSignature = b;
    badSignature[badSignature.indexOf("\xBD\x04\xEF\xFE")] = 0;
    QTest::newRow("intact") << b << "1.2.3.4" << kCompany << "Suite";
    QTest::newRow("root shorter than its header") << set16(0, 5) << "" << kError << kError;
    QTest::newRow("root length 0") << set16(0, 0) << "" << kError << kError;
    QTest::newRow("root longer than the data") << set16(0, 0xFFFF) << "1.2.3.4" << kCompany << "Suite";
    QTest::newRow("root key without end") << b.left(6 + 2 * 5) << "" << kError << kError;
    QTest::newRow("child length 0 (would loop)")
        << set16(at("CompanyName"), 0) << "1.2.3.4" << kError << kError;
    QTest::newRow("child length 6 (header only)")
        << set16(at("CompanyName"), 6) << "1.2.3.4" << kError << kError;
    QTest::newRow("odd child length")
        << set16(description, quint16(b[description] + 1)) << "1.2.3.4" << kCompany << "Suite";
    QTest::newRow("child length into its sibling")
        << set16(description, quint16(b[description] + 4)) << "1.2.3.4" << kCompany << kError;
    QTest::newRow("value without NUL ends with its block")
        << noNul << "1.2.3.4" << kCompany + QLatin1Char('X') << "Suite";
    QTest::newRow("value length 0 reads empty")
        << set16(at("CompanyName") + 2, 0) << "1.2.3.4" << QString() << "Suite";
    QTest::newRow("translation block broken")
        << set16(at("VarFileInfo"), 1) << "1.2.3.4" << QString() << QString();
    QTest::newRow("bad fixed signature") << badSignature << "" << kCompany << "Suite";
    QTest::newRow("fixed part one byte short") << set16(2, 51) << "" << kCompany << "Suite";
    QTest::newRow("table length past its parent")
        << set16(at("040904B0"), 0xFFF0) << "1.2.3.4" << kCompany << "Suite";

    // The first pair is taken from as many of the translation value's bytes as there are, up
    // to four; what is missing stays zero. Each table names itself.
    const char* const names[] = {"00000000", "00090000", "04090000", "040900B0", "040904B0"};
    VersionSpec byName;
    for (const char* name : names)
        byName.tables.append({QLatin1String(name), {{QStringLiteral("CompanyName"), QLatin1String(name)}}});
    const QByteArray t = versionBlock(byName);
    for (quint16 len = 0; len <= 4; ++len) {
        QByteArray c = t;
        put16(c, nodeOffset(t, QStringLiteral("Translation")) + 2, len);
        QTest::addRow("translation of %d bytes", len)
            << c << "1.2.3.4" << QString::fromLatin1(names[len]) << "";
    }
}

void TestVersionHostile::damagedBlock()
{
    QFETCH(QByteArray, block);
    for (bool pe64 : {false, true}) {
        const VersionData d = parseVersionData(peWithVersion(block, pe64));
        QVERIFY(d.hasResource);
        QTEST(d.fileVersion, "version");
        QTEST(d.companyName, "company");
        QTEST(d.productName, "product");
    }
}

QTEST_GUILESS_MAIN(TestVersionHostile)
#include "test_version_hostile.moc"
