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

TEST(AboutWindow, IsAFixedToolWindowOfTheDesignedSizeWithTheWholeTextInSight)
{
    frmAbout about;
    const auto* label = about.findChild<QLabel*>("Label1");
    const auto* command = about.findChild<QPushButton*>("Command1");
    ASSERT_TRUE(label && command);
    const auto place = [](const QWidget* w) {
        return QString::asprintf("%d,%d %dx%d", w->x(), w->y(), w->width(), w->height());
    };
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
    const double points = label->font().pointSizeF();
    EXPECT_TRUE(fits(points) && (points == about.font().pointSizeF() || !fits(points + 0.5))) << points;
}

TEST(AboutWindow, ContinueItsReturnEscapeAndTheCloseBoxCloseItAndReportTheUnload)
{
    const auto command = [](frmAbout& about) { return about.findChild<QPushButton*>("Command1"); };
    // clang-format off
    const std::tuple<const char*, std::function<void(frmAbout&)>, bool> ways[] = {
        {"Continue", [&](frmAbout& about) { command(about)->click(); }, true},
        {"close box", [](frmAbout& about) { about.close(); }, true},
        {"Escape", [](frmAbout& about) { QTest::keyClick(&about, Qt::Key_Escape); }, true},
        {"Return on Continue", [&](frmAbout& about) { QTest::keyClick(command(about), Qt::Key_Return); }, true},
        {"another key", [](frmAbout& about) { QTest::keyClick(&about, Qt::Key_A); }, false},
    };
    // clang-format on
    for (const auto& [way, act, closes] : ways) {
        frmAbout about;
        about.show();
        QSignalSpy unloaded(&about, &frmAbout::unloaded);
        act(about);
        EXPECT_EQ(std::pair(int(unloaded.count()), about.isVisible()), std::pair(closes ? 1 : 0, !closes)) << way;
    }
}

} // namespace
