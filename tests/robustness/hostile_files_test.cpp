#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QFile>
#include <QPushButton>

#include <gtest/gtest.h>

#include "gallery/frm_browser.h"
#include "support/bad_bitmaps.h"
#include "support/manager_fixture.h"

namespace {

frmBrowser* visibleGallery()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* gallery = qobject_cast<frmBrowser*>(widget); gallery && gallery->isVisible())
            return gallery;
    return nullptr;
}

class HostileFilesTest : public testsupport::ManagerFixture {
protected:
    // Every window shows the set "Bad" (large and small picture from `make`), then goes on working.
    void showEverywhere(const std::function<void(const QString& path)>& make, bool valid = false, QRgb topLeft = 0)
    {
        testsupport::PortraitSandbox dir;
        make(dir.filePath("BadL.bmp"));
        make(dir.filePath("badS.bmp"));
        dir.addPortraits({"GoodL.bmp", "goodS.bmp"});
        open(0.5, dir.path());
        selectSource("BadL.bmp");
        const auto* preview = control<platform::ImageBox>("Image1");
        if (valid) {
            ASSERT_TRUE(preview->hasPicture());
            EXPECT_EQ(preview->picture().pixel(0, 0), topLeft); // upright
        }

        control<QPushButton>("BrowseButton")->click();
        frmBrowser* gallery = visibleGallery();
        ASSERT_NE(gallery, nullptr);
        for (platform::ImageBox* cell : gallery->findChildren<platform::ImageBox*>("Image1"))
            if (cell->isVisible())
                emit cell->MouseMove(); // the hover preview, cell by cell
        gallery->mnuOptions_Click(3);   // the large view on the selected (first) set
        emit gallery->findChildren<platform::ImageBox*>("Image1").first()->MouseMove();
        gallery->close();

        selectSource("GoodL.bmp"); // and everything goes on working
        EXPECT_TRUE(control<platform::ImageBox>("Image1")->hasPicture());
        EXPECT_TRUE(control<platform::ImageBox>("Image2")->hasPicture());
        window_.reset();
    }
};

TEST_F(HostileFilesTest, MalformedBitmapsShowBlankOrAsFarAsTheyDecodeInEveryWindow)
{
    for (const testsupport::BadBitmap& bad : testsupport::badBitmaps()) {
        SCOPED_TRACE(bad.name);
        showEverywhere(
            [&bad](const QString& path) {
                QFile file(path);
                ASSERT_TRUE(file.open(QIODevice::WriteOnly));
                file.write(bad.bytes);
            },
            bad.valid, bad.topLeft);
    }
}

TEST_F(HostileFilesTest, FilesThatAreNoPicturesAtAllShowBlank)
{
    const std::pair<const char*, std::function<void(const QString&)>> cases[] = {
        {"Fifo", [](const QString& path) { ::mkfifo(QFile::encodeName(path).constData(), 0600); }},
        {"DanglingLink", [](const QString& path) { QFile::link(path + ".nowhere", path); }},
    };
    for (const auto& [name, make] : cases) {
        SCOPED_TRACE(name);
        showEverywhere(make);
    }
}

TEST_F(HostileFilesTest, ADirectoryNamedLikeTheSmallPictureIsNoPartner)
{
    source_.addPortraits({"HeroL.bmp"});
    source_.addDirectory("heroS.bmp");
    open();
    selectSource("HeroL.bmp");
    EXPECT_EQ(vars().SourceSmallName, "NOPICTURE");
}

TEST_F(HostileFilesTest, AFileThatVanishesAfterListingShowsBlank)
{
    source_.addPortraits({"GoneL.bmp", "goneS.bmp"});
    open();
    QFile::remove(source_.filePath("GoneL.bmp"));
    QFile::remove(source_.filePath("goneS.bmp"));
    selectSource("GoneL.bmp"); // the partner has gone too: the usual box, no crash
    EXPECT_FALSE(control<platform::ImageBox>("Image1")->hasPicture());
    control<QPushButton>("BrowseButton")->click();
    ASSERT_NE(visibleGallery(), nullptr);
    EXPECT_EQ(visibleGallery()->state().CellLargeName[0], "GoneL.bmp"); // the names stay as listed
    visibleGallery()->close();
}

} // namespace
