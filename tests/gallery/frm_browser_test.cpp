#include "gallery/frm_browser.h"

#include <QMenuBar>

#include <gtest/gtest.h>

#include "support/manager_fixture.h"

namespace {

using platform::ImageBox;
using testsupport::operator<<;
using testsupport::pointerShown;
using testsupport::visibleWindow;

using GalleryTest = testsupport::GalleryFixture;
using Act = std::function<void(GalleryTest&)>;
using Step = testsupport::Step<GalleryTest>;

TEST_F(GalleryTest, APageShowsTheSetsFromTopIndexBlanksPastTheEndAndClosesBackToTheManager)
{
    EXPECT_TRUE(!openGallery(0) && window_->isVisible()); // none at all first
    EXPECT_EQ(dialogs_.lines(), QStringList("No Portraits|There are no valid portraits in this directory.|Ok|!||"));
    ASSERT_TRUE(openGallery(11));
    // The first set selected, the last cell previewed; screen readers say what the captions are. The spare
    // picture stays hidden. The captions are in the classic 8 points.
    EXPECT_EQ(
        std::tuple(window_->isVisible(), child<QLabel>("Label3")->accessibleName(),
                   child<QLabel>("Label1")->accessibleName(), child<ImageBox>("Image2")->accessibleDescription(),
                   child("Picture1")->isVisible(), child("Label1")->font().family(),
                   child("Label1")->font().pointSize()),
        std::tuple(false, "Selected set: AAL.bmp\naaS.bmp", "Previewed set: AD", "adS.bmp", false, "MS Sans Serif", 8));
    scroller()->setSliderDown(true); // a thumb drag refills the page once it ends
    scroller()->setSliderPosition(4);
    EXPECT_EQ(state().TopIndex, 0);
    scroller()->setSliderDown(false);
    // The preview shows the last cell, which is empty; the selection stays. Cells touch, 120 twips in.
    const std::vector<QString> smalls(state().CellSmallName.begin(), state().CellSmallName.begin() + 4);
    EXPECT_EQ(std::tuple(state().TopIndex, smalls, cell(2)->hasPicture(), cell(3)->hasPicture(), cell(3)->geometry(),
                         child<ImageBox>("Image2")->hasPicture(), caption("Label1"), state().SelectedLarge),
              std::tuple(8, std::vector<QString>{"aiS.bmp", "ajS.bmp", "akS.bmp", ""}, true, false,
                         QRect(122, 182, 114, 174), false, "AK", "AAL.bmp"));
    cell(3)->Click();
    EXPECT_EQ(caption("Label3"), "\n");
    entry(3)->trigger(); // the check mark follows the window, not Qt's own toggle
    const QWidget* large = visibleWindow("frmLargeView");
    ASSERT_TRUE(large && entry(3)->isChecked());
    // Both pictures in their designed places, the small one beside the large.
    EXPECT_EQ(std::tuple(large->size(), large->findChild<ImageBox*>("Image1")->geometry(),
                         large->findChild<ImageBox*>("Image2")->geometry()),
              std::tuple(QSize(313, 353), QRect(8, 8, 220, 340), QRect(232, 8, 76, 120)));
    entry(0)->trigger(); // "Close Browser" closes the large view too
    EXPECT_TRUE(window_->isVisible() && !visibleWindow("frmBrowser") && !visibleWindow("frmLargeView"));
}

// Counts the paints of the gallery's busy notice, from before the gallery exists.
class NoticePaints final : public QObject {
public:
    int count = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && watched->objectName() == "Label4" &&
            static_cast<QWidget*>(watched)->window()->objectName() == "frmBrowser")
            ++count;
        return false;
    }
};

// A layout has its notice painted before it asks for the page's small pictures, which it does once, under the
// wait cursor; so does the first, though the gallery is not on screen yet when Gallery is pressed. A scroll
// shows no notice. Boxes have the usual pointer, and no wait cursor is left over.
// Each row: what the disk was asked, and how the window stood then.
const Step noticeRows[] = {
    {"TheFirstLayout", [](GalleryTest& g) { ASSERT_TRUE(g.openGallery(11)); }, "findSpellings busy notice"},
    {"AScrollShowsNoNotice", [](GalleryTest& g) { g.scroller()->setValue(1); }, "findSpellings busy"},
    // All sets fit the screen: the scroll bar, pulled back to the top, refills the old page first.
    {"FullScreen", [](GalleryTest& g) { g.child<QPushButton>("FullViewButton")->click(); },
     "findSpellings busy notice, findSpellings busy notice"},
    // Out of full screen, then the new height, then the new width: the first page holds the later ones.
    {"AViewAmount", [](GalleryTest& g) { g.viewAmount({"1"}); }, "box usual, findSpellings busy notice"},
};
using NoticeTest = testsupport::ManagerRowsFixture<Step, GalleryTest>;
TEST_P(NoticeTest, LayoutsPaintTheNoticeAndShowTheWaitCursorBeforeThePicturesLoad)
{
    NoticePaints paints;
    QApplication::instance()->installEventFilter(&paints);
    int paintedBefore = 0;
    QStringList asked;
    fileSystem_.witness = [&](const char* request) {
        const auto* gallery = visibleWindow<frmBrowser>("frmBrowser");
        const QWidget* notice = gallery ? gallery->findChild<QWidget*>("Label4") : nullptr;
        asked << QString("%1 %2%3").arg(request, pointerShown(),
                                        notice && notice->isVisible() && paints.count > paintedBefore ? " notice" : "");
    };
    dialogs_.witness = [&] {
        asked << "box " + pointerShown();
        return QString();
    };
    testsupport::playStepsBefore(noticeRows, GetParam(), *this);
    asked.clear();
    paintedBefore = paints.count;
    GetParam().act(*this);
    EXPECT_EQ(asked.join(", ") + (QGuiApplication::overrideCursor() ? " left" : ""), GetParam().shown);
    QApplication::instance()->removeEventFilter(&paints);
}
INSTANTIATE_TEST_SUITE_P(Session, NoticeTest, testing::ValuesIn(noticeRows), testsupport::RowName());

// Each row: the hovered cell, the preview's caption and picture, the Large View entry's check mark, and the
// large view's picture and place.
Act hovering(int index)
{
    return [index](GalleryTest& g) { emit g.cell(index)->MouseMove(); };
}
const Step previewRows[] = {
    {"HoveringTheCellHoveredFirstDoesNothing", hovering(0),
     "cell 0 hovered, AD previewed with its picture, Large View unchecked, no large view"},
    {"HoveringPreviews", hovering(1),
     "cell 1 hovered, AB previewed with its picture, Large View unchecked, no large view"},
    {"NoSmallPictureBlanksThePreviewAndKeepsItsCaption", hovering(2),
     "cell 2 hovered, AB previewed blank, Large View unchecked, no large view"},
    {"ADoubleClickOpensTheLargeViewOnTheSelectedSet", [](GalleryTest& g) { emit g.cell(3)->DblClick(); },
     "cell 2 hovered, AB previewed blank, Large View checked, AAL.bmp large at the top left"},
    {"HoveringDrivesTheLargeView", hovering(1),
     "cell 1 hovered, AB previewed with its picture, Large View checked, ABL.bmp large at the top left"},
    {"NoSmallPictureLeavesTheLargeViewAsItWas", hovering(2),
     "cell 2 hovered, AB previewed blank, Large View checked, ABL.bmp large at the top left"},
    {"HoveringAgain", hovering(1),
     "cell 1 hovered, AB previewed with its picture, Large View checked, ABL.bmp large at the top left"},
    {"APageEndingInALonerPreviewsItBlank", [](GalleryTest& g) { g.scroller()->setValue(2); },
     "cell 1 hovered, AG previewed blank, Large View checked, ABL.bmp large at the top left"},
    // Hidden by the full screen's layout, the clicked cell hands its focus on, still to the clicked set, now in
    // its own place on the page; no preview follows.
    {"TheClickedCellHandsItsFocusOnUnpreviewed",
     [](GalleryTest& g) {
         g.browser_->activateWindow();
         QApplication::setActiveWindow(g.browser_);
         QTest::mouseClick(g.cell(1), Qt::LeftButton);
         QTest::keyClick(g.browser_, Qt::Key_F, Qt::ControlModifier);
         EXPECT_EQ(QApplication::focusWidget(), g.cell(5));
     },
     "cell 1 hovered, AI previewed with its picture, Large View checked, ABL.bmp large at the top left"},
    // Closed by its close box, the view unchecks the entry and stays closed as the focus moves on.
    {"TheLargeViewsCloseBoxUnchecksTheEntry",
     [](GalleryTest&) {
         QWidget* large = visibleWindow("frmLargeView");
         large->close();
         QEvent deactivated(QEvent::ActivationChange);
         QCoreApplication::sendEvent(large, &deactivated);
     },
     "cell 1 hovered, AI previewed with its picture, Large View unchecked, no large view"},
    // Reached by keys, a cell previews as the pointer would.
    {"TabPreviewsTheNextCell", [](GalleryTest&) { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab); },
     "cell 6 hovered, AG previewed with its picture, Large View unchecked, no large view"},
    // Focus coming back with the window moves nothing.
    {"FocusBackWithTheWindowPreviewsNothing", [](GalleryTest& g) { g.cell(3)->setFocus(Qt::ActiveWindowFocusReason); },
     "cell 6 hovered, AG previewed with its picture, Large View unchecked, no large view"},
};
using PreviewTest = testsupport::ManagerRowsFixture<Step, GalleryTest>;
TEST_P(PreviewTest, PointerPreviewsCellsOnceAndDrivesAnOpenLargeView)
{
    ASSERT_TRUE(openGallery(9, {2, 7}));
    testsupport::playStepsBefore(previewRows, GetParam(), *this);
    GetParam().act(*this);
    const QWidget* large = visibleWindow("frmLargeView");
    const QString view = large ? QString("%1 large at %2")
                                     .arg(large->findChild<QWidget*>("Image1")->accessibleDescription(),
                                          large->pos().isNull() ? "the top left" : "another place")
                               : "no large view";
    EXPECT_EQ(QString("cell %1 hovered, %2 previewed %3, Large View %4, %5")
                  .arg(QString::number(state().HoverCell), caption("Label1"),
                       child<ImageBox>("Image2")->hasPicture() ? "with its picture" : "blank",
                       entry(3)->isChecked() ? "checked" : "unchecked", view),
              GetParam().shown);
}
INSTANTIATE_TEST_SUITE_P(Session, PreviewTest, testing::ValuesIn(previewRows), testsupport::RowName());

// 3840 x 2160 pixels of 15 twips under a menu bar hold 31 x 11 cells; View Amount gives n x n at the designed
// sizes, and from full screen it returns to the window first. Each wrong answer is refused and asked again.
// Full screen starts at the screen's corner, and the window comes back to its place. All 100 sets fit the full
// screen: the top is scrolled back to the first.
const QString ask = "Change Viewing Amount|Enter number of images to view.|Ok||input 4|";
const QString refuse = "Too many images|Please enter a value between 1 and 4.|Ok|!||";
struct AmountRow {
    const char* name;
    Act act;
    bool full;
    int columns, rows, outerWidth;
    QStringList boxes;
};
const AmountRow amountRows[] = {
    {"FullScreen", [](GalleryTest& g) { g.child<QPushButton>("FullViewButton")->click(); }, true, 31, 11, 0, {}},
    {"WrongAmountsAreRefusedAndAskedAgain",
     [](GalleryTest& g) {
         g.viewAmount({"5", "0", "none", "", "2.5"});
     },
     false,
     2,
     2,
     4995,
     {ask, refuse, ask, refuse, ask, refuse, ask, refuse, ask}},
    {"AmountOne", [](GalleryTest& g) { g.viewAmount({"1"}); }, false, 1, 1, 3165, {ask}},
    {"AmountRoundedToEven", [](GalleryTest& g) { g.viewAmount({"4.5"}); }, false, 4, 4, 8655, {ask}},
};
class AmountTest : public testsupport::ManagerRowsFixture<AmountRow, GalleryTest> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(openGallery(100));
        placed_ = browser_->pos();
        scroller()->setValue(scroller()->maximum());
        EXPECT_EQ(state().TopIndex, 96);
    }
    QPoint placed_;
};
TEST_P(AmountTest, FullScreenAndViewAmountKeepCheckMarkCaptionGridAndTopIndexInStep)
{
    const auto& [name, act, full, columns, rows, outerWidth, boxes] = GetParam();
    testsupport::playStepsBefore(amountRows, GetParam(), *this);
    dialogs_.clear();
    act(*this);
    EXPECT_EQ(std::tuple(browser_->isMaximized(), entry(1)->isChecked(), child<QPushButton>("FullViewButton")->text(),
                         state().ColumnCount, state().RowCount, full ? 0 : browser_->outerWidth(), browser_->pos(),
                         state().TopIndex, scroller()->pageStep(), dialogs_.lines()),
              std::tuple(full, full, full ? "Small Screen" : "Full Screen", columns, rows, outerWidth,
                         full ? QPoint(0, 0) : placed_, 0, columns, boxes));
}
INSTANTIATE_TEST_SUITE_P(Session, AmountTest, testing::ValuesIn(amountRows), testsupport::RowName());

// A focused cell that the one-cell view hides hands the focus to the one cell left, not out of the page.
TEST_F(AmountTest, AOneCellViewTakesTheFocusOfAHiddenCell)
{
    browser_->activateWindow();
    QApplication::setActiveWindow(browser_);
    cell(3)->setFocus();
    viewAmount({"1"});
    EXPECT_EQ(QApplication::focusWidget(), cell(0));
}

TEST_F(AmountTest, AfterTheAmountsANewHeightComesBeforeTheNewWidthAndAFullScreenGetsEveryCell)
{
    for (const AmountRow& row : amountRows)
        row.act(*this);
    EXPECT_FALSE(entry(2)->isEnabled());
    // A wide window one row high, 8 columns, at the last of its 13 rows of sets.
    browser_->setFixedSize(976, 150 + browser_->menuBar()->height());
    QApplication::processEvents();
    scroller()->setValue(scroller()->maximum());
    ASSERT_EQ(std::tuple(state().ColumnCount, state().RowCount, state().TopIndex), std::tuple(8, 1, 96));
    // 8 x 3 cells pull the top up to row 10, which 3 x 3 cells keep.
    viewAmount({"3"});
    EXPECT_EQ(std::tuple(state().ColumnCount, state().TopIndex, state().CellLargeName[0]),
              std::tuple(3, 80, files()->list(80)));
    scroller()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(state().TopIndex, 33);
    child<QPushButton>("FullViewButton")->click(); // a large window gets every cell it needs
    // Asserted first: on a smaller screen there is no cell 99 to look at.
    ASSERT_EQ(std::pair(state().LastGridCell, state().LastShownCell), std::pair(31 * 11 - 1, 99));
    EXPECT_EQ(std::pair(state().CellLargeName[99], cell(99)->isVisible()), std::pair(files()->list(99), true));
}

} // namespace
