#include "Pictures.h"

#include <QPainter>
#include <QPainterPath>
#include <QSvgRenderer>

// The resources of a static library are linked in only when something calls for them.
static void initPictures()
{
    Q_INIT_RESOURCE(pictures);
}

namespace vellora {

namespace {

// All pictures are drawn on a 32-unit square and scaled, so every size looks the same.
class Canvas
{
public:
    explicit Canvas(int size) : m_pixmap(size, size)
    {
        m_pixmap.fill(Qt::transparent);
        m_painter.begin(&m_pixmap);
        m_painter.setRenderHint(QPainter::Antialiasing);
        m_painter.scale(size / 32.0, size / 32.0);
    }
    QPainter& painter() { return m_painter; }
    QPixmap take()
    {
        m_painter.end();
        return m_pixmap;
    }

private:
    QPixmap m_pixmap;
    QPainter m_painter;
};

const QColor kOutline(0x33, 0x33, 0x33);

void drawSheet(QPainter& p, const QRectF& r)
{
    p.setPen(QPen(kOutline, 1.0));
    p.setBrush(Qt::white);
    p.drawRect(r);
    p.setPen(QPen(QColor(0x3a, 0x6e, 0xa5), 1.2));
    for (qreal y = r.top() + 3; y < r.bottom() - 1; y += 3)
        p.drawLine(QPointF(r.left() + 2.5, y), QPointF(r.right() - 2.5, y));
}

} // namespace

QPixmap programPicture(int size)
{
    // The installed icon itself, so that the window, the about box and the desktop's menu
    // show one picture.
    initPictures();
    QSvgRenderer svg(QStringLiteral(":/vellora/program.svg"));
    QPixmap picture(size, size);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    svg.render(&p);
    return picture;
}

QIcon programIcon()
{
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(programPicture(size));
    return icon;
}

QPixmap printColumnsPicture(int size)
{
    Canvas c(size);
    QPainter& p = c.painter();
    drawSheet(p, QRectF(9, 2, 14, 14)); // the sheet coming out of the printer
    p.setPen(QPen(kOutline, 1.0));
    p.setBrush(QColor(0x9a, 0x9a, 0xa4));
    p.drawRoundedRect(QRectF(3, 13, 26, 11), 2, 2);
    p.setBrush(QColor(0x5a, 0x5a, 0x64));
    p.drawRect(QRectF(8, 24, 16, 5));
    p.setBrush(QColor(0x40, 0xc0, 0x40));
    p.drawEllipse(QPointF(25, 17), 1.5, 1.5);
    return c.take();
}

QPixmap viewColumnsPicture(int size)
{
    Canvas c(size);
    QPainter& p = c.painter();
    // A grid seen through an eye.
    p.setPen(QPen(kOutline, 1.0));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(3, 14, 26, 15));
    for (qreal x : {11.0, 19.0})
        p.drawLine(QPointF(x, 14), QPointF(x, 29));
    for (qreal y : {19.0, 24.0})
        p.drawLine(QPointF(3, y), QPointF(29, y));
    QPainterPath eye;
    eye.moveTo(4, 8);
    eye.quadTo(16, -2, 28, 8);
    eye.quadTo(16, 18, 4, 8);
    p.setBrush(QColor(0xf0, 0xf0, 0xf8));
    p.drawPath(eye);
    p.setBrush(QColor(0x3a, 0x6e, 0xa5));
    p.drawEllipse(QPointF(16, 8), 4, 4);
    p.setBrush(Qt::black);
    p.drawEllipse(QPointF(16, 8), 1.6, 1.6);
    return c.take();
}

QPixmap columnsPicture(int size)
{
    Canvas c(size);
    QPainter& p = c.painter();
    const QColor colours[] = {QColor(0x3a, 0x6e, 0xa5), QColor(0x40, 0xa0, 0x60), QColor(0xe0, 0xa8, 0x20)};
    p.setPen(QPen(kOutline, 1.0));
    for (int i = 0; i < 3; ++i) {
        const QRectF col(3 + i * 9.5, 3, 7, 26);
        p.setBrush(Qt::white);
        p.drawRect(col);
        p.setBrush(colours[i]);
        p.drawRect(QRectF(col.left(), col.top(), col.width(), 5));
    }
    return c.take();
}

} // namespace vellora
