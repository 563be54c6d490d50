#include "gallery/frm_browser.h"

#include <QAction>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>

#include <gtest/gtest.h>

#include "support/manager_fixture.h"

namespace {

using platform::ImageBox;
using testsupport::pointerShown;
using testsupport::visibleWindow;

class GalleryTest : public testsupport::ManagerFixture {
protected:
    // The sets "AA", "AB", ...; all but those in `alone` with a small picture, spelt "aaS.bmp".
    bool openGallery(int count, const QList<int>& alone = {})
    {
        for (int i = 0; i < count; ++i) {
            const QString stem = QStringLiteral("%1%2").arg(QChar('A' + i / 26)).arg(QChar('A' + i % 26));
            source_.addPortraits({stem + "L.bmp", alone.contains(i) ? "other.txt" : stem.toLower() + "S.bmp"});
        }
        open();
        browser_ = pressGallery();
        return browser_ != nullptr;
    }
    const GalleryState& state() const { return browser_->state(); }
    template <typename T = QWidget> T* child(const QString& name) const { return browser_->findChild<T*>(name); }
    // Cells are made in the order of their index.
    ImageBox* cell(int index) const
    {
        return browser_->centralWidget()->findChildren<ImageBox*>("Image1", Qt::FindDirectChildrenOnly).value(index);
    }
    QString caption(const char* label) const { return child<QLabel>(label)->text(); }
    QScrollBar* scroller() const { return child<QScrollBar>("Scroller"); }
    QAction* entry(int index) const { return child<QAction>(QStringLiteral("mnuOptions_%1").arg(index)); }

    frmBrowser* browser_ = nullptr;
};

TEST_F(GalleryTest, APageShowsTheSetsFromTopIndexBlanksPastTheEndAndClosesBackToTheManager)
{
    EXPECT_TRUE(!openGallery(0) && window_->isVisible()); // none at all first
    EXPECT_EQ(dialogs_.lines(), QStringList("No Portraits|There are no valid portraits in this directory.|Ok|!||"));
    ASSERT_TRUE(openGallery(11));
    // The first set selected, the last cell previewed; screen readers say what the captions are. The spare
    // picture stays hidden.
    EXPECT_EQ(std::tuple(window_->isVisible(), child<QLabel>("Label3")->accessibleName(),
                         child<QLabel>("Label1")->accessibleName(), child<ImageBox>("Image2")->accessibleDescription(),
                         child("Picture1")->isVisible()),
              std::tuple(false, "Selected set: AAL.bmp\naaS.bmp", "Previewed set: AD", "adS.bmp", false));
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
    EXPECT_TRUE(visibleWindow("frmLargeView") && entry(3)->isChecked());
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
TEST_F(GalleryTest, LayoutsPaintTheNoticeAndShowTheWaitCursorBeforeThePicturesLoad)
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
    // clang-format off
    const std::pair<std::function<void()>, const char*> rows[] = {
        {[&] { ASSERT_TRUE(openGallery(11)); }, "findSpellings busy notice"},
        {[&] { scroller()->setValue(1); }, "findSpellings busy"},
        // All sets fit the screen: the scroll bar, pulled back to the top, refills the old page first.
        {[&] { child<QPushButton>("FullViewButton")->click(); },
         "findSpellings busy notice, findSpellings busy notice"},
        // Out of full screen, then the new height, then the new width: the first page holds the later ones.
        {[&] { dialogs_.queueInput("1"); browser_->mnuOptions_Click(2); }, "box usual, findSpellings busy notice"},
    };
    // clang-format on
    for (const auto& [act, expected] : rows) {
        asked.clear();
        paintedBefore = paints.count;
        act();
        EXPECT_EQ(asked.join(", ") + (QGuiApplication::overrideCursor() ? " left" : ""), expected);
    }
    QApplication::instance()->removeEventFilter(&paints);
}

TEST_F(GalleryTest, PointerPreviewsCellsOnceAndDrivesAnOpenLargeView)
{
    ASSERT_TRUE(openGallery(9, {2, 7}));
    // The hovered cell, the preview's caption and whether it shows a picture, the Large View entry's check
    // mark and the large view's picture.
    const auto seen = [this] {
        const QWidget* large = visibleWindow("frmLargeView");
        const QString shown = large ? large->findChild<QWidget*>("Image1")->accessibleDescription() : "-";
        return QString("%1 %2 %3 %4 %5 %6")
            .arg(QString::number(state().HoverCell), caption("Label1"),
                 QString::number(child<ImageBox>("Image2")->hasPicture()), QString::number(entry(3)->isChecked()),
                 shown, QString(large && large->pos().isNull() ? "@0,0" : ""));
    };
    const auto hover = [this](int index) { return [this, index] { emit cell(index)->MouseMove(); }; };
    const auto click = [this](int index) {
        browser_->activateWindow();
        QApplication::setActiveWindow(browser_);
        QTest::mouseClick(cell(index), Qt::LeftButton);
    };
    // clang-format off
    const std::pair<std::function<void()>, const char*> steps[] = {
        {hover(0), "0 AD 1 0 - "}, // HoverCell starts at 0: nothing happens
        {hover(1), "1 AB 1 0 - "},
        {hover(2), "2 AB 0 0 - "}, // no small picture: preview blank, caption kept
        {[this] { emit cell(3)->DblClick(); }, "2 AB 0 1 AAL.bmp @0,0"}, // at the screen's corner, on the selected set
        {hover(1), "1 AB 1 1 ABL.bmp @0,0"},
        {hover(2), "2 AB 0 1 ABL.bmp @0,0"}, // a cell without small picture leaves it as it was
        {hover(1), "1 AB 1 1 ABL.bmp @0,0"},
        {[this] { scroller()->setValue(2); }, "1 AG 0 1 ABL.bmp @0,0"}, // a page ending in a set without small picture previews it blank
        // The clicked cell, hidden by the full screen's layout, hands its focus on: no preview follows.
        {[this, click] { click(1); QTest::keyClick(browser_, Qt::Key_F, Qt::ControlModifier); }, "1 AI 1 1 ABL.bmp @0,0"},
    };
    // clang-format on
    for (const auto& [act, expected] : steps) {
        act();
        EXPECT_EQ(seen(), expected) << expected;
    }
    // The focus stays with the clicked set, now in its own place on the page.
    EXPECT_EQ(QApplication::focusWidget(), cell(5));
    // Its close box unchecks the entry, and closed it stays as the focus moves on.
    QWidget* large = visibleWindow("frmLargeView");
    large->close();
    QEvent deactivated(QEvent::ActivationChange);
    QCoreApplication::sendEvent(large, &deactivated);
    EXPECT_EQ(seen(), "1 AI 1 0 - ");
}

TEST_F(GalleryTest, FullScreenViewAmountAndNewLayoutsKeepCheckMarkCaptionGridAndTopIndexInStep)
{
    ASSERT_TRUE(openGallery(100));
    auto* button = child<QPushButton>("FullViewButton");
    const QPoint placed = browser_->pos();
    scroller()->setValue(scroller()->maximum());
    EXPECT_EQ(state().TopIndex, 96);
    const auto amount = [this](const QStringList& answers) {
        for (const QString& answer : answers)
            dialogs_.queueInput(answer);
        browser_->mnuOptions_Click(2);
    };
    const QString ask = "Change Viewing Amount|Enter number of images to view.|Ok||input 4|";
    const QString refuse = "Too many images|Please enter a value between 1 and 4.|Ok|!||";
    // 3840 x 2160 pixels of 15 twips under a menu bar hold 31 x 11 cells; View Amount gives n x n at the
    // designed sizes, and from full screen it returns to the window first. Each wrong answer is refused and
    // asked again.
    // clang-format off
    const std::tuple<std::function<void()>, bool, int, int, int, QStringList> steps[] = {
        {[&] { button->click(); }, true, 31, 11, 0, {}},
        {[&] { amount({"5", "0", "none", "", "2.5"}); }, false, 2, 2, 4995,
         {ask, refuse, ask, refuse, ask, refuse, ask, refuse, ask}},
        {[&] { amount({"1"}); }, false, 1, 1, 3165, {ask}},
        {[&] { amount({"4.5"}); }, false, 4, 4, 8655, {ask}}, // to even
    };
    // clang-format on
    for (const auto& [act, full, columns, rows, width, boxes] : steps) {
        dialogs_.clear();
        act();
        // Full screen starts at the screen's corner, and the window comes back to its place. All 100 sets fit
        // the full screen: the top is scrolled back to the first.
        EXPECT_EQ(std::tuple(browser_->isMaximized(), entry(1)->isChecked(), button->text(), state().ColumnCount,
                             state().RowCount, full ? 0 : browser_->outerWidth(), browser_->pos(), state().TopIndex,
                             scroller()->pageStep(), dialogs_.lines()),
                  std::tuple(full, full, full ? "Small Screen" : "Full Screen", columns, rows, width,
                             full ? QPoint(0, 0) : placed, 0, columns, boxes))
            << width;
    }
    EXPECT_FALSE(entry(2)->isEnabled());
    // A wide window one row high, 8 columns, at the last of its 13 rows of sets.
    browser_->setFixedSize(976, 150 + browser_->menuBar()->height());
    QApplication::processEvents();
    scroller()->setValue(scroller()->maximum());
    ASSERT_EQ(std::tuple(state().ColumnCount, state().RowCount, state().TopIndex), std::tuple(8, 1, 96));
    // The new height comes first: 8 x 3 cells pull the top up to row 10, which 3 x 3 cells keep.
    amount({"3"});
    EXPECT_EQ(std::tuple(state().ColumnCount, state().TopIndex, state().CellLargeName[0]),
              std::tuple(3, 80, files()->list(80)));
    scroller()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(state().TopIndex, 33);
    button->click(); // a large window gets every cell it needs
    EXPECT_EQ(std::tuple(state().LastGridCell, state().LastShownCell, state().CellLargeName[99], cell(99)->isVisible()),
              std::tuple(31 * 11 - 1, 99, files()->list(99), true));
}

} // namespace
