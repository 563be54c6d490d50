#include "platform/controls/file_list_box.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QScopedValueRollback>
#include <QStringListModel>

#include "platform/os/file_system.h"

namespace platform {

FileListBox::FileListBox(const FileSystem& fileSystem, QWidget* parent)
    : QListView(parent), fileSystem_(fileSystem), model_(new QStringListModel(this)), pattern_(QStringLiteral("*"))
{
    setModel(model_);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUniformItemSizes(true);
}

void FileListBox::setPattern(const QString& pattern)
{
    pattern_ = pattern;
    reload();
}

void FileListBox::setPath(const QString& path)
{
    path_ = path;
    reload();
}

void FileListBox::setPath(const QString& path, const QStringList& entries)
{
    path_ = path;
    showEntries(entries);
}

void FileListBox::showSameAs(const FileListBox& other)
{
    pattern_ = other.pattern_;
    path_ = other.path_;
    showEntries(other.entries_);
}

void FileListBox::refresh()
{
    reload();
}

void FileListBox::reload()
{
    // A directory that vanished or cannot be read simply lists nothing; the directory list reports it.
    showEntries(path_.isEmpty() ? QStringList() : fileSystem_.listFiles(path_, pattern_).names);
}

void FileListBox::showEntries(const QStringList& entries)
{
    const QScopedValueRollback quiet(quiet_, true);
    entries_ = entries;
    ++generation_;
    model_->setStringList(entries_); // a reset model holds no selection
}

int FileListBox::listIndex() const
{
    const QModelIndexList selected = selectionModel()->selectedIndexes();
    return selected.isEmpty() ? -1 : selected.first().row();
}

void FileListBox::selectRowQuietly(int row)
{
    const QScopedValueRollback quiet(quiet_, true);
    const QModelIndex index = model_->index(row, 0);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    scrollTo(index);
}

void FileListBox::setListIndex(int index)
{
    if (index < 0 || index >= listCount()) {
        const QScopedValueRollback quiet(quiet_, true);
        clearSelection();
        return;
    }
    selectRowQuietly(index);
    emit Click();
}

void FileListBox::mousePressEvent(QMouseEvent* event)
{
    const QModelIndex index = indexAt(event->position().toPoint());
    const bool again = event->button() == Qt::LeftButton && index.isValid() && index.row() == listIndex();
    QListView::mousePressEvent(event);
    // A click on the entry already selected changes no selection, yet it is a click: the disk or the
    // other list may have changed since, and the handler shows them.
    if (again && listIndex() == index.row())
        emit Click();
}

void FileListBox::mouseDoubleClickEvent(QMouseEvent* event)
{
    const QModelIndex index = indexAt(event->position().toPoint());
    if (!index.isValid() || event->button() != Qt::LeftButton)
        return;
    // The first press of the double-click selected the entry and fired Click, unless it was selected already.
    if (listIndex() != index.row())
        setListIndex(index.row());
    emit DblClick();
}

void FileListBox::keyPressEvent(QKeyEvent* event)
{
    // Enter does what a double-click does, so that no action needs the mouse.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && listIndex() != -1) {
        emit DblClick();
        return;
    }
    // With nothing selected, the first arrow press selects the entry under the cursor rather than
    // stepping past it.
    const bool arrow = event->key() == Qt::Key_Down || event->key() == Qt::Key_Up;
    if (arrow && listIndex() == -1 && listCount() > 0) {
        const QModelIndex current = currentIndex().isValid() ? currentIndex() : model_->index(0, 0);
        selectionModel()->setCurrentIndex(current, QItemSelectionModel::ClearAndSelect);
        return;
    }
    QListView::keyPressEvent(event);
}

QItemSelectionModel::SelectionFlags FileListBox::selectionCommand(const QModelIndex& index, const QEvent*) const
{
    // An entry stays selected until another is chosen: no deselecting by Ctrl or by a click on empty space.
    return index.isValid() ? QItemSelectionModel::ClearAndSelect : QItemSelectionModel::NoUpdate;
}

void FileListBox::selectionChanged(const QItemSelection& selected, const QItemSelection& deselected)
{
    QListView::selectionChanged(selected, deselected);
    // A selection by mouse or keyboard; code reports for itself.
    if (!quiet_ && !selected.isEmpty())
        emit Click();
}

} // namespace platform
