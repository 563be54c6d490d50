#include "gallery/frm_browser.h"

#include <QAction>
#include <QApplication>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>

#include <gtest/gtest.h>

#include "support/manager_fixture.h"

namespace {

using platform::ImageBox;

template <typename T = QWidget> T* topLevel(const char* name)
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->objectName() == QLatin1String(name) && widget->isVisible())
            return qobject_cast<T*>(widget);
    return nullptr;
}

// "AAL.bmp" ... for `count` sets; every set but those in `alone` has its small picture.
QStringList sets(int count, const QList<int>& alone = {})
{
    QStringList names;
    for (int i = 0; i < count; ++i) {
        const QString stem = QStringLiteral("%1%2").arg(QChar('A' + i / 26)).arg(QChar('A' + i % 26));
        names << stem + "L.bmp";
        if (!alone.contains(i))
            names << stem.toLower() + "S.bmp";
    }
    return names;
}

class GalleryTest : public testsupport::ManagerFixture {
protected:
    frmBrowser* openGallery(const QStringList& files)
    {
        source_.addPortraits(files);
        open();
        control<QPushButton>("BrowseButton")->click();
        browser_ = topLevel<frmBrowser>("frmBrowser");
        return browser_;
    }
    const GalleryState& state() const { return browser_->state(); }
    ImageBox* cellAt(int index) const
    {
        for (ImageBox* box : browser_->findChildren<ImageBox*>(QStringLiteral("Image1")))
            if (box->property("index").toInt() == index)
                return box;
        return nullptr;
    }
    QString text(const char* name) const { return browser_->findChild<QLabel*>(QString::fromLatin1(name))->text(); }
    ImageBox* preview() const { return browser_->findChild<ImageBox*>(QStringLiteral("Image2")); }
    QScrollBar* scroller() const { return browser_->findChild<QScrollBar*>(QStringLiteral("Scroller")); }
    QAction* entry(int index) const
    {
        return browser_->findChild<QAction*>(QStringLiteral("mnuOptions_%1").arg(index));
    }
    QString button() const { return browser_->findChild<QPushButton*>(QStringLiteral("FullViewButton"))->text(); }

    frmBrowser* browser_ = nullptr;
};

TEST_F(GalleryTest, EmptySourceListSaysThereAreNoPortraits)
{
    source_.addPortraits({"onlyS.bmp"});
    open();
    control<QPushButton>("BrowseButton")->click();
    EXPECT_EQ(topLevel("frmBrowser"), nullptr);
    ASSERT_EQ(dialogs_.shown().size(), 1);
    EXPECT_EQ(dialogs_.shown().first().text, "There are no valid portraits in this directory.");
    EXPECT_EQ(dialogs_.shown().first().title, "No Portraits");
    EXPECT_EQ(dialogs_.shown().first().icon, platform::MessageIcon::Exclamation);
    EXPECT_TRUE(window_->isVisible());
}

TEST_F(GalleryTest, OpensOverLargeFilesAloneAndClosingShowsTheManager)
{
    ASSERT_NE(openGallery({"LonerL.bmp"}), nullptr);
    EXPECT_EQ(browser_->windowTitle(), "Ostrel Portrait Manager Browser");
    EXPECT_FALSE(window_->isVisible());
    EXPECT_EQ(browser_->outerWidth(), 5280);
    EXPECT_EQ(state().ColumnCount, 2);
    EXPECT_EQ(state().LastShownCell, 0);
    EXPECT_EQ(state().SelectedLarge, "LonerL.bmp");
    EXPECT_EQ(text("Label3"), "LonerL.bmp\n");
    EXPECT_EQ(text("Label1"), "Loner");
    EXPECT_TRUE(cellAt(0)->hasPicture() && !preview()->hasPicture());

    browser_->mnuOptions_Click(3);
    entry(0)->trigger(); // "Close Browser" closes the large view too
    EXPECT_TRUE(window_->isVisible());
    EXPECT_EQ(topLevel("frmBrowser"), nullptr);
    EXPECT_EQ(topLevel("frmLargeView"), nullptr);
}

TEST_F(GalleryTest, PageFillShowsListPositionsFromTopIndexAndBlanksThePastEnd)
{
    openGallery(sets(11, {10}));
    scroller()->setValue(4);
    EXPECT_EQ(state().TopIndex, 8);
    const QString expected[] = {"AIL.bmp", "AJL.bmp", "AKL.bmp", ""};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(state().CellLargeName[i], expected[i]) << i;
        EXPECT_EQ(cellAt(i)->hasPicture(), i < 3) << i;
    }
    EXPECT_EQ(state().CellSmallName[1], "ajS.bmp");
    EXPECT_EQ(state().CellSmallName[2], ""); // the eleventh set has no small picture
    EXPECT_EQ(state().CellSmallName[3], "");
    EXPECT_FALSE(preview()->hasPicture());       // the last cell is empty
    EXPECT_EQ(text("Label1"), "AJ");             // the last cell with a small picture
    EXPECT_EQ(state().SelectedLarge, "AAL.bmp"); // scrolling keeps the selection

    cellAt(3)->Click();
    EXPECT_TRUE(state().SelectedLarge.isEmpty() && state().SelectedSmall.isEmpty());
    EXPECT_EQ(text("Label3"), "\n");
}

TEST_F(GalleryTest, PartnersAreFoundInAnyLetterCaseAndAnEmptyStemWorks)
{
    openGallery({"L.bmp", "s.BMP", "MM01L.bmp", "mm01s.BMP"});
    EXPECT_EQ(state().CellSmallName[0], "s.BMP");
    EXPECT_EQ(state().CellSmallName[1], "mm01s.BMP");
    EXPECT_EQ(text("Label1"), "MM01");
    emit cellAt(1)->MouseMove();
    emit cellAt(0)->MouseMove();
    EXPECT_EQ(text("Label1"), ""); // the empty stem of "L.bmp"
    EXPECT_TRUE(preview()->hasPicture());
}

TEST_F(GalleryTest, PointerPreviewsCellsOnceAndDrivesAnOpenLargeView)
{
    openGallery(sets(4, {2}));
    const auto hover = [this](int cell) { emit cellAt(cell)->MouseMove(); };
    const QString captionAfterLoad = text("Label1");
    hover(0); // HoverCell starts at 0: nothing happens
    EXPECT_EQ(state().HoverCell, 0);
    EXPECT_EQ(text("Label1"), captionAfterLoad);

    hover(1);
    EXPECT_EQ(state().HoverCell, 1);
    EXPECT_EQ(text("Label1"), "AB");
    EXPECT_EQ(preview()->picture().size(), QSize(38, 60));
    hover(2); // no small picture: preview blank, caption kept
    EXPECT_FALSE(preview()->hasPicture());
    EXPECT_EQ(text("Label1"), "AB");

    emit cellAt(3)->DblClick(); // the large view opens on the selected set
    QWidget* large = topLevel("frmLargeView");
    ASSERT_NE(large, nullptr);
    EXPECT_TRUE(entry(3)->isChecked());
    auto* largePicture = large->findChild<ImageBox*>(QStringLiteral("Image1"));
    const QImage first = largePicture->picture();
    hover(1);
    EXPECT_NE(largePicture->picture(), first); // it follows the pointer
    hover(1);
    const QImage following = largePicture->picture();
    hover(2); // a cell without small picture leaves it as it was
    EXPECT_EQ(text("Label1"), "AB");
    EXPECT_EQ(largePicture->picture(), following);

    large->close(); // its close box unchecks the entry
    EXPECT_FALSE(entry(3)->isChecked());
    emit cellAt(0)->DblClick();
    EXPECT_NE(topLevel("frmLargeView"), nullptr);
    emit cellAt(0)->DblClick();
    EXPECT_EQ(topLevel("frmLargeView"), nullptr);
    EXPECT_FALSE(entry(3)->isChecked());
}

TEST_F(GalleryTest, FullScreenAndViewAmountKeepCheckMarksAndCaptionInStep)
{
    openGallery(sets(40));
    EXPECT_EQ(button(), "Full Screen");
    scroller()->setValue(scroller()->maximum());
    EXPECT_EQ(state().TopIndex, 36);
    browser_->findChild<QPushButton*>(QStringLiteral("FullViewButton"))->click();
    // The larger grid lowers the maximum: the position follows and the page with it.
    EXPECT_LT(scroller()->maximum(), 18);
    EXPECT_EQ(state().TopIndex, scroller()->value() * state().ColumnCount);
    EXPECT_EQ(state().CellLargeName[0], files()->list(state().TopIndex));
    EXPECT_TRUE(browser_->isMaximized());
    EXPECT_TRUE(entry(1)->isChecked());
    EXPECT_EQ(button(), "Small Screen");
    EXPECT_GT(state().ColumnCount, 2);
    entry(1)->trigger();
    EXPECT_FALSE(browser_->isMaximized() || entry(1)->isChecked());
    EXPECT_EQ(button(), "Full Screen");
    EXPECT_EQ(browser_->outerWidth(), 5280);

    browser_->mnuOptions_Click(1);
    for (const char* answer : {"5", "0", "none", "", "2.5"})
        dialogs_.queueInput(QString::fromLatin1(answer));
    dialogs_.queueInput(std::nullopt); // never reached: 2.5 is accepted as 2
    dialogs_.clear();
    browser_->mnuOptions_Click(2);
    int warnings = 0;
    for (const testsupport::ShownBox& box : dialogs_.shown())
        if (!box.isInput) {
            ++warnings;
            EXPECT_EQ(box.text, "Please enter a value between 1 and 4.");
            EXPECT_EQ(box.title, "Too many images");
        }
    EXPECT_EQ(warnings, 4);
    EXPECT_EQ(dialogs_.shown().first().text, "Enter number of images to view.");
    EXPECT_EQ(dialogs_.shown().first().title, "Change Viewing Amount");
    EXPECT_EQ(dialogs_.shown().first().defaultText, "4");
    EXPECT_FALSE(browser_->isMaximized() || entry(1)->isChecked());
    EXPECT_EQ(button(), "Full Screen");
    EXPECT_EQ(browser_->outerWidth(), 4995);
    EXPECT_EQ(browser_->outerHeight(), 5460);

    for (const auto& [answer, columns] : {std::pair{"1", 1}, {"4.5", 4}, {"3.7", 4}, {"3", 3}}) {
        dialogs_.queueInput(QString::fromLatin1(answer));
        browser_->mnuOptions_Click(2);
        EXPECT_EQ(state().ColumnCount, columns) << answer;
        EXPECT_EQ(state().RowCount, columns) << answer;
        EXPECT_EQ(scroller()->pageStep(), columns) << answer;
    }
    EXPECT_FALSE(entry(2)->isEnabled());
}

TEST_F(GalleryTest, NewLayoutKeepsTopIndexAndALargeWindowGetsEveryCellItNeeds)
{
    openGallery(sets(100, {}));
    browser_->setFixedSize(976, 689 + browser_->menuBar()->height()); // 8 columns, 4 rows
    QApplication::processEvents();
    ASSERT_EQ(state().ColumnCount, 8);
    ASSERT_EQ(state().RowCount, 4);
    scroller()->setValue(1);
    EXPECT_EQ(state().TopIndex, 8);

    dialogs_.queueInput(QStringLiteral("2"));
    browser_->mnuOptions_Click(2);
    EXPECT_EQ(state().TopIndex, 8);
    EXPECT_EQ(state().CellLargeName[0], files()->list(8));
    scroller()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(state().TopIndex, 4);

    browser_->mnuOptions_Click(1); // maximised on the 3840 x 2160 test screen
    ASSERT_TRUE(browser_->isMaximized());
    EXPECT_GT(state().LastGridCell, 99);
    EXPECT_EQ(state().LastShownCell, 99);
    EXPECT_TRUE(cellAt(99)->isVisible());
    EXPECT_EQ(state().CellLargeName[99], files()->list(99));
}

} // namespace
