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
#include "platform/dir_list_box.h"
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

TEST_F(DesktopTest, GalleryShortcutsWork)
{
    source_.addPortraits({"ZZL.bmp", "zZS.bmp"});
    open();
    control<QPushButton>("BrowseButton")->click();
    QWidget* gallery = visible("frmBrowser");
    ASSERT_NE(gallery, nullptr);
    activate(gallery);
    QTest::keyClick(gallery, Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(gallery->isMaximized());
    QTest::keyClick(gallery, Qt::Key_L, Qt::ControlModifier);
    EXPECT_NE(visible("frmLargeView"), nullptr);
    activate(gallery);
    QTest::keyClick(gallery, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(visible("frmBrowser"), nullptr);
    EXPECT_EQ(visible("frmLargeView"), nullptr);
    EXPECT_TRUE(window_->isVisible());
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
