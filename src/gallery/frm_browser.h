#pragma once

#include <memory>
#include <optional>
#include <vector>

#include <QHash>
#include <QMainWindow>
#include <QSet>

#include "gallery/gallery_layout.h"
#include "platform/controls/busy_cursor.h"
#include "platform/controls/normal_size_hold.h"
#include "platform/os/picture_cache.h"

class QAction;
class QKeyEvent;
class QLabel;
class QPushButton;
class QScrollBar;
class frmLargeView;

namespace platform {
class Dialogs;
class DirListBox;
class FileListBox;
class FileSystem;
class ImageBox;
} // namespace platform

// The gallery's state, which only its own handlers write.
struct GalleryState {
    int ColumnCount = 1;
    int RowCount = 1;
    int LastGridCell = 0;
    int LastShownCell = 0;
    int HoverCell = 0;
    int TopIndex = 0;
    std::vector<QString> CellLargeName;
    std::vector<QString> CellSmallName;
    QString SelectedLarge;
    QString SelectedSmall;
};

// The sets of the manager's source directory as a grid of large pictures. It only reads the manager's
// source lists; nothing here changes them or any file.
class frmBrowser final : public QMainWindow {
    Q_OBJECT

public:
    frmBrowser(const platform::FileListBox& files, const platform::DirListBox& directory,
               const platform::FileSystem& fileSystem, platform::Dialogs& dialogs);
    ~frmBrowser() override;

    const GalleryState& state() const { return state_; }
    // Whether the first page has been laid out. The window first shows its busy notice alone; once that
    // is on screen, Form_Load and the first layout load the pictures.
    bool opened() const { return opened_; }
    // Outer size in twips, as the layout reads it.
    int outerWidth() const { return outerWidth_; }
    int outerHeight() const { return outerHeight_; }
    // The options menu, also run by the full-screen button (1) and a double-click on a cell (3).
    void mnuOptions_Click(int index);

signals:
    // The gallery is going away by any route; the manager shows itself again.
    void unloaded();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    // The cells' keys: arrows move, Space selects, Enter opens the large view, pages scroll.
    bool eventFilter(QObject* watched, QEvent* event) override;

private slots:
    void Scroller_Change();
    void FullViewButton_Click();

private:
    void finishOpening();
    void Form_Load();
    void Form_Resize();
    void Form_Unload();
    void Image1_Click(int index);
    void Image1_DblClick();
    void Image1_MouseMove(int index);
    void show_page();
    void fillPage();
    void fill_cell(int index);

    void createControls();
    void createMenu();
    platform::ImageBox* cell(int index);
    QSize cellTwips() const;
    void takeKeyboard(platform::ImageBox* cell);
    void noticeEvent(const QEvent& event);
    void cellFocused(int index, Qt::FocusReason reason);
    bool cellKey(int index, const QKeyEvent& key);
    bool focusCell(int index);
    std::optional<int> focusedCellSet() const;
    void showNotice();
    void readPartners(int lastCell);
    QString partnerOf(const QString& largeName) const;
    QString sourcePath(const QString& name) const;
    void blank(platform::ImageBox* image);
    void setOuterSize(int widthTwips, int heightTwips);
    void setFullScreen(bool on);
    int viewAmount();
    void openLargeView();
    void closeLargeView();

    const platform::FileListBox& files_;
    const platform::DirListBox& directory_;
    const platform::FileSystem& fileSystem_;
    platform::Dialogs& dialogs_;
    GalleryState state_;
    int outerWidth_ = gallery::CreatedOuterWidth;
    int outerHeight_ = gallery::CreatedOuterHeight;
    gallery::OuterSize normalOuter_{gallery::CreatedOuterWidth, gallery::CreatedOuterHeight};
    // Fixed by size hints in the normal state; full screen is the program's own doing.
    platform::NormalSizeHold sizeHold_;
    bool laidOut_ = false;
    bool opened_ = false;
    bool openingQueued_ = false;
    // The wait cursor from the click that opens the gallery until its first page shows.
    std::optional<platform::BusyCursor> opening_;
    // Hides the controls' created places until the first layout; the notice stands in front of it.
    QWidget* curtain_ = nullptr;
    // The page's small pictures as the directory stores them, found with one read per page.
    QHash<QString, QString> partners_;
    QSet<QString> partnersAsked_;
    // While set, a page whose sets were all asked about already is not asked about again: set for the length
    // of one handler.
    bool reusePartners_ = false;
    // While set, the focus moves because the program moved it, not the user: it previews nothing.
    bool programFocus_ = false;
    std::unique_ptr<frmLargeView> largeView_;
    // A layout shows every picture of the page twice; each is decoded once.
    platform::PictureCache pictures_;

    std::vector<platform::ImageBox*> Image1;
    QScrollBar* Scroller = nullptr;
    platform::ImageBox* Image2 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Picture1 = nullptr;
    QPushButton* FullViewButton = nullptr;
    std::vector<QAction*> mnuOptions;
};
