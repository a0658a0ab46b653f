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

QIcon windowIcon() {
    QIcon icon;
    for (const int size : {16, 32, 48, 64}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(size / 64.0, size / 64.0);
        // The sheet, its header row and its grid.
        painter.setPen(QPen(QColor(40, 60, 120), 2.0));
        painter.setBrush(Qt::white);
        painter.drawRoundedRect(QRectF(4, 6, 56, 52), 4, 4);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0xF9, 0xD3, 0x7D));
        painter.drawRect(QRectF(5, 7, 54, 10));
        painter.setPen(QPen(QColor(120, 140, 190), 1.5));
        for (int x = 18; x < 60; x += 14) {
            painter.drawLine(QPointF(x, 17), QPointF(x, 57));
        }
        for (int y = 27; y < 58; y += 10) {
            painter.drawLine(QPointF(5, y), QPointF(59, y));
        }
        // The two directions.
        painter.setPen(QPen(QColor(0, 128, 0), 5.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.drawLine(QPointF(14, 32), QPointF(46, 32));
        painter.drawPolyline(QPolygonF() << QPointF(38, 25) << QPointF(47, 32) << QPointF(38, 39));
        painter.setPen(QPen(QColor(200, 40, 40), 5.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.drawLine(QPointF(50, 47), QPointF(18, 47));
        painter.drawPolyline(QPolygonF() << QPointF(26, 40) << QPointF(17, 47) << QPointF(26, 54));
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace vinculor::glyphs
