#pragma once

#include <QWidget>

namespace platform {
class ImageBox;
}

// Shows one set at twice its size beside the gallery; the gallery fills it.
class frmLargeView final : public QWidget {
    Q_OBJECT

public:
    // `gallery` is the window it keeps in front of while that one fills the screen.
    explicit frmLargeView(QWidget* gallery);

    // Large picture first, then the small one; an empty path blanks its picture.
    void showSet(const QString& largePath, const QString& smallPath);

signals:
    // The window is going away by any route.
    void unloaded();

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Form_LostFocus();
    void Form_Unload();

    platform::ImageBox* Image1 = nullptr;
    platform::ImageBox* Image2 = nullptr;
};
