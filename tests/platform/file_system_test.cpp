#include "platform/file_system.h"

#include <algorithm>
#include <ostream>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <QFile>
#include <QSet>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include "support/sandbox.h"

namespace {

using platform::DirectoryListing;
using platform::PosixFileSystem;
using testsupport::PortraitSandbox;

std::vector<std::string> toStd(const QStringList& names)
{
    std::vector<std::string> result;
    for (const QString& name : names) {
        result.push_back(name.toStdString());
    }
    return result;
}

std::string nameOf(const char* name)
{
    return name;
}

// Both names inside the sandbox; the target need not exist.
bool makeSymlink(const PortraitSandbox& sandbox, const QString& target, const QString& link)
{
    return ::symlink(QFile::encodeName(sandbox.filePath(target)).constData(),
                     QFile::encodeName(sandbox.filePath(link)).constData()) == 0;
}

// Creates a file under raw bytes that need not be valid UTF-8, as another program might have.
bool createRawFile(const QString& directory, const QByteArray& rawName)
{
    const QByteArray path = QFile::encodeName(directory) + '/' + rawName;
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    if (fd < 0) {
        return false;
    }
    ::close(fd);
    return true;
}

// --- Pattern matching ---------------------------------------------------------------------------

struct PatternRow {
    const char* name;
    QString pattern;
    QString fileName;
    bool listed;
};

void PrintTo(const PatternRow& row, std::ostream* out)
{
    *out << row.name;
}

class PatternMatching : public testing::TestWithParam<PatternRow> {};

TEST_P(PatternMatching, ListsTheFileOnlyWhenItsNameMatches)
{
    const PatternRow& row = GetParam();
    PortraitSandbox sandbox;
    sandbox.addFile(row.fileName, "x");

    const DirectoryListing listing = PosixFileSystem().listFiles(sandbox.path(), row.pattern);

    ASSERT_TRUE(listing.ok) << listing.reason.toStdString();
    const QStringList expected = row.listed ? QStringList{row.fileName} : QStringList{};
    EXPECT_EQ(toStd(listing.names), toStd(expected));
}

INSTANTIATE_TEST_SUITE_P(
    FileSystem, PatternMatching,
    testing::Values(
        PatternRow{"ExactCase", QStringLiteral("*L.bmp"), QStringLiteral("heroL.bmp"), true},
        PatternRow{"UpperCaseExtension", QStringLiteral("*L.bmp"), QStringLiteral("heroL.BMP"), true},
        PatternRow{"LowerCaseSizeLetter", QStringLiteral("*L.bmp"), QStringLiteral("Hero l.BMP"), true},
        PatternRow{"EmptyStem", QStringLiteral("*L.bmp"), QStringLiteral("L.bmp"), true},
        PatternRow{"SmallPicture", QStringLiteral("*L.bmp"), QStringLiteral("fooS.bmp"), false},
        PatternRow{"TrailingCharacters", QStringLiteral("*L.bmp"), QStringLiteral("xL.bmpx"), false},
        PatternRow{"BackupCopy", QStringLiteral("*L.bmp"), QStringLiteral("xL.bmp.bak"), false},
        PatternRow{"NoSizeLetter", QStringLiteral("*L.bmp"), QStringLiteral(".bmp"), false},
        PatternRow{"NonAsciiSuffixCaseIgnored", QStringLiteral("*ä.bmp"), QStringLiteral("BÄ.BMP"), true},
        PatternRow{"StarAlone", QStringLiteral("*"), QStringLiteral("anything.txt"), true},
        PatternRow{"NoWildcardCaseIgnored", QStringLiteral("HEROL.BMP"), QStringLiteral("heroL.bmp"), true},
        PatternRow{"NoWildcardWholeName", QStringLiteral("HEROL.BMP"), QStringLiteral("xheroL.bmp"), false},
        PatternRow{"QuestionIsOneCharacter", QStringLiteral("?L.bmp"), QStringLiteral("aL.BMP"), true},
        PatternRow{"QuestionIsNotTwo", QStringLiteral("?L.bmp"), QStringLiteral("abL.bmp"), false},
        PatternRow{"QuestionIsNotNone", QStringLiteral("?L.bmp"), QStringLiteral("L.bmp"), false},
        PatternRow{"QuestionMatchesNonAscii", QStringLiteral("?L.bmp"), QStringLiteral("ÄL.bmp"), true},
        PatternRow{"StarInTheMiddle", QStringLiteral("MM*L.bmp"), QStringLiteral("mm05l.BMP"), true},
        PatternRow{"StarInTheMiddleNeedsPrefix", QStringLiteral("MM*L.bmp"), QStringLiteral("FM05L.bmp"), false},
        PatternRow{"DotIsLiteral", QStringLiteral("a?b.c"), QStringLiteral("axbxc"), false},
        PatternRow{"BracketsAreLiteral", QStringLiteral("[ab]?.bmp"), QStringLiteral("[AB]1.bmp"), true},
        PatternRow{"BracketsAreNoCharacterClass", QStringLiteral("[ab]?.bmp"), QStringLiteral("a1.bmp"), false}),
    [](const testing::TestParamInfo<PatternRow>& info) { return nameOf(info.param.name); });

// --- What is listed as a file -------------------------------------------------------------------

TEST(FileSystem, ListFilesLeavesOutHiddenNamesAndDirectoriesButFollowsLinks)
{
    PortraitSandbox sandbox;
    sandbox.addPortraits({QStringLiteral("aL.bmp"), QStringLiteral(".hiddenL.bmp")});
    sandbox.addDirectory(QStringLiteral("DirL.bmp"));
    sandbox.addDirectory(QStringLiteral(".hideL.bmp"));
    ASSERT_TRUE(makeSymlink(sandbox, QStringLiteral("aL.bmp"), QStringLiteral("linkL.bmp")));
    ASSERT_TRUE(makeSymlink(sandbox, QStringLiteral("nowhere"), QStringLiteral("goneL.bmp")));
    ASSERT_TRUE(makeSymlink(sandbox, QStringLiteral("DirL.bmp"), QStringLiteral("dirlinkL.bmp")));
    ASSERT_EQ(::mkfifo(QFile::encodeName(sandbox.filePath(QStringLiteral("pipeL.bmp"))).constData(), 0644), 0);

    const DirectoryListing listing = PosixFileSystem().listFiles(sandbox.path(), QStringLiteral("*L.bmp"));

    ASSERT_TRUE(listing.ok) << listing.reason.toStdString();
    EXPECT_TRUE(listing.reason.isEmpty());
    // The FIFO is a non-directory entry; listing must neither open it nor hide it.
    EXPECT_EQ(toStd(listing.names), (std::vector<std::string>{"aL.bmp", "goneL.bmp", "linkL.bmp", "pipeL.bmp"}));
}

TEST(FileSystem, DirectoryPathMayEndInSlash)
{
    PortraitSandbox sandbox;
    sandbox.addPortraits({QStringLiteral("aL.bmp"), QStringLiteral("aS.bmp")});
    sandbox.addDirectory(QStringLiteral("sub"));
    const QString withSlash = sandbox.path() + QLatin1Char('/');
    const PosixFileSystem fs;

    EXPECT_EQ(toStd(fs.listFiles(withSlash, QStringLiteral("*L.bmp")).names), std::vector<std::string>{"aL.bmp"});
    EXPECT_EQ(toStd(fs.listDirectories(withSlash).names), std::vector<std::string>{"sub"});
    EXPECT_EQ(fs.findFileIgnoringCase(withSlash, QStringLiteral("AS.BMP")), QStringLiteral("aS.bmp"));
    EXPECT_EQ(fs.findFileIgnoringCase(withSlash, QStringLiteral("aS.bmp")), QStringLiteral("aS.bmp"));
    EXPECT_TRUE(fs.checkDirectory(withSlash).ok);
}

// --- List order ---------------------------------------------------------------------------------

struct OrderRow {
    const char* name;
    QStringList input;
    QStringList expected;
};

void PrintTo(const OrderRow& row, std::ostream* out)
{
    *out << row.name;
}

class ListOrder : public testing::TestWithParam<OrderRow> {};

TEST_P(ListOrder, SortsAndComparesAlike)
{
    const OrderRow& row = GetParam();
    QStringList names = row.input;

    platform::sortInListOrder(names);

    EXPECT_EQ(toStd(names), toStd(row.expected));
    for (qsizetype i = 0; i + 1 < row.expected.size(); ++i) {
        const QString& before = row.expected[i];
        const QString& after = row.expected[i + 1];
        EXPECT_TRUE(platform::listOrderLess(before, after)) << before.toStdString() << " < " << after.toStdString();
        EXPECT_FALSE(platform::listOrderLess(after, before)) << after.toStdString() << " < " << before.toStdString();
        EXPECT_FALSE(platform::listOrderLess(before, before)) << before.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    FileSystem, ListOrder,
    testing::Values(OrderRow{"CaseIgnoredThenUpperFirst",
                             {QStringLiteral("b"), QStringLiteral("B"), QStringLiteral("a"), QStringLiteral("A")},
                             {QStringLiteral("A"), QStringLiteral("a"), QStringLiteral("B"), QStringLiteral("b")}},
                    OrderRow{"NonAsciiTieByCodePoint",
                             {QStringLiteral("ärger"), QStringLiteral("Ärger")},
                             {QStringLiteral("Ärger"), QStringLiteral("ärger")}},
                    // Folding lowers, so '_' (between 'Z' and 'a') sorts before letters, as in a case-blind list.
                    OrderRow{"FoldsToLowerCase",
                             {QStringLiteral("Ax"), QStringLiteral("_x")},
                             {QStringLiteral("_x"), QStringLiteral("Ax")}},
                    // Code points, not the locale: an umlaut comes after every ASCII letter.
                    OrderRow{"NonAsciiAfterAscii",
                             {QStringLiteral("ärger"), QStringLiteral("Zebra")},
                             {QStringLiteral("Zebra"), QStringLiteral("ärger")}},
                    OrderRow{"PrefixFirst",
                             {QStringLiteral("MM01L.bmp"), QStringLiteral("MM01")},
                             {QStringLiteral("MM01"), QStringLiteral("MM01L.bmp")}},
                    // The allocation of generated names relies on one type's sets being adjacent and ascending.
                    OrderRow{"MixedCaseSetsStayTogether",
                             {QStringLiteral("MM10L.bmp"), QStringLiteral("mm05L.bmp"), QStringLiteral("FM01L.bmp"),
                              QStringLiteral("MM04L.bmp"), QStringLiteral("MMagicL.bmp"), QStringLiteral("MM06L.bmp")},
                             {QStringLiteral("FM01L.bmp"), QStringLiteral("MM04L.bmp"), QStringLiteral("mm05L.bmp"),
                              QStringLiteral("MM06L.bmp"), QStringLiteral("MM10L.bmp"), QStringLiteral("MMagicL.bmp")}},
                    OrderRow{"Empty", {}, {}}),
    [](const testing::TestParamInfo<OrderRow>& info) { return nameOf(info.param.name); });

TEST(FileSystem, ListingsComeInListOrder)
{
    PortraitSandbox sandbox;
    for (const QString& name : {QStringLiteral("b"), QStringLiteral("B"), QStringLiteral("a"), QStringLiteral("A")}) {
        sandbox.addFile(name + QStringLiteral("L.bmp"), "x");
        sandbox.addDirectory(name);
    }
    const PosixFileSystem fs;

    EXPECT_EQ(toStd(fs.listFiles(sandbox.path(), QStringLiteral("*L.bmp")).names),
              (std::vector<std::string>{"AL.bmp", "aL.bmp", "BL.bmp", "bL.bmp"}));
    EXPECT_EQ(toStd(fs.listDirectories(sandbox.path()).names), (std::vector<std::string>{"A", "a", "B", "b"}));
}

TEST(FileSystem, BigDirectoryListsEveryMatchInComparatorOrder)
{
    PortraitSandbox sandbox;
    QStringList expected;
    const QStringList stems{QStringLiteral("mm"), QStringLiteral("MM"),    QStringLiteral("Mm"),
                            QStringLiteral("fw"), QStringLiteral("Ärger"), QStringLiteral("ärger"),
                            QStringLiteral("_x")};
    for (int i = 0; i < 3000; ++i) {
        const QString stem = stems[i % stems.size()] + QString::number(i * 7919 % 3001);
        const QString large = stem + (i % 2 == 0 ? QStringLiteral("L.bmp") : QStringLiteral("l.BMP"));
        sandbox.addFile(large, QByteArray());
        sandbox.addFile(stem + QStringLiteral("S.bmp"), QByteArray());
        expected.append(large);
    }
    std::sort(expected.begin(), expected.end(), platform::listOrderLess);

    const DirectoryListing listing = PosixFileSystem().listFiles(sandbox.path(), QStringLiteral("*L.bmp"));

    ASSERT_TRUE(listing.ok) << listing.reason.toStdString();
    EXPECT_EQ(listing.names, expected);
}

// --- Case-blind look-up -------------------------------------------------------------------------

struct LookupRow {
    const char* name;
    QStringList files;
    QStringList directories;
    QString query;
    QString expected;
};

void PrintTo(const LookupRow& row, std::ostream* out)
{
    *out << row.name;
}

class FindFileIgnoringCase : public testing::TestWithParam<LookupRow> {};

TEST_P(FindFileIgnoringCase, AnswersWithTheStoredSpelling)
{
    const LookupRow& row = GetParam();
    PortraitSandbox sandbox;
    for (const QString& file : row.files) {
        sandbox.addFile(file, "x");
    }
    for (const QString& directory : row.directories) {
        sandbox.addDirectory(directory);
    }

    EXPECT_EQ(PosixFileSystem().findFileIgnoringCase(sandbox.path(), row.query).toStdString(),
              row.expected.toStdString());
}

INSTANTIATE_TEST_SUITE_P(
    FileSystem, FindFileIgnoringCase,
    testing::Values(
        LookupRow{"ExactSpelling",
                  {QStringLiteral("mM05S.bmp")},
                  {},
                  QStringLiteral("mM05S.bmp"),
                  QStringLiteral("mM05S.bmp")},
        LookupRow{"OtherCaseUnderStoredSpelling",
                  {QStringLiteral("mM05S.bmp")},
                  {},
                  QStringLiteral("MM05S.BMP"),
                  QStringLiteral("mM05S.bmp")},
        // "MM05S.BMP" comes first in list order; the exact spelling still wins.
        LookupRow{"ExactSpellingWinsOverListOrder",
                  {QStringLiteral("MM05S.BMP"), QStringLiteral("mM05S.bmp")},
                  {},
                  QStringLiteral("mM05S.bmp"),
                  QStringLiteral("mM05S.bmp")},
        LookupRow{"SeveralAnswerFirstInListOrder",
                  {QStringLiteral("mm05s.bmp"), QStringLiteral("Mm05S.BMP"), QStringLiteral("MM05S.bmp")},
                  {},
                  QStringLiteral("MM05s.Bmp"),
                  QStringLiteral("MM05S.bmp")},
        LookupRow{"DirectoryIsNoFile", {}, {QStringLiteral("mM05S.bmp")}, QStringLiteral("mM05S.bmp"), QString()},
        LookupRow{
            "DirectoryInOtherCaseIsNoFile", {}, {QStringLiteral("MM05S.BMP")}, QStringLiteral("mM05S.bmp"), QString()},
        LookupRow{"ExactIsDirectoryOtherCaseIsFile",
                  {QStringLiteral("MM05S.BMP")},
                  {QStringLiteral("mM05S.bmp")},
                  QStringLiteral("mM05S.bmp"),
                  QStringLiteral("MM05S.BMP")},
        LookupRow{"Missing", {QStringLiteral("mM05L.bmp")}, {}, QStringLiteral("mM05S.bmp"), QString()},
        LookupRow{"NonAsciiCaseIgnored",
                  {QStringLiteral("ärgerS.bmp")},
                  {},
                  QStringLiteral("ÄRGERS.BMP"),
                  QStringLiteral("ärgerS.bmp")},
        LookupRow{"EmptyStemPartner", {QStringLiteral("s.BMP")}, {}, QStringLiteral("S.bmp"), QStringLiteral("s.BMP")},
        LookupRow{"EmptyName", {QStringLiteral("x")}, {}, QString(), QString()}),
    [](const testing::TestParamInfo<LookupRow>& info) { return nameOf(info.param.name); });

TEST(FileSystem, FindFileIgnoringCaseDoesNotReachIntoSubdirectories)
{
    PortraitSandbox sandbox;
    sandbox.addDirectory(QStringLiteral("sub"));
    sandbox.addFile(QStringLiteral("sub/heroS.bmp"), "x");

    EXPECT_EQ(PosixFileSystem().findFileIgnoringCase(sandbox.path(), QStringLiteral("sub/heroS.bmp")), QString());
}

TEST(FileSystem, FindFileIgnoringCaseFindsLinks)
{
    PortraitSandbox sandbox;
    sandbox.addFile(QStringLiteral("target"), "x");
    ASSERT_TRUE(makeSymlink(sandbox, QStringLiteral("target"), QStringLiteral("heroS.bmp")));
    ASSERT_TRUE(makeSymlink(sandbox, QStringLiteral("nowhere"), QStringLiteral("goneS.bmp")));
    const PosixFileSystem fs;

    EXPECT_EQ(fs.findFileIgnoringCase(sandbox.path(), QStringLiteral("HEROS.BMP")), QStringLiteral("heroS.bmp"));
    EXPECT_EQ(fs.findFileIgnoringCase(sandbox.path(), QStringLiteral("heroS.bmp")), QStringLiteral("heroS.bmp"));
    // A copy must not land on a dangling link's name, so the look-up has to see it.
    EXPECT_EQ(fs.findFileIgnoringCase(sandbox.path(), QStringLiteral("GONES.bmp")), QStringLiteral("goneS.bmp"));
    EXPECT_EQ(fs.findFileIgnoringCase(sandbox.path(), QStringLiteral("goneS.bmp")), QStringLiteral("goneS.bmp"));
}

// --- Names that are not valid UTF-8 -------------------------------------------------------------

TEST(FileSystem, NamesThatDoNotDecodeAreInvisible)
{
    PortraitSandbox sandbox;
    // Latin-1 "ä" on its own is not UTF-8; decoding turns it into U+FFFD, which a valid file below
    // really carries, so showing the raw one would mix the two up.
    if (!createRawFile(sandbox.path(), QByteArray("bad\xe4L.bmp")) ||
        !createRawFile(sandbox.path(), QByteArray("bad\xe4S.bmp")) ||
        ::mkdir((QFile::encodeName(sandbox.path()) + "/dir\xe4").constData(), 0755) != 0) {
        GTEST_SKIP() << "this file system refuses names that are not UTF-8";
    }
    const QString replaced = QFile::decodeName(QByteArray("bad\xe4L.bmp"));
    ASSERT_EQ(replaced, QStringLiteral("bad\uFFFDL.bmp"));
    const PosixFileSystem fs;

    EXPECT_EQ(fs.listFiles(sandbox.path(), QStringLiteral("*L.bmp")).names, QStringList());
    EXPECT_EQ(fs.listFiles(sandbox.path(), QStringLiteral("*")).names, QStringList());
    EXPECT_EQ(fs.listDirectories(sandbox.path()).names, QStringList());
    EXPECT_EQ(fs.findFileIgnoringCase(sandbox.path(), QStringLiteral("bad\uFFFDS.bmp")), QString());
    EXPECT_EQ(fs.findFileIgnoringCase(sandbox.path(), QStringLiteral("BAD\uFFFDS.BMP")), QString());

    sandbox.addFile(replaced, "x");
    EXPECT_EQ(fs.listFiles(sandbox.path(), QStringLiteral("*L.bmp")).names, QStringList{replaced});
}

// --- Directories that cannot be read ------------------------------------------------------------

TEST(FileSystem, UnusableDirectoryGivesReason)
{
    PortraitSandbox sandbox;
    sandbox.addFile(QStringLiteral("plain"), "x");
    const struct {
        const char* name;
        QString directory;
    } rows[] = {
        {"Missing", sandbox.filePath(QStringLiteral("missing"))},
        {"MissingParent", sandbox.filePath(QStringLiteral("missing/deeper"))},
        {"RegularFile", sandbox.filePath(QStringLiteral("plain"))},
        {"Empty", QString()},
    };
    const PosixFileSystem fs;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const DirectoryListing files = fs.listFiles(row.directory, QStringLiteral("*"));
        EXPECT_FALSE(files.ok);
        EXPECT_FALSE(files.reason.isEmpty());
        EXPECT_TRUE(files.names.isEmpty());
        const DirectoryListing directories = fs.listDirectories(row.directory);
        EXPECT_FALSE(directories.ok);
        EXPECT_FALSE(directories.reason.isEmpty());
        const platform::FsResult check = fs.checkDirectory(row.directory);
        EXPECT_FALSE(check.ok);
        EXPECT_FALSE(check.reason.isEmpty());
        EXPECT_EQ(fs.findFileIgnoringCase(row.directory, QStringLiteral("plain")), QString());
    }
}

TEST(FileSystem, UnreadableDirectoryGivesReason)
{
    if (::geteuid() == 0) {
        GTEST_SKIP() << "permission bits do not stop root";
    }
    PortraitSandbox sandbox;
    const QString locked = sandbox.addDirectory(QStringLiteral("locked"));
    sandbox.addFile(QStringLiteral("locked/aL.bmp"), "x");
    ASSERT_EQ(::chmod(QFile::encodeName(locked).constData(), 0), 0);
    const PosixFileSystem fs;

    const DirectoryListing listing = fs.listFiles(locked, QStringLiteral("*L.bmp"));
    const platform::FsResult check = fs.checkDirectory(locked);
    ::chmod(QFile::encodeName(locked).constData(), 0755); // so that the sandbox can be removed

    EXPECT_FALSE(listing.ok);
    EXPECT_FALSE(listing.reason.isEmpty());
    EXPECT_FALSE(check.ok);
    EXPECT_FALSE(check.reason.isEmpty());
}

TEST(FileSystem, ReadableDirectoryChecksOk)
{
    PortraitSandbox sandbox;
    const platform::FsResult check = PosixFileSystem().checkDirectory(sandbox.path());
    EXPECT_TRUE(check.ok);
    EXPECT_TRUE(check.reason.isEmpty());
}

// --- Subdirectories -----------------------------------------------------------------------------

TEST(FileSystem, ListDirectoriesFollowsLinksAndLeavesOutHiddenOnesAndFiles)
{
    PortraitSandbox sandbox;
    sandbox.addDirectory(QStringLiteral("b"));
    sandbox.addDirectory(QStringLiteral("A"));
    sandbox.addDirectory(QStringLiteral(".hidden"));
    sandbox.addFile(QStringLiteral("c"), "x");
    ASSERT_TRUE(makeSymlink(sandbox, QStringLiteral("b"), QStringLiteral("linked")));
    ASSERT_TRUE(makeSymlink(sandbox, QStringLiteral("nowhere"), QStringLiteral("dangling")));
    ASSERT_TRUE(makeSymlink(sandbox, QStringLiteral("c"), QStringLiteral("filelink")));

    const DirectoryListing listing = PosixFileSystem().listDirectories(sandbox.path());

    ASSERT_TRUE(listing.ok) << listing.reason.toStdString();
    EXPECT_EQ(toStd(listing.names), (std::vector<std::string>{"A", "b", "linked"}));
}

// --- Volumes ------------------------------------------------------------------------------------

TEST(FileSystem, VolumesAreMountedRootsOnceEachInListOrder)
{
    const QList<platform::Volume> volumes = PosixFileSystem().volumes();

    ASSERT_FALSE(volumes.isEmpty());
    QStringList roots;
    for (const platform::Volume& volume : volumes) {
        roots.append(volume.rootPath);
        EXPECT_TRUE(volume.rootPath.startsWith(QLatin1Char('/'))) << volume.rootPath.toStdString();
    }
    EXPECT_EQ(QSet<QString>(roots.cbegin(), roots.cend()).size(), roots.size());
    EXPECT_TRUE(std::is_sorted(roots.cbegin(), roots.cend(), platform::listOrderLess));
}

} // namespace
