#include <filesystem>

#include <QProcess>
#include <QStandardPaths>

#include "no_replace_scene.h"

namespace {

// A copy or a move, into a target beside the source or across file systems.
struct Operation {
    const char* name;
    Place place;
    Op op;
};
const Operation operations[] = {{"CopyOnDisk", Place::Disk, Op::Copy},
                                {"MoveOnDisk", Place::Disk, Op::Move},
                                {"MoveAcross", Place::Tmpfs, Op::Move}};

// Every call failing at its first or second time, with errors real volumes give, on every way: nothing else
// is touched, the original stays whole, no partial file bears the target name, no failure passes for
// success, and nothing is left but, where its removal failed, a hidden file that says what it is.
class NoReplaceFaults : public testing::TestWithParam<Operation> {};

TEST_P(NoReplaceFaults, EveryFaultOnEveryWayKeepsEveryFileSafe)
{
    RUN_WHERE_MOUNTING_WORKS();
    const Operation& operation = GetParam();
    const Scene scene(operation.place);
    if (!scene.skipReason().isEmpty())
        GTEST_SKIP() << scene.skipReason().toStdString();
    for (const Way way : Ways)
        for (const Call call : {Call::Open, Call::Write, Call::Fsync, Call::Fchmod, Call::Linkat, Call::Renameat2,
                                Call::Link, Call::Rename, Call::Unlink})
            for (const int error : {ENOSPC, EIO, EACCES, EROFS, EXDEV, ENOSYS, EINVAL})
                for (const int nth : {0, 1}) {
                    SCOPED_TRACE(testing::Message() << "way " << WayNames[int(way)] << ", call " << int(call) << " #"
                                                    << nth << ": " << std::strerror(error));
                    scene.reset();
                    Faults faults;
                    lack(way, faults, scene.dir('t'));
                    faults.fail(call, nth, error);
                    const auto [result, line] = scene.run(operation.op, "s/MM05L.bmp", "t/MM01L.bmp", {}, faults);
                    const bool hit = faults.count(call) > nth;
                    QString after = scene.described();
                    if (hit && call == Call::Unlink)
                        after.remove(QRegularExpression(" \\.MM01L\\.bmp\\.ostrel-copying-X(=<part>)?"));
                    EXPECT_EQ(after, result.ok && operation.op == Op::Move ? Moved
                                     : result.ok || result.copyLeft        ? Copied
                                                                           : Kept);
                    EXPECT_FALSE(line.contains("wrong"));
                    EXPECT_NE(result.reason.isEmpty(), !result.ok);
                    // Bits the volume cannot keep never fail a copy; any other refusal does.
                    EXPECT_TRUE(!hit || call != Call::Fchmod || result.ok == (error == ENOSYS));
                }
}

INSTANTIATE_TEST_SUITE_P(Operations, NoReplaceFaults, testing::ValuesIn(operations),
                         [](auto& info) { return std::string(info.param.name); });

// The operation's process killed before each of its system calls in turn: no file under the target name
// differs from its source, the original is still whole somewhere, and what is left behind is hidden and
// says what it is.
struct Killed {
    const char* name;
    Place place;
    const char* operation; // as fs_probe takes it
};
const Killed killed[] = {{"CopyOnDisk", Place::Disk, "copy"},
                         {"CopyIntoFat", Place::Fat, "copy"},
                         {"MoveIntoFat", Place::Fat, "move"},
                         {"MoveAcross", Place::Tmpfs, "move"}};

class NoReplaceKill : public testing::TestWithParam<Killed> {};

TEST_P(NoReplaceKill, AtAnyMomentLeavesNoPartialFile)
{
    RUN_WHERE_MOUNTING_WORKS();
    const Scene scene(GetParam().place);
    if (!scene.skipReason().isEmpty())
        GTEST_SKIP() << scene.skipReason().toStdString();
    QProcess probe;
    for (int kill = 0; probe.exitStatus() == QProcess::CrashExit || kill == 0; ++kill) {
        scene.reset();
        probe.start(testsupport::builtProgram(FS_PROBE),
                    {QString::number(kill), GetParam().operation, scene.at("s/MM05L.bmp"), scene.at("t/MM01L.bmp")});
        ASSERT_TRUE(probe.waitForFinished(60000));
        // An unfinished copy beside its target may stay, and a whole original stepping aside before it goes.
        const QString after = scene.described()
                                  .remove(QRegularExpression(" \\.MM01L\\.bmp\\.ostrel-copying-X(=\\S*)?"))
                                  .replace(".MM05L.bmp.ostrel-moving-X", "MM05L.bmp");
        EXPECT_TRUE(after == Kept || after == Copied || after == Moved)
            << "killed before call " << kill << ": " << qPrintable(after);
    }
}

INSTANTIATE_TEST_SUITE_P(Operations, NoReplaceKill, testing::ValuesIn(killed),
                         [](auto& info) { return std::string(info.param.name); });

// An ordinary user: kept out of a directory, told so; and the tests that mount pass in a namespace of its own.
struct AsNobody {
    const char* name;
    const char* probing; // the operation fs_probe makes, or none for this binary's mounting tests
    QString said;        // what the run prints; none for the system's words for EACCES
};
class NoReplaceAsNobody : public testing::TestWithParam<AsNobody> {};

// Copies of this binary, the programs it runs and the locale it runs under, where every user may read
// them: the build itself may be closed to others (a clone in root's home, say). Gives the environment
// that finds them.
QProcessEnvironment staged(const QTemporaryDir& at)
{
    ::chmod(path(at.path()).constData(), 0755);
    for (const QString& built : {QFile::symLinkTarget("/proc/self/exe"), QString(FS_PROBE), QString(FUSE_PASSTHROUGH)})
        if (const QString copy = at.filePath(QFileInfo(built).fileName()); !QFile::copy(built, copy))
            ADD_FAILURE() << "cannot copy " << qPrintable(built) << " to " << qPrintable(copy);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("OSTREL_TEST_PROGRAMS", at.path());
    if (const QString locales = environment.value("LOCPATH"); !locales.isEmpty()) {
        std::error_code failed;
        std::filesystem::copy(path(locales).toStdString(), path(at.filePath("locale")).toStdString(),
                              std::filesystem::copy_options::recursive, failed);
        EXPECT_FALSE(failed) << "cannot copy the locales: " << failed.message();
        environment.insert("LOCPATH", at.filePath("locale"));
    }
    return environment;
}

TEST_P(NoReplaceAsNobody, EndsAsForAnyUser)
{
    if (::geteuid() != 0 || QStandardPaths::findExecutable("setpriv").isEmpty())
        GTEST_SKIP() << "needs root and setpriv to act as another user";
    const QTemporaryDir copies;
    const QProcessEnvironment environment = staged(copies);
    const Scene scene(Place::Disk);
    for (const QChar side : {'s', 't'})
        ::chmod(path(scene.dir(side)).constData(), 0755); // nobody else may write here
    const char* probing = GetParam().probing;
    const QStringList arguments =
        probing ? QStringList{copies.filePath(QFileInfo(FS_PROBE).fileName()), "-1", probing, scene.at("s/MM05L.bmp"),
                              scene.at("t/MM01L.bmp")}
                : QStringList{copies.filePath(QFileInfo(QFile::symLinkTarget("/proc/self/exe")).fileName()),
                              "--gtest_filter=MountedVolumes.*:*NoReplaceKill.*"};
    QProcess run;
    run.setProcessChannelMode(QProcess::MergedChannels);
    run.setProcessEnvironment(environment);
    run.start("setpriv", QStringList{"--reuid=65534", "--regid=65534", "--clear-groups"} + arguments);
    ASSERT_TRUE(run.waitForFinished(240000));
    const QString said = GetParam().said.isEmpty() ? text(EACCES) : GetParam().said;
    const QString output = QString::fromLocal8Bit(run.readAll());
    EXPECT_TRUE(output.contains(said)) << qPrintable(said) << "\n" << qPrintable(output.right(2000));
    EXPECT_EQ(run.exitCode(), probing ? 1 : 0);
    EXPECT_EQ(scene.described(), Kept);
}

INSTANTIATE_TEST_SUITE_P(Runs, NoReplaceAsNobody,
                         testing::Values(AsNobody{"ACopyIsRefused", "copy", {}}, AsNobody{"AMoveIsRefused", "move", {}},
                                         AsNobody{"MountingTestsPass", nullptr, "[  PASSED  ]"}),
                         [](auto& info) { return std::string(info.param.name); });

} // namespace
