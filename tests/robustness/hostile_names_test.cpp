#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QPushButton>

#include <gtest/gtest.h>

#include "support/manager_fixture.h"

namespace {

using platform::MessageResult;

// Names other tools leave behind: blanks, quotes, leading dashes, line breaks, letters beyond ASCII
// in both cases, and the longest name a Linux file system takes.
const QStringList hostileStems = {" lead",
                                  "quo\"te's",
                                  "-rf",
                                  "new\nline",
                                  QString::fromUtf8("Ünïcödé"),
                                  QString::fromUtf8("ünïcödé"),
                                  QString(250, QLatin1Char('x'))};

bool isSymlink(const QString& path)
{
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISLNK(st.st_mode);
}

class HostileNamesTest : public testsupport::ManagerFixture {
protected:
    void press(const char* button) { control<QPushButton>(button)->click(); }
};

TEST_F(HostileNamesTest, SetsWithHostileNamesAreListedFiledAndNothingElseIsTouched)
{
    for (const QString& stem : hostileStems)
        source_.addPortraits({stem + "L.bmp", stem + "S.bmp"}); // each set its own small picture
    // A name that is not valid UTF-8 must never be shown under a wrong name, nor touched.
    const QByteArray raw = QFile::encodeName(source_.path()) + "/bad\xff\xfeL.bmp";
    ::close(::open(raw.constData(), O_CREAT | O_WRONLY, 0644));
    const auto before = source_.contents();
    open();
    setDestination(destination_.path());
    EXPECT_EQ(files()->listCount(), hostileStems.size());

    for (int i = 0; i < files()->listCount(); ++i) {
        files()->setListIndex(i);
        press("SaveButton");
    }
    EXPECT_TRUE(dialogs_.shown().isEmpty());
    EXPECT_EQ(destination_.contents().size(), 2 * hostileStems.size());
    EXPECT_EQ(source_.contents(), before);
    struct stat st {};
    EXPECT_EQ(::lstat(raw.constData(), &st), 0);
}

TEST_F(HostileNamesTest, RenameTakesHostileButSafeStems)
{
    for (const QString& stem : {QStringLiteral("-x"), QStringLiteral("a b"), QStringLiteral("q\"t"),
                                QStringLiteral("n\nl"), QString::fromUtf8("Ärger")}) {
        SCOPED_TRACE(stem.toStdString());
        testsupport::PortraitSandbox dir;
        dir.addPortraits({"MM05L.bmp", "mM05S.bmp"});
        open(0.5, dir.path());
        selectSource("MM05L.bmp");
        dialogs_.queueInput(stem);
        press("RenameButton");
        const QString small = stem.left(1).toLower() + stem.mid(1) + "S.bmp";
        EXPECT_EQ(dir.contents().keys(), QStringList({stem + "L.bmp", small}));
    }
}

TEST_F(HostileNamesTest, LinksArePicturesToCopyButLinksToMoveRenameAndDelete)
{
    testsupport::PortraitSandbox real;
    real.addPortraits({"RealL.bmp", "realS.bmp"});
    const auto link = [&](const char* name, const char* target) {
        ASSERT_TRUE(QFile::link(real.filePath(target), source_.filePath(name)));
    };
    link("LinkL.bmp", "RealL.bmp");
    link("linkS.bmp", "realS.bmp");
    open();
    setDestination(destination_.path());

    selectSource("LinkL.bmp");
    press("SaveButton"); // a copy copies the pictures
    EXPECT_FALSE(isSymlink(destination_.filePath("MM01L.bmp")));
    EXPECT_EQ(destination_.contents()["MM01L.bmp"], real.contents()["RealL.bmp"]);

    selectSource("LinkL.bmp");
    dialogs_.queueInput(QStringLiteral("Renamed"));
    press("RenameButton"); // a rename renames the link
    EXPECT_TRUE(isSymlink(source_.filePath("RenamedL.bmp")));

    selectSource("RenamedL.bmp");
    press("MoveButton"); // a move moves the link
    EXPECT_TRUE(isSymlink(destination_.filePath("MM02L.bmp")));
    EXPECT_TRUE(isSymlink(destination_.filePath("mM02S.bmp")));

    setDestination(source_.path());
    control<platform::DirListBox>("Directory")->setPath(destination_.path());
    selectSource("MM02L.bmp");
    dialogs_.queueAnswer(MessageResult::Yes);
    press("DeleteButton"); // a delete removes the link, never what it points to
    EXPECT_FALSE(QFile::exists(destination_.filePath("MM02L.bmp")) || isSymlink(destination_.filePath("MM02L.bmp")));
    EXPECT_EQ(real.contents().size(), 2);
}

} // namespace
