// Executables built in memory, well-formed and damaged: what the reader takes from them,
// which resource it picks, and that truncated, damaged or hostile files get an empty text
// or "*** error ***", never a crash, a hang, a huge allocation or a wrong string.

#include "fileinfo/VersionReader.h"
#include "PeBuilder.h"

#include <QLocale>
#include <QLoggingCategory>
#include <QTest>

#include <functional>

using namespace vellora;
using namespace vtest;

namespace {

const QString kError = QStringLiteral("*** error ***");
const QString kCompany = QStringLiteral("Acme");

StringTable table(const QString& name, const QString& company, const QString& description = {},
                  const QString& product = {})
{
    return {name,
            {{QStringLiteral("CompanyName"), company},
             {QStringLiteral("FileDescription"), description},
             {QStringLiteral("ProductName"), product}}};
}

const QByteArray kPlain = versionBlock(simpleContent(kCompany, "Tool", "Suite"));

using Damage = std::function<void(QByteArray& file, const PeLayout& l)>;
using Damage16 = std::function<void(QByteArray& file, const NeLayout& l)>;

QStringList fields(const VersionData& d)
{
    return QStringList{d.fileVersion, d.companyName, d.fileDescription, d.productName}
           << (d.readable ? "readable" : "") << (d.hasResource ? "resource" : "");
}

} // namespace

class TestVersionParse : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QLoggingCategory::setFilterRules(QStringLiteral("vellora.fileinfo.debug=false")); }
    void readsValues_data();
    void readsValues();
    void picksLanguage_data();
    void picksLanguage();
    void picksResource_data();
    void picksResource();
    void everyCutAndByte_data();
    void everyCutAndByte();
    void peHeaders_data();
    void peHeaders();
    void neHeaders_data();
    void neHeaders();
    void damagedBlock_data();
    void damagedBlock();
};

void TestVersionParse::readsValues_data()
{
    QTest::addColumn<QByteArray>("block");
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("company");
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("product");

    const QString s254(254, QLatin1Char('x'));
    const QString s255(255, QLatin1Char('x'));
    const auto row = [](const char* name, const VersionContent& vs, const char* version,
                        const QString& company, const QString& description = {},
                        const QString& product = {}) {
        QTest::newRow(name) << versionBlock(vs) << QString::fromLatin1(version) << company << description
                            << product;
    };
    VersionContent plain =
        simpleContent(QStringLiteral("Società Ünïcode €"), QStringLiteral("日本語 😀"), "Vellora");
    plain.fixedVersion = std::array<quint16, 4>{65535, 0, 1, 65534};
    const VersionContent mixedCase{.tables = {{QStringLiteral("040904b0"),
                                               {{QStringLiteral("companyname"), QStringLiteral("a")},
                                                {QStringLiteral("FILEDESCRIPTION"), QStringLiteral("b")},
                                                {QStringLiteral("productName"), QStringLiteral("c")}}}}};
    row("plain", plain, "65535.0.1.65534", QStringLiteral("Società Ünïcode €"), QStringLiteral("日本語 😀"),
        "Vellora");
    row("no fixed part", {.fixedVersion = std::nullopt, .tables = {table("040904B0", "A", "B", "C")}}, "",
        "A", "B", "C");
    row("names in any case", mixedCase, "1.2.3.4", "a", "b", "c");
    row("first translation only",
        {.translations = {{0x0410, 0x04E4}, {0x0409, 0x04B0}},
         .tables = {table("041004E4", "Italia"), table("040904B0", "US", "d", "p")}},
        "1.2.3.4", "Italia");
    row("no translation list: table 00000000",
        {.translations = {}, .tables = {table("00000000", "zero"), table("040904B0", "US")}}, "1.2.3.4",
        "zero");
    row("translated table absent", {.translations = {{0x0410, 0x04B0}}, .tables = {table("040904B0", "US")}},
        "1.2.3.4", "");
    row("no string tables", {}, "1.2.3.4", "");
    row("254 and 255 characters", simpleContent(s254, s255, ""), "1.2.3.4", s254, kError);
}

void TestVersionParse::readsValues()
{
    QFETCH(QByteArray, block);
    for (bool pe64 : {false, true}) {
        const VersionData d = parseVersionData(peWithVersion(block, pe64));
        QVERIFY(d.readable);
        QVERIFY(d.hasResource);
        QTEST(d.fileVersion, "version");
        QTEST(d.info(InfoKind::CompanyName), "company");
        QTEST(d.info(InfoKind::FileDescription), "description");
        QTEST(d.info(InfoKind::ProductName), "product");
    }
}

void TestVersionParse::picksLanguage_data()
{
    QTest::addColumn<QList<quint16>>("langs");
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("expected");
    const auto row = [](const char* name, const QList<quint16>& langs, const char* locale,
                        const char* expected) {
        QTest::newRow(name) << langs << QLocale(QLatin1String(locale)) << QString::fromLatin1(expected);
    };
    row("neutral wherever it stands", {0x0409, 0x0000, 0x0410}, "it_IT", "0");
    row("user's language", {0x0407, 0x0409, 0x0410}, "it_IT", "410");
    row("no user language: en-US", {0x0407, 0x0409, 0x0410}, "C", "409");
    row("neither: lowest", {0x040C, 0x0407}, "it_IT", "407");
    row("exact region before primary", {0x0407, 0x0807, 0x0C07}, "de_AT", "c07");
    row("region missing: lowest same primary", {0x0409, 0x0C07, 0x0807}, "de_LU", "807");
    row("Spain, modern sort", {0x0409, 0x0C0A}, "es_ES", "c0a");
    row("Spain, traditional sort", {0x040A, 0x0409}, "es_ES", "40a");
}

void TestVersionParse::picksLanguage()
{
    // Each resource says its language in its company name.
    QFETCH(QList<quint16>, langs);
    QFETCH(QLocale, locale);
    QList<Resource> resources;
    for (quint16 lang : langs)
        resources.append({16, 1, {}, lang, versionBlock(simpleContent(QString::number(lang, 16), {}, {}))});
    QTEST(parseVersionData(buildPe(resources), locale).companyName, "expected");
}

void TestVersionParse::picksResource_data()
{
    // Each resource's data is the company name its version resource gives.
    QTest::addColumn<QList<Resource>>("resources");
    QTest::addColumn<QString>("expected");
    auto res = [](quint16 type, quint16 id, const QString& company, const QString& name = {}) {
        return Resource{type, id, name, 0x0409, company.toUtf8()};
    };
    // The platform's query asks for id 1 alone, wherever it stands among names and other ids.
    QTest::newRow("id 1 among names and ids")
        << QList<Resource>{res(16, 0, "named", "VERSION"), res(16, 2, "two"),
                           res(16, 1, QStringLiteral("Società €")), res(16, 7, "seven")}
        << QStringLiteral("Società €");
    QTest::newRow("no id 1") << QList<Resource>{res(16, 9, "nine"), res(16, 3, "three")} << "";
    QTest::newRow("named only") << QList<Resource>{res(16, 0, "named", "VERSION")} << "";
    QTest::newRow("other types around")
        << QList<Resource>{res(3, 1, "icon"), res(24, 1, "manifest"), res(16, 1, "v"), res(14, 1, "")} << "v";
    QTest::newRow("other types only") << QList<Resource>{res(3, 1, "icon"), res(24, 1, "manifest")} << "";
    QTest::newRow("no resources") << QList<Resource>{} << "";
}

void TestVersionParse::picksResource()
{
    QFETCH(QList<Resource>, resources);
    QFETCH(QString, expected);
    // The same resources in a 16-bit file, whose blocks have 8-bit text and keys written
    // here in other cases. There an id without the high bit is the offset of a name.
    QList<NeResource> ne;
    for (Resource& r : resources) {
        const QString company = QString::fromUtf8(r.data);
        const VersionContent upper{
            .translations = {{0x0409, 0x04E4}},
            .tables = {{QStringLiteral("040904e4"), {{QStringLiteral("COMPANYNAME"), company}}}}};
        ne.append({quint16(0x8000 | r.type), quint16(r.name.isEmpty() ? 0x8000 | r.id : 0x40),
                   r.type == 16 ? versionBlock16(upper) : r.data});
        if (r.type == 16)
            r.data = versionBlock(simpleContent(company, {}, {}));
    }
    for (const QByteArray& file : {buildPe(resources), buildNe(ne)}) {
        const VersionData d = parseVersionData(file);
        QVERIFY(d.readable);
        QCOMPARE(d.hasResource, !expected.isEmpty());
        QCOMPARE(d.fileVersion, expected.isEmpty() ? QString() : QStringLiteral("1.2.3.4"));
        QCOMPARE(d.companyName, expected);
    }
}

void TestVersionParse::everyCutAndByte_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("dataEnd");
    VersionContent two = simpleContent(kCompany, "Tool", "Suite");
    two.tables.prepend({QStringLiteral("041004E4"), {{QStringLiteral("CompanyName"), QStringLiteral("It")}}});
    PeLayout l;
    const QByteArray pe32 = peWithVersion(kPlain, false, &l);
    QTest::newRow("PE32") << pe32 << int(l.data[0] + kPlain.size());
    const QByteArray pe64 = peWithVersion(versionBlock(two), true, &l);
    QTest::newRow("PE32+") << pe64 << int(l.data[0] + versionBlock(two).size());
    // The length of an NE resource counts whole alignment units, up to the padded end.
    const QByteArray ne = buildNe({{0x8010, 0x8001, versionBlock16(two)}});
    QTest::newRow("NE") << ne << int(ne.size());
}

void TestVersionParse::everyCutAndByte()
{
    // Cut anywhere before the end of its version data, a file has no version resource at
    // all; cut after it, it reads as the whole file.
    QFETCH(QByteArray, file);
    QFETCH(int, dataEnd);
    const QStringList intact = fields(parseVersionData(file));
    const QStringList none = {"", "", "", "", "readable", ""};
    QCOMPARE(intact[1], kCompany);
    for (int n = 0; n < file.size(); ++n) {
        const QStringList got = fields(parseVersionData(file.left(n)));
        QVERIFY2(got == (n < dataEnd ? none : intact),
                 qPrintable(QStringLiteral("cut at %1: %2").arg(n).arg(got.join(u'|'))));
    }
    // Each byte replaced in turn: nothing crashes (the sanitizer build watches the reads)
    // and no answer outgrows the receiving buffer.
    for (int i = 0; i < file.size(); ++i) {
        for (const uchar v :
             {uchar(0x00), uchar(0xFF), uchar(0x7F), uchar(file[i] + 1), uchar(file[i] ^ 0x80)}) {
            QByteArray damaged = file;
            damaged[i] = char(v);
            for (const QString& s : fields(parseVersionData(damaged)))
                QVERIFY(s.size() <= 254 || s == kError);
        }
    }
}

void TestVersionParse::peHeaders_data()
{
    QTest::addColumn<bool>("pe64");
    QTest::addColumn<Damage>("damage");
    QTest::addColumn<QString>("company");

    auto row = [](const char* name, const QString& company, const Damage& damage) {
        for (bool pe64 : {false, true})
            QTest::addRow("%s%s", name, pe64 ? " (PE32+)" : "") << pe64 << damage << company;
    };
    const auto blockEnd = [](const PeLayout& l) {
        return quint32(l.data[0] - l.rsrcSection + kPlain.size());
    };
    row("header offset 0xFFFFFFFF", "", [](auto& f, auto&) { put32(f, 0x3C, 0xFFFFFFFF); });
    row("no executable", "", [](auto& f, auto&) { f[0] = 'X'; });
    row("bad signature", "", [](auto& f, auto& l) { f[l.peHeader + 2] = 'X'; });
    row("unknown optional header", "", [](auto& f, auto& l) { put16(f, l.optionalHeader, 0x107); });
    row("optional header too short", "", [](auto& f, auto& l) { put16(f, l.peHeader + 20, 96); });
    row("two directories only", "", [](auto& f, auto& l) { put32(f, l.dataDirectories - 4, 2); });
    row("three directories", kCompany, [](auto& f, auto& l) { put32(f, l.dataDirectories - 4, 3); });
    row("resources outside every section", "",
        [](auto& f, auto& l) { put32(f, l.dataDirectories + 2 * 8, 0x90000); });
    row("65535 sections", kCompany, [](auto& f, auto& l) { put16(f, l.peHeader + 6, 0xFFFF); });
    row("section table cut by the end", "",
        [](auto& f, auto& l) { put16(f, l.peHeader + 20, quint16(f.size() - l.optionalHeader - 40)); });

    // The resource section's header: address (+12), raw size (+16), raw data (+20).
    row("section data past the end", "",
        [](auto& f, auto& l) { put32(f, l.rsrcSectionHeader + 20, f.size()); });
    row("section raw size 0", "", [](auto& f, auto& l) { put32(f, l.rsrcSectionHeader + 16, 0); });
    row("section ends inside the root", "", [](auto& f, auto& l) { put32(f, l.rsrcSectionHeader + 16, 16); });
    row("section ends at the block's end", kCompany,
        [=](auto& f, auto& l) { put32(f, l.rsrcSectionHeader + 16, blockEnd(l)); });
    row("section ends one byte short", "",
        [=](auto& f, auto& l) { put32(f, l.rsrcSectionHeader + 16, blockEnd(l) - 1); });
    row("section raw size 0xFFFFFFFF", kCompany,
        [](auto& f, auto& l) { put32(f, l.rsrcSectionHeader + 16, 0xFFFFFFFF); });
    row("section address near 4 GiB", "",
        [](auto& f, auto& l) { put32(f, l.rsrcSectionHeader + 12, 0xFFFFFFF0); });

    // Directories: root, names, languages; +20 is the link of the first entry.
    const auto self = [](const PeLayout& l, int i) {
        return 0x80000000u | quint32(l.directories[i] - l.rsrcSection);
    };
    row("name level links to itself", "",
        [=](auto& f, auto& l) { put32(f, l.directories[1] + 20, self(l, 1)); });
    row("language level links to a directory", "",
        [=](auto& f, auto& l) { put32(f, l.directories[2] + 20, self(l, 2)); });
    row("link offset 0x7FFFFFFF", "", [](auto& f, auto& l) { put32(f, l.directories[0] + 20, 0xFFFFFFFF); });
    row("version type is a data entry", "", [](auto& f, auto& l) { put32(f, l.directories[0] + 20, 0); });
    row("65535 named and id entries", "",
        [](auto& f, auto& l) { put32(f, l.directories[0] + 12, 0xFFFFFFFF); });
    row("no languages", "", [](auto& f, auto& l) { put16(f, l.directories[2] + 14, 0); });
    row("data entry past the section", "",
        [](auto& f, auto& l) { put32(f, l.directories[2] + 20, 0x7FFFFFF0); });

    // The data entry: the data's address, then (+4) its size.
    row("one byte of data at the section's end", kError, [](auto& f, auto& l) {
        put32(f, l.dataEntries[0], l.rsrcRva + quint32(f.size() - l.rsrcSection - 1));
        put32(f, l.dataEntries[0] + 4, 1);
    });
    row("data just past the section", "",
        [](auto& f, auto& l) { put32(f, l.dataEntries[0], l.rsrcRva + quint32(f.size() - l.rsrcSection)); });
    row("data address wraps", "", [](auto& f, auto& l) { put32(f, l.dataEntries[0], 0xFFFFFFFF); });
    row("data size 0", "", [](auto& f, auto& l) { put32(f, l.dataEntries[0] + 4, 0); });
    // The platform's query takes all the declared data or nothing.
    row("data up to the end of the file", kCompany,
        [](auto& f, auto& l) { put32(f, l.dataEntries[0] + 4, quint32(f.size() - l.data[0])); });
    row("data one byte past the end of the file", "",
        [](auto& f, auto& l) { put32(f, l.dataEntries[0] + 4, quint32(f.size() - l.data[0] + 1)); });
    row("data size 0xFFFFFFFF", "", [](auto& f, auto& l) { put32(f, l.dataEntries[0] + 4, 0xFFFFFFFF); });
}

void TestVersionParse::peHeaders()
{
    QFETCH(bool, pe64);
    QFETCH(Damage, damage);
    PeLayout l;
    QByteArray file = peWithVersion(kPlain, pe64, &l);
    damage(file, l);
    const VersionData d = parseVersionData(file);
    QVERIFY(d.readable);
    QTEST(d.companyName, "company");
}

void TestVersionParse::neHeaders_data()
{
    QTest::addColumn<Damage16>("damage");
    QTest::addColumn<QString>("company");
    const auto row = [](const char* name, const QString& company, const Damage16& damage) {
        QTest::newRow(name) << damage << company;
    };
    // The table starts with the shift; the entry of the resource holds offset and (+2) length.
    row("shift 31", "", [](auto& f, auto& l) { put16(f, l.resourceTable, 31); });
    row("shift 32", "", [](auto& f, auto& l) { put16(f, l.resourceTable, 32); });
    row("table past the end", "", [](auto& f, auto& l) { put16(f, l.neHeader + 0x24, 0xFFF0); });
    row("table without end mark", kCompany,
        [](auto& f, auto& l) { put16(f, l.neHeader + 0x26, quint16(l.nameInfos[0] + 12 - l.neHeader)); });
    row("65535 resources of the type", "", [](auto& f, auto& l) { put16(f, l.resourceTable + 4, 0xFFFF); });
    row("length 0", "", [](auto& f, auto& l) { put16(f, l.nameInfos[0] + 2, 0); });
    row("offset past the end", "", [](auto& f, auto& l) { put16(f, l.nameInfos[0], 0xFFFF); });
    row("length past the end", "", [](auto& f, auto& l) { put16(f, l.nameInfos[0] + 2, 0xFFFF); });
    row("no NE after the DOS header", "", [](auto& f, auto& l) { f[l.neHeader + 1] = 'X'; });
}

void TestVersionParse::neHeaders()
{
    QFETCH(Damage16, damage);
    NeLayout l;
    QByteArray file =
        buildNe({{0x8010, 0x8001, versionBlock16(simpleContent(kCompany, "Tool", "Suite"))}}, &l);
    damage(file, l);
    QTEST(parseVersionData(file).companyName, "company");
}

void TestVersionParse::damagedBlock_data()
{
    QTest::addColumn<QByteArray>("block");
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("company");
    QTest::addColumn<QString>("product");

    const QByteArray b = kPlain;
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
    const auto row = [](const char* name, const QByteArray& block, const char* version,
                        const QString& company, const QString& product) {
        QTest::newRow(name) << block << version << company << product;
    };
    row("root shorter than its header", set16(0, 5), "", kError, kError);
    row("root longer than the data", set16(0, 0xFFFF), "1.2.3.4", kCompany, "Suite");
    row("root key without end", b.left(6 + 2 * 5), "", kError, kError);
    row("child length 0 (would loop)", set16(at("CompanyName"), 0), "1.2.3.4", kError, kError);
    row("child length 6 (header only)", set16(at("CompanyName"), 6), "1.2.3.4", kError, kError);
    row("odd child length", set16(description, quint16(b[description] + 1)), "1.2.3.4", kCompany, "Suite");
    row("child length into its sibling", set16(description, quint16(b[description] + 4)), "1.2.3.4", kCompany,
        kError);
    row("value without NUL ends with its block", noNul, "1.2.3.4", kCompany + QLatin1Char('X'), "Suite");
    row("value length 0 reads empty", set16(at("CompanyName") + 2, 0), "1.2.3.4", "", "Suite");
    row("translation block broken", set16(at("VarFileInfo"), 1), "1.2.3.4", "", "");
    row("bad fixed signature", badSignature, "", kCompany, "Suite");
    row("fixed part one byte short", set16(2, 51), "", kCompany, "Suite");
    row("table length past its parent", set16(at("040904B0"), 0xFFF0), "1.2.3.4", kCompany, "Suite");

    // The first pair is taken from as many of the translation value's bytes as there are, up
    // to four; what is missing stays zero. Each table names itself.
    const char* const names[] = {"00000000", "00090000", "04090000", "040900B0", "040904B0"};
    VersionContent byName;
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

void TestVersionParse::damagedBlock()
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

QTEST_GUILESS_MAIN(TestVersionParse)
#include "test_version_parse.moc"
