#include "about/frm_about.h"

#include <functional>

#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include "support/sandbox.h" // shows QStrings

namespace {

QString place(const QWidget* widget)
{
    const QRect r = widget->geometry();
    return QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

TEST(AboutWindow, IsAFixedToolWindowOfTheDesignedSizeWithTheWholeTextInSight)
{
    frmAbout about;
    const auto* label = about.findChild<QLabel*>("Label1");
    const auto* command = about.findChild<QPushButton*>("Command1");
    ASSERT_TRUE(label && command);
    EXPECT_EQ(QStringList({place(label), command->text() + ' ' + place(command)}),
              QStringList({"16,16 265x145", "Continue 112,184 81x33"}));
    EXPECT_EQ(about.size(), QSize(313, 226)); // 4695 x 3390 twips
    EXPECT_TRUE(about.minimumSize() == about.maximumSize() && about.windowFlags().testFlag(Qt::Tool));

    // The disclaimer, a blank line, the invitation and the author's name above the address, at the largest
    // half point size that shows it all.
    const QStringList lines = label->text().split('\n');
    EXPECT_TRUE(lines.size() == 5 && lines[1].isEmpty() && !lines[3].isEmpty() && lines[4].contains('@'))
        << label->text().toStdString();
    const auto fits = [label](double points) {
        QFont font = label->font();
        font.setPointSizeF(points);
        return QFontMetrics(font).boundingRect(label->rect(), Qt::TextWordWrap, label->text()).height() <=
               label->height();
    };
    EXPECT_TRUE(fits(label->font().pointSizeF()));
    EXPECT_TRUE(label->font().pointSizeF() == about.font().pointSizeF() || !fits(label->font().pointSizeF() + 0.5));
}

TEST(AboutWindow, ContinueItsReturnEscapeAndTheCloseBoxCloseItAndReportTheUnload)
{
    const std::pair<const char*, std::function<void(frmAbout&)>> ways[] = {
        {"Continue", [](frmAbout& about) { about.findChild<QPushButton*>("Command1")->click(); }},
        {"close box", [](frmAbout& about) { about.close(); }},
        {"Escape", [](frmAbout& about) { QTest::keyClick(&about, Qt::Key_Escape); }},
        {"Return on Continue",
         [](frmAbout& about) { QTest::keyClick(about.findChild<QPushButton*>("Command1"), Qt::Key_Return); }},
        {"another key", [](frmAbout& about) { QTest::keyClick(&about, Qt::Key_A); }},
    };
    for (const auto& [way, act] : ways) {
        frmAbout about;
        about.show();
        QSignalSpy unloaded(&about, &frmAbout::unloaded);
        act(about);
        const bool closes = way != std::string("another key");
        EXPECT_EQ(unloaded.count(), closes ? 1 : 0) << way;
        EXPECT_EQ(about.isVisible(), !closes) << way;
    }
}

} // namespace
