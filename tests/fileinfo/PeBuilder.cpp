#include "PeBuilder.h"

#include <QMap>

#include <algorithm>

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

void pad4(QByteArray& b)
{
    while (b.size() % 4)
        b.append('\0');
}

QByteArray utf16z(const QString& s)
{
    QByteArray out;
    for (const QChar c : s)
        put16(out, out.size(), c.unicode());
    put16(out, out.size(), 0);
    return out;
}

QByteArray cp1252z(const QString& s)
{
    // Only what the tests use: Latin-1 and the euro sign.
    QByteArray out;
    for (const QChar c : s)
        out.append(c.unicode() == 0x20AC ? char(0x80) : char(c.unicode()));
    out.append('\0');
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
    b.append(wide ? utf16z(key) : cp1252z(key));
    pad4(b);
    b.append(value);
    for (const QByteArray& c : children) {
        pad4(b);
        b.append(c);
    }
    put16(b, 0, quint16(b.size()));
    return b;
}

QByteArray build(const VersionSpec& vs, bool wide)
{
    QList<QByteArray> tables;
    for (const StringTable& t : vs.tables) {
        QList<QByteArray> strings;
        for (const auto& [k, v] : t.strings) {
            const QByteArray value = wide ? utf16z(v) : cp1252z(v);
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
        put32(fixed, 16, quint32(v[0]) << 16 | v[1]); // product version: same
        put32(fixed, 20, quint32(v[2]) << 16 | v[3]);
        put32(fixed, 48, 0); // up to the 52 bytes of the fixed part
    }
    return node(wide, QStringLiteral("VS_VERSION_INFO"), fixed, quint16(fixed.size()), false, children);
}

} // namespace

QByteArray versionBlock(const VersionSpec& vs)
{
    return build(vs, true);
}
QByteArray versionBlock16(const VersionSpec& vs)
{
    return build(vs, false);
}

qsizetype nodeOffset(const QByteArray& block, const QString& key, bool wide)
{
    const qsizetype at = block.indexOf(wide ? utf16z(key) : cp1252z(key));
    return at < 0 ? -1 : at - (wide ? 6 : 4);
}

VersionSpec simpleSpec(const QString& company, const QString& description, const QString& product)
{
    VersionSpec s;
    s.tables = {{QStringLiteral("040904B0"),
                 {{QStringLiteral("CompanyName"), company},
                  {QStringLiteral("FileDescription"), description},
                  {QStringLiteral("ProductName"), product}}}};
    return s;
}

QByteArray buildPe(const QList<Resource>& resources, const PeOptions& options, PeLayout* layout)
{
    PeLayout l;
    QByteArray f(0x400, '\0');
    f[0] = 'M';
    f[1] = 'Z';
    put32(f, 0x3C, 0x80);
    f.replace(0x40, 0x20, QByteArray("This program cannot be run here.").leftJustified(0x20, '\0'));

    l.peHeader = 0x80;
    f.replace(0x80, 4, QByteArray("PE\0\0", 4));
    const quint16 optionalSize = options.pe64 ? 240 : 224;
    put16(f, 0x84, options.pe64 ? 0x8664 : 0x014C);
    put16(f, 0x86, 2);
    put16(f, 0x94, optionalSize);
    put16(f, 0x96, options.pe64 ? 0x0022 : 0x0102);
    l.optionalHeader = 0x98;
    const qsizetype o = l.optionalHeader;
    put16(f, o, options.pe64 ? 0x20B : 0x10B);
    put32(f, o + 32, 0x1000); // section alignment
    put32(f, o + 36, 0x200);  // file alignment
    const qsizetype dirs = o + (options.pe64 ? 112 : 96);
    put32(f, o + (options.pe64 ? 108 : 92), 16);

    // Resource tree: types, then names, then languages.
    struct Key
    {
        bool named;
        QString name;
        quint16 id;
    };
    auto less = [&](const Key& a, const Key& b) {
        if (!options.sortEntries)
            return false;
        if (a.named != b.named)
            return a.named;
        return a.named ? a.name < b.name : a.id < b.id;
    };
    QList<quint16> types;
    for (const Resource& r : resources) {
        if (!types.contains(r.type))
            types.append(r.type);
    }
    if (options.sortEntries)
        std::sort(types.begin(), types.end());

    struct NameGroup
    {
        Key key;
        QList<int> resourceIdx;
    };
    QList<QList<NameGroup>> names(types.size());
    for (int i = 0; i < resources.size(); ++i) {
        const Resource& r = resources[i];
        auto& groups = names[types.indexOf(r.type)];
        const Key k{!r.name.isEmpty(), r.name, r.id};
        auto it = std::find_if(groups.begin(), groups.end(), [&](const NameGroup& g) {
            return g.key.named == k.named && (k.named ? g.key.name == k.name : g.key.id == k.id);
        });
        if (it == groups.end())
            groups.append({k, {i}});
        else
            it->resourceIdx.append(i);
    }
    for (auto& groups : names) {
        std::stable_sort(groups.begin(), groups.end(),
                         [&](const NameGroup& a, const NameGroup& b) { return less(a.key, b.key); });
        for (NameGroup& g : groups) {
            std::stable_sort(g.resourceIdx.begin(), g.resourceIdx.end(), [&](int a, int b) {
                return options.sortEntries && resources[a].lang < resources[b].lang;
            });
        }
    }

    // Offsets inside the section.
    auto dirSize = [](qsizetype n) { return 16 + 8 * n; };
    qsizetype at = dirSize(types.size());
    QList<qsizetype> nameDirAt;
    for (const auto& groups : names) {
        nameDirAt.append(at);
        at += dirSize(groups.size());
    }
    QList<QList<qsizetype>> langDirAt(types.size());
    for (int t = 0; t < types.size(); ++t) {
        for (const NameGroup& g : names[t]) {
            langDirAt[t].append(at);
            at += dirSize(g.resourceIdx.size());
        }
    }
    QList<qsizetype> dataEntryAt(resources.size());
    for (int i = 0; i < resources.size(); ++i) {
        dataEntryAt[i] = at;
        at += 16;
    }
    QMap<QString, qsizetype> nameStringAt;
    for (const Resource& r : resources) {
        if (!r.name.isEmpty() && !nameStringAt.contains(r.name)) {
            nameStringAt.insert(r.name, at);
            at += 2 + 2 * r.name.size();
        }
    }
    QList<qsizetype> dataAt(resources.size());
    for (int i = 0; i < resources.size(); ++i) {
        at = (at + 7) & ~qsizetype(7);
        dataAt[i] = at;
        at += resources[i].data.size();
    }
    const qsizetype sectionSize = (at + 0x1FF) & ~qsizetype(0x1FF);
    const quint32 codeSize = (options.codeSize + 0x1FF) & ~0x1FFu;
    const quint32 rva = 0x1000 + ((codeSize + 0xFFF) & ~0xFFFu);

    QByteArray s(sectionSize, '\0');
    auto directory = [&](qsizetype dirAt, int named, int ids) {
        put32(s, dirAt + 4, 0); // time stamp
        put16(s, dirAt + 12, quint16(named));
        put16(s, dirAt + 14, quint16(ids));
    };
    directory(0, 0, int(types.size()));
    for (int t = 0; t < types.size(); ++t) {
        put32(s, 16 + 8 * t, types[t]);
        put32(s, 16 + 8 * t + 4, 0x80000000u | quint32(nameDirAt[t]));
        const auto& groups = names[t];
        const int named =
            int(std::count_if(groups.begin(), groups.end(), [](const NameGroup& g) { return g.key.named; }));
        directory(nameDirAt[t], named, int(groups.size()) - named);
        for (int n = 0; n < groups.size(); ++n) {
            const qsizetype e = nameDirAt[t] + 16 + 8 * n;
            const NameGroup& g = groups[n];
            put32(s, e, g.key.named ? 0x80000000u | quint32(nameStringAt.value(g.key.name)) : g.key.id);
            put32(s, e + 4, 0x80000000u | quint32(langDirAt[t][n]));
            directory(langDirAt[t][n], 0, int(g.resourceIdx.size()));
            for (int k = 0; k < g.resourceIdx.size(); ++k) {
                const int i = g.resourceIdx[k];
                put32(s, langDirAt[t][n] + 16 + 8 * k, resources[i].lang);
                put32(s, langDirAt[t][n] + 16 + 8 * k + 4, quint32(dataEntryAt[i]));
            }
        }
    }
    for (auto it = nameStringAt.cbegin(); it != nameStringAt.cend(); ++it) {
        put16(s, it.value(), quint16(it.key().size()));
        const QByteArray text = utf16z(it.key());
        s.replace(it.value() + 2, text.size() - 2, text.left(text.size() - 2));
    }
    for (int i = 0; i < resources.size(); ++i) {
        put32(s, dataEntryAt[i], rva + quint32(dataAt[i]));
        put32(s, dataEntryAt[i] + 4, quint32(resources[i].data.size()));
        put32(s, dataEntryAt[i] + 8, 0);
        s.replace(dataAt[i], resources[i].data.size(), resources[i].data);
    }

    // Sections: a dummy code section first, so that mapping addresses to offsets matters.
    l.sectionTable = o + optionalSize;
    const qsizetype text = l.sectionTable;
    f.replace(text, 8, QByteArray(".text\0\0\0", 8));
    put32(f, text + 8, codeSize);
    put32(f, text + 12, 0x1000);
    put32(f, text + 16, codeSize);
    put32(f, text + 20, 0x400);
    l.rsrcSectionHeader = text + 40;
    f.replace(l.rsrcSectionHeader, 8, QByteArray(".rsrc\0\0\0", 8));
    put32(f, l.rsrcSectionHeader + 8, quint32(at));
    put32(f, l.rsrcSectionHeader + 12, rva);
    put32(f, l.rsrcSectionHeader + 16, quint32(sectionSize));
    put32(f, l.rsrcSectionHeader + 20, 0x400 + codeSize);
    put32(f, dirs + 2 * 8, rva);
    put32(f, dirs + 2 * 8 + 4, quint32(at));

    f.resize(0x400 + codeSize, '\x90'); // the code section
    l.rsrcSection = f.size();
    l.rsrcRva = rva;
    f.append(s);

    l.directories.append(l.rsrcSection);
    for (qsizetype d : nameDirAt)
        l.directories.append(l.rsrcSection + d);
    for (const auto& ds : langDirAt) {
        for (qsizetype d : ds)
            l.directories.append(l.rsrcSection + d);
    }
    for (int i = 0; i < resources.size(); ++i) {
        l.dataEntries.append(l.rsrcSection + dataEntryAt[i]);
        l.data.append(l.rsrcSection + dataAt[i]);
    }
    if (layout)
        *layout = l;
    return f;
}

QByteArray peWithVersion(const QByteArray& block, bool pe64, PeLayout* layout)
{
    Resource r;
    r.data = block;
    PeOptions options;
    options.pe64 = pe64;
    return buildPe({r}, options, layout);
}

QByteArray buildNe(const QList<NeResource>& resources, NeLayout* layout)
{
    NeLayout l;
    QByteArray f(0x40, '\0');
    f[0] = 'M';
    f[1] = 'Z';
    put32(f, 0x3C, 0x40);
    l.neHeader = 0x40;
    f.append(QByteArray(0x40, '\0'));
    f[0x40] = 'N';
    f[0x41] = 'E';
    l.resourceTable = 0x80;
    const int shift = 4;

    QList<quint16> types;
    for (const NeResource& r : resources) {
        if (!types.contains(r.type))
            types.append(r.type);
    }
    QByteArray t;
    put16(t, 0, shift);
    QList<qsizetype> nameInfoAt(resources.size());
    for (quint16 type : types) {
        const qsizetype head = t.size();
        put16(t, head, type);
        int count = 0;
        put32(t, head + 4, 0);
        for (int i = 0; i < resources.size(); ++i) {
            if (resources[i].type != type)
                continue;
            nameInfoAt[i] = t.size();
            t.append(QByteArray(12, '\0'));
            ++count;
        }
        put16(t, head + 2, quint16(count));
    }
    put16(t, t.size(), 0);
    const qsizetype namesAt = l.resourceTable + t.size() - l.neHeader;
    put16(f, l.neHeader + 0x24, quint16(l.resourceTable - l.neHeader));
    put16(f, l.neHeader + 0x26, quint16(namesAt));
    t.append('\0'); // empty resident name table

    f.append(t);
    for (int i = 0; i < resources.size(); ++i) {
        while (f.size() % (1 << shift))
            f.append('\0');
        const qsizetype dataAt = f.size();
        f.append(resources[i].data);
        const qsizetype units = (resources[i].data.size() + (1 << shift) - 1) >> shift;
        const qsizetype info = l.resourceTable + nameInfoAt[i];
        put16(f, info, quint16(dataAt >> shift));
        put16(f, info + 2, quint16(units));
        put16(f, info + 4, 0x0030);
        put16(f, info + 6, resources[i].id);
        l.nameInfos.append(info);
        l.data.append(dataAt);
    }
    while (f.size() % (1 << shift))
        f.append('\0');
    if (layout)
        *layout = l;
    return f;
}

} // namespace vtest
