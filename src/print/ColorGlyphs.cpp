#include "ColorGlyphs.h"

#include <cmath>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPaintDevice>
#include <QPainter>
#include <QRawFont>
#include <QTextBoundaryFinder>
#include <QTextLayout>

namespace vellora {

namespace {

constexpr qsizetype kMaxPictures = 256;

// Emoji live above U+2000; a keycap or an emoji-style selector may follow a plain digit.
bool mayBeEmoji(QStringView grapheme)
{
    for (const QChar c : grapheme)
        if (c.unicode() >= 0x2000 || c.isSurrogate())
            return true;
    return false;
}

} // namespace

bool ColorGlyphs::isColor(const QString& grapheme, const QFont& font, QPainter& painter)
{
    if (!mayBeEmoji(grapheme))
        return false;
    const auto known = m_colorGraphemes.constFind(grapheme);
    if (known != m_colorGraphemes.constEnd())
        return *known;
    QTextLayout layout(grapheme, font, painter.device());
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    bool color = false;
    for (const QGlyphRun& run : layout.glyphRuns()) {
        const QRawFont face = run.rawFont();
        const QString family = face.familyName();
        auto it = m_colorFaces.find(family);
        if (it == m_colorFaces.end())
            // Bitmap colour tables (CBLC: Noto, sbix: Apple) and layered colour glyphs (COLR).
            it = m_colorFaces.insert(family, !face.fontTable("CBLC").isEmpty() ||
                                                 !face.fontTable("COLR").isEmpty() ||
                                                 !face.fontTable("sbix").isEmpty());
        color = color || *it;
    }
    m_colorGraphemes.insert(grapheme, color);
    return color;
}

const QImage& ColorGlyphs::picture(const QString& grapheme, const QFont& font, QPainter& painter,
                                   double width, double lineHeight, double ascent)
{
    auto it = m_pictures.find(grapheme);
    if (it != m_pictures.end())
        return *it;
    // About 100 kB each at a printer's resolution: a tree of many different emoji must not
    // hold them all (a picture made again goes into the PDF again, that is all).
    if (m_pictures.size() >= kMaxPictures)
        m_pictures.clear();
    QImage image(int(std::ceil(width)), int(std::ceil(lineHeight)), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    // The page's resolution, so the font takes the same size in pixels as on the page.
    const QPaintDevice* device = painter.device();
    image.setDotsPerMeterX(int(std::lround(device->logicalDpiX() / 0.0254)));
    image.setDotsPerMeterY(int(std::lround(device->logicalDpiY() / 0.0254)));
    {
        QPainter p(&image);
        p.setFont(font);
        p.setPen(painter.pen());
        p.setLayoutDirection(Qt::LeftToRight);
        p.drawText(QPointF(0, ascent), grapheme);
    }
    return *m_pictures.insert(grapheme, image);
}

void ColorGlyphs::draw(QPainter& painter, const QFont& font, QPointF origin, const QString& text,
                       double lineHeight, double ascent)
{
    bool plain = true;
    for (const QChar c : text)
        plain = plain && c.unicode() < 0x2000;
    if (plain) {
        painter.drawText(origin, text);
        return;
    }
    const QFontMetricsF metrics(font, painter.device());
    // Runs of text between the colour characters, each at the width of what came before.
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, text);
    qsizetype runStart = 0;
    double x = origin.x();
    const auto flush = [&](qsizetype end) {
        if (end > runStart) {
            const QString run = text.mid(runStart, end - runStart);
            painter.drawText(QPointF(x, origin.y()), run);
            x += metrics.horizontalAdvance(run);
        }
    };
    for (qsizetype at = 0; at < text.size();) {
        qsizetype next = graphemes.toNextBoundary();
        if (next < 0)
            next = text.size();
        const QString grapheme = text.mid(at, next - at);
        if (isColor(grapheme, font, painter)) {
            flush(at);
            // Measured once: each measure of a picture glyph unpacks its picture again.
            auto known = m_widths.constFind(grapheme);
            if (known == m_widths.constEnd())
                known = m_widths.insert(grapheme, metrics.horizontalAdvance(grapheme));
            const double width = *known;
            painter.drawImage(QPointF(x, origin.y() - ascent),
                              picture(grapheme, font, painter, width, lineHeight, ascent));
            x += width;
            runStart = next;
        }
        at = next;
    }
    flush(text.size());
}

} // namespace vellora
