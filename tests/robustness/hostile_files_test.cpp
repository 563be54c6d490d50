#include <sys/stat.h>

#include <QFile>
#include <QPushButton>

#include <gtest/gtest.h>

#include "gallery/frm_browser.h"
#include "support/bad_bitmaps.h"
#include "support/manager_fixture.h"
#include "support/windows.h"

namespace {

using platform::ImageBox;
using HostileFilesTest = testsupport::ManagerFixture;

// The set "Bad", both pictures made alike, is shown in every window; then everything goes on working.
TEST_F(HostileFilesTest, BrokenPicturesShowBlankOrAsFarAsTheyDecodeInEveryWindow)
{
    std::vector<testsupport::BadBitmap> rows = testsupport::badBitmaps();
    rows.insert(rows.end(), {{"Fifo", {}}, {"DanglingLink", {}}});
    for (const testsupport::BadBitmap& bad : rows) {
        SCOPED_TRACE(bad.name);
        testsupport::PortraitSandbox dir;
        for (const QString& name : {dir.filePath("BadL.bmp"), dir.filePath("badS.bmp")}) {
            if (bad.name == std::string("Fifo"))
                ::mkfifo(QFile::encodeName(name).constData(), 0600);
            else if (bad.name == std::string("DanglingLink"))
                QFile::link(dir.filePath("nowhere"), name);
            else
                dir.addFile(QFileInfo(name).fileName(), bad.bytes);
        }
        dir.addPortraits({"GoodL.bmp", "goodS.bmp"});
        open(0.5, dir.path());
        selectSource("BadL.bmp");
        const QImage shown = control<ImageBox>("Image1")->picture();
        EXPECT_EQ(std::pair(shown.isNull(), bad.topLeft ? std::optional(shown.pixel(0, 0)) : std::nullopt),
                  std::pair(bad.blank, bad.topLeft));
        control<QPushButton>("BrowseButton")->click();
        auto* gallery = testsupport::visibleWindow<frmBrowser>("frmBrowser");
        ASSERT_NE(gallery, nullptr);
        for (int large = 0; large < 2; ++large) { // then in the large view on the selected (first) set
            for (ImageBox* cell : gallery->findChildren<ImageBox*>("Image1"))
                emit cell->MouseMove();
            gallery->mnuOptions_Click(3);
        }
        gallery->close();
        selectSource("GoodL.bmp");
        EXPECT_TRUE(control<ImageBox>("Image1")->hasPicture() && control<ImageBox>("Image2")->hasPicture());
        window_.reset(); // before its directory goes
    }
}

} // namespace
