#include "platform/controls/drive_list_box.h"

#include <QSignalBlocker>

#include "platform/os/paths.h"

namespace platform {

namespace {
constexpr int RootRole = Qt::UserRole;
} // namespace

DriveListBox::DriveListBox(const QList<Volume>& volumes, QWidget* parent) : QComboBox(parent)
{
    for (const Volume& volume : volumes) {
        const bool labelled = !volume.label.isEmpty() && volume.label != volume.rootPath;
        const QString text = labelled ? QStringLiteral("%1 [%2]").arg(volume.rootPath, volume.label) : volume.rootPath;
        addItem(text, volume.rootPath);
    }
    connect(this, qOverload<int>(&QComboBox::activated), this, &DriveListBox::picked);
}

QString DriveListBox::drive() const
{
    return currentData(RootRole).toString();
}

void DriveListBox::showDriveOf(const QString& path)
{
    int best = -1;
    int bestLength = -1;
    for (int i = 0; i < count(); ++i) {
        const QString root = itemData(i, RootRole).toString();
        if (isAtOrUnder(path, root) && root.size() > bestLength) {
            best = i;
            bestLength = int(root.size());
        }
    }
    const QSignalBlocker blocker(this);
    setCurrentIndex(best);
    shownIndex_ = best;
    previousIndex_ = best;
}

void DriveListBox::revert()
{
    const QSignalBlocker blocker(this);
    shownIndex_ = previousIndex_;
    setCurrentIndex(shownIndex_);
}

void DriveListBox::picked(int index)
{
    if (index == shownIndex_)
        return;
    previousIndex_ = shownIndex_;
    shownIndex_ = index;
    emit Change();
}

} // namespace platform
