// The driver: a generated directory per size, each measured in child processes of its own so that its
// peak memory is its own.

#include <cstdio>
#include <stdexcept>

#include <sys/stat.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "figures.h"
#include "manager/frm_main.h"
#include "platform/controls/file_list_box.h"
#include "surroundings.h"

namespace portraitbench {

namespace {

void printHeader(const Options& options)
{
    std::printf("portrait_bench: %d round%s per figure, program and floor alternating, each on fresh work; medians,\n"
                "ratio = program median / floor median. warm: the files were read once before. cold: %s.\n"
                "Screen %d x %d (offscreen); up to %ld distinct large and small pictures per directory, hard links\n"
                "for the other sets; one set in ten without small picture.\n",
                options.runs, options.runs == 1 ? "" : "s", CacheControl().coldMethod(), ScreenWidth, ScreenHeight,
                DistinctPictures);
    std::fflush(stdout);
}

// What a --measure child is told of the options.
QStringList measureOptions(const Options& options)
{
    QStringList common{QStringLiteral("--runs"), QString::number(options.runs)};
    if (!options.warm)
        common << QStringLiteral("--cold-only");
    if (!options.cold)
        common << QStringLiteral("--warm-only");
    return common;
}

} // namespace

int measure(const Options& options, const QString& directory, long sets)
{
    requireBigScreen();
    const SetNames names(sets, true);
    const Portraits portraits{directory, directory.toStdString(), names, sets};
    Services services;
    Bench bench(options, sets, portraits.dir);
    listingFigure(bench, services.fileSystem, portraits);
    startUpFigure(bench, portraits);

    StartedManager started(services, directory);
    auto& [manager, watch] = started;
    settle();
    const auto* files = started.files();
    if (files == nullptr || files->listCount() != sets)
        fail("the manager does not list the directory");
    selectionFigures(bench, manager, portraits);
    galleryScrollFigures(bench, manager, watch, portraits);
    return 0;
}

int drive(const Options& options)
{
    QTemporaryDir scratch;
    if (!scratch.isValid())
        fail("cannot make a temporary directory");
    const std::string root = scratch.path().toStdString();
    prepareChildren(scratch);
    printHeader(options);

    const MemoryBaseline baseline = measureMemoryBaseline(root);
    for (const long sets : options.sizes) {
        const auto start = Clock::now();
        const SetNames names(sets, true);
        const Dataset data(root, "portraits", names, LargeWidth, LargeHeight, SmallWidth, SmallHeight,
                           DistinctPictures);
        runChild(
            QStringList{QStringLiteral("--measure"), QString::fromStdString(data.directory()), QString::number(sets)} +
                measureOptions(options),
            true);
        memoryFigure(sets, data.directory(), baseline);
        std::fprintf(stderr, "%ld sets measured in %.1f s\n", sets, millisecondsSince(start) / 1000);
    }
    if (options.huge) {
        const auto start = Clock::now();
        measureHuge(root, options);
        std::fprintf(stderr, "4096 x 4096 gallery measured in %.1f s\n", millisecondsSince(start) / 1000);
    }
    return 0;
}

QByteArray runChild(const QStringList& arguments, bool forwardOutput)
{
    QProcess child;
    child.setProcessChannelMode(forwardOutput ? QProcess::ForwardedChannels : QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), arguments);
    // Thrown, not exited, so that the generated directories are removed on the way out.
    if (!child.waitForFinished(-1) || child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)
        throw std::runtime_error("a child process failed: portrait_bench " +
                                 arguments.join(QLatin1Char(' ')).toStdString());
    return child.readAllStandardOutput();
}

void prepareChildren(const QTemporaryDir& scratch)
{
    // The offscreen platform's screen, for every child; it reads no size from its options.
    const QString screenFile = scratch.filePath(QStringLiteral("screen.json"));
    QFile screen(screenFile);
    if (!screen.open(QIODevice::WriteOnly))
        fail("cannot write " + screenFile.toStdString());
    screen.write(QStringLiteral(R"({ "screens": [ { "name": "bench", "x": 0, "y": 0, "width": %1, "height": %2,)"
                                R"( "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1 } ] })")
                     .arg(ScreenWidth)
                     .arg(ScreenHeight)
                     .toUtf8());
    screen.close();
    qputenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + screenFile).toUtf8());
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const QString runtime = scratch.filePath(QStringLiteral("runtime"));
        QDir().mkpath(runtime);
        QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", runtime.toUtf8());
    }
}

} // namespace portraitbench
