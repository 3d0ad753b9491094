#pragma once
// Reads values out of a version resource (VS_VERSIONINFO): the nested blocks of
// length, value length, [type,] key, value and children. Blocks of 32-bit files have
// UTF-16 keys and text; those of 16-bit files have 8-bit ones and no type field.

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <optional>

namespace vellora::fileinfo {

class VersionBlock
{
public:
    explicit VersionBlock(QByteArray bytes);

    // False when even the outermost block does not hold: nothing can be read from it.
    [[nodiscard]] bool isValid() const { return m_root.has_value(); }

    // "a.b.c.d" from the fixed part; empty without one.
    [[nodiscard]] QString fileVersion() const;

    // The first language/code-page pair of \VarFileInfo\Translation as language * 65536 +
    // code page, from as many of its first four bytes as the value has (the rest read as
    // zero); 0 when there is no translation list.
    [[nodiscard]] quint32 firstTranslation() const;

    enum class Lookup { Found, Absent, Broken };
    // \StringFileInfo\<table>\<key>, names compared without regard to case. Broken when the
    // blocks on the way do not hold together.
    [[nodiscard]] Lookup findString(QStringView table, QStringView key, QString* value) const;

    // Text values are 8-bit in 16-bit files; decoded as Windows-1252.
    [[nodiscard]] static QString decodeWindows1252(const char* data, qsizetype len);

private:
    struct Node
    {
        quint32 start;
        quint32 end; // one past the last byte, never past the buffer
        quint32 valueStart;
        quint32 valueEnd;   // as the value length says, cut at end
        quint32 childStart; // may lie at or past end: no children
        quint32 nextSibling;
        quint16 type; // 1 text, 0 binary; always 1 for text of 16-bit blocks
        quint32 keyStart;
        quint32 keyLength; // in characters
    };

    [[nodiscard]] std::optional<Node> parseNode(quint32 offset, quint32 limit) const;
    [[nodiscard]] bool keyMatches(const Node& node, QStringView key) const;
    [[nodiscard]] Lookup findChild(const Node& parent, QStringView key, Node* child) const;
    [[nodiscard]] QString textValue(const Node& node) const;

    QByteArray m_bytes;
    bool m_wide = true;
    std::optional<Node> m_root;
};

} // namespace vellora::fileinfo
