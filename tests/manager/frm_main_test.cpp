#include "manager/frm_main.h"

#include <memory>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "platform/controls/dir_list_box.h"
#include "platform/controls/drive_list_box.h"
#include "platform/controls/file_list_box.h"
#include "platform/controls/selector_box.h"
#include "support/manager_fixture.h"

namespace {

using manager::Control;

QWidget* visibleAboutWindow()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->objectName() == QLatin1String("frmAbout") && widget->isVisible())
            return widget;
    return nullptr;
}

QStringList itemsOf(const QComboBox* box)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}

using ManagerWindowTest = testsupport::ManagerFixture;

TEST_F(ManagerWindowTest, StartsWithMaleMageAndNothingSelected)
{
    source_.addPortraits({QStringLiteral("MM01L.bmp"), QStringLiteral("mM01S.bmp")});
    open();

    EXPECT_TRUE(window_->isVisible());
    EXPECT_EQ(window_->windowTitle(), QStringLiteral("Ostrel Portrait Manager"));
    EXPECT_EQ(control<platform::SelectorBox>("GenderCombo")->currentText(), QStringLiteral("Male"));
    EXPECT_EQ(control<platform::SelectorBox>("TypeCombo")->currentText(), QStringLiteral("Mage"));
    EXPECT_EQ(vars().GenderIndex, 1);
    EXPECT_EQ(vars().ClassIndex, 1);
    // Both panes start in the same directory, which already holds MM01.
    EXPECT_EQ(vars().TargetLargeName, QStringLiteral("MM02L"));
    EXPECT_EQ(vars().TargetSmallName, QStringLiteral("mM02S"));
    EXPECT_EQ(files()->listIndex(), -1);
    EXPECT_TRUE(blank("Image1") && blank("Image2"));
    for (const char* label : {"Label1", "Label2", "Label8", "Label9"})
        EXPECT_TRUE(caption(label).isEmpty()) << label;
    EXPECT_TRUE(vars().SourceLargeName.isEmpty() && vars().SourceSmallPath.isEmpty());
    EXPECT_TRUE(dialogs_.shown().isEmpty());
}

TEST_F(ManagerWindowTest, ControlsCarryTheirCaptionsEntriesAndTabOrder)
{
    open();
    const std::pair<const char*, const char*> captions[] = {
        {"BrowseButton", "Gallery"},   {"SaveButton", "Copy To -->"},
        {"MoveButton", "Move To -->"}, {"DeleteButton", "-X- Delete -X-"},
        {"RenameButton", "Rename"},    {"ExitButton", "Exit"},
        {"AboutButton", "About..."},   {"Label3", "Source:"},
        {"Label4", "Destination:"},    {"Label5", "Files Will Be Renamed As:"},
        {"Label6", "Large:"},          {"Label7", "Small:"}};
    for (const auto& [name, text] : captions) {
        const QWidget* widget = control(name);
        const auto* button = qobject_cast<const QPushButton*>(widget);
        EXPECT_EQ(button ? button->text() : qobject_cast<const QLabel*>(widget)->text(), QString::fromLatin1(text));
    }
    EXPECT_EQ(control<QLabel>("Label4")->font().pointSize(), 24);
    EXPECT_EQ(itemsOf(control<platform::SelectorBox>("GenderCombo")), QStringList({"Male", "Female"}));
    EXPECT_EQ(itemsOf(control<platform::SelectorBox>("TypeCombo")),
              QStringList({"Mage", "Priest", "Rogue", "Warrior"}));
    EXPECT_FALSE(control("Picture1")->isVisible());

    const char* order[] = {"Drive1",     "Directory",   "Files",     "DeleteButton", "MoveButton",
                           "Files2",     "Directory2",  "Drive2",    "ExitButton",   "AboutButton",
                           "SaveButton", "GenderCombo", "TypeCombo", "BrowseButton", "RenameButton"};
    QWidget* current = control(order[0]);
    for (std::size_t i = 1; i < std::size(order); ++i) {
        do
            current = current->nextInFocusChain();
        while (current->focusPolicy() == Qt::NoFocus || current->objectName().isEmpty());
        EXPECT_EQ(current->objectName(), QString::fromLatin1(order[i])) << "after " << order[i - 1];
    }
}

TEST_F(ManagerWindowTest, AboutOpensByChanceTwoStartsInTenAndTheManagerWaits)
{
    const std::pair<double, bool> draws[] = {{0.0, false}, {0.7999999, false}, {0.8, true}, {0.9999999, true}};
    for (const auto& [draw, opensAbout] : draws) {
        SCOPED_TRACE(draw);
        open(draw);
        EXPECT_EQ(visibleAboutWindow() != nullptr, opensAbout);
        EXPECT_EQ(window_->isVisible(), !opensAbout);
        EXPECT_EQ(vars().ClassIndex, 1);
        if (opensAbout) {
            visibleAboutWindow()->close(); // the close box brings the manager too
            EXPECT_TRUE(window_->isVisible());
        }
        window_.reset();
    }
}

TEST_F(ManagerWindowTest, AboutButtonHidesTheManagerUntilContinue)
{
    source_.addPortraits({QStringLiteral("MM05L.bmp"), QStringLiteral("mM05S.bmp")});
    open();
    selectSource(QStringLiteral("MM05L.bmp"));
    QStringList texts;
    for (int opening = 0; opening < 2; ++opening) {
        control<QPushButton>("AboutButton")->click();
        QWidget* about = visibleAboutWindow();
        ASSERT_NE(about, nullptr);
        EXPECT_FALSE(window_->isVisible());
        texts << about->findChild<QLabel*>(QStringLiteral("Label1"))->text();
        about->findChild<QPushButton*>(QStringLiteral("Command1"))->click();
        EXPECT_TRUE(window_->isVisible());
    }
    EXPECT_EQ(texts[0], texts[1]); // built anew at each opening, not appended to
    EXPECT_EQ(vars().SourceLargeName, QStringLiteral("MM05L.bmp"));
    EXPECT_EQ(files()->listIndex(), 0);
}

TEST_F(ManagerWindowTest, SelectorChoicesRecomputeTheTargetNames)
{
    destination_.addPortraits({QStringLiteral("FR01L.bmp"), QStringLiteral("MM01L.bmp")});
    open();
    setDestination(destination_.path());
    choose("GenderCombo", 1);
    EXPECT_EQ(vars().GenderIndex, 2);
    EXPECT_EQ(vars().TargetLargeName + vars().TargetSmallName, QStringLiteral("FM01LfM01S"));
    choose("TypeCombo", 2);
    EXPECT_EQ(vars().ClassIndex, 3);
    EXPECT_EQ(vars().TargetLargeName + vars().TargetSmallName, QStringLiteral("FR02LfR02S"));
}

TEST_F(ManagerWindowTest, DestinationChangesAllocateButLeaveTheLabelsToTheNextRefresh)
{
    source_.addPortraits({QStringLiteral("MM05L.bmp"), QStringLiteral("mM05S.bmp")});
    destination_.addPortraits({QStringLiteral("MM01L.bmp"), QStringLiteral("MM02L.bmp"), QStringLiteral("MM05L.bmp")});
    open();
    selectSource(QStringLiteral("MM05L.bmp"));
    const QString labelBefore = caption("Label1");

    setDestination(destination_.path());
    EXPECT_EQ(vars().TargetLargeName, QStringLiteral("MM03L"));
    files("Files2")->setListIndex(1);
    EXPECT_EQ(caption("Label1"), labelBefore);

    choose("TypeCombo", 0);
    EXPECT_EQ(caption("Label1"), destination_.path() + QStringLiteral("/MM03L.bmp"));
}

TEST_F(ManagerWindowTest, SelectingASetPreviewsBothPicturesAndShowsTheTargets)
{
    source_.addPortraits({QStringLiteral("MM05L.bmp"), QStringLiteral("mM05S.bmp"), QStringLiteral("MM01L.bmp"),
                          QStringLiteral("mm01s.BMP")});
    open();
    setDestination(destination_.path());
    choose("GenderCombo", 1);
    choose("TypeCombo", 2);

    selectSource(QStringLiteral("MM05L.bmp"));
    EXPECT_EQ(caption("Label8"), QStringLiteral("MM05L.bmp"));
    EXPECT_EQ(caption("Label9"), QStringLiteral("mM05S.bmp"));
    EXPECT_EQ(caption("Label1"), destination_.path() + QStringLiteral("/FR01L.bmp"));
    EXPECT_EQ(caption("Label2"), destination_.path() + QStringLiteral("/fR01S.bmp"));
    EXPECT_EQ(vars().SourceLargePath, source_.path() + QStringLiteral("/MM05L.bmp"));
    EXPECT_EQ(vars().SourceSmallPath, source_.path() + QStringLiteral("/mM05S.bmp"));
    EXPECT_TRUE(shows("Image1", source_.filePath(QStringLiteral("MM05L.bmp"))));
    EXPECT_TRUE(shows("Image2", source_.filePath(QStringLiteral("mM05S.bmp"))));
    EXPECT_EQ(window_->controlRects()[Control::Image1].height, 2610);

    // The partner in another letter case is used under the name the directory stores.
    selectSource(QStringLiteral("MM01L.bmp"));
    EXPECT_EQ(vars().SourceSmallName, QStringLiteral("mm01s.BMP"));
    EXPECT_TRUE(shows("Image2", source_.filePath(QStringLiteral("mm01s.BMP"))));
    EXPECT_TRUE(dialogs_.shown().isEmpty());
}

TEST_F(ManagerWindowTest, SetWithoutSmallPictureIsReportedAndPreviewedLarge)
{
    source_.addPortraits({QStringLiteral("AAL.bmp"), QStringLiteral("aAS.bmp"), QStringLiteral("LonerL.bmp")});
    open();
    setDestination(destination_.path());
    selectSource(QStringLiteral("AAL.bmp"));
    const QString targetBefore = caption("Label1");

    selectSource(QStringLiteral("LonerL.bmp"));
    ASSERT_EQ(dialogs_.shown().size(), 1);
    const testsupport::ShownBox& box = dialogs_.shown().first();
    EXPECT_EQ(box.text, QStringLiteral("There is no Small picture for this set."));
    EXPECT_EQ(box.title, QStringLiteral("Error"));
    EXPECT_EQ(box.buttons, platform::MessageButtons::Ok);
    EXPECT_EQ(box.icon, platform::MessageIcon::None);
    EXPECT_EQ(vars().SourceSmallName, QStringLiteral("NOPICTURE"));
    EXPECT_EQ(vars().SourceSmallPath, source_.path() + QStringLiteral("/NOPICTURE"));
    EXPECT_TRUE(shows("Image1", source_.filePath(QStringLiteral("LonerL.bmp"))));
    EXPECT_TRUE(blank("Image2"));
    EXPECT_EQ(caption("Label8"), QStringLiteral("LonerL.bmp"));
    EXPECT_TRUE(caption("Label9").isEmpty());
    EXPECT_EQ(caption("Label1"), targetBefore);

    // A later refresh keeps that state and never looks for a file named by the marker.
    choose("TypeCombo", 3);
    EXPECT_EQ(dialogs_.shown().size(), 1);
    EXPECT_TRUE(shows("Image1", source_.filePath(QStringLiteral("LonerL.bmp"))));
    EXPECT_TRUE(blank("Image2") && caption("Label9").isEmpty());
    EXPECT_EQ(caption("Label1"), destination_.path() + QStringLiteral("/MW01L.bmp"));
}

TEST_F(ManagerWindowTest, TargetLabelsInTheRootHoldOneSeparator)
{
    source_.addPortraits({QStringLiteral("MM05L.bmp"), QStringLiteral("mM05S.bmp")});
    open();
    selectSource(QStringLiteral("MM05L.bmp"));
    setDestination(QStringLiteral("/"));
    choose("TypeCombo", 0);
    EXPECT_EQ(caption("Label1"), QStringLiteral("/") + vars().TargetLargeName + QStringLiteral(".bmp"));
    EXPECT_EQ(caption("Label2"), QStringLiteral("/") + vars().TargetSmallName + QStringLiteral(".bmp"));
}

TEST_F(ManagerWindowTest, SourceDirectoryChangeLeavesThePreviewUntilTheNextRefresh)
{
    source_.addPortraits({QStringLiteral("MM05L.bmp"), QStringLiteral("mM05S.bmp")});
    const QString elsewhere = source_.addDirectory(QStringLiteral("elsewhere"));
    open();
    selectSource(QStringLiteral("MM05L.bmp"));

    control<platform::DirListBox>("Directory")->setPath(elsewhere);
    EXPECT_EQ(files()->path(), elsewhere);
    EXPECT_EQ(files()->listIndex(), -1);
    EXPECT_FALSE(blank("Image1"));
    EXPECT_EQ(caption("Label8"), QStringLiteral("MM05L.bmp"));
    EXPECT_EQ(vars().SourceLargeName, QStringLiteral("MM05L.bmp"));

    // Showing the window again after About refreshes it.
    control<QPushButton>("AboutButton")->click();
    visibleAboutWindow()->findChild<QPushButton*>(QStringLiteral("Command1"))->click();
    EXPECT_TRUE(vars().SourceLargeName.isEmpty() && vars().SourceSmallName.isEmpty());
    EXPECT_TRUE(blank("Image1") && caption("Label8").isEmpty());
}

TEST_F(ManagerWindowTest, PickingADriveGoesToItsRootNotToTheLastDirectory)
{
    const QString deepest = source_.addDirectory(QStringLiteral("one")) + QStringLiteral("/two");
    ASSERT_TRUE(QDir().mkpath(deepest));
    const QString unplugged = source_.path() + QStringLiteral("/unplugged");
    fileSystem_.setVolumes({{source_.path(), QStringLiteral("sandbox")},
                            {QStringLiteral("/"), QString()},
                            {unplugged, QStringLiteral("gone")}});
    open(0.5, deepest);
    auto* drive = control<platform::DriveListBox>("Drive1");
    auto* directory = control<platform::DirListBox>("Directory");
    EXPECT_EQ(drive->drive(), source_.path());
    const auto pick = [drive](int index) {
        drive->setCurrentIndex(index);
        emit drive->activated(index);
    };

    pick(1);
    EXPECT_EQ(files()->path(), QStringLiteral("/"));
    pick(0);
    EXPECT_EQ(directory->path(), source_.path());
    EXPECT_EQ(files()->path(), source_.path());
    EXPECT_EQ(control<platform::DirListBox>("Directory2")->path(), deepest);

    // A volume that cannot be read leaves both lists where they were.
    pick(2);
    ASSERT_EQ(dialogs_.shown().size(), 1);
    EXPECT_EQ(dialogs_.shown().first().title, QStringLiteral("Error"));
    EXPECT_TRUE(dialogs_.shown().first().text.contains(unplugged));
    EXPECT_EQ(directory->path(), source_.path());
    EXPECT_EQ(drive->drive(), source_.path());
}

TEST_F(ManagerWindowTest, DoubleClickInTheDestinationBringsTheSetIntoTheSource)
{
    destination_.addPortraits({QStringLiteral("AAL.bmp"), QStringLiteral("aAS.bmp"), QStringLiteral("BBL.bmp"),
                               QStringLiteral("bBS.bmp"), QStringLiteral("CCL.bmp"), QStringLiteral("cCS.bmp")});
    open();
    setDestination(destination_.path());
    const QString driveBefore = control<platform::DriveListBox>("Drive1")->currentText();
    destination_.addPortraits({"ABL.bmp"}); // the destination list does not know it yet

    platform::FileListBox* destination = files("Files2");
    QTest::mouseDClick(destination->viewport(), Qt::LeftButton, {},
                       destination->visualRect(destination->model()->index(2, 0)).center());

    EXPECT_EQ(control<platform::DirListBox>("Directory")->path(), destination_.path());
    EXPECT_EQ(files()->listIndex(), 3); // the same set, found by name in the list read anew
    EXPECT_EQ(vars().SourceLargeName, QStringLiteral("CCL.bmp"));
    EXPECT_EQ(vars().SourceSmallName, QStringLiteral("cCS.bmp"));
    EXPECT_TRUE(shows("Image1", destination_.filePath(QStringLiteral("CCL.bmp"))));
    EXPECT_EQ(control<platform::DriveListBox>("Drive1")->currentText(), driveBefore);
}

TEST_F(ManagerWindowTest, NormalWindowHoldsItsSizeAndMaximisedOneLaysOutForTheScreen)
{
    open();
    const QSize fixed = window_->size();
    EXPECT_EQ(fixed, QSize(681, 473)); // the design's client area
    EXPECT_EQ(window_->outerWidth(), 10355);
    EXPECT_EQ(window_->outerHeight(), 7500);
    window_->resize(fixed + QSize(200, 150));
    QApplication::processEvents();
    EXPECT_EQ(window_->size(), fixed);

    window_->showMaximized();
    QApplication::processEvents();
    ASSERT_TRUE(window_->isMaximized());
    const int width = window_->width() * 15 + 140;
    EXPECT_EQ(window_->outerWidth(), width);
    EXPECT_EQ(window_->controlRects()[Control::SaveButton].left, width / 2 - 787 - 60);

    window_->showNormal();
    QApplication::processEvents();
    EXPECT_EQ(window_->size(), fixed);
    EXPECT_EQ(window_->controlRects()[Control::SaveButton].left, 4330);
}

TEST_F(ManagerWindowTest, ExitAndClosingTheWindowEndTheProgram)
{
    for (const bool byExit : {true, false}) {
        open();
        if (byExit)
            QTimer::singleShot(0, control<QPushButton>("ExitButton"), &QPushButton::click);
        else
            QTimer::singleShot(0, window_.get(), &QWidget::close);
        QTimer watchdog;
        QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(99); });
        watchdog.start(5000);
        EXPECT_EQ(QApplication::exec(), 0) << (byExit ? "Exit" : "close");
    }
}

} // namespace
