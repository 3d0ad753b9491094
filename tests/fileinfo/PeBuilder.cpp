#include "PeBuilder.h"

#include <algorithm>
#include <functional>
#include <numeric>

namespace vtest {

void put16(QByteArray& bytes, qsizetype at, quint16 value)
{
    if (bytes.size() < at + 2)
        bytes.resize(at + 2, '\0');
    bytes[at] = char(value & 0xFF);
    bytes[at + 1] = char(value >> 8);
}

void put32(QByteArray& bytes, qsizetype at, quint32 value)
{
    put16(bytes, at, quint16(value & 0xFFFF));
    put16(bytes, at + 2, quint16(value >> 16));
}

namespace {

// Text as a block stores it, with its NUL: UTF-16, or 8-bit (only the Latin-1 range and
// the euro sign, which is all the tests use).
QByteArray textz(const QString& s, bool wide)
{
    QByteArray out;
    for (const QChar c : s + QChar(0)) {
        if (wide)
            put16(out, out.size(), c.unicode());
        else
            out.append(c.unicode() == 0x20AC ? char(0x80) : char(c.unicode()));
    }
    return out;
}

// One block: lengths, [type,] key, value, then the children, each at a 4-byte boundary.
QByteArray node(bool wide, const QString& key, const QByteArray& value, quint16 valueLength, bool text,
                const QList<QByteArray>& children)
{
    QByteArray b;
    put16(b, 0, 0);
    put16(b, 2, valueLength);
    if (wide)
        put16(b, 4, text ? 1 : 0);
    b.append(textz(key, wide));
    for (const QByteArray& part : QList<QByteArray>{value} + children) {
        b.resize((b.size() + 3) & ~qsizetype(3), '\0');
        b.append(part);
    }
    put16(b, 0, quint16(b.size()));
    return b;
}

} // namespace

QByteArray versionBlock(const VersionContent& vs, bool wide)
{
    QList<QByteArray> tables;
    for (const StringTable& t : vs.tables) {
        QList<QByteArray> strings;
        for (const auto& [k, v] : t.strings) {
            const QByteArray value = textz(v, wide);
            strings.append(node(wide, k, value, quint16(wide ? v.size() + 1 : value.size()), true, {}));
        }
        tables.append(node(wide, t.name, {}, 0, true, strings));
    }
    QList<QByteArray> children;
    if (!vs.tables.isEmpty())
        children.append(node(wide, QStringLiteral("StringFileInfo"), {}, 0, true, tables));
    if (!vs.translations.isEmpty()) {
        QByteArray pairs;
        for (const auto& [lang, cp] : vs.translations) {
            put16(pairs, pairs.size(), lang);
            put16(pairs, pairs.size(), cp);
        }
        const QByteArray var =
            node(wide, QStringLiteral("Translation"), pairs, quint16(pairs.size()), false, {});
        children.append(node(wide, QStringLiteral("VarFileInfo"), {}, 0, true, {var}));
    }
    QByteArray fixed;
    if (vs.fixedVersion) {
        const auto& v = *vs.fixedVersion;
        put32(fixed, 0, 0xFEEF04BD);
        put32(fixed, 4, 0x00010000);
        put32(fixed, 8, quint32(v[0]) << 16 | v[1]);
        put32(fixed, 12, quint32(v[2]) << 16 | v[3]);
        put32(fixed, 48, 0); // up to the 52 bytes of the fixed part
    }
    return node(wide, QStringLiteral("VS_VERSION_INFO"), fixed, quint16(fixed.size()), false, children);
}

qsizetype nodeOffset(const QByteArray& block, const QString& key)
{
    const qsizetype at = block.indexOf(textz(key, true));
    return at < 0 ? -1 : at - 6;
}

VersionContent simpleContent(const QString& company, const QString& description, const QString& product)
{
    VersionContent s;
    s.tables = {{QStringLiteral("040904B0"),
                 {{QStringLiteral("CompanyName"), company},
                  {QStringLiteral("FileDescription"), description},
                  {QStringLiteral("ProductName"), product}}}};
    return s;
}

QByteArray buildPe(const QList<Resource>& resources, const PeOptions& options, PeLayout* layout)
{
    PeLayout l;
    l.peHeader = 0x80;
    l.optionalHeader = 0x98;
    const qsizetype o = l.optionalHeader;
    const quint16 optionalSize = options.pe64 ? 240 : 224;
    QByteArray f(0x400, '\0');
    f.replace(0, 2, "MZ");
    put32(f, 0x3C, quint32(l.peHeader));
    f.replace(l.peHeader, 4, QByteArray("PE\0\0", 4));
    put16(f, l.peHeader + 4, options.pe64 ? 0x8664 : 0x014C);
    put16(f, l.peHeader + 6, 2);
    put16(f, l.peHeader + 20, optionalSize);
    put16(f, l.peHeader + 22, options.pe64 ? 0x0022 : 0x0102);
    put16(f, o, options.pe64 ? 0x20B : 0x10B);
    put32(f, o + 32, 0x1000); // section alignment
    put32(f, o + 36, 0x200);  // file alignment
    l.dataDirectories = o + (options.pe64 ? 112 : 96);
    put32(f, l.dataDirectories - 4, 16);
    const quint32 codeSize = (options.codeSize + 0x1FF) & ~0x1FFu;
    const quint32 rva = 0x1000 + ((codeSize + 0xFFF) & ~0xFFFu);

    // The resource tree depth first: types, names, languages, each level in the order the
    // resources come (our reader does not rely on the sorted order linkers write). Data
    // entries, name strings and data follow.
    QByteArray s;
    QList<std::pair<qsizetype, QString>> nameRefs;
    QList<qsizetype> langEntries(resources.size());
    auto key = [&](int i, int depth) -> std::pair<quint32, QString> {
        const Resource& r = resources[i];
        if (depth == 0)
            return {r.type, {}};
        if (depth == 1)
            return {r.name.isEmpty() ? r.id : 0x80000000u, r.name};
        return {r.lang, QString::number(i)}; // one entry for each resource
    };
    std::function<void(const QList<int>&, int)> level = [&](const QList<int>& members, int depth) {
        QList<QList<int>> groups; // members with one key share an entry
        for (int i : members) {
            auto it = std::find_if(groups.begin(), groups.end(),
                                   [&](const QList<int>& g) { return key(g[0], depth) == key(i, depth); });
            if (it == groups.end())
                groups.append(QList<int>{i});
            else
                it->append(i);
        }
        const qsizetype at = s.size();
        l.directories.append(at);
        s.resize(at + 16 + 8 * groups.size(), '\0');
        int named = 0;
        for (qsizetype k = 0; k < groups.size(); ++k) {
            const auto [id, name] = key(groups[k][0], depth);
            const qsizetype entry = at + 16 + 8 * k;
            put32(s, entry, id);
            named += int(id >> 31);
            if (depth == 1 && !name.isEmpty())
                nameRefs.append({entry, name});
            if (depth == 2) {
                langEntries[groups[k][0]] = entry + 4;
                continue;
            }
            put32(s, entry + 4, 0x80000000u | quint32(s.size()));
            level(groups[k], depth + 1);
        }
        put16(s, at + 12, quint16(named));
        put16(s, at + 14, quint16(groups.size() - named));
    };
    QList<int> all(resources.size());
    std::iota(all.begin(), all.end(), 0);
    level(all, 0);
    for (int i = 0; i < resources.size(); ++i) {
        put32(s, langEntries[i], quint32(s.size()));
        l.dataEntries.append(s.size());
        s.resize(s.size() + 16, '\0');
    }
    for (const auto& [entry, name] : nameRefs) {
        put32(s, entry, 0x80000000u | quint32(s.size()));
        put16(s, s.size(), quint16(name.size()));
        s.append(textz(name, true).chopped(2));
    }
    for (int i = 0; i < resources.size(); ++i) {
        s.resize((s.size() + 7) & ~qsizetype(7), '\0');
        put32(s, l.dataEntries[i], rva + quint32(s.size()));
        put32(s, l.dataEntries[i] + 4, quint32(resources[i].data.size()));
        l.data.append(s.size());
        s.append(resources[i].data);
    }
    const qsizetype used = s.size();
    s.resize((used + 0x1FF) & ~qsizetype(0x1FF), '\0');

    // A code section first, so that mapping addresses to offsets matters.
    const auto section = [&](qsizetype at, const char* name, quint32 size, quint32 address, quint32 rawSize,
                             quint32 rawPointer) {
        f.replace(at, 8, QByteArray(name).leftJustified(8, '\0'));
        put32(f, at + 8, size);
        put32(f, at + 12, address);
        put32(f, at + 16, rawSize);
        put32(f, at + 20, rawPointer);
    };
    section(o + optionalSize, ".text", codeSize, 0x1000, codeSize, 0x400);
    l.rsrcSectionHeader = o + optionalSize + 40;
    section(l.rsrcSectionHeader, ".rsrc", quint32(used), rva, quint32(s.size()), 0x400 + codeSize);
    put32(f, l.dataDirectories + 2 * 8, rva);
    put32(f, l.dataDirectories + 2 * 8 + 4, quint32(used));

    f.resize(0x400 + codeSize, '\x90');
    l.rsrcSection = f.size();
    l.rsrcRva = rva;
    f.append(s);
    for (QList<qsizetype>* offsets : {&l.directories, &l.dataEntries, &l.data}) {
        for (qsizetype& at : *offsets)
            at += l.rsrcSection;
    }
    if (layout)
        *layout = l;
    return f;
}

QByteArray peWithVersion(const QByteArray& block, bool pe64, PeLayout* layout)
{
    Resource r;
    r.data = block;
    return buildPe({r}, {.pe64 = pe64}, layout);
}

QByteArray buildNe(const QList<NeResource>& resources, NeLayout* layout)
{
    constexpr int kShift = 4; // data in 16-byte units
    auto align = [](QByteArray& f) { f.resize((f.size() + 15) & ~qsizetype(15), '\0'); };
    NeLayout l;
    l.neHeader = 0x40;
    l.resourceTable = 0x80;
    QByteArray f(l.resourceTable, '\0');
    f.replace(0, 2, "MZ");
    put32(f, 0x3C, quint32(l.neHeader));
    f.replace(l.neHeader, 2, "NE");
    put16(f, l.neHeader + 0x24, quint16(l.resourceTable - l.neHeader));

    // The shift, then per type its id, count, a reserved dword and a 12-byte entry for each
    // resource of the type; a type id 0 ends the table. An empty name table follows.
    put16(f, l.resourceTable, kShift);
    l.nameInfos.resize(resources.size());
    QList<quint16> types;
    for (const NeResource& r : resources) {
        if (!types.contains(r.type))
            types.append(r.type);
    }
    for (quint16 type : types) {
        const qsizetype head = f.size();
        put32(f, head + 4, 0);
        put16(f, head, type);
        for (int i = 0; i < resources.size(); ++i) {
            if (resources[i].type == type) {
                l.nameInfos[i] = f.size();
                f.resize(f.size() + 12, '\0');
            }
        }
        put16(f, head + 2, quint16((f.size() - head - 8) / 12));
    }
    put16(f, f.size(), 0);
    put16(f, l.neHeader + 0x26, quint16(f.size() - l.neHeader));
    f.append('\0');

    for (int i = 0; i < resources.size(); ++i) {
        align(f);
        const qsizetype info = l.nameInfos[i];
        put16(f, info, quint16(f.size() >> kShift));
        put16(f, info + 2, quint16((resources[i].data.size() + 15) >> kShift));
        put16(f, info + 4, 0x0030);
        put16(f, info + 6, resources[i].id);
        l.data.append(f.size());
        f.append(resources[i].data);
    }
    align(f);
    if (layout)
        *layout = l;
    return f;
}

} // namespace vtest
