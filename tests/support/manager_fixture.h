#pragma once

#include <memory>

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include "gallery/frm_browser.h"
#include "manager/frm_main.h"
#include "platform/controls/dir_list_box.h"
#include "platform/controls/file_list_box.h"
#include "platform/controls/image_box.h"
#include "platform/controls/selector_box.h"
#include "support/forwarding_file_system.h"
#include "support/sandbox.h"
#include "support/scripted_dialogs.h"
#include "support/scripted_random.h"
#include "support/windows.h"

namespace testsupport {

// The manager window over two sandbox directories, with scripted boxes and a fixed random draw.
class ManagerFixture : public ::testing::Test {
protected:
    void open(double randomDraw = 0.5, const QString& startDirectory = QString())
    {
        random_.value = randomDraw;
        window_ = std::make_unique<frmMain>(platform::Services{fileSystem_, dialogs_, random_},
                                            startDirectory.isEmpty() ? source_.path() : startDirectory);
        window_->start();
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
    void choose(const char* selector, int index) { control<platform::SelectorBox>(selector)->setListIndex(index); }
    void setDestination(const QString& path) { control<platform::DirListBox>("Directory2")->setPath(path); }
    // Presses Gallery. The gallery shows its notice first and loads its first page once the notice has been
    // painted, from the event loop: this waits for both.
    frmBrowser* pressGallery()
    {
        control<QPushButton>("BrowseButton")->click();
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

} // namespace testsupport
