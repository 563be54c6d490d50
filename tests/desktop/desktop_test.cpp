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

using testsupport::visibleWindow;

using DesktopTest = testsupport::ManagerFixture;

// A key to the focused control of `window`: a box may have taken the focus before.
void press(Qt::Key key, QWidget* window, Qt::KeyboardModifiers modifiers = {})
{
    window->activateWindow();
    QApplication::setActiveWindow(window);
    // A window without a focused control takes the key itself, whichever window Qt last saw activated.
    QWidget* focus = QApplication::focusWidget();
    QTest::keyClick(focus ? focus : window, key, modifiers);
}

// Tab order, the lists' keys and bringing a set over by Enter are proven by the list controls' tests and
// the screen reader's round of the window; here, what the keys of the buttons do to the selected set.
TEST_F(DesktopTest, TheKeysOfTheButtons)
{
    source_.addPortraits({"ZZL.bmp", "zZS.bmp"});
    open();
    selectSource("ZZL.bmp");
    // The box each key brings up; deleting is asked for in the list of sets only.
    // clang-format off
    const std::tuple<const char*, Qt::Key, const char*> rows[] = {
        {"Files", Qt::Key_Delete, "Delete"}, {"Files", Qt::Key_F2, "Renaming"}, {"Directory", Qt::Key_F2, "Renaming"},
        {"DeleteButton", Qt::Key_Return, "Delete"}, {"RenameButton", Qt::Key_Enter, "Renaming"},
        {"Directory", Qt::Key_Delete, nullptr}, {"AboutButton", Qt::Key_Return, nullptr}};
    // clang-format on
    for (const auto& [focus, key, title] : rows) {
        dialogs_.clear();
        control(focus)->setFocus();
        press(key, window_.get());
        EXPECT_EQ(dialogs_.shown().isEmpty() ? "" : dialogs_.shown().first().title,
                  title ? title + QString(" File ZZL.bmp") : "")
            << focus << " " << key;
    }
    EXPECT_TRUE(visibleWindow("frmAbout") && !window_->isVisible());
}

TEST_F(DesktopTest, TheGalleryByKeysAlone)
{
    QStringList files;
    for (char c = 'A'; c < 'U'; ++c) // AAL.bmp ... ATL.bmp, each with its small picture
        files << QStringLiteral("A%1L.bmp").arg(c) << QStringLiteral("a%1S.bmp").arg(c);
    source_.addPortraits(files);
    open();
    frmBrowser* gallery = pressGallery();
    ASSERT_NE(gallery, nullptr);
    const GalleryState& state = gallery->state();
    ASSERT_EQ(QSize(state.ColumnCount, state.RowCount), QSize(2, 2)); // a scroll bar step of one row
    // Focused cell, list position shown in cell 0, selected set's and previewed stem's positions, the large
    // view's picture (it names its file) and whether the gallery is maximised.
    const auto large = [] { return visibleWindow("frmLargeView"); };
    const auto seen = [&] {
        const QWidget* focus = QApplication::focusWidget();
        const QString cell = focus ? focus->property("index").toString() : "-";
        return QStringList({cell.isEmpty() ? focus->objectName() : cell, QString::number(state.TopIndex),
                            QString::number(files.indexOf(state.SelectedLarge) / 2),
                            QString::number(files.indexOf(gallery->findChild<QLabel*>("Label1")->text() + "L.bmp") / 2),
                            large() ? large()->findChild<QWidget*>("Image1")->accessibleDescription() : "-",
                            QString::number(gallery->isMaximized())})
            .join(' ');
    };
    // Along the row previewing, a row down, past the page scrolling a row, selecting, back, a scroll bar page
    // down and up, the last sets, the first, staying at the top; Enter selects and opens the large view, F11
    // switches full screen (a new layout previews its last cell) and back, and Enter again closes the view.
    // Escape in the view closes it too. Backwards from the first cell come the button and the scroll bar.
    // clang-format off
    const std::pair<Qt::Key, const char*> rows[] = {
        {Qt::Key_Right, "1 0 0 1 - 0"}, {Qt::Key_Down, "3 0 0 3 - 0"}, {Qt::Key_Down, "3 2 0 5 - 0"},
        {Qt::Key_Space, "3 2 5 5 - 0"}, {Qt::Key_Left, "2 2 5 4 - 0"}, {Qt::Key_PageDown, "2 6 5 9 - 0"},
        {Qt::Key_PageUp, "2 2 5 5 - 0"}, {Qt::Key_End, "3 16 5 19 - 0"}, {Qt::Key_Home, "0 0 5 0 - 0"},
        {Qt::Key_Up, "0 0 5 0 - 0"}, {Qt::Key_Return, "0 0 0 0 AAL.bmp 0"}, {Qt::Key_F11, "0 0 0 19 AAL.bmp 1"},
        {Qt::Key_F11, "0 0 0 3 AAL.bmp 0"}, {Qt::Key_Return, "0 0 0 3 - 0"},
        {Qt::Key_Return, "0 0 0 3 AAL.bmp 0"}, {Qt::Key_Escape, "0 0 0 3 - 0"},
        {Qt::Key_Backtab, "FullViewButton 0 0 3 - 0"}, {Qt::Key_Backtab, "Scroller 0 0 3 - 0"},
        {Qt::Key_Down, "Scroller 2 0 5 - 0"}};
    // clang-format on
    for (const auto& [key, expected] : rows) {
        press(key, key == Qt::Key_Escape ? large() : gallery); // Escape closes the companion windows
        gallery->activateWindow();
        QApplication::setActiveWindow(gallery);
        EXPECT_EQ(seen(), expected) << "after key " << key;
    }
    press(Qt::Key_X, gallery, Qt::ControlModifier);
    EXPECT_TRUE(visibleWindow("frmBrowser") == nullptr && window_->isVisible());
}

TEST_F(DesktopTest, BoxesAreModalToTheirWindowCentredShowTextAsIsAndEscapeIsTheCarefulAnswer)
{
    open();
    window_->activateWindow();
    QApplication::setActiveWindow(window_.get());
    control("Files")->setFocus();
    // How the box stood, read while it is up, and the answer: a key, or no key a click on Yes.
    QString seen;
    const auto answer = [&seen](int key) {
        seen = "no box";
        QTimer::singleShot(0, [&seen, key] {
            QWidget* box = QApplication::activeModalWidget();
            const QWidget* parent = box ? box->parentWidget() : nullptr;
            if (!parent)
                return;
            const auto* message = qobject_cast<QMessageBox*>(box);
            const QPoint offset = box->frameGeometry().center() - parent->frameGeometry().center();
            seen = QString("%1 %2 %3 icon %4 %5")
                       .arg(parent->objectName(),
                            box->windowHandle()->transientParent() == parent->windowHandle() ? "modal" : "free",
                            offset.manhattanLength() <= 2 ? "centred" : "off centre")
                       .arg(message ? message->icon() : -1)
                       .arg(message && message->textFormat() == Qt::PlainText ? "plain" : "");
            key ? QTest::keyClick(box, Qt::Key(key)) : message->button(QMessageBox::Yes)->click();
        });
    };
    using platform::MessageButtons, platform::MessageIcon, platform::MessageResult;
    platform::QtDialogs dialogs;
    // Enter does not say yes.
    // clang-format off
    const std::tuple<int, MessageButtons, MessageIcon, MessageResult, QMessageBox::Icon> rows[] = {
        {Qt::Key_Escape, MessageButtons::YesNo, MessageIcon::None, MessageResult::No, QMessageBox::NoIcon},
        {Qt::Key_Return, MessageButtons::YesNo, MessageIcon::None, MessageResult::No, QMessageBox::NoIcon},
        {0, MessageButtons::YesNo, MessageIcon::Exclamation, MessageResult::Yes, QMessageBox::Warning},
        {Qt::Key_Return, MessageButtons::Ok, MessageIcon::Exclamation, MessageResult::Ok, QMessageBox::Warning}};
    // clang-format on
    for (const auto& [key, buttons, icon, result, shown] : rows) {
        answer(key);
        const MessageResult pressed = dialogs.messageBox("<b>x</b>.bmp", "Delete File x", buttons, icon);
        EXPECT_EQ(QString::number(int(pressed)) + ' ' + seen,
                  QStringLiteral("%1 frmMain modal centred icon %2 plain").arg(int(result)).arg(shown));
    }
    for (const auto& [key, text] : {std::pair{int(Qt::Key_Escape), "cancelled"}, {int(Qt::Key_Return), "PIC01"}}) {
        answer(key);
        EXPECT_EQ(dialogs.inputBox("Name?", "Renaming File x", "PIC01").value_or("cancelled") + ' ' + seen,
                  text + QString(" frmMain modal centred icon -1 "));
    }
}

} // namespace
