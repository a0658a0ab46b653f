#include "ButtonGlyphs.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace vinculor::glyphs {

namespace {

constexpr int kSize = 18;

QPixmap blank() {
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

} // namespace

QIcon checkMark() {
    QPixmap pixmap = blank();
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QPen pen(QColor(0, 128, 0), 3.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter.setPen(pen);
    QPainterPath path;
    path.moveTo(3, 9.5);
    path.lineTo(7, 14);
    path.lineTo(15, 4);
    painter.drawPath(path);
    return QIcon(pixmap);
}

QIcon openDoor() {
    QPixmap pixmap = blank();
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    // The door frame.
    painter.setPen(QPen(QColor(64, 64, 64), 1.0));
    painter.setBrush(QColor(32, 32, 32));
    painter.drawRect(QRectF(4.5, 1.5, 10, 15));
    // The door leaf, swung open towards the viewer.
    QPolygonF leaf;
    leaf << QPointF(4.5, 1.5) << QPointF(10.5, 3.5) << QPointF(10.5, 17.5) << QPointF(4.5, 16.5);
    painter.setBrush(QColor(0, 128, 128));
    painter.drawPolygon(leaf);
    // The knob.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 255, 0));
    painter.drawEllipse(QPointF(9.0, 10.0), 1.0, 1.0);
    return QIcon(pixmap);
}

} // namespace vinculor::glyphs
