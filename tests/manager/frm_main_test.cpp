#include "manager/frm_main.h"

#include <functional>

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "support/manager_fixture.h"

namespace {

using testsupport::pointerShown;
using testsupport::operator<<;
using testsupport::visibleWindow;
using Fixture = testsupport::ManagerFixture;
using Act = std::function<void(Fixture&)>;
using Step = testsupport::Step<>;

Act selecting(const char* name)
{
    return [name](Fixture& f) { f.selectSource(name); };
}
Act choosing(const char* selector, int index)
{
    return [selector, index](Fixture& f) { f.choose(selector, index); };
}
Act openingDirectory(const char* list, const char* name)
{
    return [list, name](Fixture& f) {
        auto* directories = f.control<platform::DirListBox>(list);
        emit directories->itemActivated(directories->findItems(name, Qt::MatchExactly).value(0));
    };
}
Act pressingOn(const char* button, const char* set)
{
    return [button, set](Fixture& f) {
        f.selectSource(set);
        f.press(button);
    };
}

using ManagerWindowTest = Fixture;

TEST_F(ManagerWindowTest, ControlsAreWhereTheDesignPutsThemAndAMaximisedWindowCentresTheButtons)
{
    open();
    window_->showMaximized();
    QApplication::processEvents();
    ASSERT_TRUE(window_->isMaximized());
    EXPECT_NEAR(control("SaveButton")->geometry().center().x(), window_->width() / 2.0, 1.5);
    // Each pane's caption spans its widened pane.
    EXPECT_EQ(control("Label3")->width(), control("Label4")->width());
    // Back in the normal state, every change of size snaps back.
    window_->showNormal();
    window_->resize(window_->size() + QSize(200, 150));
    QApplication::processEvents();
    // Controls at the ends of the layout's chains of places, in pixels; the spare picture hidden; the captions
    // large, the rest in the classic 8 points.
    EXPECT_EQ(std::tuple(window_->size(), control("Directory")->geometry(), control("Directory2")->geometry(),
                         control("AboutButton")->geometry(), control("Picture1")->isVisible(),
                         control("Label4")->font().pointSize(), control("SaveButton")->font().family(),
                         control("SaveButton")->font().pointSize()),
              std::tuple(QSize(681, 473), QRect(148, 49, 132, 191), QRect(542, 48, 132, 191), QRect(289, 365, 105, 33),
                         false, 24, "MS Sans Serif", 8));
    // A button's tip says what it does, and its key where it has one.
    EXPECT_EQ(std::pair(control("BrowseButton")->toolTip(), control("DeleteButton")->toolTip()),
              std::pair(QString("Show the source portraits as a gallery"), QString("Delete the selected set (Del)")));
}

// Two starts in ten, a draw of 0.8 or more, open the About window, as its button does; the manager waits
// behind it until its close box, Continue, Return on Continue or Escape closes it.
struct AboutRow {
    const char* name;
    double draw;
    bool byButton;
    std::function<void(QPushButton*)> close; // none when About does not open
    bool closes;
};
const auto key = [](Qt::Key key) { return [key](QPushButton* command) { QTest::keyClick(command, key); }; };
const AboutRow aboutRows[] = {
    {"DrawOfNoughtShowsTheManager", 0.0, false, nullptr, true},
    {"DrawJustUnderPointEightShowsTheManager", 0.7999999, false, nullptr, true},
    {"DrawOfPointEightShowsAboutUntilItsCloseBox", 0.8, false, [](QPushButton* c) { c->window()->close(); }, true},
    {"DrawNearOneShowsAboutUntilContinue", 0.9999999, false, [](QPushButton* c) { c->click(); }, true},
    {"ButtonShowsAboutUntilReturn", 0.0, true, key(Qt::Key_Return), true},
    {"ButtonShowsAboutUntilEscape", 0.0, true, key(Qt::Key_Escape), true},
    {"ButtonShowsAboutThroughOtherKeys", 0.0, true, key(Qt::Key_A), false},
};
using AboutTest = testsupport::ManagerRowsFixture<AboutRow>;
TEST_P(AboutTest, ShowsByChanceOrByItsButtonAndTheManagerWaitsUntilItCloses)
{
    const AboutRow& row = GetParam();
    open(row.draw);
    if (row.byButton)
        press("AboutButton");
    QWidget* about = visibleWindow("frmAbout");
    EXPECT_EQ(std::pair(about != nullptr, window_->isVisible()), std::pair(bool(row.close), !row.close));
    if (about && row.close)
        row.close(about->findChild<QPushButton*>("Command1"));
    EXPECT_EQ(std::pair(window_->isVisible(), about && about->isVisible()), std::pair(row.closes, !row.closes));
}
INSTANTIATE_TEST_SUITE_P(Starts, AboutTest, testing::ValuesIn(aboutRows), testsupport::RowName());

// The lower half of the window and the variables behind it, after each step of one session: the two file
// captions and targets, which previews show a picture, the large target and the set's paths; then, a line
// each, the boxes the step showed, with what the window showed while they were up.
const Step selectionRows[] = {
    {"NothingSelectedBothPanesInTheSource", [](Fixture&) {}, "||||--|MM02L| "},
    {"ASetSelected", selecting("MM05L.bmp"), "MM05L|mM05S|{S}/MM02L|{S}/mM02S|++|MM02L|{S}/MM05L {S}/mM05S"},
    {"ADestinationWaitsForTheNextRefresh", [](Fixture& f) { f.setDestination(f.destination_.path()); },
     "MM05L|mM05S|{S}/MM02L|{S}/mM02S|++|MM03L|{S}/MM05L {S}/mM05S"},
    {"FemaleChosen", choosing("GenderCombo", 1), "MM05L|mM05S|{D}/FM01L|{D}/fM01S|++|FM01L|{S}/MM05L {S}/mM05S"},
    {"ClassChosen", choosing("TypeCombo", 2), "MM05L|mM05S|{D}/FR02L|{D}/fR02S|++|FR02L|{S}/MM05L {S}/mM05S"},
    {"APartnerInAnotherCaseGoesByItsStoredName", selecting("MM01L.bmp"),
     "MM01L|mm01s.BMP|{D}/FR02L|{D}/fR02S|++|FR02L|{S}/MM01L {S}/mm01s.BMP"},
    {"TheRootAsDestination", [](Fixture& f) { f.setDestination("/"); },
     "MM01L|mm01s.BMP|{D}/FR02L|{D}/fR02S|++|FR01L|{S}/MM01L {S}/mm01s.BMP"},
    // The box comes while the window still shows the set before; the loner's targets stay as they were.
    {"ALonerShowsItsLargePictureAlone", selecting("LonerL.bmp"),
     "LonerL||{D}/FR02L|{D}/fR02S|+-|FR01L|{S}/LonerL {S}/NOPICTURE\n"
     "Error|There is no Small picture for this set.|Ok|||MM01L|mm01s.BMP|{D}/FR02L|{D}/fR02S|++|FR01L|{S}/LonerL "
     "{S}/NOPICTURE"},
    {"AnotherSourceWaitsForTheNextRefresh",
     [](Fixture& f) { f.control<platform::DirListBox>("Directory")->setPath(f.source_.filePath("elsewhere")); },
     "LonerL||{D}/FR02L|{D}/fR02S|+-|FR01L|{S}/LonerL {S}/NOPICTURE"},
    {"TheWindowShowingAgainAfterAbout",
     [](Fixture& f) {
         f.press("AboutButton");
         visibleWindow("frmAbout")->close();
     },
     "||||--|FR01L| "},
    // Found by name in the source list read anew; the destination list does not know of AAL yet.
    {"ADoubleClickBringsADestinationSetOver",
     [](Fixture& f) {
         f.setDestination(f.destination_.path());
         f.destination_.addPortraits({"AAL.bmp", "fR01S.bmp"});
         const auto* list = f.files("Files2");
         const QPoint first = list->visualRect(list->model()->index(0, 0)).center();
         QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, first);
     },
     "FR01L|fR01S|{D}/FR02L|{D}/fR02S|++|FR02L|{D}/FR01L {D}/fR01S"},
    {"SelectedThereThenNoneEveryNameOfTheSetGoes",
     [](Fixture& f) {
         EXPECT_EQ(f.files()->listIndex(), 1);
         f.files()->setListIndex(-1);
         f.window_->refresh_form();
     },
     "||||--|FR02L| "},
};
class SelectionTest : public testsupport::ManagerRowsFixture<Step> {
protected:
    // "+" for each preview that shows a picture, "-" for a blank one: large, then small.
    QString picturesShown() const
    {
        QString shown;
        for (const char* image : {"Image1", "Image2"})
            shown += control<platform::ImageBox>(image)->hasPicture() ? '+' : '-';
        return shown;
    }
    QStringList shown() const
    {
        QString seen =
            QStringList({caption("Label8"), caption("Label9"), caption("Label1"), caption("Label2"), picturesShown(),
                         vars().TargetLargeName, vars().SourceLargePath + ' ' + vars().SourceSmallPath})
                .join('|');
        return {seen.replace(source_.path(), "{S}").replace(destination_.path(), "{D}").remove(".bmp")};
    }
};
TEST_P(SelectionTest, ShowsTheSetAndItsTargetsAtEachRefresh)
{
    source_.addPortraits({"MM05L.bmp", "mM05S.bmp", "MM01L.bmp", "mm01s.BMP", "LonerL.bmp"});
    destination_.addPortraits({"FR01L.bmp", "MM01L.bmp", "MM02L.bmp"});
    source_.addDirectory("elsewhere");
    open();
    dialogs_.witness = [this] { return shown().first(); };
    testsupport::playStepsBefore(selectionRows, GetParam(), *this);
    dialogs_.clear();
    GetParam().act(*this);
    EXPECT_EQ((shown() + dialogs_.lines()).join('\n'), GetParam().shown);
    // The names are always those of the paths' files.
    EXPECT_EQ(QFileInfo(vars().SourceLargePath).fileName() + ' ' + QFileInfo(vars().SourceSmallPath).fileName(),
              vars().SourceLargeName + ' ' + vars().SourceSmallName);
}
INSTANTIATE_TEST_SUITE_P(Session, SelectionTest, testing::ValuesIn(selectionRows), testsupport::RowName());

// A volume is named by its root and a label of its own; a directory shows on the deepest volume holding it.
TEST_F(ManagerWindowTest, DrivesAreNamedAndPickingOneGoesToItsRootAndAnUnreadableOneStaysPut)
{
    const QString deepest = source_.addDirectory("unpluggedX/two"), unplugged = source_.path() + "/unplugged";
    fileSystem_.setVolumes({{"/", "/"}, {source_.path(), "sandbox"}, {unplugged, "gone"}});
    open(0.5, deepest);
    EXPECT_EQ(fileSystem_.volumeProbes, 1);
    auto* drive = control<platform::DriveListBox>("Drive1");
    // Both lists show the drive they start on, the destination's as well.
    EXPECT_EQ(QStringList({drive->itemText(0), drive->itemText(1), drive->itemText(2), drive->drive(),
                           control<platform::DriveListBox>("Drive2")->drive()}),
              QStringList({"/", source_.path() + " [sandbox]", unplugged + " [gone]", source_.path(), source_.path()}));
    pickDrive(0);
    EXPECT_EQ(files()->path(), "/");
    pickDrive(1); // its root, not the directory last visited there
    pickDrive(2);
    EXPECT_EQ(QStringList({control<platform::DirListBox>("Directory")->path(), files()->path(), drive->drive(),
                           destinationPath()}),
              QStringList({source_.path(), source_.path(), source_.path(), deepest}));
    EXPECT_EQ(dialogs_.lines(), QStringList(QString("Error|The directory \"%1\" cannot be read: %2|Ok|!||")
                                                .arg(unplugged, fileSystem_.readDirectory(unplugged, "*").reason)));
}

// While a handler asks the disk, the pointer is the wait cursor, and once it returns none is left over; a
// box it shows meanwhile has the usual pointer. Each row: the pointers the disk saw, those the boxes saw.
const Step cursorRows[] = {
    {"SelectingALoner", selecting("LonerL.bmp"), "busy|usual|"},
    {"SelectingASet", selecting("MM05L.bmp"), "busy||"},
    {"OpeningADestinationDirectory", openingDirectory("Directory2", "elsewhere"), "busy||"},
    {"Copying", pressingOn("SaveButton", "MM05L.bmp"), "busy||"},
    {"Renaming",
     [](Fixture& f) {
         f.dialogs_.queueInput("PIC02");
         pressingOn("RenameButton", "MM05L.bmp")(f);
     },
     "busy|usual|"},
    {"MovingTheSetLeftWithoutSmallPicture", pressingOn("MoveButton", "PIC02L.bmp"), "busy|usual|"},
    {"Deleting",
     [](Fixture& f) {
         f.dialogs_.queueAnswer(platform::MessageResult::Yes);
         pressingOn("DeleteButton", "LonerL.bmp")(f);
     },
     "busy|usual usual|"},
    {"OpeningASourceDirectory", openingDirectory("Directory", "elsewhere"), "busy||"},
    {"DoubleClickingADestinationSet",
     [](Fixture& f) {
         f.files("Files2")->setListIndex(0);
         emit f.files("Files2")->DblClick();
     },
     "busy||"},
    {"PickingTheRootDrive", [](Fixture& f) { f.pickDrive(1); }, "busy||"},
    {"PickingTheSandboxDrive", [](Fixture& f) { f.pickDrive(0); }, "busy||"},
};
using CursorTest = testsupport::ManagerRowsFixture<Step>;
TEST_P(CursorTest, TheWaitCursorShowsWhileTheDiskIsAskedAndNeverOverABox)
{
    source_.addPortraits({"MM05L.bmp", "mM05S.bmp", "LonerL.bmp"});
    source_.addDirectory("elsewhere");
    fileSystem_.setVolumes({{source_.path(), "sandbox"}, {"/", "/"}});
    open();
    QStringList asked;
    fileSystem_.witness = [&](const char*) { asked << pointerShown(); };
    dialogs_.witness = pointerShown;
    testsupport::playStepsBefore(cursorRows, GetParam(), *this);
    asked.clear();
    dialogs_.clear();
    GetParam().act(*this);
    asked.removeDuplicates();
    QStringList boxes;
    for (const testsupport::ShownBox& box : dialogs_.shown())
        boxes << box.witnessed;
    EXPECT_EQ(QStringList({asked.join(' '), boxes.join(' '), QGuiApplication::overrideCursor() ? "left" : ""}),
              QString(GetParam().shown).split('|'));
}
INSTANTIATE_TEST_SUITE_P(Session, CursorTest, testing::ValuesIn(cursorRows), testsupport::RowName());

const Step exitRows[] = {
    {"ExitButton", [](Fixture& f) { f.press("ExitButton"); }},
    {"CloseBox", [](Fixture& f) { f.window_->close(); }},
    {"CtrlQ",
     [](Fixture& f) {
         QApplication::setActiveWindow(f.window_.get());
         QTest::keyClick(f.window_.get(), Qt::Key_Q, Qt::ControlModifier);
     }},
    {"GalleryCtrlQ",
     [](Fixture& f) {
         f.press("BrowseButton");
         QApplication::setActiveWindow(visibleWindow("frmBrowser")); // shortcuts act in the active window
         QTest::keyClick(QApplication::focusWidget(), Qt::Key_Q, Qt::ControlModifier);
     }},
};
using ExitTest = testsupport::ManagerRowsFixture<Step>;
TEST_P(ExitTest, EndsTheProgram)
{
    source_.addPortraits({"AAL.bmp", "aaS.bmp"});
    open();
    QTimer::singleShot(0, window_.get(), [this] { GetParam().act(*this); });
    QTimer::singleShot(5000, window_.get(), [] { QCoreApplication::exit(99); }); // a watchdog, not a wait
    EXPECT_EQ(QApplication::exec(), 0);
}
INSTANTIATE_TEST_SUITE_P(Ways, ExitTest, testing::ValuesIn(exitRows), testsupport::RowName());

} // namespace
