#pragma once

#include <QImage>
#include <QWidget>

namespace platform {

// The classic image control. Unstretched it shows its picture at the picture's own size inside a
// single-line border and takes that size plus the border; without a picture it keeps its design size,
// so layouts don't jump. Stretched it keeps its size and fills it with the picture.
class ImageBox final : public QWidget {
    Q_OBJECT

public:
    static constexpr int BorderPixels = 2;
    enum class Fit { Natural, Stretch };

    ImageBox(QSize designSize, QWidget* parent, Fit fit = Fit::Natural);

    // `description` names what the picture shows (its file), for screen readers.
    void setPicture(const QImage& picture, const QString& description = QString());
    // The picture decoded from a file (blank when it cannot be), described by the file's name.
    void showFile(const QString& path);
    bool hasPicture() const { return !picture_.isNull(); }
    const QImage& picture() const { return picture_; }
    // The size the control takes for its current picture.
    QSize naturalSize() const;

signals:
    void Click();
    void DblClick();
    void MouseMove();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    QSize designSize_;
    Fit fit_;
    // Shared with the decoder's cache and with every other box showing the same picture: a big picture
    // is held once, however many boxes show it.
    QImage picture_;
    QImage scaled_; // a stretched picture, drawn once for the screen's pixel ratio
    bool endingDoubleClick_ = false;
};

} // namespace platform
