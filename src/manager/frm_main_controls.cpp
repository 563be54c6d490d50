#include "manager/frm_main.h"

#include <QLabel>
#include <QPushButton>
#include <QShortcut>

#include <tuple>

#include "platform/controls/accessibility.h"
#include "platform/controls/classic_font.h"
#include "platform/controls/dir_list_box.h"
#include "platform/controls/drive_list_box.h"
#include "platform/controls/file_list_box.h"
#include "platform/controls/image_box.h"
#include "platform/controls/labels.h"
#include "platform/controls/selector_box.h"
#include "platform/os/file_system.h"

using manager::Control;
using manager::ControlCount;
using manager::ControlRects;

namespace {
const QString PortraitPattern = QStringLiteral("*L.bmp");
} // namespace

void frmMain::createControls(const QString& startDirectory)
{
    createWidgets();
    placeControls();
    nameControls();
    showStartDirectory(startDirectory);
    connectHandlers();
}

void frmMain::createWidgets()
{
    using platform::ImageBox;
    const auto designPixels = [](Control c) { return manager::designRects()[c].toPixels().size(); };

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
}

void frmMain::placeControls()
{
    const std::array<QWidget*, ControlCount> widgets = {
        Label3,     Label4,       Files,        Directory,  Drive1,      BrowseButton, SaveButton,
        MoveButton, DeleteButton, RenameButton, ExitButton, AboutButton, Files2,       Directory2,
        Drive2,     Label8,       Label9,       Label5,     Image1,      Image2,       Picture1,
        Label6,     Label1,       Label7,       Label2,     GenderCombo, TypeCombo,
    };
    const ControlRects& design = manager::designRects();
    rects_ = design;
    for (std::size_t i = 0; i < ControlCount; ++i) {
        const auto control = static_cast<Control>(i);
        widgets[i]->setObjectName(QString::fromLatin1(manager::controlName(control)));
        widgets[i]->setGeometry(design[control].toPixels());
    }
    widgets_ = widgets;
}

void frmMain::nameControls()
{
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
}

void frmMain::showStartDirectory(const QString& startDirectory)
{
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
}

void frmMain::connectHandlers()
{
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
