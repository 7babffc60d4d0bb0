#include "AppIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

// Drawn on an image, not a pixmap, so the build can write the menu icons without a display.
QImage ApplicationIconImage(int size)
{
    QImage pixmap(size, size, QImage::Format_ARGB32_Premultiplied);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 64.0, size / 64.0);

    // The letter behind.
    const QRectF envelope(4, 22, 44, 30);
    painter.setPen(QPen(QColor(0x1f, 0x4e, 0x79), 2.5));
    painter.setBrush(QColor(0xd6, 0xe6, 0xf5));
    painter.drawRoundedRect(envelope, 3, 3);
    QPainterPath flap;
    flap.moveTo(envelope.topLeft());
    flap.lineTo(envelope.center().x(), envelope.top() + 16);
    flap.lineTo(envelope.topRight());
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(flap);

    // The printed page in front, with a few lines of text.
    const QRectF page(26, 8, 32, 44);
    painter.setPen(QPen(QColor(0x33, 0x33, 0x33), 2.5));
    painter.setBrush(Qt::white);
    painter.drawRect(page);
    painter.setPen(QPen(QColor(0x1f, 0x4e, 0x79), 2.5));
    for (int line = 0; line < 5; ++line)
    {
        const double y = page.top() + 9 + line * 7;
        painter.drawLine(QPointF(page.left() + 6, y), QPointF(page.right() - (line % 2 ? 10 : 6), y));
    }

    // The tray the page comes out of.
    painter.setPen(QPen(QColor(0x33, 0x33, 0x33), 2.5));
    painter.setBrush(QColor(0x8a, 0x8a, 0x8a));
    painter.drawRoundedRect(QRectF(20, 50, 44, 10), 2, 2);
    painter.end();
    return pixmap;
}

QIcon ApplicationIcon()
{
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128})
        icon.addPixmap(QPixmap::fromImage(ApplicationIconImage(size)));
    return icon;
}
