#include <sys/stat.h>

#include <QFile>
#include <QPushButton>

#include <gtest/gtest.h>

#include "gallery/frm_browser.h"
#include "support/bad_bitmaps.h"
#include "support/manager_fixture.h"
#include "support/windows.h"

namespace {

using HostileFilesTest = testsupport::ManagerFixture;

// How each kind of broken file decodes is for the pictures' tests to prove; here every window shows the set
// "Bad", both pictures alike, after a good one, and then everything goes on working.
TEST_F(HostileFilesTest, BrokenPicturesShowBlankInEveryWindowAndTheNextSetShows)
{
    for (const std::string kind : {"Truncated", "Fifo", "DanglingLink"}) {
        SCOPED_TRACE(kind);
        testsupport::PortraitSandbox dir;
        for (const QString name : {"BadL.bmp", "badS.bmp"}) {
            if (kind == "Fifo")
                ::mkfifo(QFile::encodeName(dir.filePath(name)).constData(), 0600);
            else if (kind == "DanglingLink")
                QFile::link(dir.filePath("nowhere"), dir.filePath(name));
            else // a byte short of its pixels
                dir.addFile(name, testsupport::bitmapFile({}, QByteArray(47, '\x5a')));
        }
        dir.addPortraits({"GoodL.bmp", "goodS.bmp"});
        open(0.5, dir.path());
        selectSource("GoodL.bmp");
        selectSource("BadL.bmp");
        EXPECT_TRUE(blank("Image1") && blank("Image2"));
        control<QPushButton>("BrowseButton")->click();
        auto* gallery = testsupport::visibleWindow<frmBrowser>("frmBrowser");
        ASSERT_NE(gallery, nullptr);
        for (int large = 0; large < 2; ++large) { // then in the large view on the selected (first) set
            for (platform::ImageBox* cell : gallery->findChildren<platform::ImageBox*>("Image1"))
                emit cell->MouseMove();
            gallery->mnuOptions_Click(3);
        }
        gallery->close();
        selectSource("GoodL.bmp");
        EXPECT_FALSE(blank("Image1") || blank("Image2"));
        window_.reset(); // before its directory goes
    }
}

} // namespace
