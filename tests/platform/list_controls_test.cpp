#include <cctype>
#include <functional>
#include <map>

#include <QTest>

#include <gtest/gtest.h>

#include "platform/controls/file_list_box.h"
#include "platform/os/posix_file_system.h"
#include "support/sandbox.h"

namespace {

using platform::FileListBox;

// Gestures in turn: c click (also on the entry already selected), d double-click, r right double-click on the row that
// follows (e marks empty space), C Ctrl+click, v Down, n Enter, s the code selects. Refreshes are left to the manager's
// tests.
TEST(FileListBox, GesturesAndCodeFireClickAndDblClickInOrder)
{
    testsupport::PortraitSandbox sandbox;
    sandbox.addPortraits({"AAL.bmp", "bbL.BMP", "CCL.bmp", "aAS.bmp"});
    platform::PosixFileSystem fileSystem;
    FileListBox list(fileSystem, nullptr);
    list.setPattern(QStringLiteral("*L.bmp"));
    list.resize(200, 300);
    list.show();
    QStringList log;
    QObject::connect(&list, &FileListBox::Click, [&] { log << QStringLiteral("click %1").arg(list.listIndex()); });
    QObject::connect(&list, &FileListBox::DblClick, [&] { log << QStringLiteral("dbl %1").arg(list.listIndex()); });
    // clang-format off
    const std::pair<const char*, QStringList> rows[] = {
        {"c1v", {"click 1", "click 2", "2"}}, {"v", {"click 0", "0"}}, {"d2", {"click 2", "dbl 2", "2"}},
        {"c0d0", {"click 0", "dbl 0", "0"}}, {"c1r1", {"click 1", "1"}}, {"c2n", {"click 2", "dbl 2", "2"}},
        {"n", {"-1"}}, {"c0C0cede", {"click 0", "click 0", "0"}}, {"s2s3", {"click 2", "-1"}},
        {"s1c1c1", {"click 1", "click 1", "click 1", "1"}}, {"c1r1c1", {"click 1", "click 1", "1"}},
    };
    // clang-format on
    const auto at = [&list](char row) {
        return row == 'e' ? QPoint(5, 295) : list.visualRect(list.model()->index(row - '0', 0)).center();
    };
    // clang-format off
    const std::map<char, std::function<void(char)>> gesture = {
        {'c', [&](char row) { QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, at(row)); }},
        {'C', [&](char row) { QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::ControlModifier, at(row)); }},
        {'d', [&](char row) { QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, at(row)); }},
        {'r', [&](char row) { QTest::mouseDClick(list.viewport(), Qt::RightButton, {}, at(row)); }},
        {'v', [&](char) { QTest::keyClick(&list, Qt::Key_Down); }},
        {'n', [&](char) { QTest::keyClick(&list, Qt::Key_Return); }},
        {'s', [&](char row) { list.setListIndex(row - '0'); }},
    };
    // clang-format on
    for (const auto& [gestures, expected] : rows) {
        list.setPath(sandbox.path());
        log.clear();
        for (const char* g = gestures; *g; g += 1 + (std::isdigit(g[1]) || g[1] == 'e'))
            gesture.at (*g)(g[1]);
        EXPECT_EQ(log << QString::number(list.listIndex()), expected) << gestures;
    }
}

} // namespace
