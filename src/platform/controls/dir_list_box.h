#pragma once

#include <QListWidget>

namespace platform {

class Dialogs;
class FileSystem;
struct DirectoryListing;

// The classic directory list: the current directory's ancestors, the directory itself, then its
// subdirectories. A double-click or Enter opens an entry. Changing the path fires Change before the
// setter returns; a directory that cannot be read leaves the list where it was and says why.
class DirListBox final : public QListWidget {
    Q_OBJECT

public:
    DirListBox(const FileSystem& fileSystem, Dialogs& dialogs, QWidget* parent);

    QString path() const { return path_; }
    // False when the directory cannot be read (the user has been told) and the list stayed.
    bool setPath(const QString& path);
    // The same, with the directory's subdirectories already read (by one read that served the file list).
    bool setPath(const QString& path, const DirectoryListing& listing);
    // `path` as setPath would store it.
    static QString normalised(const QString& path);
    // The same directory as `other`, without reading the disk again; fires nothing.
    void showSameAs(const DirListBox& other);

signals:
    void Change();

private:
    void openItem(QListWidgetItem* item);
    void fill(const QString& path, const QStringList& subdirectories);

    const FileSystem& fileSystem_;
    Dialogs& dialogs_;
    QString path_;
    QStringList subdirectories_;
};

} // namespace platform
