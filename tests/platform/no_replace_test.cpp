#include <cerrno>
#include <chrono>
#include <cstring>
#include <iostream>
#include <optional>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include "platform/os/file_system.h"
#include "support/mount.h"
#include "support/sandbox.h"
#include "support/system_call_faults.h"

namespace {

using Call = platform::SystemCall;
using Contents = QMap<QString, QByteArray>;
using platform::FsResult;
using platform::PosixFileSystem;
using testsupport::Mount;
using testsupport::PortraitSandbox;
using testsupport::SystemCallFaults;

const QString Source = QStringLiteral("MM05L.bmp");
const QString Target = QStringLiteral("MM01L.bmp");
const QString Bystander = QStringLiteral("theirs");

// Several buffers long, so that a copy makes more than one write.
QByteArray original()
{
    QByteArray bytes(200 * 1024, '\0');
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = char((i * 7 + i / 251) & 0xff);
    return bytes;
}

QString systemText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// The ways a file system may lack the calls the writes prefer; each sends them down another path.
enum class Path { Anonymous, NoProc, Named, NamedWithoutRenameat2, NamedWithoutLink };
const std::pair<Path, const char*> Paths[] = {
    {Path::Anonymous, "anonymous file"},
    {Path::NoProc, "anonymous file without /proc"},
    {Path::Named, "hidden file, refusing rename"},
    {Path::NamedWithoutRenameat2, "hidden file, hard link"},
    {Path::NamedWithoutLink, "hidden file, look then rename (FAT through FUSE)"},
};

void lack(Path path, SystemCallFaults& faults, const QString& targetDirectory)
{
    if (path == Path::NoProc)
        faults.lack(Call::Linkat, ENOENT);
    if (path >= Path::Named)
        faults.lack(Call::Open, EOPNOTSUPP, QFile::encodeName(targetDirectory)); // O_TMPFILE opens the directory
    if (path >= Path::NamedWithoutRenameat2)
        faults.lack(Call::Renameat2, EINVAL);
    if (path >= Path::NamedWithoutLink) {
        faults.lack(Call::Link, EPERM);
        faults.lack(Call::Linkat, EPERM);
    }
}

enum class Operation { Copy, Move, MoveAcross };
const std::pair<Operation, const char*> Operations[] = {
    {Operation::Copy, "copy"}, {Operation::Move, "move"}, {Operation::MoveAcross, "move across file systems"}};

// A source directory, a target directory (on a tmpfs for a move across file systems), the file and a
// bystander in each that nothing may touch.
class Scene {
public:
    Scene() : tmpfs_(across_.path(), "size=4m") {}
    bool mounted() const { return tmpfs_.mounted(); }
    QString skipReason() const { return tmpfs_.skipReason(); }

    QString targetDirectory(Operation operation) const
    {
        return operation == Operation::MoveAcross ? across_.path() : target_.path();
    }
    void reset(const QByteArray& content)
    {
        for (const PortraitSandbox* sandbox : {&source_, &target_, &across_})
            for (const QString& name : sandbox->contents().keys())
                QFile::remove(sandbox->filePath(name));
        source_.addFile(Source, content);
        // Last changed long ago, as portraits are, so that an edit now always shows in the times.
        const struct timespec times[2] = {{0, UTIME_OMIT}, {946684800, 0}};
        ::utimensat(AT_FDCWD, QFile::encodeName(source_.filePath(Source)).constData(), times, 0);
        for (PortraitSandbox* sandbox : {&source_, &target_, &across_})
            sandbox->addFile(Bystander, "theirs");
    }
    FsResult run(Operation operation, SystemCallFaults& faults) const
    {
        PosixFileSystem fs(&faults);
        const QString from = source_.filePath(Source);
        const QString to = targetDirectory(operation) + '/' + Target;
        return operation == Operation::Copy ? fs.copyFile(from, to) : fs.moveFile(from, to, {});
    }
    Contents sourceContents() const { return source_.contents(); }
    Contents targetContents(Operation operation) const
    {
        return operation == Operation::MoveAcross ? across_.contents() : target_.contents();
    }
    QString sourcePath() const { return source_.filePath(Source); }
    QString targetPath(Operation operation) const { return targetDirectory(operation) + '/' + Target; }

private:
    PortraitSandbox source_;
    PortraitSandbox target_;
    PortraitSandbox across_;
    Mount tmpfs_;
};

// What must hold whatever failed: nothing else was touched, the original is still somewhere, no file
// under the target name differs from it, a result is never a false success, and nothing is left behind
// but, where removing it failed, a hidden file that says what it is.
void expectSafe(const FsResult& result, Operation operation, const Contents& source, const Contents& target,
                const QByteArray& content, bool leftoverAllowed)
{
    EXPECT_EQ(source.value(Bystander), "theirs");
    EXPECT_EQ(target.value(Bystander), "theirs");
    const bool atSource = source.contains(Source);
    const bool atTarget = target.contains(Target);
    EXPECT_TRUE(atSource || atTarget) << "the original is gone";
    if (atSource) {
        EXPECT_EQ(source[Source], content);
    }
    if (atTarget) {
        EXPECT_TRUE(target[Target] == content) << "a partial file bears the target name";
    }
    if (result.ok) {
        EXPECT_TRUE(atTarget);
        EXPECT_EQ(atSource, operation == Operation::Copy);
        EXPECT_TRUE(result.written.known());
    } else {
        EXPECT_FALSE(result.reason.isEmpty());
        EXPECT_TRUE(atSource);
        EXPECT_EQ(atTarget, result.copyLeft);
    }
    for (const Contents* directory : {&source, &target})
        for (const QString& name : directory->keys()) {
            if (name == Source || name == Target || name == Bystander)
                continue;
            EXPECT_TRUE(leftoverAllowed && name.startsWith(QStringLiteral(".MM01L.bmp.ostrel-copying-")))
                << "left behind: " << qPrintable(name);
        }
}

TEST(NoReplace, EveryFaultOnEveryPathKeepsEveryFileSafe)
{
    RUN_WHERE_MOUNTING_WORKS();
    Scene scene;
    SKIP_UNLESS_MOUNTED(scene);
    const QByteArray content = original();
    const Call calls[] = {Call::Open,      Call::Write, Call::Fsync,  Call::Fchmod, Call::Linkat,
                          Call::Renameat2, Call::Link,  Call::Rename, Call::Unlink};
    const int errors[] = {ENOSPC, EIO, EACCES, EROFS, EXDEV, ENOSYS, EINVAL};
    for (const auto& [path, pathName] : Paths)
        for (const auto& [operation, operationName] : Operations)
            for (const Call call : calls)
                for (const int error : errors)
                    for (const int nth : {0, 1}) {
                        SCOPED_TRACE(testing::Message() << pathName << ", " << operationName << ", call " << int(call)
                                                        << " #" << nth << " fails with " << std::strerror(error));
                        scene.reset(content);
                        SystemCallFaults faults;
                        lack(path, faults, scene.targetDirectory(operation));
                        faults.fail(call, nth, error);
                        const FsResult result = scene.run(operation, faults);
                        const bool hit = faults.count(call) > nth;
                        expectSafe(result, operation, scene.sourceContents(), scene.targetContents(operation), content,
                                   hit && call == Call::Unlink);
                        // A broken write can never pass.
                        if (hit && call == Call::Write) {
                            EXPECT_FALSE(result.ok);
                        }
                        // Bits the volume cannot keep never fail a copy; any other refusal does.
                        if (hit && call == Call::Fchmod) {
                            EXPECT_EQ(result.ok, error == ENOSYS) << qPrintable(result.reason);
                        }
                    }
}

// Another program at work while a file is copied or moved.
struct RaceCase {
    const char* name;
    Operation operation;
    Call call; // the other program acts just before this one's call #nth of this kind
    int nth;
    bool onTargetDirectory; // counting only calls on the target directory
    const char* act; // "edit": the source grows; "rewrite": same size, new bytes; "replace": renamed over; "take": the
                     // target name
    bool ok;
    bool copyLeft;
    const char* reason;
};

TEST(NoReplace, AnotherProgramsWorkIsNeverLost)
{
    RUN_WHERE_MOUNTING_WORKS();
    Scene scene;
    SKIP_UNLESS_MOUNTED(scene);
    const QByteArray content = original();
    QByteArray rewritten = content;
    rewritten[0] = char(~rewritten[0]);
    const char* changedWhileMoved = "another program changed it while it was copied, so the original was kept";
    // clang-format off
    const RaceCase cases[] = {
        // During the copy the source changes: no torn copy gets the name.
        {"EditedWhileCopied", Operation::Copy, Call::Fsync, 0, false, "edit", false, false, "the file changed while it was copied"},
        {"EditedWhileMovedAcross", Operation::MoveAcross, Call::Write, 1, false, "edit", false, false, "the file changed while it was copied"},
        // After the copy got its name (the directory is flushed next), before the source goes: both are kept.
        {"ReplacedBeforeTheSourceGoes", Operation::MoveAcross, Call::Fsync, 0, true, "replace", false, true, changedWhileMoved},
        {"RewrittenBeforeTheSourceGoes", Operation::MoveAcross, Call::Fsync, 0, true, "rewrite", false, true, changedWhileMoved},
        // The target name taken just before the copy would get it.
        {"TargetTakenBeforeTheCopyIsNamed", Operation::Copy, Call::Fsync, 0, false, "take", false, false, nullptr},
        {"TargetTakenBeforeTheMoveAcrossIsNamed", Operation::MoveAcross, Call::Fsync, 0, false, "take", false, false, nullptr},
        {"TargetTakenBeforeTheMove", Operation::Move, Call::Renameat2, 0, false, "take", false, false, nullptr},
    };
    // clang-format on
    for (const auto& [path, pathName] : Paths)
        for (const RaceCase& c : cases) {
            SCOPED_TRACE(testing::Message() << c.name << ", " << pathName);
            scene.reset(content);
            SystemCallFaults faults;
            lack(path, faults, scene.targetDirectory(c.operation));
            const QString act = QString::fromLatin1(c.act);
            QByteArray atSourceAfter = content;
            faults.actBefore(
                c.call, c.nth,
                [&] {
                    if (act == "take") {
                        QFile theirs(scene.targetPath(c.operation));
                        ASSERT_TRUE(theirs.open(QIODevice::NewOnly) && theirs.write("taken") == 5);
                        return;
                    }
                    if (act == "replace") {
                        const QString fresh = scene.sourcePath() + ".new";
                        QFile file(fresh);
                        ASSERT_TRUE(file.open(QIODevice::NewOnly) && file.write("replacement") == 11);
                        file.close();
                        ASSERT_EQ(::rename(QFile::encodeName(fresh).constData(),
                                           QFile::encodeName(scene.sourcePath()).constData()),
                                  0);
                        atSourceAfter = "replacement";
                        return;
                    }
                    QFile file(scene.sourcePath());
                    ASSERT_TRUE(file.open(act == "edit" ? QIODevice::Append : QIODevice::ReadWrite));
                    atSourceAfter = act == "edit" ? content + "more" : rewritten;
                    file.write(act == "edit" ? QByteArray("more") : rewritten.left(1));
                },
                c.onTargetDirectory ? QFile::encodeName(scene.targetDirectory(c.operation)) : QByteArray());
            const FsResult result = scene.run(c.operation, faults);
            EXPECT_EQ(result.ok, c.ok);
            EXPECT_EQ(result.copyLeft, c.copyLeft);
            if (c.reason != nullptr) {
                EXPECT_EQ(result.reason, QString::fromUtf8(c.reason));
            }
            const Contents source = scene.sourceContents();
            const Contents target = scene.targetContents(c.operation);
            EXPECT_EQ(source.value(Source), atSourceAfter);
            const QByteArray atTargetAfter = c.copyLeft ? content : QByteArray();
            EXPECT_EQ(target.value(Target), act == "take" ? QByteArray("taken") : atTargetAfter);
            EXPECT_EQ(source.size() + target.size(), 3 + (c.copyLeft || act == "take")) << "nothing left behind";
        }
}

const std::pair<testsupport::VolumeKind, const char*> Volumes[] = {
    {testsupport::VolumeKind::Tmpfs, "tmpfs"},
    {testsupport::VolumeKind::Fat, "FAT through fusefat"},
    {testsupport::VolumeKind::Ntfs, "NTFS through ntfs-3g"},
};

// What a set's files go through, on each kind of volume users keep portraits on.
TEST(NoReplace, EveryOperationOnEveryVolume)
{
    RUN_WHERE_MOUNTING_WORKS();
    QStringList skipped;
    for (const auto& [kind, kindName] : Volumes) {
        SCOPED_TRACE(kindName);
        testsupport::TestVolume volume(kind);
        if (!volume.mounted()) {
            skipped << QStringLiteral("%1: %2").arg(kindName, volume.skipReason());
            continue;
        }
        PortraitSandbox disk;
        disk.addFile("MM05L.bmp", "large");
        disk.addFile("mM05S.bmp", "small");
        const QString v = volume.path() + '/';
        const QString d = disk.path() + '/';
        PosixFileSystem fs;
        const auto listing = [&] {
            Contents files;
            for (const QString& name : QDir(volume.path()).entryList(QDir::Files | QDir::Hidden)) {
                QFile file(v + name);
                files.insert(name, file.open(QIODevice::ReadOnly) ? file.readAll() : "<unreadable>");
            }
            return files;
        };
        ASSERT_TRUE(fs.copyFile(d + "MM05L.bmp", v + "MM01L.bmp").ok);
        const FsResult moved = fs.moveFile(d + "mM05S.bmp", v + "mM01S.bmp", {});
        ASSERT_TRUE(moved.ok) << qPrintable(moved.reason);
        EXPECT_EQ(listing(), Contents({{"MM01L.bmp", "large"}, {"mM01S.bmp", "small"}}));
        EXPECT_EQ(disk.contents(), Contents({{"MM05L.bmp", "large"}}));
        EXPECT_EQ(fs.findSmallPartners(volume.path(), {"MM01L.bmp"}, {"MM01L.bmp"}).value("MM01L.bmp"), "mM01S.bmp");

        // A link moves as the picture it leads to; what it led to stays.
        ASSERT_TRUE(QFile::link(d + "MM05L.bmp", d + "linkL.bmp"));
        const FsResult linkMoved = fs.moveFile(d + "linkL.bmp", v + "LinkL.bmp", {});
        EXPECT_TRUE(linkMoved.ok) << qPrintable(linkMoved.reason);
        EXPECT_TRUE(fs.removeFile(v + "LinkL.bmp", {}).ok);
        EXPECT_EQ(disk.contents(), Contents({{"MM05L.bmp", "large"}}));

        // A rename, then a change of letter case only.
        ASSERT_TRUE(fs.moveFile(v + "MM01L.bmp", v + "HeroL.bmp", {}).ok);
        const FsResult recased = fs.moveFile(v + "HeroL.bmp", v + "heroL.bmp", {});
        EXPECT_TRUE(recased.ok) << qPrintable(recased.reason);
        EXPECT_EQ(listing(), Contents({{"heroL.bmp", "large"}, {"mM01S.bmp", "small"}}));

        // A name taken in another letter case is seen, and never written over.
        EXPECT_EQ(fs.findConflict(volume.path(), "HEROl.bmp", {}), "heroL.bmp");
        EXPECT_EQ(fs.findConflict(volume.path(), "HeroL.bmp", v + "heroL.bmp"), QString());
        EXPECT_FALSE(fs.copyFile(d + "MM05L.bmp", v + "heroL.bmp").ok);
        EXPECT_FALSE(fs.moveFile(v + "mM01S.bmp", v + "heroL.bmp", {}).ok);

        // Back across, and gone.
        EXPECT_TRUE(fs.moveFile(v + "mM01S.bmp", d + "mM05S.bmp", {}).ok);
        EXPECT_TRUE(fs.removeFile(v + "heroL.bmp", {}).ok);
        EXPECT_TRUE(listing().isEmpty());
        EXPECT_EQ(disk.contents(), Contents({{"MM05L.bmp", "large"}, {"mM05S.bmp", "small"}}));
    }
    if (!skipped.isEmpty())
        GTEST_SKIP() << "the other volumes passed; skipped " << skipped.join("; ").toStdString();
}

// The operation's process killed at moments spread over its run: whatever moment, no file under a
// target name differs from its source, every original is still whole somewhere, and what is left
// behind is hidden and says what it is.
TEST(NoReplace, AKillAtAnyMomentLeavesNoPartialFile)
{
    RUN_WHERE_MOUNTING_WORKS();
    constexpr int Kills = 20;
    QByteArray large(16 << 20, '\0');
    for (int i = 0; i < large.size(); i += 4096)
        large[i] = char(i / 4096);
    const QByteArray small(4 << 20, 's');
    struct KillCase {
        const char* name;
        std::optional<testsupport::VolumeKind> target; // none: the disk the tests run on
        const char* operation;
    };
    const KillCase cases[] = {
        {"copy on one disk", std::nullopt, "copy"},
        {"copy into FAT", testsupport::VolumeKind::Fat, "copy"},
        {"move across into FAT", testsupport::VolumeKind::Fat, "move"},
        {"move across into tmpfs", testsupport::VolumeKind::Tmpfs, "move"},
    };
    QStringList skipped;
    int halfSets = 0;
    int leftovers = 0;
    int trials = 0;
    for (const KillCase& c : cases) {
        SCOPED_TRACE(c.name);
        PortraitSandbox disk;
        PortraitSandbox onDisk;
        std::optional<testsupport::TestVolume> volume;
        if (c.target) {
            volume.emplace(*c.target, 96 << 20);
            if (!volume->mounted()) {
                skipped << QStringLiteral("%1: %2").arg(c.name, volume->skipReason());
                continue;
            }
        }
        const QString target = volume ? volume->path() : onDisk.path();
        const QStringList arguments{c.operation, disk.filePath("ZZL.bmp"), target + "/MM01L.bmp",
                                    disk.filePath("zZS.bmp"), target + "/mM01S.bmp"};
        const auto reset = [&] {
            for (const QString& directory : {disk.path(), target})
                for (const QString& name : QDir(directory).entryList(QDir::Files | QDir::Hidden))
                    QFile::remove(directory + '/' + name);
            disk.addFile("ZZL.bmp", large);
            disk.addFile("zZS.bmp", small);
        };
        const auto run = [&](std::optional<std::chrono::microseconds> killAfter) {
            QProcess probe;
            probe.start(QStringLiteral(FS_PROBE), arguments);
            EXPECT_TRUE(probe.waitForStarted());
            if (killAfter) {
                std::this_thread::sleep_for(*killAfter);
                probe.kill();
            }
            EXPECT_TRUE(probe.waitForFinished(60000));
        };
        reset();
        QElapsedTimer whole;
        whole.start();
        run(std::nullopt);
        const auto duration = std::chrono::microseconds(whole.nsecsElapsed() / 1000);
        for (int k = 0; k < Kills; ++k) {
            reset();
            run(duration * (2 * k + 1) / (2 * Kills));
            ++trials;
            const std::pair<QString, QByteArray> files[] = {{"MM01L.bmp", large}, {"mM01S.bmp", small}};
            const QString sources[] = {"ZZL.bmp", "zZS.bmp"};
            int filed = 0;
            for (int f = 0; f < 2; ++f) {
                QFile atTarget(target + '/' + files[f].first);
                QFile atSource(disk.filePath(sources[f]));
                const bool filedHere = atTarget.open(QIODevice::ReadOnly);
                if (filedHere) {
                    EXPECT_TRUE(atTarget.readAll() == files[f].second) << "torn " << qPrintable(files[f].first);
                }
                filed += filedHere;
                if (atSource.open(QIODevice::ReadOnly)) {
                    EXPECT_TRUE(atSource.readAll() == files[f].second);
                } else {
                    EXPECT_TRUE(filedHere) << "lost " << qPrintable(sources[f]);
                }
            }
            halfSets += filed == 1;
            for (const QString& directory : {disk.path(), target})
                for (const QString& name : QDir(directory).entryList(QDir::Files | QDir::Hidden)) {
                    if (!name.startsWith('.'))
                        continue;
                    ++leftovers;
                    // An unfinished copy beside its target, or an original stepping aside before it goes.
                    const bool copying =
                        name.startsWith(".MM01L.bmp.ostrel-copying-") || name.startsWith(".mM01S.bmp.ostrel-copying-");
                    const int original = name.startsWith(".ZZL.bmp.ostrel-moving-")   ? 0
                                         : name.startsWith(".zZS.bmp.ostrel-moving-") ? 1
                                                                                      : -1;
                    EXPECT_TRUE(copying || original >= 0) << qPrintable(name);
                    QFile aside(directory + '/' + name);
                    if (original >= 0 && aside.open(QIODevice::ReadOnly)) {
                        EXPECT_TRUE(aside.readAll() == files[original].second) << qPrintable(name);
                    }
                }
        }
    }
    std::cout << "[ kills    ] " << trials << " kills; " << halfSets << " left the large picture filed alone; "
              << leftovers << " hidden leftovers\n";
    if (!skipped.isEmpty())
        GTEST_SKIP() << "the other cases passed; skipped " << skipped.join("; ").toStdString();
}

TEST(NoReplace, TakingBackActsOnlyOnTheFileItWrote)
{
    PortraitSandbox sandbox;
    sandbox.addFile("set", "set");
    PosixFileSystem fs;
    const FsResult copied = fs.copyFile(sandbox.filePath("set"), sandbox.filePath("copy"));
    ASSERT_TRUE(copied.ok);
    const FsResult moved = fs.moveFile(sandbox.filePath("set"), sandbox.filePath("moved"), {});
    ASSERT_TRUE(moved.ok);
    // Another program puts files of its own under both names.
    for (const char* name : {"copy", "moved"}) {
        QFile::remove(sandbox.filePath(name));
        sandbox.addFile(name, "theirs");
    }
    for (const FsResult& refused : {fs.removeFile(sandbox.filePath("copy"), copied.written),
                                    fs.moveFile(sandbox.filePath("moved"), sandbox.filePath("set"), moved.written)}) {
        EXPECT_FALSE(refused.ok);
        EXPECT_TRUE(refused.replaced);
        EXPECT_EQ(refused.reason, "another program has put a different file under that name");
    }
    EXPECT_EQ(sandbox.contents(), Contents({{"copy", "theirs"}, {"moved", "theirs"}}));
    // The very file it wrote goes back, though a sync tool changed its mode meanwhile.
    const FsResult again = fs.copyFile(sandbox.filePath("copy"), sandbox.filePath("again"));
    ASSERT_EQ(::chmod(QFile::encodeName(sandbox.filePath("again")).constData(), 0600), 0);
    EXPECT_TRUE(fs.removeFile(sandbox.filePath("again"), again.written).ok);
    EXPECT_EQ(sandbox.contents().size(), 2);
    // Or another program removed it already.
    const FsResult removed = fs.copyFile(sandbox.filePath("copy"), sandbox.filePath("removed"));
    ASSERT_TRUE(QFile::remove(sandbox.filePath("removed")));
    const FsResult missing = fs.removeFile(sandbox.filePath("removed"), removed.written);
    EXPECT_TRUE(!missing.ok && missing.replaced);
    EXPECT_EQ(missing.reason, systemText(ENOENT));

    // A change of letter case that can be neither done nor undone says where the file is.
    sandbox.addFile("HeroL.bmp", "hero");
    ASSERT_EQ(::link(QFile::encodeName(sandbox.filePath("HeroL.bmp")).constData(),
                     QFile::encodeName(sandbox.filePath("heroL.bmp")).constData()),
              0); // the same file under the other spelling, as a case-blind volume shows it
    SystemCallFaults faults;
    faults.fail(Call::Renameat2, 3, EIO); // the way back from the hidden name
    const FsResult stranded =
        PosixFileSystem(&faults).moveFile(sandbox.filePath("HeroL.bmp"), sandbox.filePath("heroL.bmp"), {});
    EXPECT_FALSE(stranded.ok);
    EXPECT_TRUE(stranded.strandedAt.startsWith(sandbox.path() + "/.heroL.bmp.ostrel-renaming-"))
        << qPrintable(stranded.strandedAt);
    EXPECT_EQ(sandbox.contents().value(QFileInfo(stranded.strandedAt).fileName()), "hero");
}

// The original stepping aside before it goes is edited meanwhile, and its name taken: it stays under
// the hidden name, and the result says which, beside the whole copy.
TEST(NoReplace, AnOriginalThatCannotGoBackIsNamed)
{
    RUN_WHERE_MOUNTING_WORKS();
    Scene scene;
    SKIP_UNLESS_MOUNTED(scene);
    scene.reset("original");
    SystemCallFaults faults;
    faults.actBefore(
        Call::Renameat2, 0,
        [&] {
            QFile file(scene.sourcePath());
            ASSERT_TRUE(file.open(QIODevice::Append) && file.write("+") == 1);
            faults.actBefore(Call::Renameat2, 0, [&] {
                QFile theirs(scene.sourcePath());
                ASSERT_TRUE(theirs.open(QIODevice::NewOnly) && theirs.write("theirs") == 6);
            });
        },
        "*.ostrel-moving-");
    const FsResult result = scene.run(Operation::MoveAcross, faults);
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.copyLeft);
    EXPECT_EQ(result.reason, "another program changed it while it was copied, so the original was kept");
    const Contents source = scene.sourceContents();
    EXPECT_EQ(source.value(Source), "theirs");
    EXPECT_EQ(source.value(QFileInfo(result.strandedAt).fileName()), "original+");
    EXPECT_TRUE(QFileInfo(result.strandedAt).fileName().startsWith(".MM05L.bmp.ostrel-moving-"));
    EXPECT_EQ(scene.targetContents(Operation::MoveAcross).value(Target), "original");
}

TEST(NoReplace, WritesNeverReplaceAnExistingFile)
{
    PortraitSandbox sandbox;
    sandbox.addFile("mine", "mine");
    sandbox.addFile("theirs", "theirs");
    const Contents before = sandbox.contents();
    PosixFileSystem fs;
    for (const auto& result : {fs.copyFile(sandbox.filePath("mine"), sandbox.filePath("theirs")),
                               fs.moveFile(sandbox.filePath("mine"), sandbox.filePath("theirs"), {}),
                               fs.removeFile(sandbox.filePath("nobody"), {})}) {
        EXPECT_FALSE(result.ok);
        EXPECT_FALSE(result.reason.isEmpty());
    }
    EXPECT_EQ(sandbox.contents(), before);

    ASSERT_TRUE(fs.copyFile(sandbox.filePath("mine"), sandbox.filePath("copy")).ok);
    ASSERT_TRUE(fs.moveFile(sandbox.filePath("theirs"), sandbox.filePath("moved"), {}).ok);
    EXPECT_EQ(sandbox.contents(), Contents({{"copy", "mine"}, {"mine", "mine"}, {"moved", "theirs"}}));

    // Without anonymous files, a hidden name another copy holds is passed over.
    SystemCallFaults faults;
    lack(Path::Named, faults, sandbox.path());
    faults.fail(Call::Open, 0, EEXIST, "*.ostrel-copying-");
    EXPECT_TRUE(PosixFileSystem(&faults).copyFile(sandbox.filePath("mine"), sandbox.filePath("again")).ok);
    EXPECT_EQ(sandbox.contents().value("again"), "mine");
}

TEST(NoReplace, FullDiskLeavesNothingBehindAndTheSourceUntouched)
{
    RUN_WHERE_MOUNTING_WORKS();
    PortraitSandbox sandbox;
    PortraitSandbox full;
    const Mount tmpfs(full.path(), "size=64k");
    SKIP_UNLESS_MOUNTED(tmpfs);
    const QByteArray big(200 * 1024, 'x');
    sandbox.addFile("big", big);
    for (const bool move : {false, true}) {
        PosixFileSystem fs;
        const auto result = move ? fs.moveFile(sandbox.filePath("big"), full.filePath("big"), {})
                                 : fs.copyFile(sandbox.filePath("big"), full.filePath("big"));
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.reason, systemText(ENOSPC));
        EXPECT_TRUE(full.contents().isEmpty());
        EXPECT_EQ(sandbox.contents(), Contents({{"big", big}}));
    }
}

TEST(NoReplace, ReadOnlyFileSystemRefusesAndKeepsTheSource)
{
    RUN_WHERE_MOUNTING_WORKS();
    PortraitSandbox sandbox;
    PortraitSandbox target;
    PortraitSandbox readOnly;
    const Mount bind(readOnly.path(), nullptr, target.path());
    SKIP_UNLESS_MOUNTED(bind);
    sandbox.addFile("set", "set");
    PosixFileSystem fs;
    for (const auto& result : {fs.copyFile(sandbox.filePath("set"), readOnly.filePath("set")),
                               fs.moveFile(sandbox.filePath("set"), readOnly.filePath("set"), {})})
        EXPECT_EQ(result.reason, systemText(EROFS));
    EXPECT_EQ(sandbox.contents(), Contents({{"set", "set"}}));
    EXPECT_TRUE(target.contents().isEmpty());
}

TEST(NoReplace, PermissionDeniedIsReportedForAnUnprivilegedUser)
{
    // Root acts as nobody; an ordinary user already is one, kept out by the directory's mode.
    const bool root = ::geteuid() == 0;
    if (root && QStandardPaths::findExecutable("setpriv").isEmpty())
        GTEST_SKIP() << "needs setpriv to act as another user";
    if (const QString closed = testsupport::closedToOtherUsers(); root && !closed.isEmpty())
        GTEST_SKIP() << closed.toStdString();
    PortraitSandbox source;
    PortraitSandbox target;
    source.addFile("set", "set");
    ::chmod(QFile::encodeName(source.path()).constData(), root ? 0755 : 0555);
    ::chmod(QFile::encodeName(target.path()).constData(), root ? 0755 : 0555); // nobody else may write here
    const QStringList asNobody{"--reuid=65534", "--regid=65534", "--clear-groups", QStringLiteral(FS_PROBE)};
    for (const QString& operation : {QStringLiteral("copy"), QStringLiteral("move")}) {
        const QStringList arguments{operation, source.filePath("set"), target.filePath("set")};
        QProcess probe;
        root ? probe.start("setpriv", asNobody + arguments) : probe.start(QStringLiteral(FS_PROBE), arguments);
        ASSERT_TRUE(probe.waitForFinished(10000));
        EXPECT_EQ(probe.exitCode(), 1);
        EXPECT_EQ(probe.readAllStandardOutput().trimmed(), QByteArray(std::strerror(EACCES)));
    }
    EXPECT_EQ(source.contents(), Contents({{"set", "set"}}));
    EXPECT_TRUE(target.contents().isEmpty());
    ::chmod(QFile::encodeName(source.path()).constData(), 0700); // so that the sandboxes can go
    ::chmod(QFile::encodeName(target.path()).constData(), 0700);
}

} // namespace
