#include "platform/file_system.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <tuple>

#include <QFile>

#include <gtest/gtest.h>

#include "support/sandbox.h"

namespace {

using platform::PosixFileSystem;
using testsupport::PortraitSandbox;

// Makes each entry in the sandbox: "name/" a directory, "name>target" a symbolic link to target (which
// need not exist), anything else a file.
void addEntries(PortraitSandbox& sandbox, const QStringList& entries)
{
    for (const QString& entry : entries) {
        const QStringList sides = entry.split(QLatin1Char('>'));
        if (sides.size() == 2) {
            EXPECT_TRUE(QFile::link(sandbox.filePath(sides[1]), sandbox.filePath(sides[0]))) << entry.toStdString();
        } else {
            entry.endsWith(QLatin1Char('/')) ? sandbox.addDirectory(entry) : sandbox.addFile(entry, "x");
        }
    }
}

TEST(FileSystem, ListFilesMatchesThePatternWithCaseIgnored)
{
    // clang-format off
    const std::pair<const char*, bool> rows[] = {
        {"heroL.bmp", true},        {"shoutL.BMP", true},        {"Ärger l.Bmp", true},     {"L.bmp", true},
        {"linkL.bmp>target", true}, {"goneL.bmp>nowhere", true}, {"fooS.bmp", false},       {"xL.bmp.bak", false},
        {".hiddenL.bmp", false},    {"DirL.bmp/", false},        {"dirlinkL.bmp>.", false},
    };
    // clang-format on
    for (const auto& [entry, listed] : rows) {
        SCOPED_TRACE(entry);
        PortraitSandbox sandbox;
        addEntries(sandbox, {"target", entry});
        const QStringList expected =
            listed ? QStringList{QString(entry).section(QLatin1Char('>'), 0, 0)} : QStringList();
        EXPECT_EQ(PosixFileSystem().listFiles(sandbox.path(), QStringLiteral("*L.bmp")).names, expected);
    }
}

TEST(FileSystem, ListingsComeInListOrder)
{
    // clang-format off
    const std::pair<const char*, QStringList> rows[] = {
        {"case folded, ties by code point", {"A", "a", "B", "b"}},
        {"non-ASCII after ASCII, ties by code point", {"Zebra", "Ärger", "ärger"}},
        {"folded to lower case", {"_x", "Ax"}},
        {"one type's sets together", {"FM01L.bmp", "MM04L.bmp", "mm05L.bmp", "MM06L.bmp", "MM10L.bmp", "MMagicL.bmp"}},
    };
    // clang-format on
    for (const auto& [name, expected] : rows) {
        SCOPED_TRACE(name);
        PortraitSandbox sandbox;
        addEntries(sandbox, expected);
        EXPECT_EQ(PosixFileSystem().listFiles(sandbox.path(), QStringLiteral("*")).names, expected);
        QStringList sorted(expected.crbegin(), expected.crend()), byLess = sorted;
        platform::sortInListOrder(sorted);
        std::sort(byLess.begin(), byLess.end(), platform::listOrderLess);
        EXPECT_EQ(sorted, expected);
        EXPECT_EQ(byLess, expected);
    }
}

TEST(FileSystem, FindFileIgnoringCaseAnswersWithTheStoredSpelling)
{
    // clang-format off
    const std::tuple<const char*, QStringList, QString, QString> rows[] = {
        {"other case", {"mM05S.bmp"}, "MM05S.BMP", "mM05S.bmp"},
        {"exact wins over list order", {"MM05S.BMP", "mM05S.bmp"}, "mM05S.bmp", "mM05S.bmp"},
        {"else first in list order", {"mm05s.bmp", "Mm05S.BMP", "MM05S.bmp"}, "MM05s.Bmp", "MM05S.bmp"},
        {"non-ASCII case", {"ärgerS.bmp"}, "ÄRGERS.BMP", "ärgerS.bmp"},
        {"dangling link", {"goneS.bmp>nowhere"}, "GONES.BMP", "goneS.bmp"},
        {"exact is a directory", {"mM05S.bmp/", "MM05S.BMP"}, "mM05S.bmp", "MM05S.BMP"},
        {"missing but for a directory", {"mM05L.bmp", "MM05S.BMP/"}, "mM05S.bmp", ""},
    };
    // clang-format on
    for (const auto& [name, entries, query, expected] : rows) {
        SCOPED_TRACE(name);
        PortraitSandbox sandbox;
        addEntries(sandbox, entries);
        EXPECT_EQ(PosixFileSystem().findFileIgnoringCase(sandbox.path(), query), expected);
    }
}

TEST(FileSystem, NameThatIsNotUtf8IsSkipped)
{
    PortraitSandbox sandbox;
    // Latin-1 "ä" alone is no UTF-8; decoded, it would pass for the valid name holding U+FFFD added below.
    const QByteArray raw = QFile::encodeName(sandbox.path()) + "/bad\xe4L.bmp";
    ASSERT_TRUE(std::ofstream(raw.constData())) << "cannot create a file whose name is not UTF-8";
    const QString replaced = QStringLiteral("bad\uFFFDL.bmp");
    EXPECT_EQ(PosixFileSystem().listFiles(sandbox.path(), QStringLiteral("*")).names, QStringList());
    EXPECT_EQ(PosixFileSystem().findFileIgnoringCase(sandbox.path(), replaced), QString());
    sandbox.addFile(replaced, "x");
    EXPECT_EQ(PosixFileSystem().listFiles(sandbox.path(), QStringLiteral("*")).names, QStringList{replaced});
    std::remove(raw); // the sandbox cannot remove a name it cannot decode
}

TEST(FileSystem, MissingDirectoryGivesAReason)
{
    const QString missing = QStringLiteral("/nonexistent/portraits");
    const PosixFileSystem fs;
    const platform::DirectoryListing files = fs.listFiles(missing, QStringLiteral("*")),
                                     dirs = fs.listDirectories(missing);
    EXPECT_TRUE(!files.ok && !dirs.ok);
    EXPECT_FALSE(files.reason.isEmpty() || dirs.reason.isEmpty());
}

TEST(FileSystem, ListDirectoriesLeavesOutHiddenOnesAndFilesInListOrder)
{
    PortraitSandbox sandbox;
    addEntries(sandbox, {"b/", "C/", "a/", ".hidden/", "file", "linked>b", "filelink>file", "dangling>nowhere"});
    EXPECT_EQ(PosixFileSystem().listDirectories(sandbox.path()).names, (QStringList{"a", "b", "C", "linked"}));
}

TEST(FileSystem, VolumesAreListed)
{
    EXPECT_FALSE(PosixFileSystem().volumes().isEmpty());
}

} // namespace
