#include "platform/controls/dir_list_box.h"

#include <QDir>
#include <QStyle>
#include <QStyledItemDelegate>

#include "platform/controls/busy_cursor.h"
#include "platform/controls/dialogs.h"
#include "platform/os/file_system.h"

namespace platform {

namespace {
constexpr int PathRole = Qt::UserRole;
constexpr int LevelRole = Qt::UserRole + 1;
constexpr int IndentPixels = 8;

// Indents icon and name together, so the list reads as the branch of a tree.
class IndentingDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem indented(option);
        indented.rect.setLeft(option.rect.left() + IndentPixels * index.data(LevelRole).toInt());
        QStyledItemDelegate::paint(painter, indented, index);
    }
};

// "/" first, then each directory down to `path` itself.
QStringList lineage(const QString& path)
{
    QStringList chain{QStringLiteral("/")};
    QString current;
    for (const QString& part : path.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        current += QLatin1Char('/') + part;
        chain.append(current);
    }
    return chain;
}

QString displayName(const QString& path)
{
    const QString name = QDir(path).dirName();
    return name.isEmpty() ? path : name;
}
} // namespace

DirListBox::DirListBox(const FileSystem& fileSystem, Dialogs& dialogs, QWidget* parent)
    : QListWidget(parent), fileSystem_(fileSystem), dialogs_(dialogs)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    setItemDelegate(new IndentingDelegate(this));
    connect(this, &QListWidget::itemActivated, this, &DirListBox::openItem);
}

QString DirListBox::normalised(const QString& path)
{
    return QDir::cleanPath(QDir(path).absolutePath());
}

bool DirListBox::setPath(const QString& path)
{
    const QString target = normalised(path);
    if (target == path_)
        return true;
    return setPath(target, fileSystem_.listDirectories(target));
}

bool DirListBox::setPath(const QString& path, const DirectoryListing& listing)
{
    const QString target = normalised(path);
    if (!listing.ok) {
        dialogs_.messageBox(QStringLiteral("The directory \"%1\" cannot be read: %2").arg(target, listing.reason),
                            QStringLiteral("Error"), MessageButtons::Ok, MessageIcon::Exclamation);
        return false;
    }

    fill(target, listing.names);
    emit Change();
    return true;
}

void DirListBox::fill(const QString& path, const QStringList& subdirectories)
{
    path_ = path;
    subdirectories_ = subdirectories;
    clear();
    const QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closedIcon = style()->standardIcon(QStyle::SP_DirIcon);
    const QStringList chain = lineage(path_);
    const auto addEntry = [this](const QIcon& icon, const QString& text, const QString& path, int level) {
        auto* item = new QListWidgetItem(icon, text, this);
        item->setData(PathRole, path);
        item->setData(LevelRole, level);
    };
    for (int level = 0; level < chain.size(); ++level)
        addEntry(openIcon, displayName(chain[level]), chain[level], level);
    for (const QString& name : subdirectories)
        addEntry(closedIcon, name, QDir::cleanPath(path_ + QLatin1Char('/') + name), int(chain.size()));
    setCurrentRow(int(chain.size()) - 1);
}

void DirListBox::showSameAs(const DirListBox& other)
{
    fill(other.path_, other.subdirectories_);
}

void DirListBox::openItem(QListWidgetItem* item)
{
    // The directory is read before the window's own handler of the change runs.
    const BusyCursor busy;
    if (item)
        setPath(item->data(PathRole).toString());
}

} // namespace platform
