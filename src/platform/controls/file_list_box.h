#pragma once

#include <QListView>
#include <QStringList>

class QStringListModel;

namespace platform {

class FileSystem;

// A list of a directory's files matching a pattern, with the classic control's events: Click when the
// user selects another entry or code sets listIndex, DblClick after it on a double-click. Setting the
// path or refreshing re-reads the directory, drops the selection and fires nothing.
class FileListBox final : public QListView {
    Q_OBJECT

public:
    FileListBox(const FileSystem& fileSystem, QWidget* parent);

    void setPattern(const QString& pattern);

    void setPath(const QString& path);
    // The same, with the directory's matching files already read.
    void setPath(const QString& path, const QStringList& entries);
    QString pattern() const { return pattern_; }
    // The same directory and pattern as `other`, without reading the disk again (both panes start in
    // one directory).
    void showSameAs(const FileListBox& other);
    QString path() const { return path_; }
    void refresh();

    const QStringList& entries() const { return entries_; }
    // Changes whenever the entries are read anew, so that work derived from them can be kept until then.
    int generation() const { return generation_; }
    int listCount() const { return int(entries_.size()); }
    QString list(int index) const { return entries_.value(index); }

    int listIndex() const;
    // Selects the entry and fires Click before returning; an index outside the list selects nothing.
    void setListIndex(int index);

signals:
    void Click();
    void DblClick();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index, const QEvent* event) const override;
    void selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) override;

private:
    void reload();
    void showEntries(const QStringList& entries);
    void selectRowQuietly(int row);

    const FileSystem& fileSystem_;
    QStringListModel* model_;
    QString pattern_;
    QString path_;
    QStringList entries_;
    bool quiet_ = false;
    int generation_ = 0;
};

} // namespace platform
