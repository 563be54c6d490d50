#pragma once

#include <QComboBox>
#include <QList>

#include "platform/os/volume.h"

namespace platform {

// The mounted volumes, each by its root path, as the file system listed them. Picking another one fires
// Change; the owner moves its directory list there, or calls revert() when that fails.
class DriveListBox final : public QComboBox {
    Q_OBJECT

public:
    DriveListBox(const QList<Volume>& volumes, QWidget* parent);

    // Root path of the chosen volume.
    QString drive() const;
    // Chooses, without firing Change, the volume that holds `path`.
    void showDriveOf(const QString& path);
    // Back to the volume shown before the last pick.
    void revert();

signals:
    void Change();

private:
    void picked(int index);

    int shownIndex_ = -1;
    int previousIndex_ = -1;
};

} // namespace platform
