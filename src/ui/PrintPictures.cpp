#include "PrintPictures.h"

#include <QPainter>

namespace vellora {

QPixmap pagePicture(bool landscape, int side)
{
    QPixmap pm(side, side);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const double longSide = side * 0.92;
    const double shortSide = longSide * 210.0 / 297.0;
    const double w = landscape ? longSide : shortSide;
    const double h = landscape ? shortSide : longSide;
    const QRectF page((side - w) / 2, (side - h) / 2, w, h);
    p.setPen(QPen(Qt::darkGray, 1));
    p.setBrush(Qt::white);
    p.drawRect(page);
    // Lines of text, so the orientation reads at a glance.
    p.setPen(QPen(QColor(70, 90, 160), std::max(1.0, side / 40.0)));
    const double margin = w * 0.12;
    const int lines = landscape ? 5 : 8;
    for (int i = 0; i < lines; ++i) {
        const double y = page.top() + h * 0.15 + i * (h * 0.7 / lines);
        const double right = page.right() - margin - (i % 3 == 2 ? w * 0.25 : 0);
        p.drawLine(QPointF(page.left() + margin, y), QPointF(right, y));
    }
    return pm;
}

QPixmap printerPicture(int side)
{
    QPixmap pm(side, side);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const double s = side;
    p.setPen(QPen(Qt::darkGray, 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(s * 0.28, s * 0.08, s * 0.44, s * 0.34)); // paper in
    p.setBrush(QColor(180, 185, 195));
    p.drawRoundedRect(QRectF(s * 0.08, s * 0.38, s * 0.84, s * 0.34), s * 0.05, s * 0.05);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(s * 0.24, s * 0.62, s * 0.52, s * 0.3)); // paper out
    p.setPen(QPen(QColor(70, 90, 160), std::max(1.0, s / 40.0)));
    for (int i = 0; i < 3; ++i)
        p.drawLine(QPointF(s * 0.3, s * (0.7 + i * 0.07)), QPointF(s * 0.7, s * (0.7 + i * 0.07)));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 170, 90));
    p.drawEllipse(QPointF(s * 0.82, s * 0.47), s * 0.03, s * 0.03);
    return pm;
}

} // namespace vellora
