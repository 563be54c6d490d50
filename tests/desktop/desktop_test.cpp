#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "gallery/frm_browser.h"
#include "platform/controls/dialogs.h"
#include "support/manager_fixture.h"

namespace {

using testsupport::operator<<;
using testsupport::visibleWindow;

// A key to the focused control of `window`: a box may have taken the focus before.
void pressKey(Qt::Key key, QWidget* window, Qt::KeyboardModifiers modifiers = {})
{
    window->activateWindow();
    QApplication::setActiveWindow(window);
    // A window without a focused control takes the key itself, whichever window Qt last saw activated.
    QWidget* focus = QApplication::focusWidget();
    QTest::keyClick(focus ? focus : window, key, modifiers);
}

// Tab order, the lists' keys and bringing a set over by Enter are proven by the list controls' tests and
// the screen reader's round of the window; here, what the keys of the buttons do to the selected set.
// Deleting is asked for in the list of sets only.
struct ButtonKeyRow {
    const char* name;
    const char* focus;
    Qt::Key key;
    const char* opens; // the title of the box, or the About window
};
const ButtonKeyRow buttonKeyRows[] = {
    {"DeleteInTheListOfSets", "Files", Qt::Key_Delete, "Delete File ZZL.bmp"},
    {"F2InTheListOfSets", "Files", Qt::Key_F2, "Renaming File ZZL.bmp"},
    {"F2InTheDirectories", "Directory", Qt::Key_F2, "Renaming File ZZL.bmp"},
    {"ReturnOnDelete", "DeleteButton", Qt::Key_Return, "Delete File ZZL.bmp"},
    {"EnterOnRename", "RenameButton", Qt::Key_Enter, "Renaming File ZZL.bmp"},
    {"DeleteInTheDirectoriesAsksNothing", "Directory", Qt::Key_Delete, ""},
    {"ReturnOnAbout", "AboutButton", Qt::Key_Return, "the About window"},
};
using ButtonKeyTest = testsupport::ManagerRowsFixture<ButtonKeyRow>;
TEST_P(ButtonKeyTest, TheKeysOfTheButtons)
{
    source_.addPortraits({"ZZL.bmp", "zZS.bmp"});
    open();
    selectSource("ZZL.bmp");
    control(GetParam().focus)->setFocus();
    pressKey(GetParam().key, window_.get());
    const bool about = visibleWindow("frmAbout") && !window_->isVisible();
    EXPECT_EQ(!dialogs_.shown().isEmpty() ? dialogs_.shown().first().title
              : about                     ? "the About window"
                                          : "",
              GetParam().opens);
}
INSTANTIATE_TEST_SUITE_P(Keys, ButtonKeyTest, testing::ValuesIn(buttonKeyRows), testsupport::RowName());

// Twenty sets in a gallery of 2 x 2 cells, so that a scroll bar step is one row.
class GalleryKeysTest : public testsupport::GalleryFixture {
public:
    void SetUp() override
    {
        ASSERT_TRUE(openGallery(20));
        ASSERT_EQ(QSize(state().ColumnCount, state().RowCount), QSize(2, 2));
    }
    // Escape closes the companion windows; the gallery takes the focus back after each key.
    void press(Qt::Key key)
    {
        pressKey(key, key == Qt::Key_Escape ? visibleWindow("frmLargeView") : browser_);
        browser_->activateWindow();
        QApplication::setActiveWindow(browser_);
    }
};
std::function<void(GalleryKeysTest&)> pressing(Qt::Key key)
{
    return [key](GalleryKeysTest& test) { test.press(key); };
}
// Each row: the focused cell, the sets shown in the first cell, in the selected and in the previewed captions
// (numbered from 0), the large view's picture (it names its file) and whether the gallery is maximised.
const testsupport::Step<GalleryKeysTest> galleryKeyRows[] = {
    {"RightPreviewsAlongTheRow", pressing(Qt::Key_Right), "1 0 0 1 - 0"},
    {"DownGoesARowDown", pressing(Qt::Key_Down), "3 0 0 3 - 0"},
    {"DownPastThePageScrollsARow", pressing(Qt::Key_Down), "3 2 0 5 - 0"},
    {"SpaceSelects", pressing(Qt::Key_Space), "3 2 5 5 - 0"},
    {"LeftGoesBack", pressing(Qt::Key_Left), "2 2 5 4 - 0"},
    {"PageDownScrollsAScrollBarPage", pressing(Qt::Key_PageDown), "2 6 5 9 - 0"},
    {"PageUpScrollsBack", pressing(Qt::Key_PageUp), "2 2 5 5 - 0"},
    {"EndGoesToTheLastSets", pressing(Qt::Key_End), "3 16 5 19 - 0"},
    {"HomeGoesToTheFirst", pressing(Qt::Key_Home), "0 0 5 0 - 0"},
    {"UpStaysAtTheTop", pressing(Qt::Key_Up), "0 0 5 0 - 0"},
    {"ReturnSelectsAndOpensTheLargeView", pressing(Qt::Key_Return), "0 0 0 0 AAL.bmp 0"},
    {"F11GoesFullScreenPreviewingTheLastCell", pressing(Qt::Key_F11), "0 0 0 19 AAL.bmp 1"},
    {"F11ComesBack", pressing(Qt::Key_F11), "0 0 0 3 AAL.bmp 0"},
    {"ReturnAgainClosesTheLargeView", pressing(Qt::Key_Return), "0 0 0 3 - 0"},
    {"ReturnOpensItOnceMore", pressing(Qt::Key_Return), "0 0 0 3 AAL.bmp 0"},
    {"EscapeInTheLargeViewClosesIt", pressing(Qt::Key_Escape), "0 0 0 3 - 0"},
    {"BacktabFromTheFirstCellComesToTheButton", pressing(Qt::Key_Backtab), "FullViewButton 0 0 3 - 0"},
    {"BacktabThenToTheScrollBar", pressing(Qt::Key_Backtab), "Scroller 0 0 3 - 0"},
    {"DownOnTheScrollBarScrollsARow", pressing(Qt::Key_Down), "Scroller 2 0 5 - 0"},
};
using GalleryKeyTest = testsupport::ManagerRowsFixture<testsupport::Step<GalleryKeysTest>, GalleryKeysTest>;
TEST_P(GalleryKeyTest, TheGalleryByKeysAlone)
{
    testsupport::playStepsBefore(galleryKeyRows, GetParam(), *this);
    GetParam().act(*this);
    const QWidget* focus = QApplication::focusWidget();
    const QString focused = focus ? focus->property("index").toString() : "-";
    const QWidget* large = visibleWindow("frmLargeView");
    const auto number = [this](const QString& large) { return QString::number(files()->entries().indexOf(large)); };
    EXPECT_EQ(QStringList({focused.isEmpty() ? focus->objectName() : focused, number(cell(0)->accessibleDescription()),
                           number(caption("Label3").section('\n', 0, 0)), number(caption("Label1") + "L.bmp"),
                           large ? large->findChild<QWidget*>("Image1")->accessibleDescription() : "-",
                           QString::number(browser_->isMaximized())})
                  .join(' '),
              GetParam().shown);
}
INSTANTIATE_TEST_SUITE_P(Session, GalleryKeyTest, testing::ValuesIn(galleryKeyRows), testsupport::RowName());

TEST_F(GalleryKeysTest, CtrlXAfterThemAllClosesTheGallery)
{
    for (const auto& row : galleryKeyRows)
        row.act(*this);
    pressKey(Qt::Key_X, browser_, Qt::ControlModifier);
    EXPECT_TRUE(visibleWindow("frmBrowser") == nullptr && window_->isVisible());
}

// The real boxes over the manager. How the box stood, read while it is up, and the answer: a key, or with no
// key a click on Yes.
class BoxFixture : public testsupport::ManagerFixture {
public:
    void SetUp() override
    {
        open();
        window_->activateWindow();
        QApplication::setActiveWindow(window_.get());
        control("Files")->setFocus();
    }
    void answer(int key)
    {
        seen_ = "no box";
        QTimer::singleShot(0, [this, key] {
            QWidget* box = QApplication::activeModalWidget();
            const QWidget* parent = box ? box->parentWidget() : nullptr;
            if (!parent)
                return;
            const auto* message = qobject_cast<QMessageBox*>(box);
            const QPoint offset = box->frameGeometry().center() - parent->frameGeometry().center();
            const QMessageBox::Icon icon = message ? message->icon() : QMessageBox::NoIcon;
            seen_ = QStringList({parent->objectName(),
                                 box->windowHandle()->transientParent() == parent->windowHandle() ? "modal" : "free",
                                 offset.manhattanLength() <= 2 ? "centred" : "off centre",
                                 icon == QMessageBox::Warning ? "warning"
                                 : icon                       ? "another icon"
                                                              : "no icon",
                                 !message                                 ? "input"
                                 : message->textFormat() == Qt::PlainText ? "plain"
                                                                          : "rich"})
                        .join(' ');
            key ? QTest::keyClick(box, Qt::Key(key)) : message->button(QMessageBox::Yes)->click();
        });
    }
    QString seen_;
};

// Boxes are modal to their window and centred on it, show their text as it is, and Escape is the careful answer.
using platform::MessageButtons, platform::MessageIcon;
std::function<QString()> asking(MessageButtons buttons, MessageIcon icon)
{
    return [buttons, icon] {
        const char* said[] = {"Ok", "Yes", "No"};
        return said[int(platform::QtDialogs().messageBox("<b>x</b>.bmp", "Delete File x", buttons, icon))];
    };
}
struct BoxRow {
    const char* name;
    int key;
    std::function<QString()> ask; // the answer
    const char* seen;
};
const BoxRow boxRows[] = {
    {"EscapeSaysNo", Qt::Key_Escape, asking(MessageButtons::YesNo, MessageIcon::None),
     "No frmMain modal centred no icon plain"},
    {"ReturnDoesNotSayYes", Qt::Key_Return, asking(MessageButtons::YesNo, MessageIcon::None),
     "No frmMain modal centred no icon plain"},
    {"ClickingYesUnderAWarning", 0, asking(MessageButtons::YesNo, MessageIcon::Exclamation),
     "Yes frmMain modal centred warning plain"},
    {"ReturnSaysOk", Qt::Key_Return, asking(MessageButtons::Ok, MessageIcon::Exclamation),
     "Ok frmMain modal centred warning plain"},
    {"EscapeCancelsAnInputBox", Qt::Key_Escape,
     [] { return platform::QtDialogs().inputBox("Name?", "Renaming File x", "PIC01").value_or("cancelled"); },
     "cancelled frmMain modal centred no icon input"},
    {"ReturnTakesTheText", Qt::Key_Return,
     [] { return platform::QtDialogs().inputBox("Name?", "Renaming File x", "PIC01").value_or("cancelled"); },
     "PIC01 frmMain modal centred no icon input"},
};
using BoxTest = testsupport::ManagerRowsFixture<BoxRow, BoxFixture>;
TEST_P(BoxTest, IsModalCentredShowsTextAsItIsAndAnswers)
{
    answer(GetParam().key);
    EXPECT_EQ(GetParam().ask() + ' ' + seen_, GetParam().seen);
}
INSTANTIATE_TEST_SUITE_P(Answers, BoxTest, testing::ValuesIn(boxRows), testsupport::RowName());

} // namespace
