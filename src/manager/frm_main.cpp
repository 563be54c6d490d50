#include "manager/frm_main.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QMoveEvent>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QShortcut>
#include <QShowEvent>
#include <QTimer>

#include <string>
#include <tuple>
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
#include "sets/small_partners.h"

using manager::Control;
using manager::ControlCount;
using manager::ControlRects;
using manager::DesignFrameHeight;
using manager::DesignFrameWidth;
using manager::DesignOuterHeight;
using manager::DesignOuterWidth;

namespace {
const QString PortraitPattern = QStringLiteral("*L.bmp");
} // namespace

frmMain::frmMain(platform::Services services, const QString& startDirectory, QWidget* parent)
    : QWidget(parent), services_(services), operations_(*this, services.fileSystem, services.dialogs)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Ostrel Portrait Manager"));
    platform::setWindowRole(this, QAccessible::Window);
    setFont(platform::classicFont(8));
    createControls(startDirectory);
    applyTabOrder();
    addKeyboardWays();
    snapBack_.setInterval(SnapBackInterval);
    connect(&snapBack_, &QTimer::timeout, this, &frmMain::snapBackAgain);
    holdNormalSize();
}

void frmMain::addKeyboardWays()
{
    // Extra ways in, beside the buttons; each runs the button's own handler.
    const QKeySequence deleteKey(QKeySequence::Delete);
    const QKeySequence renameKey(Qt::Key_F2);
    const QKeySequence quitKey(Qt::CTRL | Qt::Key_Q);
    connect(new QShortcut(deleteKey, Files, nullptr, nullptr, Qt::WidgetShortcut), &QShortcut::activated, this,
            &frmMain::DeleteButton_Click);
    connect(new QShortcut(renameKey, this), &QShortcut::activated, this, &frmMain::RenameButton_Click);
    connect(new QShortcut(quitKey, this), &QShortcut::activated, this, &frmMain::ExitButton_Click);

    const std::tuple<QPushButton*, const char*, QKeySequence> buttons[] = {
        {BrowseButton, "Show the source portraits as a gallery", {}},
        {SaveButton, "Copy the selected set into the destination (Enter in the source list)", {}},
        {MoveButton, "Move the selected set into the destination", {}},
        {DeleteButton, "Delete the selected set", deleteKey},
        {RenameButton, "Give the selected set a name of your own", renameKey},
        {ExitButton, "End the program", quitKey},
        {AboutButton, "About this program", {}},
    };
    for (const auto& [button, what, key] : buttons) {
        platform::describe(button, QString::fromLatin1(what), key);
        platform::pressOnEnter(button);
    }
}

frmMain::~frmMain() = default;

void frmMain::createControls(const QString& startDirectory)
{
    using platform::ImageBox;
    const ControlRects& design = manager::designRects();
    const auto designPixels = [&design](Control c) { return design[c].toPixels().size(); };

    Label3 = platform::makeLabel(QStringLiteral("Source:"), this);
    Label4 = platform::makeLabel(QStringLiteral("Destination:"), this);
    Label3->setFont(platform::classicFont(24));
    Label4->setFont(platform::classicFont(24));

    Files = new platform::FileListBox(services_.fileSystem, this);
    Files2 = new platform::FileListBox(services_.fileSystem, this);
    Files->setPattern(PortraitPattern);
    Files2->setPattern(PortraitPattern);
    Directory = new platform::DirListBox(services_.fileSystem, services_.dialogs, this);
    Directory2 = new platform::DirListBox(services_.fileSystem, services_.dialogs, this);
    // Probed once for both lists: a hung mount costs one wait, not two.
    const QList<platform::Volume> volumes = services_.fileSystem.volumes();
    Drive1 = new platform::DriveListBox(volumes, this);
    Drive2 = new platform::DriveListBox(volumes, this);

    BrowseButton = new QPushButton(QStringLiteral("Gallery"), this);
    SaveButton = new QPushButton(QStringLiteral("Copy To -->"), this);
    MoveButton = new QPushButton(QStringLiteral("Move To -->"), this);
    DeleteButton = new QPushButton(QStringLiteral("-X- Delete -X-"), this);
    RenameButton = new QPushButton(QStringLiteral("Rename"), this);
    ExitButton = new QPushButton(QStringLiteral("Exit"), this);
    AboutButton = new QPushButton(QStringLiteral("About..."), this);

    Label8 = platform::makeLabel(QString(), this);
    Label9 = platform::makeLabel(QString(), this);
    Label5 = platform::makeLabel(QStringLiteral("Files Will Be Renamed As:"), this);
    Image1 = new ImageBox(designPixels(Control::Image1), this);
    Image2 = new ImageBox(designPixels(Control::Image2), this);
    Picture1 = new QLabel(this);
    Picture1->hide();
    Label6 = platform::makeLabel(QStringLiteral("Large:"), this);
    Label1 = platform::makeLabel(QString(), this);
    Label7 = platform::makeLabel(QStringLiteral("Small:"), this);
    Label2 = platform::makeLabel(QString(), this);
    GenderCombo = new platform::SelectorBox({QStringLiteral("Male"), QStringLiteral("Female")}, this);
    TypeCombo = new platform::SelectorBox(
        {QStringLiteral("Mage"), QStringLiteral("Priest"), QStringLiteral("Rogue"), QStringLiteral("Warrior")}, this);

    const std::array<QWidget*, ControlCount> widgets = {
        Label3,     Label4,       Files,        Directory,  Drive1,      BrowseButton, SaveButton,
        MoveButton, DeleteButton, RenameButton, ExitButton, AboutButton, Files2,       Directory2,
        Drive2,     Label8,       Label9,       Label5,     Image1,      Image2,       Picture1,
        Label6,     Label1,       Label7,       Label2,     GenderCombo, TypeCombo,
    };
    rects_ = design;
    for (std::size_t i = 0; i < ControlCount; ++i) {
        const auto control = static_cast<Control>(i);
        widgets[i]->setObjectName(QString::fromLatin1(manager::controlName(control)));
        widgets[i]->setGeometry(design[control].toPixels());
    }
    widgets_ = widgets;
    // What a screen reader calls the controls that have no caption of their own.
    const std::pair<QWidget*, const char*> accessibleNames[] = {
        {Files, "Source portraits"},       {Directory, "Source directories"},
        {Files2, "Destination portraits"}, {Directory2, "Destination directories"},
        {Image1, "Large preview"},         {Image2, "Small preview"},
    };
    for (const auto& [widget, name] : accessibleNames)
        widget->setAccessibleName(QString::fromLatin1(name));
    const std::pair<QWidget*, const char*> dropDownNames[] = {
        {Drive1, "Source drives"}, {Drive2, "Destination drives"}, {GenderCombo, "Gender"}, {TypeCombo, "Class"}};
    for (const auto& [widget, name] : dropDownNames)
        platform::nameControl(widget, QString::fromLatin1(name));
    const std::pair<QLabel*, const char*> captionPurposes[] = {{Label8, "Selected large file"},
                                                               {Label9, "Selected small file"},
                                                               {Label1, "Large target"},
                                                               {Label2, "Small target"}};
    for (const auto& [label, purpose] : captionPurposes)
        platform::setCaptionPurpose(label, QString::fromLatin1(purpose));
    Label6->setBuddy(Label1);
    Label7->setBuddy(Label2);

    // The lists start out where the process stands, as the toolkit's controls would: no change handler
    // runs for that, the window's handlers are connected afterwards.
    // Both panes start in the same place: one read of it fills all four lists.
    const QString start = platform::DirListBox::normalised(startDirectory);
    const platform::DirectoryContents contents = services_.fileSystem.readDirectory(start, Files->pattern());
    Directory->setPath(start, {contents.ok, contents.reason, contents.directories});
    Files->setPath(Directory->path(), contents.ok ? contents.files : QStringList());
    Directory2->showSameAs(*Directory);
    Files2->showSameAs(*Files);
    Drive1->showDriveOf(Directory->path());
    Drive2->showDriveOf(Directory2->path());

    connect(AboutButton, &QPushButton::clicked, this, &frmMain::AboutButton_Click);
    connect(BrowseButton, &QPushButton::clicked, this, &frmMain::BrowseButton_Click);
    connect(SaveButton, &QPushButton::clicked, this, &frmMain::SaveButton_Click);
    connect(MoveButton, &QPushButton::clicked, this, &frmMain::MoveButton_Click);
    connect(RenameButton, &QPushButton::clicked, this, &frmMain::RenameButton_Click);
    connect(DeleteButton, &QPushButton::clicked, this, &frmMain::DeleteButton_Click);
    connect(ExitButton, &QPushButton::clicked, this, &frmMain::ExitButton_Click);
    connect(Directory, &platform::DirListBox::Change, this, &frmMain::Directory_Change);
    connect(Directory2, &platform::DirListBox::Change, this, &frmMain::Directory2_Change);
    connect(Drive1, &platform::DriveListBox::Change, this, &frmMain::Drive1_Change);
    connect(Drive2, &platform::DriveListBox::Change, this, &frmMain::drive2_change);
    connect(Files, &platform::FileListBox::Click, this, &frmMain::Files_Click);
    connect(Files, &platform::FileListBox::DblClick, this, &frmMain::Files_DblClick);
    connect(Files2, &platform::FileListBox::Click, this, &frmMain::Files2_Click);
    connect(Files2, &platform::FileListBox::DblClick, this, &frmMain::Files2_DblClick);
    connect(GenderCombo, &platform::SelectorBox::Click, this, &frmMain::GenderCombo_Click);
    connect(TypeCombo, &platform::SelectorBox::Click, this, &frmMain::TypeCombo_Click);
}

void frmMain::applyTabOrder()
{
    // By tab index; labels, images and the hidden picture box take no focus.
    QWidget* const order[] = {Drive1,     Directory,   Files,     DeleteButton, MoveButton,
                              Files2,     Directory2,  Drive2,    ExitButton,   AboutButton,
                              SaveButton, GenderCombo, TypeCombo, BrowseButton, RenameButton};
    for (std::size_t i = 1; i < std::size(order); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

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
    Form_Resize();
}

void frmMain::snapBackAgain()
{
    const std::optional<QSize> real = platform::windowSystemSize(this);
    if (windowState() != Qt::WindowNoState || !real || ++snapAttempts_ > MaxSnapAttempts) {
        snapBack_.stop();
        return;
    }
    // Mid-drag the window manager may grant the size asked for and take it back a moment later, with no
    // event the toolkit passes on: only a size that holds for a while is kept.
    if (*real == normalClientSize()) {
        if (++steadyTicks_ >= SteadyTicks)
            snapBack_.stop();
        return;
    }
    steadyTicks_ = 0;
    // While the user drags the frame the window manager ignores the size asked for, and the toolkit then
    // believes the window has it: a one-pixel step makes it ask again, and the resize snaps back.
    resize(normalClientSize() + QSize(0, 1));
}

void frmMain::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        Form_Resize();
}

void frmMain::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    // A window manager moves the window while maximising it, sometimes before it says so: only a
    // position held at the fixed size is a normal one.
    if (windowState() == Qt::WindowNoState && size() == normalClientSize())
        normalPosition_ = geometry().topLeft();
}

void frmMain::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange)
        return;
    const auto* change = static_cast<QWindowStateChangeEvent*>(event);
    const QScopedValueRollback leaving(leavingMaximised_,
                                       (change->oldState() & (Qt::WindowMaximized | Qt::WindowFullScreen)) != 0);
    Form_Resize();
}

void frmMain::closeEvent(QCloseEvent* event)
{
    event->accept();
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
    const QSize client = normalClientSize();
    if (size() == client)
        return;
    // The size is set with the position: while the window was maximised the toolkit holds the screen's
    // corner as its position, and a bare resize would leave it there. The client area's place is kept,
    // not the frame's: a maximised frame has other borders.
    if (leavingMaximised_ && normalPosition_)
        setGeometry(QRect(*normalPosition_, client));
    else
        resize(client);
    snapAttempts_ = 0;
    steadyTicks_ = 0;
    if (isVisible() && !snapBack_.isActive())
        snapBack_.start();
}

QSize frmMain::normalClientSize()
{
    // Window managers draw frames of their own thickness, so the window keeps the client area of the
    // design and counts as its design outer size.
    return {platform::twipsToPixels(DesignOuterWidth - DesignFrameWidth),
            platform::twipsToPixels(DesignOuterHeight - DesignFrameHeight)};
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
    vars_.SourceLargeName = Files->list(index);
    vars_.SourceSmallName = sets::SmallPartners(services_.fileSystem)
                                .find(source, {vars_.SourceLargeName}, Files->entries())
                                .value(vars_.SourceLargeName);

    const bool hasSmall = !vars_.SourceSmallName.isEmpty();
    if (!hasSmall)
        vars_.SourceSmallName = NoPictureMarker;
    vars_.SourceLargePath = platform::joinPath(source, vars_.SourceLargeName);
    vars_.SourceSmallPath = platform::joinPath(source, vars_.SourceSmallName);
    if (hasSmall) {
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

void frmMain::Files_DblClick()
{
    SaveButton_Click();
}

void frmMain::SaveButton_Click()
{
    const platform::BusyCursor busy;
    operations_.copySet();
}

void frmMain::MoveButton_Click()
{
    const platform::BusyCursor busy;
    operations_.moveSet();
}

void frmMain::RenameButton_Click()
{
    const platform::BusyCursor busy;
    operations_.renameSet();
}

void frmMain::DeleteButton_Click()
{
    const platform::BusyCursor busy;
    operations_.deleteSet();
}

int frmMain::selectedEntry() const
{
    return Files->listIndex();
}

int frmMain::entryCount() const
{
    return Files->listCount();
}

QString frmMain::entry(int index) const
{
    return Files->list(index);
}

void frmMain::selectEntry(int index)
{
    Files->setListIndex(index);
}

void frmMain::rereadSourceFiles()
{
    Files->refresh();
}

void frmMain::rereadDestinationFiles()
{
    Files2->refresh();
}

QString frmMain::sourceDirectory() const
{
    return Directory->path();
}

QString frmMain::destinationDirectory() const
{
    return Directory2->path();
}

void frmMain::showTargets(const QString& largeTarget, const QString& smallTarget)
{
    platform::showCaption(Label1, largeTarget);
    platform::showCaption(Label2, smallTarget);
}
