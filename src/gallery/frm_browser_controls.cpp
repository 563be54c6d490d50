#include "gallery/frm_browser.h"

#include <algorithm>

#include <QAction>
#include <QCoreApplication>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>

#include "platform/controls/accessibility.h"
#include "platform/controls/image_box.h"
#include "platform/controls/labels.h"
#include "platform/controls/twips.h"

namespace {
constexpr int NameTableSize = 41;

void place(QWidget* widget, const platform::TwipsRect& rect)
{
    widget->setGeometry(rect.toPixels());
}

QLabel* makeLabel(const QString& caption, const platform::TwipsRect& rect, QWidget* parent)
{
    QLabel* label = platform::makeLabel(caption, parent);
    place(label, rect);
    return label;
}

// A picture box of its designed size, in its designed place.
platform::ImageBox* makeImageBox(const platform::TwipsRect& rect, QWidget* parent,
                                 platform::ImageBox::Fit fit = platform::ImageBox::Fit::Natural)
{
    auto* box = new platform::ImageBox(rect.toPixels().size(), parent, fit);
    place(box, rect);
    return box;
}
} // namespace

void frmBrowser::createControls()
{
    auto* client = new QWidget(this);
    setCentralWidget(client);

    auto* first = makeImageBox({120, 120, 1710, 2610}, client);
    first->setObjectName(QStringLiteral("Image1"));
    first->setProperty("index", 0);
    first->setAccessibleName(QStringLiteral("Portrait 1"));
    Image1.push_back(first);
    takeKeyboard(first);
    connect(first, &platform::ImageBox::Click, this, [this] { Image1_Click(0); });
    connect(first, &platform::ImageBox::DblClick, this, &frmBrowser::Image1_DblClick);
    connect(first, &platform::ImageBox::MouseMove, this, [this] { Image1_MouseMove(0); });

    Scroller = new QScrollBar(Qt::Vertical, client);
    Scroller->setObjectName(QStringLiteral("Scroller"));
    place(Scroller, {1800, 120, gallery::ScrollerWidth, 2535});
    Scroller->setSingleStep(1);
    Scroller->setFocusPolicy(Qt::StrongFocus);
    // The page refills when a thumb drag ends, not at every step of it.
    Scroller->setTracking(false);
    connect(Scroller, &QScrollBar::valueChanged, this, &frmBrowser::Scroller_Change);

    Image2 = makeImageBox({2160, 120, 570, 900}, client, platform::ImageBox::Fit::Stretch);
    Image2->setObjectName(QStringLiteral("Image2"));
    Label1 = makeLabel(QStringLiteral("Label1"), {2160, 1080, 1215, 255}, client);
    Label2 = makeLabel(QStringLiteral("Current:"), {2160, 1440, 1215, 255}, client);
    Label3 = makeLabel(QStringLiteral("Label3"), {2160, 1680, 1215, 495}, client);
    Label4 = makeLabel(QStringLiteral("One Moment Please..."), {5760, 4680, 2535, 255}, client);
    Label4->hide();
    Picture1 = makeLabel(QString(), {11280, 0, 615, 495}, client);
    Picture1->hide();
    FullViewButton = new QPushButton(QStringLiteral("Full Screen"), client);
    place(FullViewButton, {2160, 2280, 1095, 495});
    connect(FullViewButton, &QPushButton::clicked, this, &frmBrowser::FullViewButton_Click);
    platform::pressOnEnter(FullViewButton);
    platform::describe(FullViewButton, QStringLiteral("Switch between full screen and the window"),
                       QKeySequence(Qt::Key_F11));
    for (auto [widget, name] : {std::pair<QWidget*, const char*>{Label1, "Label1"},
                                {Label2, "Label2"},
                                {Label3, "Label3"},
                                {Label4, "Label4"},
                                {Picture1, "Picture1"},
                                {FullViewButton, "FullViewButton"}})
        widget->setObjectName(QString::fromLatin1(name));
    Scroller->setAccessibleName(QStringLiteral("Rows of portraits"));
    Image2->setAccessibleName(QStringLiteral("Small preview"));
    platform::setCaptionPurpose(Label1, QStringLiteral("Previewed set"));
    platform::setCaptionPurpose(Label3, QStringLiteral("Selected set"));
    curtain_ = new QWidget(client);
    curtain_->setAutoFillBackground(true);
}

void frmBrowser::createMenu()
{
    menuBar()->setAccessibleName(QStringLiteral("Menu bar"));
    // Alt+O opens it, and F10 as on most desktops.
    QMenu* mnuBase = menuBar()->addMenu(QStringLiteral("&Options"));
    mnuBase->setObjectName(QStringLiteral("mnuBase"));
    const std::pair<const char*, QKeySequence> entries[] = {
        {"Close Browser", QKeySequence(Qt::CTRL | Qt::Key_X)},
        {"Full Screen View", QKeySequence(Qt::CTRL | Qt::Key_F)},
        {"View Amount", QKeySequence(Qt::CTRL | Qt::Key_V)},
        {"Large View", QKeySequence(Qt::CTRL | Qt::Key_L)},
    };
    for (int index = 0; index < 4; ++index) {
        QAction* action = mnuBase->addAction(QString::fromLatin1(entries[index].first));
        action->setObjectName(QStringLiteral("mnuOptions_%1").arg(index));
        action->setShortcut(entries[index].second);
        action->setCheckable(index == 1 || index == 3);
        connect(action, &QAction::triggered, this, [this, action, index] {
            // The check marks follow the windows, not the click: undo Qt's own toggle first.
            if (action->isCheckable())
                action->setChecked(!action->isChecked());
            mnuOptions_Click(index);
        });
        mnuOptions.push_back(action);
    }
    // Created switched off; nothing switches it on.
    mnuOptions[2]->setEnabled(false);
    mnuOptions[1]->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_F), QKeySequence(Qt::Key_F11)});
    connect(new QShortcut(QKeySequence(Qt::Key_F10), this), &QShortcut::activated, this,
            [this, mnuBase] { menuBar()->setActiveAction(mnuBase->menuAction()); });
    // Ends the program from here too, as the manager's Exit does.
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), this), &QShortcut::activated, this,
            [] { QCoreApplication::exit(0); });
}

platform::ImageBox* frmBrowser::cell(int index)
{
    // More cells than were created are made when a large window needs them.
    while (int(Image1.size()) <= index) {
        const int k = int(Image1.size());
        auto* copy = new platform::ImageBox(Image1[0]->naturalSize(), centralWidget());
        copy->setObjectName(QStringLiteral("Image1"));
        copy->setProperty("index", k);
        copy->setAccessibleName(QStringLiteral("Portrait %1").arg(k + 1));
        copy->setPicture(Image1[0]->picture());
        copy->hide();
        takeKeyboard(copy);
        QWidget::setTabOrder(Image1.back(), copy);
        connect(copy, &platform::ImageBox::Click, this, [this, k] { Image1_Click(k); });
        connect(copy, &platform::ImageBox::DblClick, this, &frmBrowser::Image1_DblClick);
        connect(copy, &platform::ImageBox::MouseMove, this, [this, k] { Image1_MouseMove(k); });
        Image1.push_back(copy);
    }
    const std::size_t names = std::max<std::size_t>(NameTableSize, Image1.size());
    state_.CellLargeName.resize(std::max(state_.CellLargeName.size(), names));
    state_.CellSmallName.resize(std::max(state_.CellSmallName.size(), names));
    return Image1[std::size_t(index)];
}

void frmBrowser::takeKeyboard(platform::ImageBox* cell)
{
    cell->setFocusPolicy(Qt::StrongFocus);
    cell->installEventFilter(this);
}
