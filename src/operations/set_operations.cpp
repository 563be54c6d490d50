#include "operations/set_operations.h"

#include <algorithm>

#include <QFileInfo>

#include "naming/portrait_names.h"
#include "operations/manager_view.h"
#include "platform/dialogs/dialogs.h"
#include "platform/os/file_system.h"
#include "platform/os/list_order.h"
#include "platform/os/paths.h"
#include "sets/small_name_letter.h"

namespace operations {

namespace {
const QString ErrorTitle = QStringLiteral("Error");

QString fileName(const QString& path)
{
    return QFileInfo(path).fileName();
}

// Nothing has been selected since the last refresh that cleared the selection.
bool hasSelectedSet(const ManagerVariables& v)
{
    return !v.SourceLargePath.isEmpty() && !v.SourceSmallPath.isEmpty() && !v.SourceSmallName.isEmpty() &&
           !v.SourceLargeName.isEmpty();
}

// A name that would leave the directory, or hide the set from every list.
bool unsafeStem(const QString& stem)
{
    return stem.contains(QLatin1Char('/')) || stem.contains(QLatin1Char('\\')) || stem.contains(QChar(0)) ||
           stem.startsWith(QLatin1Char('.'));
}
} // namespace

SetOperations::SetOperations(ManagerView& manager, platform::FileSystem& fileSystem, platform::Dialogs& dialogs)
    : manager_(manager), fileSystem_(fileSystem), dialogs_(dialogs)
{
}

void SetOperations::copySet()
{
    fileSet(Transfer::Copy);
}

void SetOperations::moveSet()
{
    fileSet(Transfer::Move);
}

void SetOperations::showError(const QString& text) const
{
    dialogs_.messageBox(text, ErrorTitle, platform::MessageButtons::Ok, platform::MessageIcon::Exclamation);
}

void SetOperations::fileSet(Transfer transfer)
{
    ManagerVariables& v = manager_.windowVariables();
    if (!hasSelectedSet(v))
        return;
    if (v.GenderIndex == 0) {
        showError(QStringLiteral("You must select Gender and Class before saving."));
        return;
    }
    // The number left by the last allocation, before this one allocates again.
    if (v.NextNumber > 99) {
        showError(
            QStringLiteral("The maximum number of images for this type have already been placed in this directory."));
        return;
    }
    if (manager_.selectedEntry() == -1) {
        manager_.refresh_form();
        return;
    }
    if (v.SourceSmallName == NoPictureMarker) {
        showError(QStringLiteral("There must be a Small picture in the set in order to save it."));
        return;
    }

    manager_.find_next_name();
    const QString destination = manager_.destinationDirectory();
    v.TargetLargeName = platform::joinPath(destination, v.TargetLargeName + QStringLiteral(".bmp"));
    v.TargetSmallName = platform::joinPath(destination, v.TargetSmallName + QStringLiteral(".bmp"));
    const int remembered = manager_.selectedEntry();
    manager_.showTargets(v.TargetLargeName, v.TargetSmallName);

    // A file already at its own target is left alone (the comparison counts letter case).
    QVector<Step> steps;
    if (v.SourceLargePath != v.TargetLargeName)
        steps.append({v.SourceLargePath, v.TargetLargeName, true});
    if (v.SourceSmallPath != v.TargetSmallName)
        steps.append({v.SourceSmallPath, v.TargetSmallName, false});
    const bool sameDirectory = transfer == Transfer::Move && destination == manager_.sourceDirectory();
    if (!refuseTakenTargets(steps, destination, sameDirectory))
        runSteps(transfer, steps);

    manager_.rereadSourceFiles();
    manager_.rereadDestinationFiles();
    reselect(remembered);
    manager_.refresh_form();
}

// Before anything is written: any file answering to a target name, letter case aside, stops the whole
// operation, unless it is the very file that moves or is renamed (a change of letter case only).
bool SetOperations::refuseTakenTargets(const QVector<Step>& steps, const QString& directory, bool sameDirectory) const
{
    for (const Step& step : steps) {
        const QString taken =
            fileSystem_.findConflict(directory, fileName(step.target), sameDirectory ? step.source : QString());
        if (taken.isEmpty())
            continue;
        showError(QStringLiteral("The file \"%1\" is already in %2. Nothing was changed.").arg(taken, directory));
        return true;
    }
    return false;
}

// Large file first, then the small one; a failure ends the run and is reported.
bool SetOperations::runSteps(Transfer transfer, const QVector<Step>& steps)
{
    QVector<platform::FsResult> done;
    for (const Step& step : steps) {
        const platform::FsResult result = transfer == Transfer::Copy
                                              ? fileSystem_.copyFile(step.source, step.target)
                                              : fileSystem_.moveFile(step.source, step.target, {});
        if (!result.ok) {
            reportFailure(transfer, steps, done, result);
            return false;
        }
        done.append(result);
    }
    return true;
}

// When the second step fails and left nothing behind, the first is taken back (only the very file this
// operation wrote), so that no half set is left; the user learns which file failed, why, and where each
// file of the set now is, as the disk shows it afterwards.
void SetOperations::reportFailure(Transfer transfer, const QVector<Step>& steps,
                                  const QVector<platform::FsResult>& done, const platform::FsResult& failure)
{
    const bool copy = transfer == Transfer::Copy;
    const Step& step = steps[done.size()];
    const QString verb = copy                         ? QStringLiteral("copy")
                         : transfer == Transfer::Move ? QStringLiteral("move")
                                                      : QStringLiteral("rename");
    QString text =
        QStringLiteral("Could not %1 \"%2\" to \"%3\": %4.").arg(verb, step.source, step.target, failure.reason);
    QVector<QString> elsewhere(steps.size());
    elsewhere[done.size()] = failure.strandedAt;
    bool takenBack = false;
    bool replaced = false; // what this operation wrote was replaced or removed by another program
    // A copy left by the failing step means another program's work is at stake: change nothing else.
    if (!failure.copyLeft && !done.isEmpty()) {
        const Step& first = steps.first();
        const platform::FsResult undone = copy ? fileSystem_.removeFile(first.target, done.first().written)
                                               : fileSystem_.moveFile(first.target, first.source, done.first().written);
        takenBack = undone.ok;
        elsewhere.first() = undone.strandedAt;
        replaced = undone.replaced;
        if (!undone.ok)
            text += copy ? QStringLiteral(" Removing the copy \"%1\" failed too: %2.").arg(first.target, undone.reason)
                         : QStringLiteral(" Moving the large picture back failed too: %1.").arg(undone.reason);
    }
    // Only steps that ran can have put a file at their target.
    const QVector<Whereabouts> where = whereabouts(steps, elsewhere, int(done.size()), replaced);
    const bool unchanged =
        (done.isEmpty() || takenBack) && std::all_of(where.cbegin(), where.cend(), [](const Whereabouts& file) {
            return file.atSource && !file.atTarget && file.elsewhere.isEmpty();
        });
    if (unchanged)
        showError(text + (takenBack ? QStringLiteral(" The large picture was taken back, so nothing was changed.")
                                    : QStringLiteral(" Nothing was changed.")));
    else
        showError(text + QLatin1Char(' ') + describe(where, replaced));
}

// Where each file of the set is, looked up again: at its source, at its target (for the steps up to
// `ran`; not the large picture's, when another program replaced it), or under a hidden name it was left under.
QVector<SetOperations::Whereabouts> SetOperations::whereabouts(const QVector<Step>& steps,
                                                               const QVector<QString>& elsewhere, int ran,
                                                               bool largeReplaced) const
{
    QVector<Whereabouts> where;
    for (qsizetype i = 0; i < steps.size(); ++i)
        where.append({steps[i], isThere(steps[i].source),
                      i <= ran && !(i == 0 && largeReplaced) && isThere(steps[i].target),
                      isThere(elsewhere[i]) ? elsewhere[i] : QString()});
    return where;
}

// Looked up as the directory stores it: on a case-blind volume another spelling is no proof.
bool SetOperations::isThere(const QString& path) const
{
    const QFileInfo file(path);
    return !path.isEmpty() && fileSystem_.findFileIgnoringCase(file.path(), file.fileName()) == file.fileName();
}

// "The large picture is now "B"; the small picture is still "C" and a copy of it is "D"."
QString SetOperations::describe(const QVector<Whereabouts>& files, bool largeReplaced)
{
    QStringList parts;
    for (const Whereabouts& file : files) {
        const QString what =
            file.step.large ? QStringLiteral("the large picture") : QStringLiteral("the small picture");
        if (!file.elsewhere.isEmpty() && file.atTarget)
            parts << QStringLiteral("%1 is now \"%2\" and a copy of it is \"%3\"")
                         .arg(what, file.elsewhere, file.step.target);
        else if (!file.elsewhere.isEmpty())
            parts << QStringLiteral("%1 is now \"%2\"").arg(what, file.elsewhere);
        else if (file.atSource && file.atTarget)
            parts << QStringLiteral("%1 is still \"%2\" and a copy of it is \"%3\"")
                         .arg(what, file.step.source, file.step.target);
        else if (file.atTarget)
            parts << QStringLiteral("%1 is now \"%2\"").arg(what, file.step.target);
        else if (file.atSource)
            parts << QStringLiteral("%1 is still \"%2\"").arg(what, file.step.source);
        else if (file.step.source == file.step.target)
            parts << QStringLiteral("%1 is missing: it is no longer \"%2\"").arg(what, file.step.source);
        else if (file.step.large && largeReplaced)
            parts << QStringLiteral("%1 is no longer \"%2\": another program replaced or removed it")
                         .arg(what, file.step.target);
        else
            parts << QStringLiteral("%1 is missing: it is neither \"%2\" nor \"%3\"")
                         .arg(what, file.step.source, file.step.target);
    }
    QString text = parts.join(QStringLiteral("; ")) + QLatin1Char('.');
    text[0] = text[0].toUpper();
    return text;
}

void SetOperations::reselect(int remembered)
{
    // The set that left the list, or anything else that vanished meanwhile, moves the choice up.
    if (manager_.entryCount() > 0)
        manager_.selectEntry(std::min(remembered, manager_.entryCount() - 1));
}

void SetOperations::renameSet()
{
    if (manager_.selectedEntry() == -1)
        return;
    const std::optional<QString> stem = askForStem(manager_.entry(manager_.selectedEntry()));
    if (!stem)
        return;

    const ManagerVariables& v = manager_.windowVariables();
    const QString directory = manager_.sourceDirectory();
    const std::u32string stem32 = stem->toStdU32String();
    QVector<Step> steps{{v.SourceLargePath,
                         platform::joinPath(directory, QString::fromStdU32String(naming::userLargeFileName(stem32))),
                         true}};
    // A set without small picture renames its large file alone; nothing named by the marker is touched.
    if (v.SourceSmallName != NoPictureMarker)
        steps.append({v.SourceSmallPath,
                      platform::joinPath(directory, QString::fromStdU32String(
                                                        naming::userSmallFileName(stem32, sets::smallNameLetter))),
                      false});
    // Renaming a file to the name it has is no change at all, while it is there: a file another program
    // removed fails as in any rename, and is reported.
    steps.erase(std::remove_if(steps.begin(), steps.end(),
                               [this](const Step& s) { return s.source == s.target && isThere(s.source); }),
                steps.end());

    const bool failed = !refuseTakenTargets(steps, directory, true) && !runSteps(Transfer::Rename, steps);
    manager_.rereadSourceFiles();
    // The rename leaves the old preview on purpose; after a failure the window shows what is on disk.
    if (failed) {
        manager_.rereadDestinationFiles();
        manager_.refresh_form();
    }
}

namespace {
// Why Windows could not hold the set under `stem` on the volume of `directory`, or nothing.
std::optional<QString> windowsRefusal(const QString& stem, const QString& directory)
{
    using Kind = naming::WindowsNameFault::Kind;
    const naming::WindowsNameFault fault = naming::windowsNameFault(stem.toStdU32String());
    QString why;
    switch (fault.kind) {
    case Kind::None:
        return std::nullopt;
    case Kind::Character: {
        const QString character = QString::fromUcs4(&fault.character, 1);
        why = fault.character < 0x20 || fault.character == 0x7f
                  ? QStringLiteral("names must not contain control characters (here U+%1)")
                        .arg(QString::number(fault.character, 16).toUpper().rightJustified(4, QLatin1Char('0')))
              : fault.character == U'"' ? QStringLiteral("names must not contain the quotation mark")
                                        : QStringLiteral("names must not contain \"%1\"").arg(character);
        break;
    }
    case Kind::Ending:
        why = QStringLiteral("a name must not end in a dot or a space");
        break;
    case Kind::DeviceName:
        why = QStringLiteral("\"%1\" is the name of a device").arg(QString::fromStdU32String(fault.name));
        break;
    }
    return QStringLiteral("\"%1\" cannot be a name here: %2 is on a volume that Windows reads, where %3. Please "
                          "choose another.")
        .arg(stem, directory, why);
}
} // namespace

std::optional<QString> SetOperations::askForStem(const QString& entry)
{
    const QString directory = manager_.sourceDirectory();
    const bool windowsNames = fileSystem_.takesOnlyWindowsNames(directory);
    for (;;) {
        std::optional<QString> answer =
            dialogs_.inputBox(QStringLiteral("What would you like to rename this file? (No more than 7 characters)"),
                              QStringLiteral("Renaming File ") + entry, QStringLiteral("PIC01"));
        if (!answer)
            return std::nullopt;
        if (!naming::isAcceptableUserStem(answer->toStdU32String()))
            continue;
        if (unsafeStem(*answer)) {
            showError(QStringLiteral("\"%1\" cannot be a name: it must not contain / or \\ and must not begin "
                                     "with a dot. Please choose another.")
                          .arg(*answer));
            continue;
        }
        if (const std::optional<QString> refusal = windowsNames ? windowsRefusal(*answer, directory) : std::nullopt) {
            showError(*refusal);
            continue;
        }
        return answer;
    }
}

void SetOperations::deleteSet()
{
    const ManagerVariables& v = manager_.windowVariables();
    if (!hasSelectedSet(v))
        return;
    const int remembered = manager_.selectedEntry();
    if (remembered != -1) {
        const QString entry = manager_.entry(remembered);
        const platform::MessageResult answer = dialogs_.messageBox(
            QStringLiteral("Are you sure you want to delete this file?"), QStringLiteral("Delete File ") + entry,
            platform::MessageButtons::YesNo, platform::MessageIcon::None);
        if (answer == platform::MessageResult::Yes) {
            deleteFiles(entry);
            manager_.rereadSourceFiles();
            manager_.rereadDestinationFiles();
            reselect(remembered);
        }
    }
    manager_.refresh_form();
}

void SetOperations::deleteFiles(const QString& entry)
{
    const ManagerVariables& v = manager_.windowVariables();
    const bool small = v.SourceSmallName != NoPictureMarker;
    const platform::FsResult large = fileSystem_.removeFile(v.SourceLargePath, {});
    if (!large.ok) {
        const QString text = QStringLiteral("Could not delete \"%1\": %2.").arg(v.SourceLargePath, large.reason);
        if (isThere(v.SourceLargePath))
            showError(text + QStringLiteral(" Nothing was deleted."));
        else
            showError(text + QStringLiteral(" It is gone all the same") +
                      (small ? QStringLiteral("; the small picture \"%1\" was kept.").arg(v.SourceSmallPath)
                             : QStringLiteral(".")));
        return;
    }
    if (!small)
        return;
    // The small file goes under whatever spelling it has now, letter case aside; but a file spelled
    // exactly as another listed set's partner is that set's, and stays.
    const QString directory = QFileInfo(v.SourceSmallPath).path();
    const QString expected = QString::fromStdU32String(naming::smallPartnerOfEntry(entry.toStdU32String()));
    const QString found = fileSystem_.findFileIgnoringCase(directory, fileName(v.SourceSmallPath));
    if (found.isEmpty() || !platform::sameNameIgnoringCase(found, expected))
        return;
    const QString smallPath = platform::joinPath(directory, found);
    if (found != fileName(v.SourceSmallPath))
        for (int i = 0; i < manager_.entryCount(); ++i)
            if (const QString other = manager_.entry(i);
                other != entry &&
                QString::fromStdU32String(naming::smallPartnerOfEntry(other.toStdU32String())) == found) {
                showError(QStringLiteral("\"%1\" was deleted; the small picture \"%2\" was kept: it belongs to the set "
                                         "\"%3\".")
                              .arg(v.SourceLargePath, smallPath, other));
                return;
            }
    if (const platform::FsResult removed = fileSystem_.removeFile(smallPath, {}); !removed.ok)
        showError(QStringLiteral("\"%1\" was deleted, but \"%2\" could not be deleted: %3. %4")
                      .arg(v.SourceLargePath, smallPath, removed.reason,
                           isThere(smallPath) ? QStringLiteral("The small picture is still there.")
                                              : QStringLiteral("It is gone all the same.")));
}

} // namespace operations
