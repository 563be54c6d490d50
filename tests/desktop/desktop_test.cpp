#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "about/frm_about.h"
#include "gallery/frm_browser.h"
#include "platform/controls/dir_list_box.h"
#include "support/manager_fixture.h"

namespace {

QWidget* visible(const char* objectName)
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->objectName() == QLatin1String(objectName) && widget->isVisible())
            return widget;
    return nullptr;
}

// Every visible control of ours (Qt's own helpers are named "qt_...") must have a name to be read out.
QStringList namelessControls(QWidget* window)
{
    QStringList nameless;
    QList<QAccessibleInterface*> pending{QAccessible::queryAccessibleInterface(window)};
    while (!pending.isEmpty()) {
        QAccessibleInterface* node = pending.takeLast();
        if (!node)
            continue;
        const auto* widget = qobject_cast<QWidget*>(node->object());
        // Plain containers and Qt's own helpers (named "qt_...") are nothing a user meets.
        const bool container =
            widget && widget->objectName().isEmpty() && widget->metaObject() == &QWidget::staticMetaObject;
        const bool ours = widget && widget != window && widget->isVisible() && !container &&
                          !widget->objectName().startsWith(QLatin1String("qt_"));
        if (ours && node->text(QAccessible::Name).trimmed().isEmpty())
            nameless << widget->objectName();
        for (int i = 0; i < node->childCount(); ++i)
            pending << node->child(i);
    }
    return nameless;
}

void press(Qt::Key key, Qt::KeyboardModifiers modifiers = {})
{
    QTest::keyClick(QApplication::focusWidget(), key, modifiers);
}

class DesktopTest : public testsupport::ManagerFixture {
protected:
    void activate(QWidget* window)
    {
        window->activateWindow();
        QApplication::setActiveWindow(window);
    }
};

TEST_F(DesktopTest, EveryControlOfEveryWindowHasAnAccessibleName)
{
    source_.addPortraits({"MM05L.bmp", "mM05S.bmp"});
    open();
    selectSource("MM05L.bmp");
    EXPECT_EQ(namelessControls(window_.get()), QStringList());
    EXPECT_EQ(control("Image1")->accessibleDescription(), "MM05L.bmp"); // the picture names its file
    EXPECT_EQ(control("Image2")->accessibleDescription(), "mM05S.bmp");

    control<QPushButton>("BrowseButton")->click();
    auto* gallery = static_cast<frmBrowser*>(visible("frmBrowser"));
    ASSERT_NE(gallery, nullptr);
    EXPECT_EQ(namelessControls(gallery), QStringList());
    gallery->mnuOptions_Click(3);
    QWidget* large = visible("frmLargeView");
    ASSERT_NE(large, nullptr);
    EXPECT_EQ(namelessControls(large), QStringList());
    EXPECT_EQ(large->findChild<QWidget*>("Image1")->accessibleDescription(), "MM05L.bmp");
    EXPECT_EQ(QAccessible::queryAccessibleInterface(large->findChild<QWidget*>("Image1"))->role(),
              QAccessible::Graphic);
    QTest::keyClick(large, Qt::Key_Escape); // Escape closes the companion windows
    EXPECT_EQ(visible("frmLargeView"), nullptr);
    gallery->close();

    frmAbout about;
    about.show();
    EXPECT_EQ(namelessControls(&about), QStringList());
    QTest::keyClick(&about, Qt::Key_Escape);
    EXPECT_FALSE(about.isVisible());
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
    EXPECT_EQ(control<platform::DirListBox>("Directory2")->path(), filed);
    tabTo("Files", Qt::ShiftModifier);
    press(Qt::Key_Down); // selects the first set, as a click would
    EXPECT_EQ(vars().SourceLargeName, "ZZL.bmp");
    tabTo("SaveButton");
    press(Qt::Key_Space);
    EXPECT_EQ(QDir(filed).entryList(QDir::Files), QStringList({"MM01L.bmp", "mM01S.bmp"}));

    tabTo("Files2"); // Enter brings a destination set over, as a double-click does
    press(Qt::Key_Down);
    press(Qt::Key_Return);
    EXPECT_EQ(control<platform::DirListBox>("Directory")->path(), filed);
    EXPECT_EQ(vars().SourceLargeName, "MM01L.bmp");
}

TEST_F(DesktopTest, TheGalleryByKeysAlone)
{
    QStringList files;
    for (int i = 0; i < 20; ++i) // AAL.bmp ... ATL.bmp, each with its small picture
        files << QStringLiteral("A%1L.bmp").arg(QChar('A' + i)) << QStringLiteral("a%1S.bmp").arg(QChar('A' + i));
    source_.addPortraits(files);
    open();
    control<QPushButton>("BrowseButton")->click();
    auto* gallery = static_cast<frmBrowser*>(visible("frmBrowser"));
    ASSERT_NE(gallery, nullptr);
    activate(gallery);
    const GalleryState& state = gallery->state();
    ASSERT_EQ(state.ColumnCount, 2); // the created window: 2 by 2 cells, a scroll bar step of one row
    ASSERT_EQ(state.RowCount, 2);
    const auto focusedCell = [] {
        const QWidget* focus = QApplication::focusWidget();
        return focus && focus->objectName() == "Image1" ? focus->property("index").toInt() : -1;
    };
    const auto stem = [](int position) { return QStringLiteral("A%1").arg(QChar('A' + position)); };
    struct Row {
        const char* what;
        int key;
        Qt::KeyboardModifiers modifiers;
        int cell;      // focused afterwards
        int top;       // list position shown in cell 0
        int selected;  // list position of the selected set
        int previewed; // list position whose stem the preview caption shows
        bool largeView;
        bool fullScreen;
    };
    const Row rows[] = {
        {"right moves along the row and previews", Qt::Key_Right, {}, 1, 0, 0, 1, false, false},
        {"down moves a row", Qt::Key_Down, {}, 3, 0, 0, 3, false, false},
        {"down past the page scrolls a row", Qt::Key_Down, {}, 3, 2, 0, 5, false, false},
        {"space selects", Qt::Key_Space, {}, 3, 2, 5, 5, false, false},
        {"left", Qt::Key_Left, {}, 2, 2, 5, 4, false, false},
        {"page down pages by the scroll bar's step", Qt::Key_PageDown, {}, 2, 6, 5, 9, false, false},
        {"page up", Qt::Key_PageUp, {}, 2, 2, 5, 5, false, false},
        {"end shows the last sets", Qt::Key_End, {}, 3, 16, 5, 19, false, false},
        {"home shows the first", Qt::Key_Home, {}, 0, 0, 5, 0, false, false},
        {"up at the top stays", Qt::Key_Up, {}, 0, 0, 5, 0, false, false},
        {"enter selects and opens the large view", Qt::Key_Return, {}, 0, 0, 0, 0, true, false},
        {"F11 switches full screen; a layout previews its last cell", Qt::Key_F11, {}, 0, 0, 0, 19, true, true},
        {"F11 again switches back", Qt::Key_F11, {}, 0, 0, 0, 3, true, false},
        {"enter again closes the large view", Qt::Key_Return, {}, 0, 0, 0, 3, false, false},
    };
    for (const Row& row : rows) {
        activate(gallery);
        press(Qt::Key(row.key), row.modifiers);
        EXPECT_EQ(focusedCell(), row.cell) << row.what;
        EXPECT_EQ(state.TopIndex, row.top) << row.what;
        EXPECT_EQ(state.SelectedLarge, stem(row.selected) + "L.bmp") << row.what;
        EXPECT_EQ(gallery->findChild<QLabel*>("Label1")->text(), stem(row.previewed)) << row.what;
        EXPECT_EQ(visible("frmLargeView") != nullptr, row.largeView) << row.what;
        EXPECT_EQ(gallery->isMaximized(), row.fullScreen) << row.what;
    }

    for (const auto& [key, modifiers] : {std::pair{Qt::Key_O, Qt::AltModifier}, {Qt::Key_F10, Qt::NoModifier}}) {
        activate(gallery);
        press(key, modifiers);
        QWidget* menu = QApplication::activePopupWidget();
        ASSERT_NE(menu, nullptr) << "key " << key;
        EXPECT_EQ(menu->objectName(), "mnuBase");
        QTest::keyClick(menu, Qt::Key_Escape);
    }
    activate(gallery);
    press(Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(visible("frmBrowser"), nullptr);
    EXPECT_TRUE(window_->isVisible());
}

TEST_F(DesktopTest, ManagerKeysRunTheButtonsHandlers)
{
    source_.addPortraits({"MM05L.bmp", "mM05S.bmp"});
    open();
    selectSource("MM05L.bmp");
    struct Row {
        const char* focus;
        int key;
        const char* title; // of the box it brings up
    };
    const Row rows[] = {
        {"Files", Qt::Key_Delete, "Delete File MM05L.bmp"},
        {"Files", Qt::Key_F2, "Renaming File MM05L.bmp"},
        {"Directory", Qt::Key_F2, "Renaming File MM05L.bmp"},
        {"DeleteButton", Qt::Key_Return, "Delete File MM05L.bmp"},
        {"RenameButton", Qt::Key_Enter, "Renaming File MM05L.bmp"},
        {"Directory", Qt::Key_Delete, nullptr}, // deleting is asked for in the list of sets only
    };
    for (const Row& row : rows) {
        dialogs_.clear();
        activate(window_.get());
        control(row.focus)->setFocus();
        press(Qt::Key(row.key));
        if (!row.title) {
            EXPECT_TRUE(dialogs_.shown().isEmpty()) << row.focus << " " << row.key;
            continue;
        }
        ASSERT_FALSE(dialogs_.shown().isEmpty()) << row.focus << " " << row.key;
        EXPECT_EQ(dialogs_.shown().first().title, row.title) << row.focus << " " << row.key;
    }
    EXPECT_EQ(QDir(source_.path()).entryList(QDir::Files), QStringList({"MM05L.bmp", "mM05S.bmp"})); // answered No

    control("AboutButton")->setFocus();
    press(Qt::Key_Return);
    EXPECT_NE(visible("frmAbout"), nullptr);
    EXPECT_FALSE(window_->isVisible());
}

TEST_F(DesktopTest, BoxesAreModalToTheirWindowCentredAndEscapeIsTheCarefulAnswer)
{
    open();
    activate(window_.get());
    control("Files")->setFocus();
    platform::QtDialogs dialogs;
    struct Seen {
        bool modalToParent = false;
        QWidget* parent = nullptr;
        QPoint centreOffset;
    } seen;
    const auto answerWith = [&seen](Qt::Key key) {
        seen = {};
        QTimer::singleShot(0, [&seen, key] {
            QWidget* box = QApplication::activeModalWidget();
            if (!box)
                return;
            if (!box->parentWidget()) {
                QTest::keyClick(box, key); // answered all the same; the parent check then fails
                return;
            }
            seen = {box->windowHandle()->transientParent() == box->parentWidget()->windowHandle(), box->parentWidget(),
                    box->frameGeometry().center() - box->parentWidget()->frameGeometry().center()};
            QTest::keyClick(box, key);
        });
    };
    answerWith(Qt::Key_Escape);
    EXPECT_EQ(
        dialogs.messageBox("Sure?", "Delete File x", platform::MessageButtons::YesNo, platform::MessageIcon::None),
        platform::MessageResult::No);
    EXPECT_TRUE(seen.modalToParent);
    EXPECT_EQ(seen.parent, window_.get());
    EXPECT_LE(seen.centreOffset.manhattanLength(), 2);
    answerWith(Qt::Key_Return); // Enter does not say yes either
    EXPECT_EQ(
        dialogs.messageBox("Sure?", "Delete File x", platform::MessageButtons::YesNo, platform::MessageIcon::None),
        platform::MessageResult::No);
    answerWith(Qt::Key_Escape);
    EXPECT_EQ(dialogs.inputBox("Name?", "Renaming File x", "PIC01"), std::nullopt);
    EXPECT_EQ(seen.parent, window_.get());
    EXPECT_TRUE(seen.modalToParent);
    EXPECT_LE(seen.centreOffset.manhattanLength(), 2);
    answerWith(Qt::Key_Return);
    EXPECT_EQ(dialogs.inputBox("Name?", "Renaming File x", "PIC01"), std::optional<QString>("PIC01"));
}

} // namespace
