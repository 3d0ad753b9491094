#pragma once
// Colour emoji on a PDF page. Their faces (Noto Color Emoji) hold pictures instead of
// outlines, which a PDF cannot carry as text: drawn as text they leave an empty place. On a
// PDF (and on a printer, which Qt feeds with PDF) such a character is drawn as a picture of
// itself made at the page's resolution; the rest of the text stays text, to be searched and
// copied.

#include <QFont>
#include <QHash>
#include <QImage>
#include <QPointF>
#include <QString>

class QPainter;

namespace vellora {

class ColorGlyphs
{
public:
    // Draws text with its baseline starting at origin, on a line of lineHeight pixels whose
    // baseline lies ascent below its top; font is the painter's font.
    void draw(QPainter& painter, const QFont& font, QPointF origin, const QString& text, double lineHeight,
              double ascent);

private:
    [[nodiscard]] bool isColor(const QString& grapheme, const QFont& font, QPainter& painter);
    [[nodiscard]] const QImage& picture(const QString& grapheme, const QFont& font, QPainter& painter,
                                        double width, double lineHeight, double ascent);

    QHash<QString, bool> m_colorFaces; // by family: the face holds pictures
    QHash<QString, bool> m_colorGraphemes;
    QHash<QString, double> m_widths;
    QHash<QString, QImage> m_pictures; // one picture per character, so the PDF holds it once
};

} // namespace vellora
