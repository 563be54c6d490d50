#include "platform/controls/image_box.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPainter>

#include <gtest/gtest.h>

#include "support/sandbox.h"

namespace {

using platform::ImageBox;

struct Mouse {
    QEvent::Type type;
    Qt::MouseButton button = Qt::LeftButton;
    int x = 5; // the box is 40 wide
};
const Mouse press{QEvent::MouseButtonPress}, release{QEvent::MouseButtonRelease},
    doubleClick{QEvent::MouseButtonDblClick};
const Mouse rightRelease{QEvent::MouseButtonRelease, Qt::RightButton};
const Mouse rightPress{QEvent::MouseButtonPress, Qt::RightButton}, move{QEvent::MouseMove, Qt::NoButton};
const Mouse rightDoubleClick{QEvent::MouseButtonDblClick, Qt::RightButton}, releasedOutside{release.type, {}, 50};

struct MouseRow {
    const char* name;
    std::vector<Mouse> events;
    QStringList fired;
};
const MouseRow mouseRows[] = {
    {"ALeftPressAndReleaseIsAClick", {press, release}, {"click"}},
    {"TheRightButtonClicksNothing", {rightPress, rightRelease}, {}},
    {"AReleaseOutsideIsNoClick", {press, releasedOutside}, {}},
    {"TheReleaseEndingADoubleClickIsNone", {release, doubleClick, release, release}, {"click", "double", "click"}},
    {"ARightDoubleClickIsNone", {rightDoubleClick, rightRelease, release}, {"click"}},
    {"AMoveIsAMove", {move}, {"move"}},
};

class ImageBoxMouse : public testing::TestWithParam<MouseRow> {};

TEST_P(ImageBoxMouse, ClicksAreLeftReleasesInside)
{
    ImageBox box(QSize(40, 40), nullptr);
    QStringList seen;
    QObject::connect(&box, &ImageBox::Click, [&] { seen << "click"; });
    QObject::connect(&box, &ImageBox::DblClick, [&] { seen << "double"; });
    QObject::connect(&box, &ImageBox::MouseMove, [&] { seen << "move"; });
    for (const Mouse& mouse : GetParam().events) {
        const QPoint at(mouse.x, 5);
        QMouseEvent event(mouse.type, at, box.mapToGlobal(at), mouse.button, mouse.button, {});
        QCoreApplication::sendEvent(&box, &event);
    }
    EXPECT_EQ(seen, GetParam().fired);
}

INSTANTIATE_TEST_SUITE_P(Events, ImageBoxMouse, testing::ValuesIn(mouseRows),
                         [](auto& info) { return std::string(info.param.name); });

TEST(ImageBox, TakesThePictureSizeInItsLineUnlessStretchedOrBlank)
{
    QImage stripes(8, 4, QImage::Format_RGB32);
    for (int x = 0; x < 8; ++x)
        for (int y = 0; y < 4; ++y)
            stripes.setPixel(x, y, x % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    ImageBox box(QSize(40, 40), nullptr);
    box.setPicture(stripes);
    EXPECT_EQ(std::pair(box.naturalSize(), box.picture().cacheKey()), std::pair(QSize(12, 8), stripes.cacheKey()));
    // Drawn at its own size inside a one-pixel line, two pixels from the edge.
    QImage expected(12, 8, QImage::Format_RGB32);
    expected.fill(box.palette().color(QPalette::Window));
    QPainter painter(&expected);
    painter.setPen(box.palette().color(QPalette::WindowText));
    painter.drawRect(0, 0, 11, 7);
    painter.drawImage(2, 2, stripes);
    painter.end();
    EXPECT_EQ(box.grab().toImage().convertToFormat(QImage::Format_RGB32), expected);
    for (const auto& [fit, picture] :
         {std::pair{ImageBox::Fit::Natural, QImage()}, {ImageBox::Fit::Stretch, stripes}}) {
        ImageBox other(QSize(40, 30), nullptr, fit);
        other.setPicture(picture);
        EXPECT_EQ(std::pair(other.size(), other.naturalSize()), std::pair(QSize(40, 30), QSize(40, 30)));
    }
}

} // namespace
