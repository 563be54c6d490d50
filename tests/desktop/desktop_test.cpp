#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "about/frm_about.h"
#include "gallery/frm_browser.h"
#include "support/manager_fixture.h"

namespace {

using testsupport::visibleWindow;

// Every visible control of ours must have a name to be read out; plain containers and Qt's own helpers
// (named "qt_...") are nothing a user meets.
QStringList namelessControls(QWidget* window)
{
    QStringList nameless;
    QList<QAccessibleInterface*> pending{QAccessible::queryAccessibleInterface(window)};
    while (!pending.isEmpty()) {
        QAccessibleInterface* node = pending.takeLast();
        const auto* widget = node ? qobject_cast<QWidget*>(node->object()) : nullptr;
        const bool container =
            widget && widget->objectName().isEmpty() && widget->metaObject() == &QWidget::staticMetaObject;
        if (widget && widget != window && widget->isVisible() && !container &&
            !widget->objectName().startsWith(QLatin1String("qt_")) && node->text(QAccessible::Name).trimmed().isEmpty())
            nameless << widget->objectName();
        for (int i = 0; node && i < node->childCount(); ++i)
            pending << node->child(i);
    }
    return nameless;
}

class DesktopTest : public testsupport::ManagerFixture {
protected:
    static void activate(QWidget* window)
    {
        window->activateWindow();
        QApplication::setActiveWindow(window);
    }
    static void press(Qt::Key key, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::keyClick(QApplication::focusWidget(), key, modifiers);
    }
    frmBrowser* openGallery()
    {
        control<QPushButton>("BrowseButton")->click();
        return visibleWindow<frmBrowser>("frmBrowser");
    }
};

TEST_F(DesktopTest, EveryControlOfEveryWindowHasAnAccessibleName)
{
    source_.addPortraits({"MM05L.bmp", "mM05S.bmp"});
    open();
    selectSource("MM05L.bmp");
    EXPECT_EQ(namelessControls(window_.get()), QStringList());
    // A picture names its file.
    EXPECT_EQ(control("Image1")->accessibleDescription() + ' ' + control("Image2")->accessibleDescription(),
              "MM05L.bmp mM05S.bmp");
    frmBrowser* gallery = openGallery();
    ASSERT_NE(gallery, nullptr);
    EXPECT_EQ(namelessControls(gallery), QStringList());
    gallery->mnuOptions_Click(3);
    QWidget* large = visibleWindow("frmLargeView");
    ASSERT_NE(large, nullptr);
    EXPECT_EQ(namelessControls(large), QStringList());
    const auto* picture = QAccessible::queryAccessibleInterface(large->findChild<QWidget*>("Image1"));
    EXPECT_EQ(QString::number(picture->role()) + ' ' + picture->object()->property("accessibleDescription").toString(),
              QString::number(QAccessible::Graphic) + " MM05L.bmp");
    QTest::keyClick(large, Qt::Key_Escape); // Escape closes the companion windows
    EXPECT_EQ(visibleWindow("frmLargeView"), nullptr);
    gallery->close();
    frmAbout about;
    about.show();
    EXPECT_EQ(namelessControls(&about), QStringList());
}

TEST_F(DesktopTest, AWholeCopyByKeyboardAlone)
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
    EXPECT_EQ(QDir(filed).entryList(QDir::Files), QStringList({"MM01L.bmp", "mM01S.bmp"}));
    tabTo("Files2"); // Enter brings a destination set over, as a double-click does
    press(Qt::Key_Down);
    press(Qt::Key_Return);
    EXPECT_EQ(control<platform::DirListBox>("Directory")->path() + ' ' + vars().SourceLargeName, filed + " MM01L.bmp");
}

TEST_F(DesktopTest, TheGalleryByKeysAlone)
{
    QStringList files;
    for (char c = 'A'; c < 'U'; ++c) // AAL.bmp ... ATL.bmp, each with its small picture
        files << QStringLiteral("A%1L.bmp").arg(c) << QStringLiteral("a%1S.bmp").arg(c);
    source_.addPortraits(files);
    open();
    frmBrowser* gallery = openGallery();
    ASSERT_NE(gallery, nullptr);
    const GalleryState& state = gallery->state();
    ASSERT_EQ(QSize(state.ColumnCount, state.RowCount), QSize(2, 2)); // a scroll bar step of one row
    // Focused cell, list position shown in cell 0, selected set's and previewed stem's positions, and
    // whether the large view is open and the gallery maximised.
    const auto seen = [&] {
        const QWidget* focus = QApplication::focusWidget();
        const int cell = focus && focus->objectName() == "Image1" ? focus->property("index").toInt() : -1;
        return QStringLiteral("%1 %2 %3 %4 %5 %6")
            .arg(cell)
            .arg(state.TopIndex)
            .arg(files.indexOf(state.SelectedLarge) / 2)
            .arg(files.indexOf(gallery->findChild<QLabel*>("Label1")->text() + "L.bmp") / 2)
            .arg(visibleWindow("frmLargeView") != nullptr)
            .arg(gallery->isMaximized());
    };
    // Along the row previewing, a row down, past the page scrolling a row, selecting, back, a scroll bar page
    // down and up, the last sets, the first, staying at the top; Enter selects and opens the large view, F11
    // switches full screen (a new layout previews its last cell) and back, and Enter again closes the view.
    const std::pair<Qt::Key, const char*> rows[] = {
        {Qt::Key_Right, "1 0 0 1 0 0"},  {Qt::Key_Down, "3 0 0 3 0 0"},   {Qt::Key_Down, "3 2 0 5 0 0"},
        {Qt::Key_Space, "3 2 5 5 0 0"},  {Qt::Key_Left, "2 2 5 4 0 0"},   {Qt::Key_PageDown, "2 6 5 9 0 0"},
        {Qt::Key_PageUp, "2 2 5 5 0 0"}, {Qt::Key_End, "3 16 5 19 0 0"},  {Qt::Key_Home, "0 0 5 0 0 0"},
        {Qt::Key_Up, "0 0 5 0 0 0"},     {Qt::Key_Return, "0 0 0 0 1 0"}, {Qt::Key_F11, "0 0 0 19 1 1"},
        {Qt::Key_F11, "0 0 0 3 1 0"},    {Qt::Key_Return, "0 0 0 3 0 0"}};
    for (const auto& [key, expected] : rows) {
        activate(gallery);
        press(key);
        EXPECT_EQ(seen(), expected) << "after key " << key;
    }
    for (const auto& [key, modifiers] : {std::pair{Qt::Key_O, Qt::AltModifier}, {Qt::Key_F10, Qt::NoModifier}}) {
        activate(gallery);
        press(key, modifiers);
        QWidget* menu = QApplication::activePopupWidget();
        EXPECT_EQ(menu ? menu->objectName() : QString(), "mnuBase") << "key " << key;
        if (menu)
            QTest::keyClick(menu, Qt::Key_Escape);
    }
    activate(gallery);
    press(Qt::Key_X, Qt::ControlModifier);
    EXPECT_TRUE(visibleWindow("frmBrowser") == nullptr && window_->isVisible());
}

TEST_F(DesktopTest, ManagerKeysRunTheButtonsHandlers)
{
    source_.addPortraits({"MM05L.bmp", "mM05S.bmp"});
    open();
    selectSource("MM05L.bmp");
    // The box each brings up, of deleting or renaming MM05L.bmp; deleting is asked for in the list of sets only.
    const std::tuple<const char*, Qt::Key, const char*> rows[] = {
        {"Files", Qt::Key_Delete, "Delete"},         {"Files", Qt::Key_F2, "Renaming"},
        {"Directory", Qt::Key_F2, "Renaming"},       {"DeleteButton", Qt::Key_Return, "Delete"},
        {"RenameButton", Qt::Key_Enter, "Renaming"}, {"Directory", Qt::Key_Delete, nullptr}};
    for (const auto& [focus, key, title] : rows) {
        dialogs_.clear();
        activate(window_.get());
        control(focus)->setFocus();
        press(key);
        EXPECT_EQ(dialogs_.shown().isEmpty() ? QString() : dialogs_.shown().first().title,
                  title ? title + QString(" File MM05L.bmp") : QString())
            << focus << " " << key;
    }
    EXPECT_EQ(QDir(source_.path()).entryList(QDir::Files), QStringList({"MM05L.bmp", "mM05S.bmp"})); // answered No
    control("AboutButton")->setFocus();
    press(Qt::Key_Return);
    EXPECT_TRUE(visibleWindow("frmAbout") && !window_->isVisible());
}

TEST_F(DesktopTest, BoxesAreModalToTheirWindowCentredShowTextAsIsAndEscapeIsTheCarefulAnswer)
{
    open();
    activate(window_.get());
    control("Files")->setFocus();
    // How the box stood, read while it is up; then a key answers it, or no key a click on Yes.
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
            if (key)
                QTest::keyClick(box, Qt::Key(key));
            else
                message->button(QMessageBox::Yes)->click();
        });
    };
    using platform::MessageButtons, platform::MessageIcon, platform::MessageResult;
    platform::QtDialogs dialogs;
    const std::tuple<MessageButtons, MessageIcon, int, MessageResult> rows[] = {
        {MessageButtons::YesNo, MessageIcon::None, Qt::Key_Escape, MessageResult::No},
        {MessageButtons::YesNo, MessageIcon::None, Qt::Key_Return, MessageResult::No}, // Enter does not say yes
        {MessageButtons::YesNo, MessageIcon::Exclamation, 0, MessageResult::Yes},
        {MessageButtons::Ok, MessageIcon::Exclamation, Qt::Key_Return, MessageResult::Ok},
    };
    for (const auto& [buttons, icon, key, result] : rows) {
        answer(key);
        EXPECT_EQ(dialogs.messageBox("<b>x</b>.bmp", "Delete File x", buttons, icon), result) << key;
        EXPECT_EQ(seen, QString("frmMain modal centred icon %1 plain")
                            .arg(icon == MessageIcon::Exclamation ? QMessageBox::Warning : QMessageBox::NoIcon));
    }
    for (const auto& [key, typed] :
         {std::pair{Qt::Key_Escape, std::optional<QString>()}, {Qt::Key_Return, QString("PIC01")}}) {
        answer(key);
        EXPECT_EQ(dialogs.inputBox("Name?", "Renaming File x", "PIC01"), typed);
        EXPECT_EQ(seen, "frmMain modal centred icon -1 ");
    }
}

} // namespace
