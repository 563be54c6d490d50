#pragma once

#include <cerrno>
#include <cstring>

#include <QFile>

#include "operations/manager_view.h"
#include "operations/set_operations.h"
#include "support/forwarding_file_system.h"
#include "support/sandbox.h"
#include "support/scripted_dialogs.h"

namespace {

using Ops = operations::SetOperations;

// The manager as the operations see it, over a source and a destination directory: the source list
// shows the large pictures, choosing an entry records the set as the manager's click does, every request
// is logged, and the allocation hands out 01 (the targets shown prove it ran).
struct Scene final : operations::ManagerView {
    Scene(const QStringList& files, const QString& entry)
    {
        source.addPortraits(files);
        rereadSourceFiles();
        vars.GenderIndex = 1;
        selectEntry(int(listed.indexOf(entry)));
        log.clear();
    }

    ManagerVariables& windowVariables() override { return vars; }
    int selectedEntry() const override { return selected; }
    int entryCount() const override { return int(listed.size()); }
    QString entry(int index) const override { return listed.value(index); }
    void selectEntry(int index) override
    {
        log << QStringLiteral("select %1").arg(index);
        selected = index;
        operations::recordSelectedSet(vars, files, sourcePath, listed, index);
    }
    void rereadSourceFiles() override
    {
        log << "reread source";
        listed = files.listFiles(sourcePath, QStringLiteral("*L.bmp")).names;
        selected = -1;
    }
    void rereadDestinationFiles() override { log << "reread destination"; }
    QString sourceDirectory() const override { return sourcePath; }
    QString destinationDirectory() const override { return destinationPath; }
    void showTargets(const QString& large, const QString& small) override { log << "targets " + large + ' ' + small; }
    void find_next_name() override
    {
        vars.TargetLargeName = "MM01L";
        vars.TargetSmallName = "mM01S";
    }
    void refresh_form() override { log << "refresh"; }

    // Answers the rename box with `typed` and the delete question Yes, then runs `operation`.
    void run(void (Ops::*operation)(), const QList<std::optional<QString>>& typed)
    {
        for (const std::optional<QString>& text : typed)
            dialogs.queueInput(text);
        dialogs.queueAnswer(platform::MessageResult::Yes);
        (Ops(*this, files, dialogs).*operation)();
    }
    // Every box as ShownBox::line has it, with {S}, {D}, {ENOENT} and {EROFS} for the directories and
    // the system's words; the rename box for `entry` is "ask" and the question before deleting it "sure?".
    QStringList boxes(const QString& entry) const
    {
        const QString ask = "Renaming File " + entry +
                            "|What would you like to rename this file? (No more than 7 characters)|Ok||input PIC01|";
        const QString sure = "Delete File " + entry + "|Are you sure you want to delete this file?|YesNo|||";
        return dialogs.lines()
            .replaceInStrings(ask, "ask")
            .replaceInStrings(sure, "sure?")
            .replaceInStrings(sourcePath, "{S}")
            .replaceInStrings(destinationPath, "{D}")
            .replaceInStrings(QString::fromLocal8Bit(std::strerror(ENOENT)), "{ENOENT}")
            .replaceInStrings(QString::fromLocal8Bit(std::strerror(EROFS)), "{EROFS}");
    }

    testsupport::PortraitSandbox source;
    testsupport::PortraitSandbox destination;
    QString sourcePath = source.path();
    QString destinationPath = destination.path();
    testsupport::ForwardingFileSystem files;
    testsupport::ScriptedDialogs dialogs;
    ManagerVariables vars;
    QStringList listed;
    int selected = -1;
    QStringList log;
};

const QStringList set{"ZZL.bmp", "zZS.bmp"};
const auto err = [](const QString& text) { return "Error|" + text + "|Ok|!||"; };
const auto windows = [](const QString& name, const QString& why) {
    return err("\"" + name + "\" cannot be a name here: {S} is on a volume that Windows reads, where " + why +
               ". Please choose another.");
};

} // namespace
