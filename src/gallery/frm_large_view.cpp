#include "gallery/frm_large_view.h"

#include <QKeyEvent>
#include <QShowEvent>

#include "platform/controls/accessibility.h"
#include "platform/controls/busy_cursor.h"
#include "platform/controls/image_box.h"
#include "platform/controls/twips.h"
#include "platform/controls/window_placement.h"

// A tool window of the gallery: out of the task bar, and kept in front of it by the window manager.
frmLargeView::frmLargeView(QWidget* gallery) : QWidget(gallery, Qt::Tool)
{
    setObjectName(QStringLiteral("frmLargeView"));
    setWindowTitle(QStringLiteral("Large View"));
    platform::setWindowRole(this, QAccessible::Window);
    setFixedSize(platform::twipsToPixels(0, 0, 4695, 5295).size());

    const QRect large = platform::twipsToPixels(120, 120, 3300, 5100);
    const QRect small = platform::twipsToPixels(3480, 120, 1140, 1800);
    Image1 = new platform::ImageBox(large.size(), this, platform::ImageBox::Fit::Stretch);
    Image2 = new platform::ImageBox(small.size(), this, platform::ImageBox::Fit::Stretch);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image2->setObjectName(QStringLiteral("Image2"));
    Image1->setAccessibleName(QStringLiteral("Large picture"));
    Image2->setAccessibleName(QStringLiteral("Small picture"));
    Image1->setGeometry(large);
    Image2->setGeometry(small);
    // Its frame at the top-left corner of the screen.
    move(0, 0);
}

void frmLargeView::showSet(const QString& largePath, const QString& smallPath)
{
    const platform::BusyCursor busy;
    for (const auto& [image, path] : {std::pair{Image1, largePath}, std::pair{Image2, smallPath}}) {
        if (path.isEmpty())
            image->setPicture(QImage());
        else
            image->showFile(path);
    }
}

void frmLargeView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        platform::keepOutOfTaskBar(this);
}

void frmLargeView::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && !isActiveWindow())
        Form_LostFocus();
}

void frmLargeView::Form_LostFocus()
{
    // In front of a gallery that fills the screen, or it would vanish behind it.
    if (parentWidget()->isMaximized() && isVisible()) {
        show();
        raise();
    }
}

void frmLargeView::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape)
        close();
    else
        QWidget::keyPressEvent(event);
}

void frmLargeView::closeEvent(QCloseEvent* /*event*/)
{
    Form_Unload();
}

void frmLargeView::Form_Unload()
{
    emit unloaded();
}
