#pragma once
// Builds small executables in memory with the version resources a test needs: PE32 and
// PE32+ with one resource section, and 16-bit NE files. Layout offsets are reported so
// that a test can damage exactly one field.

#include <QByteArray>
#include <QList>
#include <QString>

#include <array>
#include <optional>
#include <utility>

namespace vtest {

struct StringTable
{
    QString name; // block name as written into the file, e.g. "040904B0"
    QList<std::pair<QString, QString>> strings;
};

struct VersionContent
{
    std::optional<std::array<quint16, 4>> fixedVersion = std::array<quint16, 4>{1, 2, 3, 4};
    QList<std::pair<quint16, quint16>> translations = {{0x0409, 0x04B0}};
    QList<StringTable> tables;
};

// VS_VERSIONINFO as 32-bit files carry it (UTF-16 keys and text), or as 16-bit ones do
// (no type words, 8-bit Windows-1252 keys and text).
[[nodiscard]] QByteArray versionBlock(const VersionContent& vs, bool wide = true);
[[nodiscard]] inline QByteArray versionBlock16(const VersionContent& vs)
{
    return versionBlock(vs, false);
}

// Offset of the block whose key is key inside a 32-bit version block, -1 when absent.
[[nodiscard]] qsizetype nodeOffset(const QByteArray& block, const QString& key);

// A vs with one string table 040904B0 holding the three strings.
[[nodiscard]] VersionContent simpleContent(const QString& company, const QString& description,
                                           const QString& product);

struct Resource
{
    quint16 type = 16;
    quint16 id = 1;
    QString name; // when set the entry is named instead of numbered
    quint16 lang = 0x0409;
    QByteArray data;
};

struct PeLayout
{
    qsizetype peHeader = 0; // "PE\0\0"
    qsizetype optionalHeader = 0;
    qsizetype dataDirectories = 0; // after their count; the resources' is the third
    qsizetype rsrcSection = 0;     // file offset of the resource section
    quint32 rsrcRva = 0;
    qsizetype rsrcSectionHeader = 0;
    QList<qsizetype> directories; // file offsets, depth first: root, names of the first type,
                                  // languages of its first name, ...
    QList<qsizetype> dataEntries; // one per resource, in the order given
    QList<qsizetype> data;        // one per resource, in the order given
};

struct PeOptions
{
    bool pe64 = false;
    quint32 codeSize = 0x200; // bytes of the code section, which lies before the resources
};

[[nodiscard]] QByteArray buildPe(const QList<Resource>& resources, const PeOptions& options = {},
                                 PeLayout* layout = nullptr);

// A PE32 (or PE32+) file with one version resource, id 1, language 0x0409.
[[nodiscard]] QByteArray peWithVersion(const QByteArray& block, bool pe64 = false,
                                       PeLayout* layout = nullptr);

struct NeResource
{
    quint16 type = 0x8010;
    quint16 id = 0x8001;
    QByteArray data;
};

struct NeLayout
{
    qsizetype neHeader = 0;
    qsizetype resourceTable = 0; // the alignment shift word
    QList<qsizetype> nameInfos;  // one per resource, in the order given
    QList<qsizetype> data;
};

[[nodiscard]] QByteArray buildNe(const QList<NeResource>& resources, NeLayout* layout = nullptr);

void put16(QByteArray& bytes, qsizetype at, quint16 value);
void put32(QByteArray& bytes, qsizetype at, quint32 value);

} // namespace vtest
