#include <cctype>

#include <QTest>

#include <gtest/gtest.h>

#include "platform/controls/dir_list_box.h"
#include "platform/controls/drive_list_box.h"
#include "platform/controls/file_list_box.h"
#include "platform/controls/selector_box.h"
#include "support/forwarding_file_system.h"
#include "support/sandbox.h"
#include "support/scripted_dialogs.h"

namespace {

using platform::FileListBox;

// Gestures in turn: c click, d double-click, r right double-click on the row that follows (e marks empty
// space), C Ctrl+click, v Down, n Enter, s the code selects, f a file appears and the list refreshes.
TEST(FileListBox, GesturesAndCodeFireClickAndDblClickInOrder)
{
    testsupport::PortraitSandbox sandbox;
    sandbox.addPortraits({"AAL.bmp", "bbL.BMP", "CCL.bmp", "aAS.bmp"});
    platform::PosixFileSystem fileSystem;
    FileListBox list(fileSystem, nullptr);
    list.setPattern(QStringLiteral("*L.bmp"));
    list.resize(200, 300);
    list.show();
    QStringList log;
    QObject::connect(&list, &FileListBox::Click, [&] { log << QStringLiteral("click %1").arg(list.listIndex()); });
    QObject::connect(&list, &FileListBox::DblClick, [&] { log << QStringLiteral("dbl %1").arg(list.listIndex()); });
    // clang-format off
    const std::pair<const char*, QStringList> rows[] = {
        {"c1v", {"click 1", "click 2", "2"}}, {"v", {"click 0", "0"}}, {"d2", {"click 2", "dbl 2", "2"}}, {"c0d0", {"click 0", "dbl 0", "0"}},
        {"c1r1", {"click 1", "1"}}, {"c2n", {"click 2", "dbl 2", "2"}}, {"n", {"-1"}}, {"c0C0cede", {"click 0", "0"}},
        {"s2s3", {"click 2", "-1"}}, {"s1f", {"click 1", "ABL.bmp", "-1"}},
    };
    // clang-format on
    for (const auto& [gestures, expected] : rows) {
        list.setPath(sandbox.path());
        QFile::remove(sandbox.filePath("ABL.bmp"));
        log.clear();
        for (const char* g = gestures; *g; g += 1 + (std::isdigit(g[1]) || g[1] == 'e')) {
            const int row = g[1] == 'e' ? -1 : g[1] - '0';
            const QPoint at = row < 0 ? QPoint(5, 295) : list.visualRect(list.model()->index(row, 0)).center();
            if (*g == 'c' || *g == 'C')
                QTest::mouseClick(list.viewport(), Qt::LeftButton, *g == 'C' ? Qt::ControlModifier : Qt::NoModifier,
                                  at);
            else if (*g == 'd' || *g == 'r')
                QTest::mouseDClick(list.viewport(), *g == 'r' ? Qt::RightButton : Qt::LeftButton, {}, at);
            else if (*g == 's')
                list.setListIndex(row);
            else if (*g != 'f')
                QTest::keyClick(&list, *g == 'v' ? Qt::Key_Down : Qt::Key_Return);
            else {
                sandbox.addPortraits({"ABL.bmp"});
                list.refresh();
                log << list.list(1);
            }
        }
        EXPECT_EQ(log << QString::number(list.listIndex()), expected) << gestures;
    }
    EXPECT_EQ(list.entries(), QStringList({"AAL.bmp", "ABL.bmp", "bbL.BMP", "CCL.bmp"}));
}

TEST(DirListBox, ShowsAncestorsThenSubdirectoriesOpensByKeyAndReportsWhatCannotBeRead)
{
    testsupport::PortraitSandbox sandbox;
    for (const char* name : {"beta", "Alpha", ".hidden"})
        sandbox.addDirectory(QString::fromLatin1(name));
    platform::PosixFileSystem fileSystem;
    testsupport::ScriptedDialogs dialogs;
    platform::DirListBox dirs(fileSystem, dialogs, nullptr);
    QStringList seen;
    QObject::connect(&dirs, &platform::DirListBox::Change, [&] { seen << dirs.path(); });
    // The same directory a second time makes no second change; what cannot be read is refused (its box is
    // the manager's to show).
    EXPECT_TRUE(dirs.setPath(sandbox.path() + QStringLiteral("/")) && dirs.setPath(sandbox.path()) &&
                !dirs.setPath(sandbox.path() + QStringLiteral("/not-there")));
    for (int i = 0; i < dirs.count(); ++i)
        seen << dirs.item(i)->text();
    dirs.show();
    dirs.setCurrentRow(dirs.count() - 1);
    QTest::keyClick(&dirs, Qt::Key_Return);
    EXPECT_EQ(seen, (QStringList{sandbox.path(), "/"} + sandbox.path().split(QChar(0x2f), Qt::SkipEmptyParts) +
                     QStringList{"Alpha", "beta", sandbox.path() + QStringLiteral("/beta")}));
}

// A volume is named by its root and a label of its own; a path shows on the deepest volume holding it.
TEST(ComboBoxes, DrivesAreNamedAndFoundAndSelectorsStartUnselectedAndReportCodeSelecting)
{
    testsupport::ForwardingFileSystem fileSystem;
    fileSystem.setVolumes({{"/", ""}, {"/media/usb", "USB"}, {"/mnt/x", "/mnt/x"}, {"/media/usb2", ""}});
    platform::DriveListBox drives(fileSystem, nullptr);
    platform::SelectorBox box({QStringLiteral("Male"), QStringLiteral("Female")}, nullptr);
    QStringList seen{QString::number(box.listIndex())};
    for (int i = 0; i < drives.count(); ++i)
        seen << drives.itemText(i);
    for (const char* path : {"/media/usb2/a", "/media/usb", "/media/usbx", "/home"}) {
        drives.showDriveOf(QString::fromLatin1(path));
        seen << drives.drive();
    }
    QObject::connect(&box, &platform::SelectorBox::Click, [&] { seen << box.currentText(); });
    box.setListIndex(1);
    EXPECT_EQ(seen, QStringList({"-1", "/", "/media/usb [USB]", "/mnt/x", "/media/usb2", "/media/usb2", "/media/usb",
                                 "/", "/", "Female"}));
}

} // namespace
