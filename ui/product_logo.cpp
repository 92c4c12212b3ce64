#include "ui/product_logo.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace ztl::ui {

QPixmap productLogo() {
    QPixmap logo(174, 161);
    logo.fill(Qt::white);
    QPainter p(&logo);
    p.setRenderHint(QPainter::Antialiasing);

    // A ledger page: the day's totals...
    QLinearGradient page(0, 0, 0, 161);
    page.setColorAt(0, QColor(0, 96, 160));
    page.setColorAt(1, QColor(0, 48, 96));
    p.setBrush(page);
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(6, 6, 162, 149), 18, 18);
    p.setPen(QPen(QColor(192, 255, 255), 3));
    for (int y = 40; y <= 124; y += 21) p.drawLine(QPointF(28, y), QPointF(100, y));

    // ...and the arrow that carries them into the books.
    QPainterPath arrow;
    arrow.moveTo(104, 62);
    arrow.lineTo(132, 62);
    arrow.lineTo(132, 46);
    arrow.lineTo(160, 80);
    arrow.lineTo(132, 114);
    arrow.lineTo(132, 98);
    arrow.lineTo(104, 98);
    arrow.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 196, 0));
    p.drawPath(arrow);

    p.setPen(Qt::white);
    p.setFont(QFont("Arial", 30, QFont::Bold));
    p.drawText(QRectF(20, 110, 90, 44), Qt::AlignLeft | Qt::AlignVCenter, "Z");
    return logo;
}

QPixmap helpButtonPicture(int size) {
    QPixmap picture(size, size);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 96, 160));
    p.drawEllipse(QRectF(1, 1, size - 2, size - 2));
    p.setPen(Qt::white);
    QFont font("Arial");
    font.setBold(true);
    font.setPixelSize(size * 3 / 4);
    p.setFont(font);
    p.drawText(QRectF(0, 0, size, size), Qt::AlignCenter, "?");
    return picture;
}

}  // namespace ztl::ui
