#include "platform/controls/program_icon.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace platform {

QImage programIconImage(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 64.0, size / 64.0);

    // A portrait frame, upright like the large pictures.
    painter.setPen(QPen(QColor(0x8a, 0x5a, 0x1c), 3));
    painter.setBrush(QColor(0xd9, 0xa4, 0x41));
    painter.drawRoundedRect(QRectF(10, 2, 44, 60), 4, 4);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x2b, 0x3a, 0x67));
    painter.drawRect(QRectF(16, 8, 32, 48));

    painter.setBrush(QColor(0x6a, 0x4c, 0x93));
    QPainterPath shoulders;
    shoulders.moveTo(18, 56);
    shoulders.cubicTo(19, 44, 26, 40, 32, 40);
    shoulders.cubicTo(38, 40, 45, 44, 46, 56);
    shoulders.closeSubpath();
    painter.drawPath(shoulders);
    painter.setBrush(QColor(0xe8, 0xc4, 0xa0));
    painter.drawEllipse(QRectF(25, 18, 14, 17));
    return image;
}

QIcon programIcon()
{
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128})
        icon.addPixmap(QPixmap::fromImage(programIconImage(size)));
    return icon;
}

} // namespace platform
