#include "gallery/frm_browser.h"

#include <QAction>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include "support/manager_fixture.h"
#include "support/windows.h"

namespace {

using platform::ImageBox;
using testsupport::visibleWindow;

class GalleryTest : public testsupport::ManagerFixture {
protected:
    // The sets "AA", "AB", ...; all but those in `alone` with a small picture, spelt "aaS.bmp".
    void openGallery(int count, const QList<int>& alone = {})
    {
        for (int i = 0; i < count; ++i) {
            const QString stem = QStringLiteral("%1%2").arg(QChar('A' + i / 26)).arg(QChar('A' + i % 26));
            source_.addPortraits(alone.contains(i) ? QStringList{stem + "L.bmp"}
                                                   : QStringList{stem + "L.bmp", stem.toLower() + "S.bmp"});
        }
        open();
        control<QPushButton>("BrowseButton")->click();
        ASSERT_NE(browser_ = visibleWindow<frmBrowser>("frmBrowser"), nullptr);
    }
    const GalleryState& state() const { return browser_->state(); }
    template <typename T = QWidget> T* child(const QString& name) const { return browser_->findChild<T*>(name); }
    ImageBox* cell(int index) const
    {
        for (ImageBox* box : browser_->findChildren<ImageBox*>(QStringLiteral("Image1")))
            if (box->property("index").toInt() == index)
                return box;
        return nullptr;
    }
    void hover(int index) const { emit cell(index)->MouseMove(); }
    QString caption(const char* label) const { return child<QLabel>(label)->text(); }
    QScrollBar* scroller() const { return child<QScrollBar>("Scroller"); }
    QAction* entry(int index) const { return child<QAction>(QStringLiteral("mnuOptions_%1").arg(index)); }
    // The top index, then the first four cells: large and small name, whether a picture shows.
    QStringList page() const
    {
        QStringList cells{QString::number(state().TopIndex)};
        for (int i = 0; i < 4; ++i)
            cells << state().CellLargeName[i] + ' ' + state().CellSmallName[i] + ' ' +
                         QString::number(cell(i)->hasPicture());
        return cells;
    }
    // A window so many pixels wide and one row high.
    void layOut(int width, int height = 0) const
    {
        browser_->setFixedSize(width, height ? height : 150 + browser_->menuBar()->height());
        QApplication::processEvents();
    }

    frmBrowser* browser_ = nullptr;
};

TEST_F(GalleryTest, EmptySourceListSaysThereAreNoPortraits)
{
    source_.addPortraits({"onlyS.bmp"});
    open();
    control<QPushButton>("BrowseButton")->click();
    EXPECT_TRUE(window_->isVisible() && !visibleWindow("frmBrowser"));
    EXPECT_EQ(dialogs_.shown(), (QVector<testsupport::ShownBox>{testsupport::ShownBox::message(
                                    "There are no valid portraits in this directory.", "No Portraits",
                                    platform::MessageButtons::Ok, platform::MessageIcon::Exclamation)}));
}

TEST_F(GalleryTest, APageShowsTheSetsFromTopIndexBlanksPastTheEndAndClosesBackToTheManager)
{
    openGallery(11);
    EXPECT_EQ(std::tuple(window_->isVisible(), state().SelectedLarge, caption("Label3"), caption("Label1"),
                         child<ImageBox>("Image2")->accessibleDescription()),
              std::tuple(false, "AAL.bmp", "AAL.bmp\naaS.bmp", "AD", "adS.bmp")); // the last cell previewed
    // The page follows the thumb only when it is let go.
    scroller()->setSliderDown(true);
    scroller()->setSliderPosition(4);
    EXPECT_EQ(state().TopIndex, 0);
    scroller()->setSliderDown(false);
    EXPECT_EQ(page(), QStringList({"8", "AIL.bmp aiS.bmp 1", "AJL.bmp ajS.bmp 1", "AKL.bmp akS.bmp 1", "  0"}));
    // The preview shows the last cell, which is empty; the selection stays.
    EXPECT_EQ(std::tuple(child<ImageBox>("Image2")->hasPicture(), caption("Label1"), state().SelectedLarge),
              std::tuple(false, "AK", "AAL.bmp"));
    cell(3)->Click();
    EXPECT_EQ(std::tuple(state().SelectedLarge, state().SelectedSmall, caption("Label3")), std::tuple("", "", "\n"));
    browser_->mnuOptions_Click(3);
    entry(0)->trigger(); // "Close Browser" closes the large view too
    EXPECT_TRUE(window_->isVisible() && !visibleWindow("frmBrowser") && !visibleWindow("frmLargeView"));
}

TEST_F(GalleryTest, PointerPreviewsCellsOnceAndDrivesAnOpenLargeView)
{
    openGallery(9, {2});
    const auto preview = [this] {
        return std::tuple(state().HoverCell, caption("Label1"), child<ImageBox>("Image2")->picture().size());
    };
    const auto loaded = preview();
    hover(0); // HoverCell starts at 0: nothing happens
    EXPECT_EQ(preview(), loaded);
    hover(1);
    EXPECT_EQ(preview(), std::tuple(1, "AB", QSize(38, 60)));
    hover(2); // no small picture: preview blank, caption kept
    EXPECT_EQ(preview(), std::tuple(2, "AB", QSize(0, 0)));

    emit cell(3)->DblClick(); // the large view opens at the screen's corner on the selected set, follows the pointer
    auto* large = visibleWindow("frmLargeView");
    ASSERT_TRUE(large && entry(3)->isChecked() && large->pos() == QPoint(0, 0));
    const auto shown = [large] { return large->findChild<ImageBox*>(QStringLiteral("Image1"))->picture(); };
    const QImage first = shown();
    hover(1);
    const QImage following = shown();
    hover(2); // a cell without small picture leaves it as it was
    EXPECT_TRUE(following != first && shown() == following);
    large->close(); // its close box unchecks the entry, and closed it stays as the focus moves on
    QEvent deactivated(QEvent::ActivationChange);
    QCoreApplication::sendEvent(large, &deactivated);
    EXPECT_FALSE(entry(3)->isChecked() || large->isVisible());
    emit cell(0)->DblClick();
    EXPECT_NE(visibleWindow("frmLargeView"), nullptr);
    emit cell(0)->DblClick();
    EXPECT_FALSE(visibleWindow("frmLargeView") || entry(3)->isChecked());
    // Another program draws the first set larger: the next layout spaces the cells by its new size.
    source_.addBitmap("AAL.bmp", 200, 250, qRgb(0, 0, 0));
    layOut(976, 689);
    // Columns 120 twips apart, rows touching.
    EXPECT_EQ(std::tuple(cell(0)->width(), cell(1)->x(), cell(state().ColumnCount)->y() - cell(0)->y()),
              std::tuple(204, 204 + 8, 254));
}

TEST_F(GalleryTest, FullScreenAndViewAmountKeepCheckMarkCaptionAndGridInStep)
{
    openGallery(40);
    auto* button = child<QPushButton>("FullViewButton");
    const QString windowed = button->text();
    const QPoint placed = browser_->pos();
    scroller()->setValue(scroller()->maximum());
    EXPECT_EQ(state().TopIndex, 36);
    const auto amount = [this](const QStringList& answers) {
        for (const QString& answer : answers)
            dialogs_.queueInput(answer);
        browser_->mnuOptions_Click(2);
    };
    const auto ask = testsupport::ShownBox::input("Enter number of images to view.", "Change Viewing Amount", "4");
    const auto refuse =
        testsupport::ShownBox::message("Please enter a value between 1 and 4.", "Too many images",
                                       platform::MessageButtons::Ok, platform::MessageIcon::Exclamation);
    // 3840 x 2160 pixels of 15 twips under a menu bar hold 31 x 11 cells; View Amount gives n x n at the
    // designed sizes, and from full screen it returns to the window first. Each wrong answer is refused and
    // asked again.
    // clang-format off
    const std::tuple<const char*, std::function<void()>, bool, int, int, int, QVector<testsupport::ShownBox>> steps[] = {
        {"TheButton", [&] { button->click(); }, true, 31, 11, 0, {}}, {"TheEntryBack", [this] { entry(1)->trigger(); }, false, 2, 2, 5280, {}},
        {"ViewAmountFromFullScreenAfterWrongAnswers", [&] { browser_->mnuOptions_Click(1); amount({"5", "0", "none", "", "2.5"}); },
         false, 2, 2, 4995, {ask, refuse, ask, refuse, ask, refuse, ask, refuse, ask}},
        {"One", [&] { amount({"1"}); }, false, 1, 1, 3165, {ask}}, {"FourAndAHalfToEven", [&] { amount({"4.5"}); }, false, 4, 4, 8655, {ask}},
        {"ThreePointSeven", [&] { amount({"3.7"}); }, false, 4, 4, 8655, {ask}}, {"Three", [&] { amount({"3"}); }, false, 3, 3, 6825, {ask}},
    };
    // clang-format on
    for (const auto& [name, act, full, columns, rows, width, boxes] : steps) {
        dialogs_.clear();
        act();
        // The button's caption is the created one exactly when windowed; full screen starts at the screen's
        // corner, and the window comes back to its place. All 40 sets fit the full screen: the top is
        // scrolled back to the first.
        EXPECT_EQ(std::tuple(browser_->isMaximized(), entry(1)->isChecked(), button->text() != windowed,
                             state().ColumnCount, state().RowCount, full ? 0 : browser_->outerWidth(),
                             full ? QPoint() : browser_->pos(), full ? state().TopIndex : 0, scroller()->pageStep(),
                             dialogs_.shown()),
                  std::tuple(full, full, full, columns, rows, width, full ? QPoint(0, 0) : placed, 0, columns, boxes))
            << name;
    }
    EXPECT_FALSE(entry(2)->isEnabled());
}

TEST_F(GalleryTest, NewLayoutKeepsTopIndexAndALargeWindowGetsEveryCellItNeeds)
{
    openGallery(100);
    // A wide window one row high: 8 columns, 13 rows of sets. End shows the last row and focuses its last
    // set, the fourth cell.
    layOut(976);
    ASSERT_EQ(std::pair(state().ColumnCount, state().RowCount), std::pair(8, 1));
    QTest::keyClick(cell(0), Qt::Key_End);
    EXPECT_EQ(std::pair(state().TopIndex, browser_->focusWidget()), std::pair(96, static_cast<QWidget*>(cell(3))));
    // The new height comes first: 8 x 3 cells pull the top up to row 10, which 3 x 3 cells keep.
    dialogs_.queueInput(QStringLiteral("3"));
    browser_->mnuOptions_Click(2);
    EXPECT_EQ(std::tuple(state().ColumnCount, state().TopIndex, state().CellLargeName[0]),
              std::tuple(3, 80, files()->list(80)));
    scroller()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(state().TopIndex, 33);
    browser_->mnuOptions_Click(1); // maximised on the 3840 x 2160 test screen
    EXPECT_EQ(std::tuple(state().LastGridCell, state().LastShownCell, state().CellLargeName[99], cell(99)->isVisible()),
              std::tuple(31 * 11 - 1, 99, files()->list(99), true));
}

} // namespace
