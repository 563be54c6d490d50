#include "gallery/frm_browser.h"

#include <algorithm>

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QShortcut>

#include "gallery/frm_large_view.h"
#include "naming/numeric_value.h"
#include "naming/portrait_names.h"
#include "platform/controls/accessibility.h"
#include "platform/controls/classic_font.h"
#include "platform/controls/dialogs.h"
#include "platform/controls/dir_list_box.h"
#include "platform/controls/file_list_box.h"
#include "platform/controls/image_box.h"
#include "platform/controls/labels.h"
#include "platform/controls/twips.h"
#include "platform/controls/window_placement.h"
#include "platform/os/file_system.h"
#include "platform/os/paths.h"
#include "sets/small_partners.h"

namespace {
using platform::pixelsToTwips;
using platform::twipsToPixels;

constexpr int CreatedCells = 32;
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

QString stemOf(const QString& largeName)
{
    return QString::fromStdU32String(naming::stemOfEntry(largeName.toStdU32String()));
}
} // namespace

frmBrowser::frmBrowser(const platform::FileListBox& files, const platform::DirListBox& directory,
                       const platform::FileSystem& fileSystem, platform::Dialogs& dialogs)
    : QMainWindow(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                               Qt::WindowCloseButtonHint),
      files_(files), directory_(directory), fileSystem_(fileSystem), dialogs_(dialogs)
{
    setObjectName(QStringLiteral("frmBrowser"));
    setWindowTitle(QStringLiteral("Ostrel Portrait Manager Browser"));
    setFont(platform::classicFont(8));
    createControls();
    createMenu();
    setOuterSize(gallery::CreatedOuterWidth, gallery::CreatedOuterHeight);
    platform::centreOnScreen(this, QSize(twipsToPixels(outerWidth_), twipsToPixels(outerHeight_)));
    // Form_Load and the first layout wait for the notice's first paint (finishOpening): a window is only
    // painted once the window system has shown it, which happens after the handler that opens it.
    opening_.emplace();
    Label4->installEventFilter(this);
}

frmBrowser::~frmBrowser() = default;

void frmBrowser::createControls()
{
    auto* client = new QWidget(this);
    setCentralWidget(client);

    auto* first = new platform::ImageBox(platform::TwipsRect{0, 0, 1710, 2610}.toPixels().size(), client);
    first->setObjectName(QStringLiteral("Image1"));
    first->setProperty("index", 0);
    first->setAccessibleName(QStringLiteral("Portrait 1"));
    place(first, {120, 120, 1710, 2610});
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

    Image2 = new platform::ImageBox(platform::TwipsRect{0, 0, 570, 900}.toPixels().size(), client,
                                    platform::ImageBox::Fit::Stretch);
    Image2->setObjectName(QStringLiteral("Image2"));
    place(Image2, {2160, 120, 570, 900});
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

bool frmBrowser::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Label4) {
        // Called before the notice paints; the opening goes on from the event loop, once this paint has
        // reached the screen.
        if (event->type() == QEvent::Paint && !opened_ && !openingQueued_) {
            openingQueued_ = true;
            QMetaObject::invokeMethod(this, &frmBrowser::finishOpening, Qt::QueuedConnection);
        }
        return false;
    }
    if (!opened_)
        return false;
    const int index = watched->property("index").toInt();
    if (event->type() == QEvent::FocusIn) {
        // A cell reached by keys is previewed, as the cell under the pointer is; focus coming back
        // with the window or after a menu moves nothing. A hidden cell hands its focus on as Tab would.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (!programFocus_ &&
            (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason || reason == Qt::OtherFocusReason))
            Image1_MouseMove(index);
        return false;
    }
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->modifiers() & ~Qt::KeypadModifier)
        return false;
    const int columns = std::max(1, state_.ColumnCount);
    switch (key->key()) {
    case Qt::Key_Space:
        Image1_Click(index);
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // As a double-click: the click selects, the double-click toggles the large view.
        Image1_Click(index);
        Image1_DblClick();
        return true;
    case Qt::Key_Left:
        return focusCell(index - 1);
    case Qt::Key_Right:
        return focusCell(index + 1);
    case Qt::Key_Up:
        return focusCell(index - columns);
    case Qt::Key_Down:
        return focusCell(index + columns);
    case Qt::Key_PageUp:
        Scroller->triggerAction(QAbstractSlider::SliderPageStepSub);
        return true;
    case Qt::Key_PageDown:
        Scroller->triggerAction(QAbstractSlider::SliderPageStepAdd);
        return true;
    case Qt::Key_Home:
        Scroller->setValue(Scroller->minimum());
        return focusCell(0);
    case Qt::Key_End: {
        Scroller->setValue(Scroller->maximum());
        int last = state_.LastShownCell;
        while (last > 0 && state_.CellLargeName[std::size_t(last)].isEmpty())
            --last;
        return focusCell(last);
    }
    default:
        return false;
    }
}

bool frmBrowser::focusCell(int index)
{
    // Past the page's edge the grid scrolls a row and the focus stays in line with the set it was on.
    const int columns = std::max(1, state_.ColumnCount);
    if (index > state_.LastShownCell && Scroller->value() < Scroller->maximum()) {
        Scroller->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        index -= columns;
    } else if (index < 0 && Scroller->value() > Scroller->minimum()) {
        Scroller->triggerAction(QAbstractSlider::SliderSingleStepSub);
        index += columns;
    }
    if (index >= 0 && index <= state_.LastShownCell)
        Image1[std::size_t(index)]->setFocus(Qt::OtherFocusReason);
    return true;
}

void frmBrowser::finishOpening()
{
    if (isVisible()) {
        // Form_Load wants cell 0's small picture and the first layout, a moment later, the whole page's: one
        // look at the directory serves both.
        partnersAsked_.clear();
        const QScopedValueRollback reuse(reusePartners_, true);
        readPartners(gallery::layoutGrid(outerWidth_, outerHeight_, pixelsToTwips(Image1[0]->width()),
                                         pixelsToTwips(Image1[0]->height()), files_.listCount())
                         .lastShownCell);
        opened_ = true;
        Form_Load();
        Form_Resize();
        curtain_->hide();
        curtain_->deleteLater();
        curtain_ = nullptr;
        Label4->removeEventFilter(this);
    }
    opening_.reset();
}

void frmBrowser::Form_Load()
{
    state_.LastGridCell = 0;
    state_.LastShownCell = 0;
    state_.HoverCell = 0;
    state_.TopIndex = 0;
    cell(0);
    show_page();
    platform::showCaption(Label1, stemOf(state_.CellLargeName[0]));
    cell(CreatedCells - 1);
    QWidget::setTabOrder(Image1.back(), Scroller);
    QWidget::setTabOrder(Scroller, FullViewButton);
    {
        const QScopedValueRollback quiet(programFocus_, true);
        Image1[0]->setFocus();
    }
    Image1_Click(0);
}

void frmBrowser::Image1_Click(int index)
{
    state_.SelectedLarge = state_.CellLargeName[std::size_t(index)];
    state_.SelectedSmall = state_.CellSmallName[std::size_t(index)];
    // A line break of its own; an empty cell leaves two empty lines.
    platform::showCaption(Label3, state_.SelectedLarge + QLatin1Char('\n') + state_.SelectedSmall);
}

void frmBrowser::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    // A size the window manager chose (maximising) is measured; one we set is already laid out.
    const QSize client = centralWidget()->size();
    const QSize expected(twipsToPixels(outerWidth_ - gallery::FrameWidth),
                         twipsToPixels(outerHeight_ - gallery::FrameHeight));
    if (client == expected && laidOut_)
        return;
    if (client != expected) {
        outerWidth_ = pixelsToTwips(client.width()) + gallery::FrameWidth;
        outerHeight_ = pixelsToTwips(client.height()) + gallery::FrameHeight;
    }
    if (curtain_)
        curtain_->resize(client);
    Form_Resize();
}

void frmBrowser::Form_Resize()
{
    showNotice();
    // Until the notice has been on screen the pictures wait; the opening lays out the size the window
    // has by then.
    if (!opened_)
        return;
    // Hiding the focused cell passes the focus on; afterwards it goes back to the same set's cell. Read before
    // the scroll bar's new range can move the page.
    const QScopedValueRollback quiet(programFocus_, true);
    const std::optional<int> focusedSet = focusedCellSet();
    const platform::BusyCursor busy;
    // Painted now, before the pictures load.
    Label4->repaint();

    const int cellWidth = pixelsToTwips(Image1[0]->width());
    const int cellHeight = pixelsToTwips(Image1[0]->height());
    const int sets = files_.listCount();
    const gallery::GridLayout grid = gallery::layoutGrid(outerWidth_, outerHeight_, cellWidth, cellHeight, sets);
    state_.ColumnCount = grid.columnCount;
    state_.RowCount = grid.rowCount;
    place(Scroller, grid.scroller);
    for (QWidget* side : {static_cast<QWidget*>(Image2), static_cast<QWidget*>(Label1), static_cast<QWidget*>(Label2),
                          static_cast<QWidget*>(Label3), static_cast<QWidget*>(FullViewButton)})
        side->move(twipsToPixels(grid.sidePanelLeft), side->y());
    Scroller->setPageStep(grid.pageStep);
    // A lower maximum pulls the position into range and reports it, so TopIndex follows.
    Scroller->setMaximum(grid.scrollMaximum);
    state_.LastGridCell = grid.lastGridCell;

    for (int k = 1; k <= state_.LastShownCell; ++k)
        cell(k)->hide();
    state_.LastShownCell = 0;
    readPartners(grid.lastShownCell);
    fill_cell(0);
    for (int k = 1; k <= grid.lastShownCell; ++k) {
        state_.LastShownCell = k;
        // Cell 0's size, read again: filling it may have given it a picture of another size.
        place(cell(k), gallery::cellRect(k, grid.columnCount, pixelsToTwips(Image1[0]->width()),
                                         pixelsToTwips(Image1[0]->height())));
        cell(k)->show();
        fill_cell(k);
    }
    Label4->hide();
    laidOut_ = true;
    // The page once more, as show_page does; the directory was read for this layout a moment ago.
    fillPage();
    if (focusedSet && state_.LastShownCell >= 0)
        Image1[std::size_t(std::clamp(*focusedSet - state_.TopIndex, 0, state_.LastShownCell))]->setFocus(
            Qt::OtherFocusReason);
}

std::optional<int> frmBrowser::focusedCellSet() const
{
    // The window's focus child, whether or not the window is active.
    const auto found = std::find(Image1.cbegin(), Image1.cend(), focusWidget());
    if (found == Image1.cend())
        return std::nullopt;
    return state_.TopIndex + int(found - Image1.cbegin());
}

void frmBrowser::showNotice()
{
    const QSize notice = Label4->size();
    Label4->move(twipsToPixels(outerWidth_) / 2 - notice.width() / 2,
                 twipsToPixels(outerHeight_) / 2 - notice.height() / 2);
    Label4->show();
    Label4->raise();
}

void frmBrowser::show_page()
{
    readPartners(state_.LastShownCell);
    fillPage();
}

void frmBrowser::fillPage()
{
    for (int k = 0; k <= state_.LastShownCell; ++k)
        fill_cell(k);
}

void frmBrowser::readPartners(int lastCell)
{
    QStringList wanted;
    for (int k = 0; k <= lastCell; ++k)
        if (const QString large = files_.list(state_.TopIndex + k); !large.isEmpty())
            wanted << large;
    if (reusePartners_ && std::all_of(wanted.cbegin(), wanted.cend(),
                                      [this](const QString& large) { return partnersAsked_.contains(large); }))
        return;
    partners_ = sets::SmallPartners(fileSystem_).find(directory_.path(), wanted, files_.entries());
    partnersAsked_ = QSet<QString>(wanted.cbegin(), wanted.cend());
}

QString frmBrowser::partnerOf(const QString& largeName) const
{
    return partners_.value(largeName);
}

QString frmBrowser::sourcePath(const QString& name) const
{
    return platform::joinPath(directory_.path(), name);
}

void frmBrowser::blank(platform::ImageBox* image)
{
    image->setPicture(Picture1->pixmap().toImage());
}

void frmBrowser::fill_cell(int index)
{
    platform::ImageBox* image = cell(index);
    const std::size_t i = std::size_t(index);
    const QString large = files_.list(state_.TopIndex + index);
    state_.CellLargeName[i] = large;
    if (large.isEmpty()) {
        state_.CellSmallName[i].clear();
        blank(image);
        blank(Image2);
        return;
    }
    const QString stem = stemOf(large);
    state_.CellSmallName[i] = partnerOf(large);
    image->setPicture(pictures_.load(sourcePath(large)), large);
    if (state_.CellSmallName[i].isEmpty()) {
        blank(Image2);
        return;
    }
    Image2->setPicture(pictures_.load(sourcePath(state_.CellSmallName[i])), state_.CellSmallName[i]);
    platform::showCaption(Label1, stem);
}

void frmBrowser::Scroller_Change()
{
    const platform::BusyCursor busy;
    state_.TopIndex = Scroller->value() * state_.ColumnCount;
    show_page();
}

void frmBrowser::Image1_MouseMove(int index)
{
    if (index == state_.HoverCell)
        return;
    state_.HoverCell = index;
    const std::size_t i = std::size_t(index);
    const QString& small = state_.CellSmallName[i];
    if (small.isEmpty()) {
        blank(Image2);
        return;
    }
    if (mnuOptions[3]->isChecked() && largeView_)
        largeView_->showSet(sourcePath(state_.CellLargeName[i]), sourcePath(small));
    Image2->setPicture(pictures_.load(sourcePath(small)), small);
    platform::showCaption(Label1, stemOf(state_.CellLargeName[i]));
}

void frmBrowser::Image1_DblClick()
{
    mnuOptions_Click(3);
}

void frmBrowser::FullViewButton_Click()
{
    mnuOptions_Click(1);
}

void frmBrowser::mnuOptions_Click(int index)
{
    // A new size, then a new state: one handler may lay out several times, and one look at the directory
    // serves them all.
    partnersAsked_.clear();
    const QScopedValueRollback reuse(reusePartners_, true);
    if (index == 0)
        close();
    if (index == 1) {
        const bool on = !isMaximized();
        setFullScreen(on);
        mnuOptions[1]->setChecked(on);
        FullViewButton->setText(on ? QStringLiteral("Small Screen") : QStringLiteral("Full Screen"));
    }
    if (index == 2) {
        const int amount = viewAmount();
        if (isMaximized()) {
            setFullScreen(false);
            mnuOptions[1]->setChecked(false);
            FullViewButton->setText(QStringLiteral("Full Screen"));
        }
        const gallery::OuterSize size =
            gallery::viewAmountSize(amount, pixelsToTwips(Image1[0]->width()), pixelsToTwips(Image1[0]->height()),
                                    pixelsToTwips(Label3->width()));
        setOuterSize(outerWidth_, size.height);
        setOuterSize(size.width, size.height);
    }
    if (index == 3) {
        if (mnuOptions[3]->isChecked())
            closeLargeView();
        else
            openLargeView();
    }
}

int frmBrowser::viewAmount()
{
    for (;;) {
        const std::optional<QString> answer =
            dialogs_.inputBox(QStringLiteral("Enter number of images to view."),
                              QStringLiteral("Change Viewing Amount"), QStringLiteral("4"));
        const double amount = naming::roundHalfEven(naming::numericValue(answer.value_or(QString()).toStdU32String()));
        if (amount >= 1 && amount <= 4)
            return int(amount);
        dialogs_.messageBox(QStringLiteral("Please enter a value between 1 and 4."), QStringLiteral("Too many images"),
                            platform::MessageButtons::Ok, platform::MessageIcon::Exclamation);
    }
}

void frmBrowser::setOuterSize(int widthTwips, int heightTwips)
{
    outerWidth_ = widthTwips;
    outerHeight_ = heightTwips;
    const QSize client(twipsToPixels(widthTwips - gallery::FrameWidth),
                       twipsToPixels(heightTwips - gallery::FrameHeight));
    // A fixed border: the user cannot drag it to another size.
    setFixedSize(client.width(), client.height() + menuBar()->sizeHint().height());
    if (isVisible())
        Form_Resize();
}

void frmBrowser::setFullScreen(bool on)
{
    if (on) {
        normalOuter_ = {outerWidth_, outerHeight_};
        // The client area's place, not the frame's: a maximised frame has other borders.
        normalPosition_ = geometry().topLeft();
        setMinimumSize(0, 0);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        // Without a window manager nobody else would make the window fill the screen. The state comes
        // last: moving or resizing a maximised window makes it normal again.
        const QRect available = screen()->availableGeometry();
        move(available.topLeft());
        resize(available.size() - (frameGeometry().size() - size()));
        setWindowState(windowState() | Qt::WindowMaximized);
        const QSize client = centralWidget()->size();
        outerWidth_ = pixelsToTwips(client.width()) + gallery::FrameWidth;
        outerHeight_ = pixelsToTwips(client.height()) + gallery::FrameHeight;
        Form_Resize();
        return;
    }
    setWindowState(windowState() & ~Qt::WindowMaximized);
    setOuterSize(normalOuter_.width, normalOuter_.height);
    setGeometry(QRect(normalPosition_, size()));
}

void frmBrowser::openLargeView()
{
    mnuOptions[3]->setChecked(true);
    largeView_ = std::make_unique<frmLargeView>(this);
    connect(largeView_.get(), &frmLargeView::unloaded, this, [this] { mnuOptions[3]->setChecked(false); });
    largeView_->show();
    if (state_.SelectedLarge.isEmpty())
        state_.SelectedSmall.clear();
    const auto path = [this](const QString& name) { return name.isEmpty() ? QString() : sourcePath(name); };
    largeView_->showSet(path(state_.SelectedLarge), path(state_.SelectedSmall));
}

void frmBrowser::closeLargeView()
{
    if (largeView_)
        largeView_->close();
    mnuOptions[3]->setChecked(false);
}

void frmBrowser::closeEvent(QCloseEvent* event)
{
    Form_Unload();
    event->accept();
}

void frmBrowser::Form_Unload()
{
    opening_.reset();
    emit unloaded();
    if (largeView_ && largeView_->isVisible())
        largeView_->close();
}
