#pragma once

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include "gallery/frm_browser.h"
#include "manager/frm_main.h"
#include "platform/controls/dir_list_box.h"
#include "platform/controls/drive_list_box.h"
#include "platform/controls/file_list_box.h"
#include "platform/controls/image_box.h"
#include "platform/controls/selector_box.h"
#include "support/forwarding_file_system.h"
#include "support/sandbox.h"
#include "support/scripted_dialogs.h"
#include "support/scripted_random.h"
#include "support/windows.h"

namespace testsupport {

// The name a table's row gives its test, the same in every build.
struct RowName {
    template <typename Info> std::string operator()(const Info& info) const { return info.param.name; }
};

// A failing row says its name, not its bytes: `using testsupport::operator<<;` where the rows are.
template <typename Row> auto operator<<(std::ostream& out, const Row& row) -> decltype(out << row.name)
{
    return out << row.name;
}

class ManagerFixture;
// A step of a session, and what shows after it as the row's table words it.
template <typename Fixture = ManagerFixture> struct Step {
    const char* name;
    std::function<void(Fixture&)> act;
    const char* shown = "";
};

// A row of a session is what shows after its step. So that it runs alone, the steps of the rows before it
// are played first, unchecked: each is checked by its own row.
template <typename Rows, typename Row, typename Fixture>
void playStepsBefore(const Rows& rows, const Row& row, Fixture& fixture)
{
    for (const auto& step : rows) {
        if (std::string_view(step.name) == row.name)
            return;
        step.act(fixture);
    }
}

// The manager window over two sandbox directories, with scripted boxes and a fixed random draw.
// Public, so that the steps of a table reach it.
class ManagerFixture : public ::testing::Test {
public:
    void open(double randomDraw = 0.5, const QString& startDirectory = QString())
    {
        random_.value = randomDraw;
        window_ = std::make_unique<frmMain>(platform::Services{fileSystem_, dialogs_, random_},
                                            startDirectory.isEmpty() ? source_.path() : startDirectory);
        window_->start();
    }
    // The sets "AA", "AB", ... in the source; all but those in `alone` with a small picture, spelt "aaS.bmp".
    void addSets(int count, const QList<int>& alone = {})
    {
        for (int i = 0; i < count; ++i) {
            const QString stem = QStringLiteral("%1%2").arg(QChar('A' + i / 26)).arg(QChar('A' + i % 26));
            source_.addPortraits({stem + "L.bmp", alone.contains(i) ? "other.txt" : stem.toLower() + "S.bmp"});
        }
    }

    template <typename T = QWidget> T* control(const char* name) const
    {
        T* found = window_->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QString caption(const char* label) const { return control<QLabel>(label)->text(); }
    const ManagerVariables& vars() const { return window_->variables(); }
    platform::FileListBox* files(const char* name = "Files") const { return control<platform::FileListBox>(name); }
    QString destinationPath() const { return control<platform::DirListBox>("Directory2")->path(); }
    void press(const char* button) { control<QPushButton>(button)->click(); }
    void choose(const char* selector, int index) { control<platform::SelectorBox>(selector)->setListIndex(index); }
    void setDestination(const QString& path) { control<platform::DirListBox>("Directory2")->setPath(path); }
    void pickDrive(int index)
    {
        auto* drive = control<platform::DriveListBox>("Drive1");
        drive->setCurrentIndex(index);
        emit drive->activated(index);
    }
    // Presses Gallery. The gallery shows its notice first and loads its first page once the notice has been
    // painted, from the event loop: this waits for both.
    frmBrowser* pressGallery()
    {
        press("BrowseButton");
        auto* gallery = visibleWindow<frmBrowser>("frmBrowser");
        EXPECT_TRUE(!gallery || QTest::qWaitFor([gallery] { return gallery->opened(); })) << "the gallery never opened";
        return gallery;
    }
    void selectSource(const QString& name)
    {
        const int index = int(files()->entries().indexOf(name));
        ASSERT_GE(index, 0) << qPrintable(name) << " is not listed";
        files()->setListIndex(index);
    }

    PortraitSandbox source_;
    PortraitSandbox destination_;
    ForwardingFileSystem fileSystem_;
    ScriptedDialogs dialogs_;
    FixedRandom random_;
    std::unique_ptr<frmMain> window_;
};

// The manager's gallery over the sets of addSets.
class GalleryFixture : public ManagerFixture {
public:
    bool openGallery(int count, const QList<int>& alone = {})
    {
        addSets(count, alone);
        open();
        browser_ = pressGallery();
        return browser_ != nullptr;
    }
    const GalleryState& state() const { return browser_->state(); }
    template <typename T = QWidget> T* child(const QString& name) const { return browser_->findChild<T*>(name); }
    // Cells are made in the order of their index.
    platform::ImageBox* cell(int index) const
    {
        return browser_->centralWidget()
            ->findChildren<platform::ImageBox*>("Image1", Qt::FindDirectChildrenOnly)
            .value(index);
    }
    QString caption(const char* label) const { return child<QLabel>(label)->text(); }
    QScrollBar* scroller() const { return child<QScrollBar>("Scroller"); }
    // An entry of the Options menu, found under the names the menu and its entries are known by.
    QAction* entry(int index) const
    {
        return child<QMenu>(QStringLiteral("mnuBase"))->findChild<QAction*>(QStringLiteral("mnuOptions_%1").arg(index));
    }
    void viewAmount(const QStringList& answers)
    {
        for (const QString& answer : answers)
            dialogs_.queueInput(answer);
        browser_->mnuOptions_Click(2);
    }

    frmBrowser* browser_ = nullptr;
};
// A manager fixture (or one made from it) whose test runs once per row of a table.
template <typename Row, typename Base = ManagerFixture>
class ManagerRowsFixture : public Base, public ::testing::WithParamInterface<Row> {
};

} // namespace testsupport
