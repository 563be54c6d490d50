#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "gallery/frm_browser.h"
#include "support/manager_fixture.h"

namespace {

using testsupport::visibleWindow;

class DesktopTest : public testsupport::ManagerFixture {
protected:
    static void activate(QWidget* window) { window->activateWindow(), QApplication::setActiveWindow(window); }
    // A key to the focused control, of `window` when one is given: a box or popup may have taken it before.
    static void press(Qt::Key key, Qt::KeyboardModifiers modifiers = {}, QWidget* window = nullptr)
    {
        if (window)
            activate(window);
        QTest::keyClick(QApplication::focusWidget(), key, modifiers);
    }
};

TEST_F(DesktopTest, AWholeCopyByKeyboardAloneAndTheKeysOfTheButtons)
{
    source_.addPortraits({"ZZL.bmp", "zZS.bmp"});
    const QString filed = source_.addDirectory("filed");
    open();
    activate(window_.get());
    ASSERT_EQ(QApplication::focusWidget(), control("Drive1")); // where the window starts
    const auto tabTo = [this](const char* name, Qt::KeyboardModifiers direction = {}) {
        for (int i = 0; i < 20 && QApplication::focusWidget() != control(name); ++i)
            press(Qt::Key_Tab, direction);
        ASSERT_EQ(QApplication::focusWidget(), control(name));
    };
    tabTo("Directory2"); // the destination: the subdirectory below the current one
    press(Qt::Key_End);
    press(Qt::Key_Return);
    tabTo("Files", Qt::ShiftModifier);
    press(Qt::Key_Down); // selects the first set, as a click would
    tabTo("SaveButton");
    press(Qt::Key_Space);
    tabTo("Files2"); // Enter brings a destination set over, as a double-click does
    press(Qt::Key_Down);
    press(Qt::Key_Return);
    EXPECT_EQ(control<platform::DirListBox>("Directory")->path() + ' ' + vars().SourceLargeName, filed + " MM01L.bmp");
    // The box each key brings up for the set brought over; deleting is asked for in the list of sets only.
    // clang-format off
    const std::tuple<const char*, Qt::Key, const char*> rows[] = {
        {"Files", Qt::Key_Delete, "Delete"}, {"Files", Qt::Key_F2, "Renaming"}, {"Directory", Qt::Key_F2, "Renaming"},
        {"DeleteButton", Qt::Key_Return, "Delete"}, {"RenameButton", Qt::Key_Enter, "Renaming"},
        {"Directory", Qt::Key_Delete, nullptr}};
    // clang-format on
    for (const auto& [focus, key, title] : rows) {
        dialogs_.clear();
        control(focus)->setFocus();
        press(key, {}, window_.get());
        EXPECT_EQ(dialogs_.shown().isEmpty() ? "" : dialogs_.shown().first().title,
                  title ? title + QString(" File MM01L.bmp") : "")
            << focus << " " << key;
    }
    EXPECT_EQ(QDir(filed).entryList(QDir::Files), QStringList({"MM01L.bmp", "mM01S.bmp"})); // copied; answered No
    control("AboutButton")->setFocus();
    press(Qt::Key_Return);
    EXPECT_TRUE(visibleWindow("frmAbout") && !window_->isVisible());
}

TEST_F(DesktopTest, TheGalleryByKeysAlone)
{
    QStringList files;
    for (char c = 'A'; c < 'U'; ++c) // AAL.bmp ... ATL.bmp, each with its small picture
        files << QStringLiteral("A%1L.bmp").arg(c) << QStringLiteral("a%1S.bmp").arg(c);
    source_.addPortraits(files);
    open();
    control<QPushButton>("BrowseButton")->click();
    frmBrowser* gallery = visibleWindow<frmBrowser>("frmBrowser");
    ASSERT_NE(gallery, nullptr);
    const GalleryState& state = gallery->state();
    ASSERT_EQ(QSize(state.ColumnCount, state.RowCount), QSize(2, 2)); // a scroll bar step of one row
    // Focused cell, list position shown in cell 0, selected set's and previewed stem's positions, the large
    // view's picture (it names its file) and whether the gallery is maximised.
    const auto large = [] { return visibleWindow("frmLargeView"); };
    const auto seen = [&] {
        const QWidget* focus = QApplication::focusWidget();
        const QString cell = !focus                            ? "-"
                             : focus->objectName() == "Image1" ? focus->property("index").toString()
                                                               : focus->objectName();
        return QStringLiteral("%1 %2 %3 %4 %5 %6")
            .arg(cell)
            .arg(state.TopIndex)
            .arg(files.indexOf(state.SelectedLarge) / 2)
            .arg(files.indexOf(gallery->findChild<QLabel*>("Label1")->text() + "L.bmp") / 2)
            .arg(large() ? large()->findChild<QWidget*>("Image1")->accessibleDescription() : "-")
            .arg(gallery->isMaximized());
    };
    // Along the row previewing, a row down, past the page scrolling a row, selecting, back, a scroll bar page
    // down and up, the last sets, the first, staying at the top; Enter selects and opens the large view, F11
    // switches full screen (a new layout previews its last cell) and back, and Enter again closes the view.
    // Escape in the view closes it too.
    // clang-format off
    const std::pair<Qt::Key, const char*> rows[] = {
        {Qt::Key_Right, "1 0 0 1 - 0"}, {Qt::Key_Down, "3 0 0 3 - 0"}, {Qt::Key_Down, "3 2 0 5 - 0"},
        {Qt::Key_Space, "3 2 5 5 - 0"}, {Qt::Key_Left, "2 2 5 4 - 0"}, {Qt::Key_PageDown, "2 6 5 9 - 0"},
        {Qt::Key_PageUp, "2 2 5 5 - 0"}, {Qt::Key_End, "3 16 5 19 - 0"}, {Qt::Key_Home, "0 0 5 0 - 0"},
        {Qt::Key_Up, "0 0 5 0 - 0"}, {Qt::Key_Return, "0 0 0 0 AAL.bmp 0"}, {Qt::Key_F11, "0 0 0 19 AAL.bmp 1"},
        {Qt::Key_F11, "0 0 0 3 AAL.bmp 0"}, {Qt::Key_Return, "0 0 0 3 - 0"},
        {Qt::Key_Return, "0 0 0 3 AAL.bmp 0"}, {Qt::Key_Escape, "0 0 0 3 - 0"},
        {Qt::Key_Backtab, "FullViewButton 0 0 3 - 0"}, {Qt::Key_Backtab, "Scroller 0 0 3 - 0"}, {Qt::Key_Backtab, "3 0 0 3 - 0"}};
    // clang-format on
    for (const auto& [key, expected] : rows) {
        press(key, {}, key == Qt::Key_Escape ? large() : gallery); // Escape closes the companion windows
        activate(gallery);
        EXPECT_EQ(seen(), expected) << "after key " << key;
    }
    for (const auto& [key, modifiers] : {std::pair{Qt::Key_O, Qt::AltModifier}, {Qt::Key_F10, Qt::NoModifier}}) {
        press(key, modifiers, gallery);
        QWidget* menu = QApplication::activePopupWidget();
        ASSERT_EQ(menu ? menu->objectName() : QString(), "mnuBase") << "key " << key;
        QTest::keyClick(menu, Qt::Key_Escape);
    }
    press(Qt::Key_X, Qt::ControlModifier, gallery);
    EXPECT_TRUE(visibleWindow("frmBrowser") == nullptr && window_->isVisible());
}

TEST_F(DesktopTest, BoxesAreModalToTheirWindowCentredShowTextAsIsAndEscapeIsTheCarefulAnswer)
{
    open();
    activate(window_.get());
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
    using platform::MessageButtons, platform::MessageIcon;
    platform::QtDialogs dialogs;
    const auto ask = [&](int key, MessageButtons buttons, MessageIcon icon) {
        answer(key);
        return QString::number(int(dialogs.messageBox("<b>x</b>.bmp", "Delete File x", buttons, icon))) + ' ' + seen;
    };
    const auto name = [&](int key) {
        answer(key);
        return dialogs.inputBox("Name?", "Renaming File x", "PIC01").value_or("cancelled") + ' ' + seen;
    };
    const QString plain = QString(" frmMain modal centred icon %1 plain"), input = " frmMain modal centred icon -1 ";
    const auto result = [](platform::MessageResult r) { return QString::number(int(r)); };
    // Enter does not say yes.
    EXPECT_EQ(QStringList({ask(Qt::Key_Escape, MessageButtons::YesNo, MessageIcon::None),
                           ask(Qt::Key_Return, MessageButtons::YesNo, MessageIcon::None),
                           ask(0, MessageButtons::YesNo, MessageIcon::Exclamation),
                           ask(Qt::Key_Return, MessageButtons::Ok, MessageIcon::Exclamation), name(Qt::Key_Escape),
                           name(Qt::Key_Return)}),
              QStringList({result(platform::MessageResult::No) + plain.arg(QMessageBox::NoIcon),
                           result(platform::MessageResult::No) + plain.arg(QMessageBox::NoIcon),
                           result(platform::MessageResult::Yes) + plain.arg(QMessageBox::Warning),
                           result(platform::MessageResult::Ok) + plain.arg(QMessageBox::Warning), "cancelled" + input,
                           "PIC01" + input}));
}

} // namespace
