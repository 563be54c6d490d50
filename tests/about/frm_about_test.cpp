#include "about/frm_about.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

QString labelText(const frmAbout& about)
{
    return about.findChild<QLabel*>(QStringLiteral("Label1"))->text();
}

TEST(AboutWindow, ShowsTheDisclaimerInvitationAuthorAndAddress)
{
    frmAbout about;
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About Ostrel Portrait Manager"));
    const QStringList lines = labelText(about).split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 5);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("The Ostrel Portrait Manager is in no way affiliated with ")));
    EXPECT_TRUE(lines[0].contains(
        QStringLiteral(".  This program is distributed 'as is' and is free from warranties, guarantees and promises "
                       "of any kind.  The author of this program will not be held responsible for any damages "
                       "caused as a result of using this program.")));
    EXPECT_TRUE(lines[1].isEmpty());
    EXPECT_EQ(lines[2], QStringLiteral("I welcome any questions, comments, suggestions or flames about the program."));
    EXPECT_FALSE(lines[3].isEmpty());
    EXPECT_TRUE(lines[4].endsWith(QStringLiteral("@example.org")));
}

TEST(AboutWindow, HasTheDesignedSizesAndIsAFixedToolWindow)
{
    frmAbout about;
    EXPECT_EQ(about.size(), QSize(313, 226)); // 4695 x 3390 twips
    EXPECT_EQ(about.minimumSize(), about.maximumSize());
    EXPECT_TRUE(about.windowFlags().testFlag(Qt::Tool));
    const auto* command = about.findChild<QPushButton*>(QStringLiteral("Command1"));
    ASSERT_NE(command, nullptr);
    EXPECT_EQ(command->text(), QStringLiteral("Continue"));
    EXPECT_EQ(command->geometry(), QRect(112, 184, 81, 33));
    EXPECT_EQ(about.findChild<QLabel*>(QStringLiteral("Label1"))->geometry(), QRect(16, 16, 265, 145));
}

TEST(AboutWindow, EveryWayOfClosingReportsTheUnload)
{
    for (const bool byContinue : {true, false}) {
        frmAbout about;
        about.show();
        QSignalSpy unloaded(&about, &frmAbout::unloaded);
        if (byContinue)
            about.findChild<QPushButton*>(QStringLiteral("Command1"))->click();
        else
            about.close();
        EXPECT_EQ(unloaded.count(), 1) << (byContinue ? "Continue" : "close box");
        EXPECT_FALSE(about.isVisible());
    }
}

} // namespace
