#include "gallery/frm_browser.h"

#include <algorithm>

#include <QAction>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QScrollBar>

#include "gallery/frm_large_view.h"
#include "naming/numeric_value.h"
#include "naming/portrait_names.h"
#include "platform/controls/classic_font.h"
#include "platform/controls/dialogs.h"
#include "platform/controls/dir_list_box.h"
#include "platform/controls/file_list_box.h"
#include "platform/controls/image_box.h"
#include "platform/controls/labels.h"
#include "platform/controls/twips.h"
#include "platform/controls/window_placement.h"
#include "platform/os/file_system.h"
#include "platform/os/paths.h"
#include "sets/small_partners.h"

namespace {
using platform::pixelsToTwips;
using platform::twipsToPixels;

constexpr int CreatedCells = 32;

QString stemOf(const QString& largeName)
{
    return QString::fromStdU32String(naming::stemOfEntry(largeName.toStdU32String()));
}
} // namespace

frmBrowser::frmBrowser(const platform::FileListBox& files, const platform::DirListBox& directory,
                       const platform::FileSystem& fileSystem, platform::Dialogs& dialogs)
    : QMainWindow(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                               Qt::WindowCloseButtonHint),
      files_(files), directory_(directory), fileSystem_(fileSystem), dialogs_(dialogs),
      sizeHold_(this, platform::NormalSizeHold::Way::SizeHints, QSize()) // sized by setOuterSize
{
    setObjectName(QStringLiteral("frmBrowser"));
    setWindowTitle(QStringLiteral("Ostrel Portrait Manager Browser"));
    setFont(platform::classicFont(8));
    createControls();
    createMenu();
    setOuterSize(gallery::CreatedOuterWidth, gallery::CreatedOuterHeight);
    platform::centreOnScreen(this, QSize(twipsToPixels(outerWidth_), twipsToPixels(outerHeight_)));
    // Form_Load and the first layout wait for the notice's first paint (finishOpening): a window is only
    // painted once the window system has shown it, which happens after the handler that opens it.
    opening_.emplace();
    Label4->installEventFilter(this);
}

frmBrowser::~frmBrowser() = default;

void frmBrowser::finishOpening()
{
    if (isVisible()) {
        // Form_Load wants cell 0's small picture and the first layout, a moment later, the whole page's: one
        // look at the directory serves both.
        const QScopedValueRollback reuse(reusePartners_, true);
        const QSize cellSize = cellTwips();
        readPartners(
            gallery::layoutGrid(outerWidth_, outerHeight_, cellSize.width(), cellSize.height(), files_.listCount())
                .lastShownCell);
        opened_ = true;
        Form_Load();
        Form_Resize();
        curtain_->hide();
        curtain_->deleteLater();
        curtain_ = nullptr;
        Label4->removeEventFilter(this);
    }
    opening_.reset();
}

void frmBrowser::Form_Load()
{
    state_.LastGridCell = 0;
    state_.LastShownCell = 0;
    state_.HoverCell = 0;
    state_.TopIndex = 0;
    cell(0);
    show_page();
    platform::showCaption(Label1, stemOf(state_.CellLargeName[0]));
    cell(CreatedCells - 1);
    QWidget::setTabOrder(Image1.back(), Scroller);
    QWidget::setTabOrder(Scroller, FullViewButton);
    {
        const QScopedValueRollback quiet(programFocus_, true);
        Image1[0]->setFocus();
    }
    Image1_Click(0);
}

void frmBrowser::Image1_Click(int index)
{
    state_.SelectedLarge = state_.CellLargeName[std::size_t(index)];
    state_.SelectedSmall = state_.CellSmallName[std::size_t(index)];
    // A line break of its own; an empty cell leaves two empty lines.
    platform::showCaption(Label3, state_.SelectedLarge + QLatin1Char('\n') + state_.SelectedSmall);
}

void frmBrowser::readPartners(int lastCell)
{
    QStringList wanted;
    for (int k = 0; k <= lastCell; ++k)
        if (const QString large = files_.list(state_.TopIndex + k); !large.isEmpty())
            wanted << large;
    if (reusePartners_ && std::all_of(wanted.cbegin(), wanted.cend(),
                                      [this](const QString& large) { return partnersAsked_.contains(large); }))
        return;
    partners_ = sets::SmallPartners(fileSystem_).find(directory_.path(), wanted, files_.entries());
    partnersAsked_ = QSet<QString>(wanted.cbegin(), wanted.cend());
}

QString frmBrowser::partnerOf(const QString& largeName) const
{
    return partners_.value(largeName);
}

QString frmBrowser::sourcePath(const QString& name) const
{
    return platform::joinPath(directory_.path(), name);
}

void frmBrowser::blank(platform::ImageBox* image)
{
    image->setPicture(Picture1->pixmap().toImage());
}

void frmBrowser::fill_cell(int index)
{
    platform::ImageBox* image = cell(index);
    const std::size_t i = std::size_t(index);
    const QString large = files_.list(state_.TopIndex + index);
    state_.CellLargeName[i] = large;
    if (large.isEmpty()) {
        state_.CellSmallName[i].clear();
        blank(image);
        blank(Image2);
        return;
    }
    const QString stem = stemOf(large);
    state_.CellSmallName[i] = partnerOf(large);
    image->setPicture(pictures_.load(sourcePath(large)), large);
    if (state_.CellSmallName[i].isEmpty()) {
        blank(Image2);
        return;
    }
    Image2->setPicture(pictures_.load(sourcePath(state_.CellSmallName[i])), state_.CellSmallName[i]);
    platform::showCaption(Label1, stem);
}

void frmBrowser::Image1_MouseMove(int index)
{
    if (index == state_.HoverCell)
        return;
    state_.HoverCell = index;
    const std::size_t i = std::size_t(index);
    const QString& small = state_.CellSmallName[i];
    if (small.isEmpty()) {
        blank(Image2);
        return;
    }
    if (mnuOptions[3]->isChecked() && largeView_)
        largeView_->showSet(sourcePath(state_.CellLargeName[i]), sourcePath(small));
    Image2->setPicture(pictures_.load(sourcePath(small)), small);
    platform::showCaption(Label1, stemOf(state_.CellLargeName[i]));
}

void frmBrowser::Image1_DblClick()
{
    mnuOptions_Click(3);
}

void frmBrowser::FullViewButton_Click()
{
    mnuOptions_Click(1);
}

void frmBrowser::mnuOptions_Click(int index)
{
    // A new size, then a new state: one handler may lay out several times, and one look at the directory
    // serves them all.
    partnersAsked_.clear();
    const QScopedValueRollback reuse(reusePartners_, true);
    if (index == 0)
        close();
    if (index == 1) {
        const bool on = !isMaximized();
        setFullScreen(on);
        mnuOptions[1]->setChecked(on);
        FullViewButton->setText(on ? QStringLiteral("Small Screen") : QStringLiteral("Full Screen"));
    }
    if (index == 2) {
        const int amount = viewAmount();
        if (isMaximized()) {
            setFullScreen(false);
            mnuOptions[1]->setChecked(false);
            FullViewButton->setText(QStringLiteral("Full Screen"));
        }
        const QSize cellSize = cellTwips();
        const gallery::OuterSize size =
            gallery::viewAmountSize(amount, cellSize.width(), cellSize.height(), pixelsToTwips(Label3->width()));
        setOuterSize(outerWidth_, size.height);
        setOuterSize(size.width, size.height);
    }
    if (index == 3) {
        if (mnuOptions[3]->isChecked())
            closeLargeView();
        else
            openLargeView();
    }
}

int frmBrowser::viewAmount()
{
    for (;;) {
        const std::optional<QString> answer =
            dialogs_.inputBox(QStringLiteral("Enter number of images to view."),
                              QStringLiteral("Change Viewing Amount"), QStringLiteral("4"));
        const double amount = naming::roundHalfEven(naming::numericValue(answer.value_or(QString()).toStdU32String()));
        if (amount >= 1 && amount <= 4)
            return int(amount);
        dialogs_.messageBox(QStringLiteral("Please enter a value between 1 and 4."), QStringLiteral("Too many images"),
                            platform::MessageButtons::Ok, platform::MessageIcon::Exclamation);
    }
}

void frmBrowser::setOuterSize(int widthTwips, int heightTwips)
{
    outerWidth_ = widthTwips;
    outerHeight_ = heightTwips;
    const QSize client(twipsToPixels(widthTwips - gallery::FrameWidth),
                       twipsToPixels(heightTwips - gallery::FrameHeight));
    sizeHold_.setNormalSize(QSize(client.width(), client.height() + menuBar()->sizeHint().height()));
    if (isVisible())
        Form_Resize();
}

void frmBrowser::setFullScreen(bool on)
{
    if (!on) {
        sizeHold_.restore([this] { setOuterSize(normalOuter_.width, normalOuter_.height); });
        return;
    }
    normalOuter_ = {outerWidth_, outerHeight_};
    sizeHold_.maximise();
    const QSize client = centralWidget()->size();
    outerWidth_ = pixelsToTwips(client.width()) + gallery::FrameWidth;
    outerHeight_ = pixelsToTwips(client.height()) + gallery::FrameHeight;
    Form_Resize();
}

void frmBrowser::openLargeView()
{
    mnuOptions[3]->setChecked(true);
    largeView_ = std::make_unique<frmLargeView>(this);
    connect(largeView_.get(), &frmLargeView::unloaded, this, [this] { mnuOptions[3]->setChecked(false); });
    // It belongs to the gallery: the menu's keys work while it has the focus too.
    for (QAction* action : mnuOptions)
        largeView_->addAction(action);
    largeView_->show();
    if (state_.SelectedLarge.isEmpty())
        state_.SelectedSmall.clear();
    const auto path = [this](const QString& name) { return name.isEmpty() ? QString() : sourcePath(name); };
    largeView_->showSet(path(state_.SelectedLarge), path(state_.SelectedSmall));
}

void frmBrowser::closeLargeView()
{
    if (largeView_)
        largeView_->close();
    mnuOptions[3]->setChecked(false);
}

void frmBrowser::closeEvent(QCloseEvent* /*event*/)
{
    Form_Unload();
}

void frmBrowser::Form_Unload()
{
    opening_.reset();
    emit unloaded();
    if (largeView_ && largeView_->isVisible())
        largeView_->close();
}
