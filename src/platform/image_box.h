#pragma once

#include <QImage>
#include <QPixmap>
#include <QWidget>

namespace platform {

// The classic image control: its picture unscaled inside a single-line border, the control taking the
// picture's size plus the border. Without a picture it keeps its design size, so layouts don't jump.
class ImageBox final : public QWidget {
    Q_OBJECT

public:
    static constexpr int BorderPixels = 2;

    ImageBox(QSize designSize, QWidget* parent);

    void setPicture(const QImage& picture);
    bool hasPicture() const { return !pixmap_.isNull(); }
    const QPixmap& pixmap() const { return pixmap_; }
    // The size the control takes for its current picture.
    QSize naturalSize() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QSize designSize_;
    QPixmap pixmap_;
};

} // namespace platform
