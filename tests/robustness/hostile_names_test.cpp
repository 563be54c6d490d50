#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QPushButton>

#include <gtest/gtest.h>

#include "support/manager_fixture.h"

namespace {

bool isSymlink(const QString& path)
{
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISLNK(st.st_mode);
}

using HostileNamesTest = testsupport::ManagerFixture;

// Names other tools leave behind: blanks, quotes, leading dashes, line breaks, letters beyond ASCII in
// both cases, the longest name a Linux file system takes, and one that is no UTF-8, never to be touched.
// Links among them: a copy copies the picture, a delete takes the link and never its picture.
TEST_F(HostileNamesTest, SetsWithHostileNamesOrLinksAreFiledAndDeletedAndNothingElseIsTouched)
{
    // clang-format off
    const QStringList stems = {" lead", "quo\"te's", "-rf", "new\nline", QString::fromUtf8("Ünïcödé"),
                               QString::fromUtf8("ünïcödé"), QString(250, QLatin1Char('x'))};
    // clang-format on
    for (const QString& stem : stems)
        source_.addPortraits({stem + "L.bmp", stem + "S.bmp"});
    const QByteArray raw = QFile::encodeName(source_.filePath("bad")) + "\xff\xfeL.bmp";
    ::close(::open(raw.constData(), O_CREAT | O_WRONLY, 0644));
    testsupport::PortraitSandbox real;
    real.addPortraits({"RealL.bmp", "realS.bmp"});
    ASSERT_TRUE(QFile::link(real.filePath("RealL.bmp"), source_.filePath("LinkL.bmp")));
    ASSERT_TRUE(QFile::link(real.filePath("realS.bmp"), source_.filePath("linkS.bmp")));
    const auto before = source_.contents();
    open();
    setDestination(destination_.path());
    ASSERT_EQ(files()->listCount(), stems.size() + 1);
    for (int i = 0; i < files()->listCount(); ++i) {
        files()->setListIndex(i);
        control<QPushButton>("SaveButton")->click();
    }
    EXPECT_TRUE(dialogs_.shown().isEmpty());
    EXPECT_EQ(destination_.contents().size(), 2 * stems.size() + 2);
    EXPECT_EQ(source_.contents(), before);
    for (const QString& name : destination_.contents().keys())
        EXPECT_FALSE(isSymlink(destination_.filePath(name))) << name.toStdString();
    selectSource("LinkL.bmp");
    dialogs_.queueAnswer(platform::MessageResult::Yes);
    control<QPushButton>("DeleteButton")->click();
    EXPECT_FALSE(isSymlink(source_.filePath("LinkL.bmp")) || isSymlink(source_.filePath("linkS.bmp")));
    EXPECT_EQ(real.contents().size(), 2);
    EXPECT_EQ(::access(raw.constData(), F_OK), 0);
}

} // namespace
