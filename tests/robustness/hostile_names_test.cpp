#include <fcntl.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QPushButton>

#include <gtest/gtest.h>

#include "support/manager_fixture.h"

namespace {

using HostileNamesTest = testsupport::ManagerFixture;

// Names other tools leave behind: blanks, quotes, leading dashes, line breaks, letters beyond ASCII in
// both cases, the longest name a Linux file system takes, and one that is no UTF-8, never to be touched.
// Links among them: a copy copies the picture, a delete takes the link and never its picture.
TEST_F(HostileNamesTest, SetsWithHostileNamesOrLinksAreFiledAndDeletedAndNothingElseIsTouched)
{
    const QString upper = "Ünïcödé";
    const QStringList stems = {" lead", "quo\"te's", "-rf", "new\nline", upper, upper.toLower(), QString(250, 'x')};
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
    EXPECT_EQ(std::tuple(dialogs_.shown().size(), destination_.contents().size(), source_.contents() == before),
              std::tuple(0, 2 * stems.size() + 2, true));
    for (const QString& name : destination_.contents().keys())
        EXPECT_FALSE(QFileInfo(destination_.filePath(name)).isSymLink()) << name.toStdString();
    selectSource("LinkL.bmp");
    dialogs_.queueAnswer(platform::MessageResult::Yes);
    control<QPushButton>("DeleteButton")->click();
    EXPECT_EQ(std::tuple(source_.contents().contains("LinkL.bmp") || source_.contents().contains("linkS.bmp"),
                         real.contents().size(), ::access(raw.constData(), F_OK)),
              std::tuple(false, 2, 0));
}

} // namespace
