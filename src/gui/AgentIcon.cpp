#include "gui/AgentIcon.h"

#include <QPainter>
#include <QPainterPath>

// A drawing: its proportions and colours are each used once, and a name would only repeat the number.
// NOLINTBEGIN(readability-magic-numbers)
QPixmap AgentIcon::pixmap(int size) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;

    // A blue disc with a white "V" and a green dot: the station that reports to the centre.
    QRadialGradient disc(QPointF(s * 0.35, s * 0.3), s * 0.8);
    disc.setColorAt(0, QColor(90, 150, 235));
    disc.setColorAt(1, QColor(10, 50, 140));
    p.setPen(QPen(QColor(5, 30, 90), qMax(1.0, s / 32)));
    p.setBrush(disc);
    p.drawEllipse(QRectF(s * 0.04, s * 0.04, s * 0.92, s * 0.92));

    QPainterPath v;
    v.moveTo(s * 0.26, s * 0.28);
    v.lineTo(s * 0.5, s * 0.76);
    v.lineTo(s * 0.74, s * 0.28);
    p.setPen(QPen(Qt::white, qMax(2.0, s / 8), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(v);

    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 220, 0));
    p.drawEllipse(QPointF(s * 0.78, s * 0.78), s * 0.13, s * 0.13);
    return pm;
}
// NOLINTEND(readability-magic-numbers)

QIcon AgentIcon::icon() {
    QIcon icon;
    for (int size : {16, 22, 32, 48, 64})
        icon.addPixmap(pixmap(size));
    return icon;
}
