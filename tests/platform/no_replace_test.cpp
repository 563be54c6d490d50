#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include "platform/file_system.h"
#include "support/mount.h"
#include "support/sandbox.h"

namespace {

using testsupport::Mount;

using Contents = QMap<QString, QByteArray>;
using platform::PosixFileSystem;
using testsupport::PortraitSandbox;

TEST(NoReplace, WritesNeverReplaceAnExistingFile)
{
    PortraitSandbox sandbox;
    sandbox.addFile("mine", "mine");
    sandbox.addFile("theirs", "theirs");
    const Contents before = sandbox.contents();
    PosixFileSystem fs;
    for (const auto& result : {fs.copyFile(sandbox.filePath("mine"), sandbox.filePath("theirs")),
                               fs.moveFile(sandbox.filePath("mine"), sandbox.filePath("theirs")),
                               fs.removeFile(sandbox.filePath("nobody"))}) {
        EXPECT_FALSE(result.ok);
        EXPECT_FALSE(result.reason.isEmpty());
    }
    EXPECT_EQ(sandbox.contents(), before);

    ASSERT_TRUE(fs.copyFile(sandbox.filePath("mine"), sandbox.filePath("copy")).ok);
    ASSERT_TRUE(fs.moveFile(sandbox.filePath("theirs"), sandbox.filePath("moved")).ok);
    EXPECT_EQ(sandbox.contents(), Contents({{"copy", "mine"}, {"mine", "mine"}, {"moved", "theirs"}}));
}

TEST(NoReplace, MoveAcrossFileSystemsCopiesThenRemovesTheSource)
{
    PortraitSandbox sandbox;
    PortraitSandbox other;
    const Mount tmpfs(other.path(), "size=1m");
    SKIP_UNLESS_MOUNTED(tmpfs);
    sandbox.addFile("set", QByteArray(5000, 'p'));
    ASSERT_TRUE(PosixFileSystem().moveFile(sandbox.filePath("set"), other.filePath("set")).ok);
    EXPECT_TRUE(sandbox.contents().isEmpty());
    EXPECT_EQ(other.contents(), Contents({{"set", QByteArray(5000, 'p')}}));
}

TEST(NoReplace, FullDiskLeavesNothingBehindAndTheSourceUntouched)
{
    PortraitSandbox sandbox;
    PortraitSandbox full;
    const Mount tmpfs(full.path(), "size=64k");
    SKIP_UNLESS_MOUNTED(tmpfs);
    const QByteArray big(200 * 1024, 'x');
    sandbox.addFile("big", big);
    for (const bool move : {false, true}) {
        PosixFileSystem fs;
        const auto result = move ? fs.moveFile(sandbox.filePath("big"), full.filePath("big"))
                                 : fs.copyFile(sandbox.filePath("big"), full.filePath("big"));
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.reason, QString::fromLocal8Bit(std::strerror(ENOSPC)));
        EXPECT_TRUE(full.contents().isEmpty());
        EXPECT_EQ(sandbox.contents(), Contents({{"big", big}}));
    }
}

TEST(NoReplace, ReadOnlyFileSystemRefusesAndKeepsTheSource)
{
    PortraitSandbox sandbox;
    PortraitSandbox target;
    PortraitSandbox readOnly;
    const Mount bind(readOnly.path(), nullptr, target.path());
    SKIP_UNLESS_MOUNTED(bind);
    sandbox.addFile("set", "set");
    PosixFileSystem fs;
    for (const auto& result : {fs.copyFile(sandbox.filePath("set"), readOnly.filePath("set")),
                               fs.moveFile(sandbox.filePath("set"), readOnly.filePath("set"))})
        EXPECT_EQ(result.reason, QString::fromLocal8Bit(std::strerror(EROFS)));
    EXPECT_EQ(sandbox.contents(), Contents({{"set", "set"}}));
    EXPECT_TRUE(target.contents().isEmpty());
}

TEST(NoReplace, PermissionDeniedIsReportedForAnUnprivilegedUser)
{
    if (::geteuid() != 0 || QStandardPaths::findExecutable("setpriv").isEmpty())
        GTEST_SKIP() << "needs root and setpriv to act as another user";
    PortraitSandbox source;
    PortraitSandbox target;
    source.addFile("set", "set");
    ::chmod(QFile::encodeName(source.path()).constData(), 0755);
    ::chmod(QFile::encodeName(target.path()).constData(), 0755); // root's: nobody may write here
    const QStringList nobody{"--reuid=65534", "--regid=65534", "--clear-groups", QStringLiteral(FS_PROBE)};
    for (const QString& operation : {QStringLiteral("copy"), QStringLiteral("move")}) {
        QProcess probe;
        probe.start("setpriv", nobody + QStringList{operation, source.filePath("set"), target.filePath("set")});
        ASSERT_TRUE(probe.waitForFinished(10000));
        EXPECT_EQ(probe.exitCode(), 1);
        EXPECT_EQ(probe.readAllStandardOutput().trimmed(), QByteArray(std::strerror(EACCES)));
    }
    EXPECT_EQ(source.contents(), Contents({{"set", "set"}}));
    EXPECT_TRUE(target.contents().isEmpty());
}

} // namespace
