#include <functional>

#include <QTest>

#include <gtest/gtest.h>

#include "platform/controls/file_list_box.h"
#include "platform/os/posix_file_system.h"
#include "support/sandbox.h"

namespace {

using platform::FileListBox;
using Gesture = std::function<void(FileListBox&)>;

constexpr int EmptySpace = -1; // below the last entry
const auto centre = [](FileListBox& list, int row) {
    return row == EmptySpace ? QPoint(5, 295) : list.visualRect(list.model()->index(row, 0)).center();
};
const auto click = [](int row, Qt::KeyboardModifiers keys = {}) -> Gesture {
    return [=](FileListBox& list) { QTest::mouseClick(list.viewport(), Qt::LeftButton, keys, centre(list, row)); };
};
const auto ctrlClick = [](int row) { return click(row, Qt::ControlModifier); };
const auto doubleClick = [](int row, Qt::MouseButton button = Qt::LeftButton) -> Gesture {
    return [=](FileListBox& list) { QTest::mouseDClick(list.viewport(), button, {}, centre(list, row)); };
};
const auto rightDoubleClick = [](int row) { return doubleClick(row, Qt::RightButton); };
const Gesture down = [](FileListBox& list) { QTest::keyClick(&list, Qt::Key_Down); };
const Gesture enter = [](FileListBox& list) { QTest::keyClick(&list, Qt::Key_Return); };
const auto codeSelects = [](int row) -> Gesture { return [=](FileListBox& list) { list.setListIndex(row); }; };

struct Row {
    const char* name;
    std::vector<Gesture> gestures;
    QStringList fired; // the signals, each with the entry chosen then
    int chosenAfter;
};

// Refreshes are left to the manager's tests.
const Row rows[] = {
    {"DownMovesOnFromTheClickedEntry", {click(1), down}, {"click 1", "click 2"}, 2},
    {"DownWithNothingChosenChoosesTheFirst", {down}, {"click 0"}, 0},
    {"ADoubleClickClicksFirst", {doubleClick(2)}, {"click 2", "dbl 2"}, 2},
    {"ADoubleClickOnTheChosenEntry", {click(0), doubleClick(0)}, {"click 0", "dbl 0"}, 0},
    {"ARightDoubleClickFiresNothing", {click(1), rightDoubleClick(1)}, {"click 1"}, 1},
    {"EnterIsADoubleClick", {click(2), enter}, {"click 2", "dbl 2"}, 2},
    {"EnterWithNothingChosenFiresNothing", {enter}, {}, -1},
    {"CtrlClickAndEmptySpaceKeepTheChoice",
     {click(0), ctrlClick(0), click(EmptySpace), doubleClick(EmptySpace)},
     {"click 0", "click 0"},
     0},
    {"CodeChoosesAndOutsideTheListChoosesNothing", {codeSelects(2), codeSelects(3)}, {"click 2"}, -1},
    {"EveryClickFiresOnTheChosenEntryToo", {codeSelects(1), click(1), click(1)}, {"click 1", "click 1", "click 1"}, 1},
    {"AClickAfterARightDoubleClickFires", {click(1), rightDoubleClick(1), click(1)}, {"click 1", "click 1"}, 1},
};

class FileListBoxGestures : public testing::TestWithParam<Row> {};

TEST_P(FileListBoxGestures, FireClickAndDblClickInOrder)
{
    testsupport::PortraitSandbox sandbox;
    sandbox.addPortraits({"AAL.bmp", "bbL.BMP", "CCL.bmp", "aAS.bmp"});
    platform::PosixFileSystem fileSystem;
    FileListBox list(fileSystem, nullptr);
    list.setPattern(QStringLiteral("*L.bmp"));
    list.resize(200, 300);
    list.show();
    list.setPath(sandbox.path());
    QStringList fired;
    QObject::connect(&list, &FileListBox::Click, [&] { fired << QStringLiteral("click %1").arg(list.listIndex()); });
    QObject::connect(&list, &FileListBox::DblClick, [&] { fired << QStringLiteral("dbl %1").arg(list.listIndex()); });
    for (const Gesture& gesture : GetParam().gestures)
        gesture(list);
    EXPECT_EQ(std::pair(fired, list.listIndex()), std::pair(GetParam().fired, GetParam().chosenAfter));
}

INSTANTIATE_TEST_SUITE_P(Rows, FileListBoxGestures, testing::ValuesIn(rows),
                         [](auto& info) { return std::string(info.param.name); });

} // namespace
