#pragma once

#include <QListWidget>

namespace platform {

class Dialogs;
class FileSystem;

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

signals:
    void Change();

private:
    void openItem(QListWidgetItem* item);

    const FileSystem& fileSystem_;
    Dialogs& dialogs_;
    QString path_;
};

} // namespace platform
