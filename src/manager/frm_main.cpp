#include "manager/frm_main.h"

#include <QCoreApplication>
#include <QLabel>
#include <QMoveEvent>
#include <QPushButton>
#include <QShowEvent>

#include <string>
#include <vector>

#include "about/frm_about.h"
#include "gallery/frm_browser.h"
#include "naming/next_name.h"
#include "naming/portrait_names.h"
#include "platform/controls/accessibility.h"
#include "platform/controls/busy_cursor.h"
#include "platform/controls/classic_font.h"
#include "platform/controls/dialogs.h"
#include "platform/controls/dir_list_box.h"
#include "platform/controls/drive_list_box.h"
#include "platform/controls/file_list_box.h"
#include "platform/controls/image_box.h"
#include "platform/controls/labels.h"
#include "platform/controls/selector_box.h"
#include "platform/controls/window_placement.h"
#include "platform/os/file_system.h"
#include "platform/os/list_order.h"
#include "platform/os/paths.h"
#include "platform/os/pictures.h"
#include "platform/os/random_source.h"

using manager::Control;
using manager::ControlCount;
using manager::DesignFrameHeight;
using manager::DesignFrameWidth;
using manager::DesignOuterHeight;
using manager::DesignOuterWidth;

namespace {
QSize normalClientSize()
{
    // Window managers draw frames of their own thickness, so the window keeps the client area of the
    // design and counts as its design outer size.
    return {platform::twipsToPixels(DesignOuterWidth - DesignFrameWidth),
            platform::twipsToPixels(DesignOuterHeight - DesignFrameHeight)};
}
} // namespace

frmMain::frmMain(platform::Services services, const QString& startDirectory, QWidget* parent)
    : QWidget(parent), boxes_(services.dialogs), services_{services.fileSystem, boxes_, services.random},
      sizeHold_(this, platform::NormalSizeHold::Way::SnapBack, normalClientSize()),
      operations_(*this, services.fileSystem, boxes_)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Ostrel Portrait Manager"));
    platform::setWindowRole(this, QAccessible::Window);
    setFont(platform::classicFont(8));
    createControls(startDirectory);
    applyTabOrder();
    addKeyboardWays();
    holdNormalSize();
}

frmMain::~frmMain() = default;

void frmMain::start()
{
    Form_Load();
    // The manager stays hidden while the About window opened by chance is up; closing it shows us.
    if (!about_ || !about_->isVisible())
        showManager();
}

void frmMain::Form_Load()
{
    if (static_cast<int>(10 * services_.random.next()) > 7)
        AboutButton_Click();
    vars_.GenderIndex = 0;
    vars_.ClassIndex = 0;
    refresh_form();
}

void frmMain::showManager()
{
    if (!shownBefore_) {
        shownBefore_ = true;
        platform::centreOnScreen(this,
                                 QSize(platform::twipsToPixels(outerWidth_), platform::twipsToPixels(outerHeight_)));
    }
    show();
}

void frmMain::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    sizeHold_.noteResize();
    Form_Resize();
}

void frmMain::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous()) {
        sizeHold_.shown();
        Form_Resize();
    }
}

void frmMain::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    if (!event->spontaneous())
        sizeHold_.hidden();
}

void frmMain::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    sizeHold_.noteMove();
}

void frmMain::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        sizeHold_.stateChanged(*static_cast<QWindowStateChangeEvent*>(event), [this] { Form_Resize(); });
}

void frmMain::closeEvent(QCloseEvent* /*event*/)
{
    QCoreApplication::quit();
}

void frmMain::Form_Resize()
{
    if (isMinimized())
        return;
    if (isMaximized() || isFullScreen()) {
        // Counted with the design's frame, whatever the window manager draws, as in the normal state.
        outerWidth_ = platform::pixelsToTwips(width()) + DesignFrameWidth;
        outerHeight_ = platform::pixelsToTwips(height()) + DesignFrameHeight;
    } else {
        // In the normal state the window cannot be resized: every change snaps back.
        holdNormalSize();
    }
    refresh_form();
}

void frmMain::holdNormalSize()
{
    outerWidth_ = DesignOuterWidth;
    outerHeight_ = DesignOuterHeight;
    sizeHold_.hold();
}

void frmMain::GenderCombo_Click()
{
    vars_.GenderIndex = static_cast<qint16>(GenderCombo->listIndex() + 1);
    if (TypeCombo->listIndex() == -1) {
        TypeCombo->setListIndex(0);
        TypeCombo->update();
    }
    refresh_form();
}

void frmMain::TypeCombo_Click()
{
    vars_.ClassIndex = static_cast<qint16>(TypeCombo->listIndex() + 1);
    refresh_form();
}

void frmMain::AboutButton_Click()
{
    about_ = std::make_unique<frmAbout>();
    connect(about_.get(), &frmAbout::unloaded, this, &frmMain::showManager);
    hide();
    about_->show();
}

void frmMain::BrowseButton_Click()
{
    if (Files->listCount() == 0) {
        services_.dialogs.messageBox(QStringLiteral("There are no valid portraits in this directory."),
                                     QStringLiteral("No Portraits"), platform::MessageButtons::Ok,
                                     platform::MessageIcon::Exclamation);
        return;
    }
    browser_ = std::make_unique<frmBrowser>(*Files, *Directory, services_.fileSystem, services_.dialogs);
    connect(browser_.get(), &frmBrowser::unloaded, this, &frmMain::showManager);
    browser_->show();
    hide();
}

void frmMain::ExitButton_Click()
{
    // Ends at once: no window's closing handler runs.
    QCoreApplication::exit(0);
}

void frmMain::find_next_name()
{
    if (vars_.GenderIndex == 0)
        GenderCombo->setListIndex(0);

    // The allocation depends on nothing but the type and the destination list: it is kept until either
    // changes, and reads only the run of entries that begin with the type's letters.
    const AllocationKey key{Files2->generation(), vars_.GenderIndex, vars_.ClassIndex};
    if (!allocation_ || allocationKey_ != key) {
        const auto [first, last] = platform::listRangeBeginningWith(
            Files2->entries(), QString::fromStdU32String(naming::typePrefix(key.gender, key.type)));
        std::vector<std::u32string> run;
        run.reserve(std::size_t(last - first));
        for (qsizetype i = first; i < last; ++i)
            run.push_back(Files2->entries()[i].toStdU32String());
        allocation_ = naming::allocateNextName(key.gender, key.type, run);
        allocationKey_ = key;
    }
    const naming::NextName& next = *allocation_;
    vars_.TargetLargeName = QString::fromStdU32String(next.targetLargeName);
    vars_.TargetSmallName = QString::fromStdU32String(next.targetSmallName);
    vars_.NextNumber = next.nextNumber;
}

void frmMain::refresh_form()
{
    find_next_name();

    const bool nothingSelected = Files->listCount() == 0 || Files->listIndex() == -1;
    if (nothingSelected) {
        blankPicture(Image1);
        blankPicture(Image2);
        platform::showCaption(Label1, QString());
        platform::showCaption(Label2, QString());
        platform::showCaption(Label8, QString());
        platform::showCaption(Label9, QString());
        vars_.SourceLargeName.clear();
        vars_.SourceSmallName.clear();
        vars_.SourceLargePath.clear();
        vars_.SourceSmallPath.clear();
    } else {
        const QString source = Directory->path();
        showPicture(Image1, platform::joinPath(source, vars_.SourceLargeName));
        const bool hasSmall = vars_.SourceSmallName != NoPictureMarker;
        if (hasSmall)
            showPicture(Image2, platform::joinPath(source, vars_.SourceSmallName));
        else
            blankPicture(Image2);
        platform::showCaption(Label8, vars_.SourceLargeName);
        platform::showCaption(Label9, hasSmall ? vars_.SourceSmallName : QString());
        const QString destination = Directory2->path();
        platform::showCaption(
            Label1, platform::joinPathForDisplay(destination, vars_.TargetLargeName + QStringLiteral(".bmp")));
        platform::showCaption(
            Label2, platform::joinPathForDisplay(destination, vars_.TargetSmallName + QStringLiteral(".bmp")));
    }
    applyLayout();
}

void frmMain::applyLayout()
{
    for (const auto& [control, image] : {std::pair{Control::Image1, Image1}, std::pair{Control::Image2, Image2}}) {
        const QSize natural = image->naturalSize();
        rects_[control].width = platform::pixelsToTwips(natural.width());
        rects_[control].height = platform::pixelsToTwips(natural.height());
    }
    rects_ = manager::layoutManager(rects_, outerWidth_, outerHeight_);
    for (std::size_t i = 0; i < ControlCount; ++i)
        widgets_[i]->setGeometry(rects_[static_cast<Control>(i)].toPixels());
}

void frmMain::showPicture(platform::ImageBox* image, const QString& path)
{
    image->showFile(path);
}

void frmMain::blankPicture(platform::ImageBox* image)
{
    image->setPicture(Picture1->pixmap().toImage());
}

void frmMain::Directory_Change()
{
    const platform::BusyCursor busy;
    // The preview and the selection variables stay: the operations test the list's selection themselves.
    Files->setPath(Directory->path());
}

void frmMain::Directory2_Change()
{
    const platform::BusyCursor busy;
    Files2->setPath(Directory2->path());
    find_next_name();
}

void frmMain::Drive1_Change()
{
    const platform::BusyCursor busy;
    if (!Directory->setPath(Drive1->drive()))
        Drive1->revert();
}

void frmMain::drive2_change()
{
    const platform::BusyCursor busy;
    if (!Directory2->setPath(Drive2->drive()))
        Drive2->revert();
}

void frmMain::Files_Click()
{
    const platform::BusyCursor busy;
    const int index = Files->listIndex();
    if (index < 0)
        return;
    const QString source = Directory->path();
    if (operations::recordSelectedSet(vars_, services_.fileSystem, source, Files->entries(), index)) {
        refresh_form();
        return;
    }

    services_.dialogs.messageBox(QStringLiteral("There is no Small picture for this set."), QStringLiteral("Error"),
                                 platform::MessageButtons::Ok, platform::MessageIcon::None);
    showPicture(Image1, platform::joinPath(source, vars_.SourceLargeName));
    blankPicture(Image2);
    platform::showCaption(Label8, Files->list(Files->listIndex()));
    platform::showCaption(Label9, QString());
}

void frmMain::Files2_Click()
{
    find_next_name();
}

void frmMain::Files2_DblClick()
{
    const platform::BusyCursor busy;
    // A destination that cannot be read must not leave an entry of the old source selected.
    if (!Directory->setPath(Files2->path()))
        return;
    Files->refresh();
    // By name: a destination list read before the directory changed must not pick another set.
    Files->setListIndex(int(Files->entries().indexOf(Files2->list(Files2->listIndex()))));
}
