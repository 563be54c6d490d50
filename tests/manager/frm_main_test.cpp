#include "manager/frm_main.h"

#include <functional>

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "platform/controls/dir_list_box.h"
#include "platform/controls/drive_list_box.h"
#include "support/manager_fixture.h"

namespace {

using testsupport::pointerShown;
using testsupport::visibleWindow;

using ManagerWindowTest = testsupport::ManagerFixture;

TEST_F(ManagerWindowTest, ControlsAreWhereTheDesignPutsThemAndAMaximisedWindowCentresTheButtons)
{
    open();
    window_->showMaximized();
    QApplication::processEvents();
    ASSERT_TRUE(window_->isMaximized());
    EXPECT_NEAR(control("SaveButton")->geometry().center().x(), window_->width() / 2.0, 1.5);
    // Back in the normal state, every change of size snaps back.
    window_->showNormal();
    window_->resize(window_->size() + QSize(200, 150));
    QApplication::processEvents();
    // Controls at the ends of the layout's chains of places, in pixels; the spare picture hidden.
    EXPECT_EQ(std::tuple(window_->size(), control("Directory")->geometry(), control("Directory2")->geometry(),
                         control("AboutButton")->geometry(), control("Picture1")->isVisible(),
                         control("Label4")->font().pointSize()),
              std::tuple(QSize(681, 473), QRect(148, 49, 132, 191), QRect(542, 48, 132, 191), QRect(289, 365, 105, 33),
                         false, 24));
}

// Two starts in ten, a draw of 0.8 or more, open the About window, as its button does; the manager waits
// behind it until its close box, Continue, Return on Continue or Escape closes it.
TEST_F(ManagerWindowTest, AboutOpensByChanceTwoStartsInTenOrByItsButtonAndTheManagerWaitsUntilItCloses)
{
    const auto key = [](Qt::Key key) { return [key](QPushButton* command) { QTest::keyClick(command, key); }; };
    // clang-format off
    const std::tuple<double, bool, std::function<void(QPushButton*)>, bool> starts[] = {
        {0.0, false, nullptr, true}, {0.7999999, false, nullptr, true},
        {0.8, false, [](QPushButton* command) { command->window()->close(); }, true},
        {0.9999999, false, [](QPushButton* command) { command->click(); }, true},
        {0.0, true, key(Qt::Key_Return), true}, {0.0, true, key(Qt::Key_Escape), true},
        {0.0, true, key(Qt::Key_A), false},
    };
    // clang-format on
    for (const auto& [draw, byButton, close, closes] : starts) {
        open(draw);
        if (byButton)
            control<QPushButton>("AboutButton")->click();
        QWidget* about = visibleWindow("frmAbout");
        EXPECT_EQ(std::pair(about != nullptr, window_->isVisible()), std::pair(bool(close), !close)) << draw;
        if (about && close)
            close(about->findChild<QPushButton*>("Command1"));
        EXPECT_EQ(std::pair(window_->isVisible(), about && about->isVisible()), std::pair(closes, !closes)) << draw;
    }
}

TEST_F(ManagerWindowTest, SelectionsAndChoicesShowTheSetAndItsTargetsAtEachRefresh)
{
    source_.addPortraits({"MM05L.bmp", "mM05S.bmp", "MM01L.bmp", "mm01s.BMP", "LonerL.bmp"});
    destination_.addPortraits({"FR01L.bmp", "MM01L.bmp", "MM02L.bmp"});
    source_.addDirectory("elsewhere");
    open();
    // The lower half of the window and the variables behind it: the two file captions and targets, whether the
    // small picture shows, the large target and the set's paths.
    const auto state = [this] {
        QString seen = QStringList({caption("Label8"), caption("Label9"), caption("Label1"), caption("Label2"),
                                    control<platform::ImageBox>("Image2")->hasPicture() ? "+" : "-",
                                    vars().TargetLargeName, vars().SourceLargePath + ' ' + vars().SourceSmallPath})
                           .join('|');
        return seen.replace(source_.path(), "{S}").replace(destination_.path(), "{D}").remove(".bmp");
    };
    dialogs_.witness = state;
    const auto* list = files("Files2");
    // clang-format off
    const std::pair<std::function<void()>, const char*> rows[] = {
        {[] {}, "||||-|MM02L| "}, // nothing selected, both panes in the source
        {[&] { selectSource("MM05L.bmp"); }, "MM05L|mM05S|{S}/MM02L|{S}/mM02S|+|MM02L|{S}/MM05L {S}/mM05S"},
        // The labels wait for the next refresh.
        {[&] { setDestination(destination_.path()); }, "MM05L|mM05S|{S}/MM02L|{S}/mM02S|+|MM03L|{S}/MM05L {S}/mM05S"},
        {[&] { choose("GenderCombo", 1); }, "MM05L|mM05S|{D}/FM01L|{D}/fM01S|+|FM01L|{S}/MM05L {S}/mM05S"},
        {[&] { choose("TypeCombo", 2); }, "MM05L|mM05S|{D}/FR02L|{D}/fR02S|+|FR02L|{S}/MM05L {S}/mM05S"},
        // A partner in another letter case is used under the name the directory stores.
        {[&] { selectSource("MM01L.bmp"); }, "MM01L|mm01s.BMP|{D}/FR02L|{D}/fR02S|+|FR02L|{S}/MM01L {S}/mm01s.BMP"},
        {[&] { setDestination("/"); }, "MM01L|mm01s.BMP|{D}/FR02L|{D}/fR02S|+|FR01L|{S}/MM01L {S}/mm01s.BMP"},
        // Without a partner the large picture alone, the targets as they were; no marker file looked for later.
        {[&] { selectSource("LonerL.bmp"); }, "LonerL||{D}/FR02L|{D}/fR02S|-|FR01L|{S}/LonerL {S}/NOPICTURE"},
        // Another source directory shows at the next refresh, the window showing again after About.
        {[&] { control<platform::DirListBox>("Directory")->setPath(source_.filePath("elsewhere")); },
         "LonerL||{D}/FR02L|{D}/fR02S|-|FR01L|{S}/LonerL {S}/NOPICTURE"},
        {[&] { control<QPushButton>("AboutButton")->click(); visibleWindow("frmAbout")->close(); }, "||||-|FR01L| "},
        // A double click brings a destination set over, found by name in the source list read anew; the
        // destination list does not know of AAL yet.
        {[&] { setDestination(destination_.path()); destination_.addPortraits({"AAL.bmp", "fR01S.bmp"});
               const QPoint first = list->visualRect(list->model()->index(0, 0)).center();
               QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, first); },
         "FR01L|fR01S|{D}/FR02L|{D}/fR02S|+|FR02L|{D}/FR01L {D}/fR01S"},
        // Selected there, then none: every name of the set goes.
        {[&] { EXPECT_EQ(files()->listIndex(), 1); files()->setListIndex(-1); window_->refresh_form(); }, "||||-|FR02L| "},
    };
    // clang-format on
    for (const auto& [act, expected] : rows) {
        act();
        EXPECT_EQ(state(), expected);
        // The names are always those of the paths' files.
        EXPECT_EQ(QFileInfo(vars().SourceLargePath).fileName() + ' ' + QFileInfo(vars().SourceSmallPath).fileName(),
                  vars().SourceLargeName + ' ' + vars().SourceSmallName);
    }
    // The box of a loner comes before the window shows it.
    EXPECT_EQ(dialogs_.lines(), QStringList("Error|There is no Small picture for this set.|Ok|||MM01L|mm01s.BMP|{D}/"
                                            "FR02L|{D}/fR02S|+|FR01L|{S}/LonerL {S}/NOPICTURE"));
}

// A volume is named by its root and a label of its own; a directory shows on the deepest volume holding it.
TEST_F(ManagerWindowTest, DrivesAreNamedAndPickingOneGoesToItsRootAndAnUnreadableOneStaysPut)
{
    const QString deepest = source_.addDirectory("unpluggedX/two"), unplugged = source_.path() + "/unplugged";
    fileSystem_.setVolumes({{source_.path(), "sandbox"}, {"/", "/"}, {unplugged, "gone"}});
    open(0.5, deepest);
    auto* drive = control<platform::DriveListBox>("Drive1");
    EXPECT_EQ(QStringList({drive->itemText(0), drive->itemText(1), drive->itemText(2), drive->drive()}),
              QStringList({source_.path() + " [sandbox]", "/", unplugged + " [gone]", source_.path()}));
    for (const int index : {1, 0, 2}) { // back on the first, its root, not the directory last visited there
        drive->setCurrentIndex(index);
        emit drive->activated(index);
        EXPECT_TRUE(index != 1 || files()->path() == "/") << qPrintable(files()->path());
    }
    EXPECT_EQ(QStringList({control<platform::DirListBox>("Directory")->path(), files()->path(), drive->drive(),
                           control<platform::DirListBox>("Directory2")->path()}),
              QStringList({source_.path(), source_.path(), source_.path(), deepest}));
    EXPECT_EQ(dialogs_.lines(), QStringList(QString("Error|The directory \"%1\" cannot be read: %2|Ok|!||")
                                                .arg(unplugged, fileSystem_.readDirectory(unplugged, "*").reason)));
}

// While a handler asks the disk, the pointer is the wait cursor, and once it returns none is left over; a
// box it shows meanwhile has the usual pointer.
TEST_F(ManagerWindowTest, TheWaitCursorShowsWhileTheDiskIsAskedAndNeverOverABox)
{
    source_.addPortraits({"MM05L.bmp", "mM05S.bmp", "LonerL.bmp"});
    source_.addDirectory("elsewhere");
    fileSystem_.setVolumes({{source_.path(), "sandbox"}, {"/", "/"}});
    open();
    QStringList asked;
    fileSystem_.witness = [&](const char*) { asked << pointerShown(); };
    dialogs_.witness = pointerShown;
    const auto openDirectory = [this](const char* list, const char* name) {
        auto* directories = control<platform::DirListBox>(list);
        emit directories->itemActivated(directories->findItems(name, Qt::MatchExactly).value(0));
    };
    const auto press = [this](const char* button, const QString& set) {
        selectSource(set);
        control<QPushButton>(button)->click();
    };
    const auto pickDrive = [this](int index) {
        auto* drive = control<platform::DriveListBox>("Drive1");
        drive->setCurrentIndex(index);
        emit drive->activated(index);
    };
    // clang-format off
    const std::pair<std::function<void()>, const char*> rows[] = {
        {[&] { selectSource("LonerL.bmp"); }, "busy|usual|"},
        {[&] { selectSource("MM05L.bmp"); }, "busy||"},
        {[&] { openDirectory("Directory2", "elsewhere"); }, "busy||"},
        {[&] { press("SaveButton", "MM05L.bmp"); }, "busy||"},
        {[&] { dialogs_.queueInput("PIC02"); press("RenameButton", "MM05L.bmp"); }, "busy|usual|"},
        {[&] { press("MoveButton", "PIC02L.bmp"); }, "busy|usual|"}, // the set left in the list has no small picture
        {[&] { dialogs_.queueAnswer(platform::MessageResult::Yes); press("DeleteButton", "LonerL.bmp"); },
         "busy|usual usual|"},
        {[&] { openDirectory("Directory", "elsewhere"); }, "busy||"},
        {[&] { files("Files2")->setListIndex(0); emit files("Files2")->DblClick(); }, "busy||"},
        {[&] { pickDrive(1); }, "busy||"},
        {[&] { pickDrive(0); }, "busy||"},
    };
    // clang-format on
    for (const auto& [act, expected] : rows) {
        asked.clear();
        dialogs_.clear();
        act();
        asked.removeDuplicates();
        QStringList boxes;
        for (const testsupport::ShownBox& box : dialogs_.shown())
            boxes << box.witnessed;
        EXPECT_EQ(
            QStringList({asked.join(' '), boxes.join(' '), QGuiApplication::overrideCursor() ? "left" : ""}).join('|'),
            expected)
            << expected;
    }
}

TEST_F(ManagerWindowTest, ExitClosingTheWindowAndTheGallerysCtrlQEndTheProgram)
{
    source_.addPortraits({"AAL.bmp", "aaS.bmp"});
    const std::pair<const char*, std::function<void()>> ways[] = {
        {"Exit", [this] { control<QPushButton>("ExitButton")->click(); }},
        {"close", [this] { window_->close(); }},
        {"Ctrl+Q", [this] {
             control<QPushButton>("BrowseButton")->click();
             QApplication::setActiveWindow(visibleWindow("frmBrowser")); // shortcuts act in the active window
             QTest::keyClick(QApplication::focusWidget(), Qt::Key_Q, Qt::ControlModifier);
         }}};
    for (const auto& [way, act] : ways) {
        open();
        QTimer::singleShot(0, window_.get(), act);
        QTimer::singleShot(5000, window_.get(), [] { QCoreApplication::exit(99); }); // a watchdog, not a wait
        EXPECT_EQ(QApplication::exec(), 0) << way;
    }
}

} // namespace
