#include <cerrno>
#include <cstring>

#include <QTest>

#include <gtest/gtest.h>

#include "platform/controls/dir_list_box.h"
#include "platform/controls/file_list_box.h"
#include "platform/os/file_system.h"
#include "platform/controls/selector_box.h"
#include "support/sandbox.h"
#include "support/scripted_dialogs.h"

namespace {

// Every event with the selection the handler saw, so ordering and nesting can be asserted.
class FileListBoxTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        sandbox_.addPortraits({"AAL.bmp", "bbL.BMP", "CCL.bmp", "aAS.bmp"});
        list_.setPattern(QStringLiteral("*L.bmp"));
        list_.setPath(sandbox_.path());
        list_.resize(200, 300);
        const auto record = [this](const char* event) {
            log_ << QStringLiteral("%1 %2").arg(event).arg(list_.listIndex());
        };
        QObject::connect(&list_, &platform::FileListBox::Click, [record] { record("click"); });
        QObject::connect(&list_, &platform::FileListBox::DblClick, [record] { record("dbl"); });
    }
    QPoint centreOf(int row) const { return list_.visualRect(list_.model()->index(row, 0)).center(); }

    testsupport::PortraitSandbox sandbox_;
    platform::PosixFileSystem fileSystem_;
    platform::FileListBox list_{fileSystem_, nullptr};
    QStringList log_;
};

TEST_F(FileListBoxTest, PathAndRefreshReadTheDirectoryAndDropTheSelectionSilently)
{
    EXPECT_EQ(list_.entries(), QStringList({"AAL.bmp", "bbL.BMP", "CCL.bmp"}));
    list_.setListIndex(2);
    list_.setListIndex(3); // past the end: nothing selected, nothing fired
    EXPECT_EQ(list_.listIndex(), -1);
    list_.setListIndex(1);
    sandbox_.addPortraits({"ABL.bmp"});
    list_.refresh();
    EXPECT_EQ(list_.listIndex(), -1);
    EXPECT_EQ(list_.list(1), QStringLiteral("ABL.bmp"));
    EXPECT_EQ(log_, QStringList({"click 2", "click 1"}));
}

TEST_F(FileListBoxTest, UserSelectionAndDoubleClickFireInOrder)
{
    list_.show();
    QTest::mouseClick(list_.viewport(), Qt::LeftButton, {}, centreOf(1));
    list_.setFocus();
    QTest::keyClick(&list_, Qt::Key_Down);
    QTest::mouseDClick(list_.viewport(), Qt::LeftButton, {}, centreOf(0));
    QTest::mouseDClick(list_.viewport(), Qt::LeftButton, {}, centreOf(0)); // already selected: no second click
    QTest::mouseClick(list_.viewport(), Qt::LeftButton, Qt::ControlModifier, centreOf(0));
    QTest::mouseClick(list_.viewport(), Qt::LeftButton, {}, QPoint(5, list_.viewport()->height() - 5));
    EXPECT_EQ(list_.listIndex(), 0); // neither Ctrl nor empty space deselects
    EXPECT_EQ(log_, QStringList({"click 1", "click 2", "click 0", "dbl 0", "dbl 0"}));
}

class DirListBoxTest : public ::testing::Test {
protected:
    testsupport::PortraitSandbox sandbox_;
    platform::PosixFileSystem fileSystem_;
    testsupport::ScriptedDialogs dialogs_;
    platform::DirListBox dirs_{fileSystem_, dialogs_, nullptr};
};

TEST_F(DirListBoxTest, ShowsAncestorsThenSubdirectoriesAndFiresChangeOnce)
{
    for (const char* name : {"beta", "Alpha", ".hidden"})
        sandbox_.addDirectory(QString::fromLatin1(name));
    QStringList changes;
    QObject::connect(&dirs_, &platform::DirListBox::Change, [&] { changes << dirs_.path(); });

    ASSERT_TRUE(dirs_.setPath(sandbox_.path() + QStringLiteral("/")));
    EXPECT_TRUE(dirs_.setPath(sandbox_.path())); // the same directory: no second change
    EXPECT_EQ(changes, QStringList{sandbox_.path()});
    QStringList texts;
    for (int i = 0; i < dirs_.count(); ++i)
        texts << dirs_.item(i)->text();
    const QStringList expected =
        QStringList{"/"} + sandbox_.path().split('/', Qt::SkipEmptyParts) + QStringList{"Alpha", "beta"};
    EXPECT_EQ(texts, expected);

    dirs_.show();
    dirs_.setFocus();
    dirs_.setCurrentRow(dirs_.count() - 1);
    QTest::keyClick(&dirs_, Qt::Key_Return);
    EXPECT_EQ(dirs_.path(), sandbox_.path() + QStringLiteral("/beta"));
}

TEST_F(DirListBoxTest, UnreadableDirectoryIsReportedAndTheListStays)
{
    ASSERT_TRUE(dirs_.setPath(sandbox_.path()));
    const QString missing = sandbox_.path() + QStringLiteral("/not-there");
    EXPECT_FALSE(dirs_.setPath(missing));
    EXPECT_EQ(dirs_.path(), sandbox_.path());
    ASSERT_EQ(dialogs_.shown().size(), 1);
    EXPECT_EQ(dialogs_.shown().first().title, QStringLiteral("Error"));
    // The reason is the system's, in the user's language.
    EXPECT_EQ(dialogs_.shown().first().text, QStringLiteral("The directory \"%1\" cannot be read: %2")
                                                 .arg(missing, QString::fromLocal8Bit(std::strerror(ENOENT))));
}

TEST(SelectorBox, StartsUnselectedAndFiresClickWhenCodeSelects)
{
    platform::SelectorBox box({QStringLiteral("Male"), QStringLiteral("Female")}, nullptr);
    EXPECT_EQ(box.listIndex(), -1);
    QStringList seen;
    QObject::connect(&box, &platform::SelectorBox::Click, [&] { seen << box.currentText(); });
    box.setListIndex(1);
    EXPECT_EQ(seen, QStringList{QStringLiteral("Female")});
}

} // namespace
