#include "platform/image_box.h"

#include <QPainter>

namespace platform {

ImageBox::ImageBox(QSize designSize, QWidget* parent) : QWidget(parent), designSize_(designSize)
{
    resize(designSize_);
}

void ImageBox::setPicture(const QImage& picture)
{
    pixmap_ = QPixmap::fromImage(picture);
    resize(naturalSize());
    update();
}

QSize ImageBox::naturalSize() const
{
    if (pixmap_.isNull())
        return designSize_;
    const QSize picture = pixmap_.deviceIndependentSize().toSize();
    return picture + QSize(2 * BorderPixels, 2 * BorderPixels);
}

void ImageBox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    if (!pixmap_.isNull())
        painter.drawPixmap(BorderPixels, BorderPixels, pixmap_);
}

} // namespace platform
