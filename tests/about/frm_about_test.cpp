#include "about/frm_about.h"

#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

#include "support/sandbox.h" // shows QStrings

namespace {

TEST(AboutWindow, IsAFixedToolWindowOfTheDesignedSizeWithItsTextFromTheTopLeft)
{
    frmAbout about;
    const auto* label = about.findChild<QLabel*>("Label1");
    auto* command = about.findChild<QPushButton*>("Command1");
    ASSERT_TRUE(label && command && label->parentWidget()->objectName() == "Frame1");
    // 4695 x 3390 twips that the user cannot change; the text from the frame's top left, ending in the address.
    EXPECT_EQ(std::tuple(label->geometry(), command->geometry(), command->text(),
                         label->parentWidget()->accessibleName(), int(label->alignment()),
                         about.windowFlags().testFlag(Qt::Tool), about.minimumSize(), about.maximumSize(),
                         label->text().section('\n', -1).contains('@'), command->font().family(),
                         command->font().pointSize()),
              std::tuple(QRect(16, 16, 265, 145), QRect(112, 184, 81, 33), "Continue", "About this program",
                         int(Qt::AlignLeft | Qt::AlignTop), true, QSize(313, 226), QSize(313, 226), true,
                         "MS Sans Serif", 8));
    // With no window manager to frame it, it is centred by its own size and still answers Escape.
    about.show();
    QTest::keyClick(command, Qt::Key_Escape);
    EXPECT_EQ(std::pair(about.geometry().center(), about.isVisible()),
              std::pair(about.screen()->availableGeometry().center(), false));
}

// Where the classic font is stood in for by a wider one, the text shrinks until the address is in sight.
TEST(AboutWindow, ShrinksItsTextToFitAWiderFont)
{
    const QStringList usual = QFont::substitutes("MS Sans Serif");
    QFont::removeSubstitutions("MS Sans Serif");
    QFont::insertSubstitution("MS Sans Serif", "DejaVu Sans Mono");
    const frmAbout about;
    QFont::removeSubstitutions("MS Sans Serif");
    QFont::insertSubstitutions("MS Sans Serif", usual);
    const auto* label = about.findChild<QLabel*>("Label1");
    const QRect needed =
        QFontMetrics(label->font()).boundingRect(QRect(0, 0, label->width(), 10000), Qt::TextWordWrap, label->text());
    EXPECT_LT(label->font().pointSizeF(), 8);
    EXPECT_TRUE(label->wordWrap());
    EXPECT_LE(needed.height(), label->height());
}

} // namespace
