#include "platform/controls/image_box.h"

#include <cmath>
#include <utility>

#include <QAccessibleWidget>
#include <QFileInfo>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>

#include "platform/os/pictures.h"

namespace platform {

namespace {
// Screen readers present the control as a picture, not as an anonymous area.
class ImageBoxAccessible final : public QAccessibleWidget {
public:
    explicit ImageBoxAccessible(QWidget* widget) : QAccessibleWidget(widget, QAccessible::Graphic) {}
};

QAccessibleInterface* accessibleFor(const QString& className, QObject* object)
{
    if (className == QLatin1String("platform::ImageBox") && object && object->isWidgetType())
        return new ImageBoxAccessible(static_cast<QWidget*>(object));
    return nullptr;
}
} // namespace

ImageBox::ImageBox(QSize designSize, QWidget* parent, Fit fit) : QWidget(parent), designSize_(designSize), fit_(fit)
{
    [[maybe_unused]] static const bool accessibleRegistered = [] {
        QAccessible::installFactory(accessibleFor);
        return true;
    }();
    setMouseTracking(true);
    resize(designSize_);
}

void ImageBox::showFile(const QString& path)
{
    setPicture(decodeBitmap(path), QFileInfo(path).fileName());
}

void ImageBox::setPicture(const QImage& picture, const QString& description)
{
    setAccessibleDescription(description);
    // A page refill hands most cells the picture they already show.
    if (picture.isNull() != picture_.isNull() || picture.cacheKey() != picture_.cacheKey()) {
        picture_ = picture;
        scaled_ = QImage();
    }
    if (fit_ == Fit::Natural)
        resize(naturalSize());
    update();
}

QSize ImageBox::naturalSize() const
{
    if (fit_ == Fit::Stretch)
        return size();
    if (picture_.isNull())
        return designSize_;
    const QSize picture = picture_.deviceIndependentSize().toSize();
    return picture + QSize(2 * BorderPixels, 2 * BorderPixels);
}

void ImageBox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    // Four filled lines rather than an outlined rectangle: a page of cells repaints several times
    // faster, and the pixels are the same.
    const QColor line = palette().color(QPalette::WindowText);
    const int w = width();
    const int h = height();
    painter.fillRect(0, 0, w, 1, line);
    painter.fillRect(0, h - 1, w, 1, line);
    painter.fillRect(0, 0, 1, h, line);
    painter.fillRect(w - 1, 0, 1, h, line);
    const QRect inside = rect().adjusted(BorderPixels, BorderPixels, -BorderPixels, -BorderPixels);
    const qreal ratio = devicePixelRatioF();
    if (!picture_.isNull() && fit_ == Fit::Stretch) {
        // Scaled once to the device pixels it covers, so it stays sharp on a high-density screen.
        const QSize device = (QSizeF(inside.size()) * ratio).toSize();
        if (scaled_.size() != device) {
            scaled_ = picture_.scaled(device, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            scaled_.setDevicePixelRatio(ratio);
        }
        painter.drawImage(inside.topLeft(), scaled_);
    } else if (!picture_.isNull()) {
        // Whole scale factors keep every bitmap pixel crisp; at 1.25 or 1.5 nearest-neighbour would
        // make some pixels twice as wide as others, so those are smoothed.
        const qreal scale = painter.deviceTransform().m11();
        painter.setRenderHint(QPainter::SmoothPixmapTransform, scale != std::floor(scale));
        painter.drawImage(inside.topLeft(), picture_);
    }
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = inside.adjusted(1, 1, -1, -1);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}

void ImageBox::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    update();
}

void ImageBox::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    update();
}

void ImageBox::mouseReleaseEvent(QMouseEvent* event)
{
    // The release that ends a double-click is no second click.
    const bool ending = std::exchange(endingDoubleClick_, false);
    if (event->button() == Qt::LeftButton && !ending && rect().contains(event->position().toPoint()))
        emit Click();
}

void ImageBox::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    endingDoubleClick_ = true;
    emit DblClick();
}

void ImageBox::mouseMoveEvent(QMouseEvent*)
{
    emit MouseMove();
}

} // namespace platform
