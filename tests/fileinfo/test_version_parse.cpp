// Well-formed executables: what the reader takes from them and which resource it picks.

#include "fileinfo/VersionParser.h"
#include "fileinfo/VersionReader.h"
#include "PeBuilder.h"

#include <QLocale>
#include <QTest>

using namespace vellora;
using namespace vtest;

namespace {

const QString kError = QStringLiteral("*** error ***");

VersionSpec withTables(QList<StringTable> tables, QList<std::pair<quint16, quint16>> translations)
{
    VersionSpec s;
    s.tables = std::move(tables);
    s.translations = std::move(translations);
    return s;
}

StringTable table(const QString& name, const QString& company, const QString& description = {},
                  const QString& product = {})
{
    StringTable t{name, {{QStringLiteral("CompanyName"), company}}};
    if (!description.isNull())
        t.strings.append({QStringLiteral("FileDescription"), description});
    if (!product.isNull())
        t.strings.append({QStringLiteral("ProductName"), product});
    return t;
}

// Each resource in its own language says which one it is in its company name.
QByteArray multiLanguagePe(const QList<quint16>& langs)
{
    QList<Resource> resources;
    for (quint16 lang : langs) {
        Resource r;
        r.lang = lang;
        r.data = versionBlock(simpleSpec(QString::number(lang, 16), {}, {}));
        resources.append(r);
    }
    return buildPe(resources);
}

} // namespace

class TestVersionParse : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readsValues_data();
    void readsValues();
    void picksLanguage_data();
    void picksLanguage();
    void picksResource_data();
    void picksResource();
    void readsNeFiles_data();
    void readsNeFiles();
    void ignoresOtherFiles_data();
    void ignoresOtherFiles();
    void kindSelectsString();
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
    struct Row
    {
        const char* name;
        VersionSpec vs;
        QString version, company, description, product;
    };
    VersionSpec halves = simpleSpec("A", "B", "C");
    halves.fixedVersion = std::array<quint16, 4>{65535, 0, 1, 65534};
    VersionSpec noFixed = simpleSpec("A", "B", "C");
    noFixed.fixedVersion.reset();
    VersionSpec mixedCase = withTables({{QStringLiteral("040904b0"),
                                         {{QStringLiteral("companyname"), QStringLiteral("a")},
                                          {QStringLiteral("FILEDESCRIPTION"), QStringLiteral("b")},
                                          {QStringLiteral("productName"), QStringLiteral("c")}}}},
                                       {{0x0409, 0x04B0}});
    const QList<Row> rows = {
        {"plain", simpleSpec("Acme S.p.A.", "Lister", "Vellora"), "1.2.3.4", "Acme S.p.A.", "Lister",
         "Vellora"},
        {"version halves", halves, "65535.0.1.65534", "A", "B", "C"},
        {"no fixed part", noFixed, "", "A", "B", "C"},
        {"utf-8 code page", withTables({table("0409FDE9", "u", "v", "w")}, {{0x0409, 0xFDE9}}), "1.2.3.4",
         "u", "v", "w"},
        {"short language id, zero-padded block name",
         withTables({table("000904B0", "pad")}, {{0x0009, 0x04B0}}), "1.2.3.4", "pad", "", ""},
        {"first translation only",
         withTables({table("041004E4", "Italia"), table("040904B0", "US", "desc", "prod")},
                    {{0x0410, 0x04E4}, {0x0409, 0x04B0}}),
         "1.2.3.4", "Italia", "", ""},
        {"no translation list", withTables({table("00000000", "zero"), table("040904B0", "US")}, {}),
         "1.2.3.4", "zero", "", ""},
        {"no translation, no zero table", withTables({table("040904B0", "US", "d", "p")}, {}), "1.2.3.4", "",
         "", ""},
        {"names in any case", mixedCase, "1.2.3.4", "a", "b", "c"},
        {"translated table absent", withTables({table("040904B0", "US", "d", "p")}, {{0x0410, 0x04B0}}),
         "1.2.3.4", "", "", ""},
        {"no string tables", withTables({}, {{0x0409, 0x04B0}}), "1.2.3.4", "", "", ""},
        {"254 and 255 characters", simpleSpec(s254, s255, ""), "1.2.3.4", s254, kError, ""},
        {"non-ASCII", simpleSpec(QStringLiteral("Società Ünïcode €"), QStringLiteral("日本語 😀"), "p"),
         "1.2.3.4", QStringLiteral("Società Ünïcode €"), QStringLiteral("日本語 😀"), "p"},
    };
    for (const Row& r : rows) {
        const QByteArray block = versionBlock(r.vs);
        QTest::newRow(r.name) << block << r.version << r.company << r.description << r.product;
    }
}

void TestVersionParse::readsValues()
{
    QFETCH(QByteArray, block);
    for (bool pe64 : {false, true}) {
        const VersionData d = parseVersionData(peWithVersion(block, pe64));
        QVERIFY(d.readable);
        QVERIFY(d.hasResource);
        QTEST(d.fileVersion, "version");
        QTEST(d.companyName, "company");
        QTEST(d.fileDescription, "description");
        QTEST(d.productName, "product");
    }
}

void TestVersionParse::picksLanguage_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("expected");
    const auto row = [](const char* name, const QList<quint16>& langs, const char* locale,
                        const char* expected) {
        QTest::newRow(name) << multiLanguagePe(langs) << QLocale(QLatin1String(locale))
                            << QString::fromLatin1(expected);
    };
    row("neutral first", {0x0409, 0x0000, 0x0410}, "it_IT", "0");
    row("user's language", {0x0407, 0x0409, 0x0410}, "it_IT", "410");
    row("no user language: en-US", {0x0407, 0x0409, 0x0410}, "C", "409");
    row("neither: lowest", {0x040C, 0x0407}, "it_IT", "407");
    row("same primary language", {0x0409, 0x0410}, "it_CH", "410");
    row("exact region before primary", {0x0407, 0x0807, 0x0C07}, "de_AT", "c07");
    row("region missing: lowest same primary", {0x0409, 0x0C07, 0x0807}, "de_LU", "807");
    row("Spain, modern sort", {0x0409, 0x0C0A}, "es_ES", "c0a");
    row("Spain, traditional sort", {0x040A, 0x0409}, "es_ES", "40a");
    row("British before American", {0x0409, 0x0809}, "en_GB", "809");
    row("American", {0x0409, 0x0809}, "en_US", "409");
}

void TestVersionParse::picksLanguage()
{
    QFETCH(QByteArray, file);
    QFETCH(QLocale, locale);
    QTEST(parseVersionData(file, locale).companyName, "expected");
}

void TestVersionParse::picksResource_data()
{
    QTest::addColumn<QList<Resource>>("resources");
    QTest::addColumn<QString>("expected");

    auto res = [](quint16 type, quint16 id, const QString& company, const QString& name = {}) {
        Resource r;
        r.type = type;
        r.id = id;
        r.name = name;
        r.data = type == 16 ? versionBlock(simpleSpec(company, {}, {})) : QByteArray("not a version", 13);
        return r;
    };
    // The platform's query asks for id 1 alone, wherever it stands among names and other ids.
    QTest::newRow("id 1 among names and ids")
        << QList<Resource>{res(16, 0, "named", "VERSION"), res(16, 2, "two"), res(16, 1, "one"),
                           res(16, 7, "seven")}
        << "one";
    QTest::newRow("no id 1") << QList<Resource>{res(16, 9, "nine"), res(16, 3, "three")} << "";
    QTest::newRow("named only") << QList<Resource>{res(16, 0, "named", "VERSION")} << "";
    QTest::newRow("other types around")
        << QList<Resource>{res(3, 1, ""), res(24, 1, ""), res(16, 1, "v"), res(14, 1, "")} << "v";
    QTest::newRow("other types only") << QList<Resource>{res(3, 1, ""), res(24, 1, "")} << "";
}

void TestVersionParse::picksResource()
{
    QFETCH(QList<Resource>, resources);
    QFETCH(QString, expected);
    const VersionData d = parseVersionData(buildPe(resources));
    QVERIFY(d.readable);
    QCOMPARE(d.hasResource, !expected.isEmpty());
    QCOMPARE(d.fileVersion, expected.isEmpty() ? QString() : QStringLiteral("1.2.3.4"));
    QCOMPARE(d.companyName, expected);
}

void TestVersionParse::readsNeFiles_data()
{
    QTest::addColumn<QList<NeResource>>("resources");
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("company");
    QTest::addColumn<QString>("product");

    VersionSpec vs = simpleSpec(QStringLiteral("Società €"), "desc", "Prodotto");
    vs.fixedVersion = std::array<quint16, 4>{3, 10, 0, 103};
    const QByteArray block = versionBlock16(vs);
    const QByteArray other = versionBlock16(simpleSpec("other", {}, {}));
    QTest::newRow("version only") << QList<NeResource>{{0x8010, 0x8001, block}} << "3.10.0.103"
                                  << QStringLiteral("Società €") << "Prodotto";
    QTest::newRow("after other types")
        << QList<NeResource>{{0x8003, 0x8001, "icon"}, {0x800E, 0x8001, "group"}, {0x8010, 0x8001, block}}
        << "3.10.0.103" << QStringLiteral("Società €") << "Prodotto";
    QTest::newRow("id 1 preferred") << QList<NeResource>{{0x8010, 0x8002, other}, {0x8010, 0x8001, block}}
                                    << "3.10.0.103" << QStringLiteral("Società €") << "Prodotto";
    QTest::newRow("no id 1") << QList<NeResource>{{0x8010, 0x8005, block}, {0x8010, 0x8002, other}}
                             << QString() << QString() << QString();
    QTest::newRow("named only") << QList<NeResource>{{0x8010, 0x0040, block}} << QString() << QString()
                                << QString();
    VersionSpec mixedCase = withTables({{QStringLiteral("040904e4"),
                                         {{QStringLiteral("COMPANYNAME"), QStringLiteral("Società")},
                                          {QStringLiteral("productname"), QStringLiteral("p")}}}},
                                       {{0x0409, 0x04E4}});
    QTest::newRow("names in any case") << QList<NeResource>{{0x8010, 0x8001, versionBlock16(mixedCase)}}
                                       << "1.2.3.4" << QStringLiteral("Società") << "p";
    QTest::newRow("no version resource")
        << QList<NeResource>{{0x8003, 0x8001, "icon"}} << QString() << QString() << QString();
    QTest::newRow("no resources") << QList<NeResource>{} << QString() << QString() << QString();
}

void TestVersionParse::readsNeFiles()
{
    QFETCH(QList<NeResource>, resources);
    QFETCH(QString, version);
    const VersionData d = parseVersionData(buildNe(resources));
    QVERIFY(d.readable);
    QCOMPARE(d.hasResource, !version.isEmpty());
    QCOMPARE(d.fileVersion, version);
    QTEST(d.companyName, "company");
    QTEST(d.productName, "product");
}

void TestVersionParse::ignoresOtherFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("text") << QByteArray("CompanyName: Acme\nVS_VERSION_INFO\n");
    QTest::newRow("MZ only") << QByteArray("MZ");
    QTest::newRow("DOS program") << QByteArray("MZ").leftJustified(0x200, '\0');
    QTest::newRow("PE without resources") << buildPe({});
}

void TestVersionParse::ignoresOtherFiles()
{
    QFETCH(QByteArray, bytes);
    const VersionData d = parseVersionData(bytes);
    QVERIFY(d.readable);
    QVERIFY(!d.hasResource);
    for (auto kind : {InfoKind::CompanyName, InfoKind::FileDescription, InfoKind::ProductName})
        QCOMPARE(d.info(kind), QString());
    QCOMPARE(d.fileVersion, QString());
}

void TestVersionParse::kindSelectsString()
{
    const VersionData d = parseVersionData(peWithVersion(versionBlock(simpleSpec("Acme", "Tool", "Suite"))));
    QCOMPARE(d.info(InfoKind::CompanyName), QStringLiteral("Acme"));
    QCOMPARE(d.info(InfoKind::FileDescription), QStringLiteral("Tool"));
    QCOMPARE(d.info(InfoKind::ProductName), QStringLiteral("Suite"));
}

QTEST_GUILESS_MAIN(TestVersionParse)
#include "test_version_parse.moc"
