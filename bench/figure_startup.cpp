// start-up: a new process until the manager window has painted, against a new process that reads the
// directory once, sorts it and paints an empty window of the manager's size.

#include <cstdio>
#include <cstdlib>
#include <memory>

#include <QApplication>
#include <QProcess>
#include <QWidget>

#include "figures.h"
#include "floors.h"
#include "manager/frm_main.h"
#include "platform/controls/file_list_box.h"
#include "surroundings.h"

namespace portraitbench {

namespace {

// A new process asked for `mode`; the child reports when its window first painted and what it listed.
Work probeWork(const QString& mode, const QString& directory, long sets)
{
    auto listed = std::make_shared<long>(-1);
    Work work;
    work.run = [mode, directory, listed] {
        QProcess probe;
        probe.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        const std::int64_t askedAt = monotonicNanoseconds();
        probe.start(QCoreApplication::applicationFilePath(), {mode, directory, QString::number(askedAt)});
        if (!probe.waitForFinished(-1) || probe.exitCode() != 0)
            fail("a start-up probe failed");
        const QList<QByteArray> answer = probe.readAllStandardOutput().trimmed().split(' ');
        if (answer.size() != 2)
            fail("a start-up probe gave no answer");
        *listed = answer[1].toLong();
        return answer[0].toDouble();
    };
    work.check = [listed, sets] { return *listed == sets; };
    return work;
}

[[noreturn]] void answerProbe(double ms, long listed)
{
    std::printf("%.3f %ld\n", ms, listed);
    std::fflush(stdout);
    // Nor would it do anything but make the rounds wait for a million entries to be freed.
    std::_Exit(0);
}

} // namespace

void startUpFigure(Bench& bench, const Portraits& portraits)
{
    bench.figure(
        "start-up to the window shown", 1.3,
        [&] { return probeWork(QStringLiteral("--probe"), portraits.directory, portraits.sets); },
        [&] { return probeWork(QStringLiteral("--probe-floor"), portraits.directory, portraits.sets); }, true);
}

int probe(int argc, char* argv[], const QString& directory, std::int64_t askedAt, bool floor)
{
    QApplication app(argc, argv);
    // Read at the first paint: taking the window down again is not start-up.
    const auto sinceAsked = [askedAt] { return double(monotonicNanoseconds() - askedAt) / 1e6; };
    if (floor) {
        std::vector<std::string> subdirectories;
        const std::vector<std::string> large = plainRead(directory.toStdString(), &subdirectories);
        QWidget window;
        window.resize(681, 473);
        PaintWatch watch(&window);
        window.show();
        watch.waitPainted();
        answerProbe(sinceAsked(), long(large.size()));
    }
    Services services;
    StartedManager started(services, directory);
    const double ms = sinceAsked();
    answerProbe(ms, started.files()->listCount());
}

} // namespace portraitbench
