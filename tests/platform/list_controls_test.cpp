#include <QDir>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include "platform/dir_list_box.h"
#include "platform/file_list_box.h"
#include "platform/file_system.h"
#include "platform/selector_box.h"
#include "support/sandbox.h"
#include "support/scripted_dialogs.h"

namespace {

// Records what each handler saw, in order, so nesting and ordering can be asserted.
struct EventLog {
    QStringList events;
};

class FileListBoxTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        sandbox_.addPortraits({QStringLiteral("AAL.bmp"), QStringLiteral("bbL.BMP"), QStringLiteral("CCL.bmp"),
                               QStringLiteral("aAS.bmp")});
        list_.setPattern(QStringLiteral("*L.bmp"));
        list_.resize(200, 300);
        QObject::connect(&list_, &platform::FileListBox::Click, [this] {
            log_.events << QStringLiteral("click %1").arg(list_.listIndex());
        });
        QObject::connect(&list_, &platform::FileListBox::DblClick, [this] {
            log_.events << QStringLiteral("dblclick %1").arg(list_.listIndex());
        });
    }

    QPoint centreOf(int row) const { return list_.visualRect(list_.model()->index(row, 0)).center(); }

    testsupport::PortraitSandbox sandbox_;
    platform::PosixFileSystem fileSystem_;
    platform::FileListBox list_{fileSystem_, nullptr};
    EventLog log_;
};

TEST_F(FileListBoxTest, SettingThePathListsThePatternWithoutSelectingOrFiring)
{
    list_.setPath(sandbox_.path());
    EXPECT_EQ(list_.entries(), QStringList({QStringLiteral("AAL.bmp"), QStringLiteral("bbL.BMP"),
                                            QStringLiteral("CCL.bmp")}));
    EXPECT_EQ(list_.listIndex(), -1);
    EXPECT_TRUE(log_.events.isEmpty());
}

TEST_F(FileListBoxTest, CodeSettingTheIndexSelectsBeforeClickRuns)
{
    list_.setPath(sandbox_.path());
    list_.setListIndex(2);
    EXPECT_EQ(log_.events, QStringList{QStringLiteral("click 2")});
    list_.setListIndex(3); // past the end: nothing selected, nothing fired
    EXPECT_EQ(list_.listIndex(), -1);
    EXPECT_EQ(log_.events.size(), 1);
}

TEST_F(FileListBoxTest, RefreshReReadsAndDropsTheSelectionSilently)
{
    list_.setPath(sandbox_.path());
    list_.setListIndex(1);
    sandbox_.addPortraits({QStringLiteral("ABL.bmp")});
    list_.refresh();
    EXPECT_EQ(list_.listIndex(), -1);
    EXPECT_EQ(list_.listCount(), 4);
    EXPECT_EQ(list_.list(1), QStringLiteral("ABL.bmp"));
    EXPECT_EQ(log_.events.size(), 1);
}

TEST_F(FileListBoxTest, UserSelectionByKeyboardAndMouseFiresClick)
{
    list_.setPath(sandbox_.path());
    list_.show();
    QTest::mouseClick(list_.viewport(), Qt::LeftButton, {}, centreOf(1));
    list_.setFocus();
    QTest::keyClick(&list_, Qt::Key_Down);
    EXPECT_EQ(log_.events, QStringList({QStringLiteral("click 1"), QStringLiteral("click 2")}));
}

TEST_F(FileListBoxTest, DoubleClickRunsClickThenDoubleClickOnce)
{
    list_.setPath(sandbox_.path());
    list_.show();
    QTest::mouseDClick(list_.viewport(), Qt::LeftButton, {}, centreOf(2));
    EXPECT_EQ(log_.events, QStringList({QStringLiteral("click 2"), QStringLiteral("dblclick 2")}));
}

class DirListBoxTest : public ::testing::Test {
protected:
    QStringList shownTexts() const
    {
        QStringList texts;
        for (int i = 0; i < dirs_.count(); ++i)
            texts << dirs_.item(i)->text().trimmed();
        return texts;
    }

    testsupport::PortraitSandbox sandbox_;
    platform::PosixFileSystem fileSystem_;
    testsupport::ScriptedDialogs dialogs_;
    platform::DirListBox dirs_{fileSystem_, dialogs_, nullptr};
};

TEST_F(DirListBoxTest, ShowsAncestorsThenSubdirectoriesAndFiresChangeOnce)
{
    sandbox_.addDirectory(QStringLiteral("beta"));
    sandbox_.addDirectory(QStringLiteral("Alpha"));
    sandbox_.addDirectory(QStringLiteral(".hidden"));
    sandbox_.addFile(QStringLiteral("fileL.bmp"), "x");
    QStringList changes;
    QObject::connect(&dirs_, &platform::DirListBox::Change, [&] { changes << dirs_.path(); });

    ASSERT_TRUE(dirs_.setPath(sandbox_.path() + QStringLiteral("/")));
    EXPECT_EQ(changes, QStringList{sandbox_.path()});
    const QStringList texts = shownTexts();
    const QStringList levels = sandbox_.path().split(QLatin1Char('/'), Qt::SkipEmptyParts);
    ASSERT_EQ(texts.size(), levels.size() + 3);
    EXPECT_EQ(texts.first(), QStringLiteral("/"));
    EXPECT_EQ(texts.mid(1, levels.size()), levels);
    EXPECT_EQ(texts.mid(levels.size() + 1), QStringList({QStringLiteral("Alpha"), QStringLiteral("beta")}));

    EXPECT_TRUE(dirs_.setPath(sandbox_.path())); // the same directory: no change
    EXPECT_EQ(changes.size(), 1);
}

TEST_F(DirListBoxTest, EnterOnASubdirectoryOpensIt)
{
    const QString child = sandbox_.addDirectory(QStringLiteral("child"));
    ASSERT_TRUE(dirs_.setPath(sandbox_.path()));
    dirs_.show();
    dirs_.setFocus();
    dirs_.setCurrentRow(dirs_.count() - 1);
    QTest::keyClick(&dirs_, Qt::Key_Return);
    EXPECT_EQ(dirs_.path(), child);
}

TEST_F(DirListBoxTest, UnreadableDirectoryIsReportedAndTheListStays)
{
    ASSERT_TRUE(dirs_.setPath(sandbox_.path()));
    const QString missing = sandbox_.path() + QStringLiteral("/not-there");
    EXPECT_FALSE(dirs_.setPath(missing));
    EXPECT_EQ(dirs_.path(), sandbox_.path());
    ASSERT_EQ(dialogs_.shown().size(), 1);
    EXPECT_EQ(dialogs_.shown().first().title, QStringLiteral("Error"));
    EXPECT_TRUE(dialogs_.shown().first().text.contains(missing));
    EXPECT_TRUE(dialogs_.shown().first().text.contains(QStringLiteral("No such file or directory")));
}

TEST(SelectorBox, StartsUnselectedAndFiresClickWhenCodeSelects)
{
    platform::SelectorBox box({QStringLiteral("Male"), QStringLiteral("Female")}, nullptr);
    EXPECT_EQ(box.listIndex(), -1);
    QStringList seen;
    QObject::connect(&box, &platform::SelectorBox::Click, [&] { seen << box.currentText(); });
    box.setListIndex(1);
    EXPECT_EQ(seen, QStringList{QStringLiteral("Female")});
    EXPECT_FALSE(box.isEditable());
}

} // namespace
