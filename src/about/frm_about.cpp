#include "about/frm_about.h"

#include <QFontMetrics>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

#include "platform/controls/accessibility.h"
#include "platform/controls/classic_font.h"
#include "platform/controls/twips.h"
#include "platform/controls/window_placement.h"

namespace {
constexpr int ClientWidth = 4695;
constexpr int ClientHeight = 3390;

QString aboutText()
{
    // Qt labels break lines at '\n'; a carriage return alone would not show as a new line.
    const QChar lineBreak = QLatin1Char('\n');
    QString text = QStringLiteral(
        "The Ostrel Portrait Manager is in no way affiliated with Hollowquay, Vantorel Soft or the "
        "Emberline Guild.  This program is distributed 'as is' and is free from warranties, guarantees "
        "and promises of any kind.  The author of this program will not be held responsible for any damages "
        "caused as a result of using this program.");
    text += lineBreak;
    text += lineBreak + QStringLiteral("I welcome any questions, comments, suggestions or flames about the program.");
    text += lineBreak + QStringLiteral("Tobin Vessaly");
    text += lineBreak + QStringLiteral("tobin.vessaly@example.org");
    return text;
}
} // namespace

frmAbout::frmAbout(QWidget* parent) : QWidget(parent, Qt::Tool | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About Ostrel Portrait Manager"));
    platform::setWindowRole(this, QAccessible::Dialog);
    setFont(platform::classicFont(8));
    setFixedSize(platform::twipsToPixels(0, 0, ClientWidth, ClientHeight).size());

    Frame1 = new QFrame(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setFrameShape(QFrame::Box);
    Frame1->setFrameShadow(QFrame::Sunken);
    Frame1->setGeometry(platform::twipsToPixels(120, 120, 4455, 2535));
    Frame1->setAccessibleName(QStringLiteral("About this program"));

    Label1 = new QLabel(Frame1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setTextFormat(Qt::PlainText);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label1->setWordWrap(true);
    Label1->setGeometry(platform::twipsToPixels(240, 240, 3975, 2175));

    Command1 = new QPushButton(QStringLiteral("Continue"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(platform::twipsToPixels(1680, 2760, 1215, 495));
    Command1->setDefault(true);
    connect(Command1, &QPushButton::clicked, this, &frmAbout::Command1_Click);

    Form_Load();

    platform::centreOnScreen(this, size());
}

void frmAbout::Form_Load()
{
    Label1->setText(aboutText());
    // Fonts wider than the one the box was drawn for would push the contact address out of sight.
    QFont font = Label1->font();
    const auto fits = [this](const QFont& candidate) {
        const QRect needed =
            QFontMetrics(candidate).boundingRect(QRect(0, 0, Label1->width(), 10000), Qt::TextWordWrap, Label1->text());
        return needed.height() <= Label1->height();
    };
    while (!fits(font) && font.pointSizeF() > 6)
        font.setPointSizeF(font.pointSizeF() - 0.5);
    Label1->setFont(font);
}

void frmAbout::Command1_Click()
{
    close();
}

void frmAbout::keyPressEvent(QKeyEvent* event)
{
    // Escape closes it, as "Continue" does.
    if (event->key() == Qt::Key_Escape)
        Command1_Click();
    else
        QWidget::keyPressEvent(event);
}

void frmAbout::closeEvent(QCloseEvent* /*event*/)
{
    Form_Unload();
}

void frmAbout::Form_Unload()
{
    emit unloaded();
}
