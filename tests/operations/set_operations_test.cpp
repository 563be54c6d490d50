#include "operations/set_operations.h"

#include <cerrno>
#include <cstring>
#include <functional>
#include <map>
#include <optional>

#include <QDir>
#include <QPushButton>

#include <gtest/gtest.h>

#include "operations/manager_view.h"
#include "sets/small_partners.h"
#include "support/manager_fixture.h"
#include "support/mount.h"

namespace {

// The manager as the operations see it, over a source and a destination directory: the source list
// shows the large pictures, selecting an entry records the set as the manager's click handler does,
// every request is logged, and the allocation hands out 01 (the targets shown prove it ran).
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
        vars.SourceLargeName = listed.at(index);
        vars.SourceSmallName =
            sets::SmallPartners(files).find(sourcePath, {listed[index]}, listed).value(listed[index], NoPictureMarker);
        vars.SourceLargePath = sourcePath + '/' + vars.SourceLargeName;
        vars.SourceSmallPath = sourcePath + '/' + vars.SourceSmallName;
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

    // Every box as ShownBox::line has it, the directories as {S} and {D}; the rename box for `entry` is
    // "ask" and the question before deleting it "sure?".
    QStringList boxes(const QString& entry) const
    {
        const QString ask = "Renaming File " + entry +
                            "|What would you like to rename this file? (No more than 7 characters)|Ok||input PIC01|";
        const QString sure = "Delete File " + entry + "|Are you sure you want to delete this file?|YesNo|||";
        return dialogs.lines()
            .replaceInStrings(ask, "ask")
            .replaceInStrings(sure, "sure?")
            .replaceInStrings(sourcePath, "{S}")
            .replaceInStrings(destinationPath, "{D}");
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

using Ops = operations::SetOperations;

// What the writes report: a plain failure, or another program's race as the OS door tells of it.
const platform::FsResult fire = platform::FsResult::failure("disk on fire");
const platform::FsResult replaced{false, "another program was quicker", {}, false, true, {}};
const platform::FsResult copyLeft{false, "another program was quicker", {}, true, false, {}};
const platform::FsResult stranded{false, "another program was quicker", {}, false, false, ".zzL.bmp.hidden"};

const auto err = [](const QString& text) { return "Error|" + text + "|Ok|!||"; };
const auto taken = [](const char* name, const char* directory = "{D}") {
    return err(QStringLiteral("The file \"%1\" is already in %2. Nothing was changed.").arg(name, directory));
};
const auto unsafe = [](const QString& name) {
    return err(
        "\"" + name +
        "\" cannot be a name: it must not contain / or \\ and must not begin with a dot. Please choose another.");
};
const auto windows = [](const QString& name, const QString& why) {
    return err("\"" + name + "\" cannot be a name here: {S} is on a volume that Windows reads, where " + why +
               ". Please choose another.");
};
// The lists read again, the entry at `selected` chosen (none for -1), the window refreshed.
const auto shown = [](int selected = -1) {
    const QStringList choice = selected == -1 ? QStringList() : QStringList{QStringLiteral("select %1").arg(selected)};
    return QStringList{"reread source", "reread destination"} + choice + QStringList{"refresh"};
};
const auto filed = [](int selected) { return QStringList{"targets {D}/MM01L.bmp {D}/mM01S.bmp"} + shown(selected); };

struct Case {
    const char* name;
    void (Ops::*op)();
    QStringList files; // of the source directory
    const char* selected;
    QList<std::optional<QString>> typed;      // into the rename box, one answer each time it comes up
    std::map<int, platform::FsResult> faults; // by the number of the write, from 0
    std::function<void(Scene&)> arrange;      // the delete question is answered Yes unless this answers first
    // The directories' names after, both in code-point order as the sandboxes give them, the boxes and the log.
    QStringList sourceAfter, destinationAfter, boxes, log;
};

// Each operation files, renames or deletes the selected set whole, or changes nothing and says why; each
// picture keeps its bytes under its new name; the view is asked to show what is on disk afterwards.
TEST(SetOperations, ASetIsHandledWholeOrNotAtAll)
{
    const QStringList set{"ZZL.bmp", "zZS.bmp"};
    const QStringList three{"AAL.bmp", "BBL.bmp", "CCL.bmp", "aAS.bmp", "bBS.bmp", "cCS.bmp"};
    const QStringList five{"AAL.bmp", "BBL.bmp", "CCL.bmp", "DDL.bmp", "EEL.bmp", "aAS.bmp", "bBS.bmp", "cCS.bmp"};
    const QStringList names{"IrisL.bmp", "MM05L.bmp", "mM05S.bmp"};
    // clang-format off
    const Case cases[] = {
        {"CopyKeepsTheSource", &Ops::copySet, three, "CCL.bmp", {}, {}, {}, three, {"MM01L.bmp", "mM01S.bmp"}, {}, filed(2)},
        {"MoveTakesTheSetAwayAndMovesTheChoiceUp", &Ops::moveSet, three, "CCL.bmp", {}, {}, {}, {"AAL.bmp", "BBL.bmp", "aAS.bmp", "bBS.bmp"}, {"MM01L.bmp", "mM01S.bmp"}, {}, filed(1)},
        {"CopyWithinADirectoryMeetsItsSourceInAnotherCase", &Ops::copySet, {"mm01L.bmp", "mm01S.bmp"}, "mm01L.bmp", {}, {}, [](Scene& s) { s.destinationPath = s.source.path(); }, {"mm01L.bmp", "mm01S.bmp"}, {}, {taken("mm01L.bmp", "{S}")}, filed(0)},
        {"ALargeFileAtItsOwnTargetStays", &Ops::moveSet, {"MM01L.bmp", "mm01S.bmp"}, "MM01L.bmp", {}, {}, [](Scene& s) { s.destinationPath = s.source.path(); }, {"MM01L.bmp", "mM01S.bmp"}, {}, {}, filed(0)},
        {"ASmallFileAtItsOwnTargetStays", &Ops::moveSet, {"Mm01L.bmp", "mM01S.bmp"}, "Mm01L.bmp", {}, {}, [](Scene& s) { s.destinationPath = s.source.path(); }, {"MM01L.bmp", "mM01S.bmp"}, {}, {}, filed(0)},
        {"LargeNameTakenInAnotherCase", &Ops::copySet, set, "ZZL.bmp", {}, {}, [](Scene& s) { s.destination.addFile("mm01L.bmp", "theirs"); }, set, {"mm01L.bmp"}, {taken("mm01L.bmp")}, filed(0)},
        {"SmallNameTakenInAnotherCase", &Ops::moveSet, set, "ZZL.bmp", {}, {}, [](Scene& s) { s.destination.addFile("MM01s.BMP", "theirs"); }, set, {"MM01s.BMP"}, {taken("MM01s.BMP")}, filed(0)},
        {"ASelectionHalfRecorded", &Ops::moveSet, set, "ZZL.bmp", {}, {}, [](Scene& s) { s.vars.SourceSmallPath.clear(); }, set, {}, {}, {}},
        {"DeleteOfAHalfRecordedSelection", &Ops::deleteSet, set, "ZZL.bmp", {}, {}, [](Scene& s) { s.vars.SourceSmallPath.clear(); }, set, {}, {}, {}},
        {"NoGenderChosen", &Ops::copySet, set, "ZZL.bmp", {}, {}, [](Scene& s) { s.vars.GenderIndex = 0; }, set, {}, {err("You must select Gender and Class before saving.")}, {}},
        {"TheTypeIsFull", &Ops::moveSet, set, "ZZL.bmp", {}, {}, [](Scene& s) { s.vars.NextNumber = 100; }, set, {}, {err("The maximum number of images for this type have already been placed in this directory.")}, {}},
        {"NinetyNineIsStillFiled", &Ops::copySet, set, "ZZL.bmp", {}, {}, [](Scene& s) { s.vars.NextNumber = 99; }, set, {"MM01L.bmp", "mM01S.bmp"}, {}, filed(0)},
        {"TheListWasReadAgainMeanwhile", &Ops::copySet, set, "ZZL.bmp", {}, {}, [](Scene& s) { s.selected = -1; }, set, {}, {}, {"refresh"}},
        {"NoSmallPicture", &Ops::moveSet, {"LonerL.bmp", "NOPICTURE"}, "LonerL.bmp", {}, {}, {}, {"LonerL.bmp", "NOPICTURE"}, {}, {err("There must be a Small picture in the set in order to save it.")}, {}},
        {"RenameAsksAgainAfterALongEmptyOrUnsafeName", &Ops::renameSet, names, "MM05L.bmp", {"ABCDEFGH", "", "a/b", ".x", "a\\b", QString(QChar(0)) + "x", "Abc"}, {}, {}, {"AbcL.bmp", "IrisL.bmp", "abcS.bmp"}, {},
         {"ask", "ask", "ask", unsafe("a/b"), "ask", unsafe(".x"), "ask", unsafe("a\\b"), "ask", unsafe(QString(QChar(0)) + "x"), "ask"}, {"reread source"}},
        {"RenameRefusesWhatWindowsCannotHold", &Ops::renameSet, names, "MM05L.bmp", {"A:B*", "\"", QString(QChar(7)), "A.", "nu", "Abc"}, {}, [](Scene& s) { s.files.setWindowsNames(true); }, {"AbcL.bmp", "IrisL.bmp", "abcS.bmp"}, {},
         {"ask", windows("A:B*", "names must not contain \":\""), "ask", windows("\"", "names must not contain the quotation mark"), "ask", windows(QString(QChar(7)), "names must not contain control characters (here U+0007)"), "ask", windows("A.", "a name must not end in a dot or a space"), "ask", windows("nu", "\"nuL.bmp\" is the name of a device"), "ask"}, {"reread source"}},
        {"RenameElsewhereTakesWhatWindowsCannot", &Ops::renameSet, names, "MM05L.bmp", {"A:B*"}, {}, [](Scene& s) { s.files.setWindowsNames(false); }, {"A:B*L.bmp", "IrisL.bmp", "a:B*S.bmp"}, {}, {"ask"}, {"reread source"}},
        {"RenameOnlyLetterCase", &Ops::renameSet, names, "MM05L.bmp", {"mm05"}, {}, {}, {"IrisL.bmp", "mm05L.bmp", "mm05S.bmp"}, {}, {"ask"}, {"reread source"}},
        {"RenameKeepsDottedCapitalI", &Ops::renameSet, names, "MM05L.bmp", {"\u0130x"}, {}, {}, {"IrisL.bmp", "\u0130xL.bmp", "\u0130xS.bmp"}, {}, {"ask"}, {"reread source"}},
        {"RenameOfAVanishedSetOntoItsOwnName", &Ops::renameSet, names, "MM05L.bmp", {"MM05"}, {}, [](Scene& s) { QFile::remove(s.source.filePath("MM05L.bmp")); }, {"IrisL.bmp", "mM05S.bmp"}, {}, {"ask", err("Could not rename \"{S}/MM05L.bmp\" to \"{S}/MM05L.bmp\": " + QString::fromLocal8Bit(std::strerror(ENOENT)) + ". The large picture is missing: it is no longer \"{S}/MM05L.bmp\".")}, shown()},
        {"RenameCancelled", &Ops::renameSet, names, "MM05L.bmp", {std::nullopt}, {}, {}, names, {}, {"ask"}, {}},
        {"RenameToATakenNameInAnyLocale", &Ops::renameSet, names, "MM05L.bmp", {"iris"}, {}, {}, names, {}, {"ask", taken("IrisL.bmp", "{S}")}, {"reread source"}},
        {"RenameWithoutSmallPicture", &Ops::renameSet, {"MM05L.bmp", "NOPICTURE"}, "MM05L.bmp", {"Solo"}, {}, {}, {"NOPICTURE", "SoloL.bmp"}, {}, {"ask"}, {"reread source"}},
        {"DeletePartnerInOtherCase", &Ops::deleteSet, {"MM05L.bmp", "ZZL.bmp", "mm05s.BMP"}, "MM05L.bmp", {}, {}, {}, {"ZZL.bmp"}, {}, {"sure?"}, shown(0)},
        {"DeleteWithoutPartner", &Ops::deleteSet, {"LonerL.bmp", "NOPICTURE"}, "LonerL.bmp", {}, {}, {}, {"NOPICTURE"}, {}, {"sure?"}, shown()},
        {"DeleteLastWhileAnotherVanished", &Ops::deleteSet, five, "EEL.bmp", {}, {}, [](Scene& s) { QFile::remove(s.source.filePath("DDL.bmp")); }, five.mid(0, 3) + five.mid(5), {}, {"sure?"}, shown(2)},
        {"DeleteAnsweredNo", &Ops::deleteSet, five, "CCL.bmp", {}, {}, [](Scene& s) { s.dialogs.queueAnswer(platform::MessageResult::No); }, five, {}, {"sure?"}, {"refresh"}},
        {"DeleteKeepsAnotherSetsSmallPicture", &Ops::deleteSet, {"ABL.bmp", "abL.bmp", "abS.bmp"}, "ABL.bmp", {}, {}, {}, {"abL.bmp", "abS.bmp"}, {}, {"sure?"}, shown(0)},
        {"DeleteTakesNoStandInForAVanishedSmallPicture", &Ops::deleteSet, {"ABL.bmp", "ABS.bmp", "abL.bmp", "abS.bmp"}, "ABL.bmp", {}, {}, [](Scene& s) { QFile::remove(s.source.filePath("ABS.bmp")); }, {"abL.bmp", "abS.bmp"}, {}, {"sure?", err("\"{S}/ABL.bmp\" was deleted; the small picture \"{S}/abS.bmp\" was kept: it belongs to the set \"abL.bmp\".")}, shown(0)},
        {"DeleteTakesTheSmallPictureRespelled", &Ops::deleteSet, {"KimL.bmp", "KIMS.BMP", "ZZL.bmp"}, "KimL.bmp", {}, {}, [](Scene& s) { QFile::rename(s.source.filePath("KIMS.BMP"), s.source.filePath("kimS.bmp")); }, {"ZZL.bmp"}, {}, {"sure?"}, shown(0)},
        {"CopyFirstFails", &Ops::copySet, set, "ZZL.bmp", {}, {{0, fire}}, {}, set, {}, {err("Could not copy \"{S}/ZZL.bmp\" to \"{D}/MM01L.bmp\": disk on fire. Nothing was changed.")}, filed(0)},
        {"CopySecondFails", &Ops::copySet, set, "ZZL.bmp", {}, {{1, fire}}, {}, set, {}, {err("Could not copy \"{S}/zZS.bmp\" to \"{D}/mM01S.bmp\": disk on fire. The large picture was taken back, so nothing was changed.")}, filed(0)},
        {"CopySecondAndUndoFail", &Ops::copySet, set, "ZZL.bmp", {}, {{1, fire}, {2, fire}}, {}, set, {"MM01L.bmp"}, {err("Could not copy \"{S}/zZS.bmp\" to \"{D}/mM01S.bmp\": disk on fire. Removing the copy \"{D}/MM01L.bmp\" failed too: disk on fire. The large picture is still \"{S}/ZZL.bmp\" and a copy of it is \"{D}/MM01L.bmp\"; the small picture is still \"{S}/zZS.bmp\".")}, filed(0)},
        {"MoveSecondFails", &Ops::moveSet, set, "ZZL.bmp", {}, {{1, fire}}, {}, set, {}, {err("Could not move \"{S}/zZS.bmp\" to \"{D}/mM01S.bmp\": disk on fire. The large picture was taken back, so nothing was changed.")}, filed(0)},
        {"MoveSecondAndUndoFail", &Ops::moveSet, set, "ZZL.bmp", {}, {{1, fire}, {2, fire}}, {}, {"zZS.bmp"}, {"MM01L.bmp"}, {err("Could not move \"{S}/zZS.bmp\" to \"{D}/mM01S.bmp\": disk on fire. Moving the large picture back failed too: disk on fire. The large picture is now \"{D}/MM01L.bmp\"; the small picture is still \"{S}/zZS.bmp\".")}, filed(-1)},
        {"RenameSecondFails", &Ops::renameSet, set, "ZZL.bmp", {"Hero"}, {{1, fire}}, {}, set, {}, {"ask", err("Could not rename \"{S}/zZS.bmp\" to \"{S}/heroS.bmp\": disk on fire. The large picture was taken back, so nothing was changed.")}, shown()},
        {"UndoOfACopyAnotherProgramReplaced", &Ops::copySet, set, "ZZL.bmp", {}, {{1, fire}, {2, replaced}}, {}, set, {"MM01L.bmp"}, {err("Could not copy \"{S}/zZS.bmp\" to \"{D}/mM01S.bmp\": disk on fire. Removing the copy \"{D}/MM01L.bmp\" failed too: another program was quicker. The large picture is still \"{S}/ZZL.bmp\"; the small picture is still \"{S}/zZS.bmp\".")}, filed(0)},
        {"MoveBackOfAFileAnotherProgramReplaced", &Ops::moveSet, set, "ZZL.bmp", {}, {{1, fire}, {2, replaced}}, {}, {"zZS.bmp"}, {"MM01L.bmp"}, {err("Could not move \"{S}/zZS.bmp\" to \"{D}/mM01S.bmp\": disk on fire. Moving the large picture back failed too: another program was quicker. The large picture is no longer \"{D}/MM01L.bmp\": another program replaced or removed it; the small picture is still \"{S}/zZS.bmp\".")}, filed(-1)},
        {"MoveWhoseCopyIsLeftKeepsTheLargeOneThere", &Ops::moveSet, set, "ZZL.bmp", {}, {{1, copyLeft}}, {}, {"zZS.bmp"}, {"MM01L.bmp", "mM01S.bmp"}, {err("Could not move \"{S}/zZS.bmp\" to \"{D}/mM01S.bmp\": another program was quicker. The large picture is now \"{D}/MM01L.bmp\"; the small picture is still \"{S}/zZS.bmp\" and a copy of it is \"{D}/mM01S.bmp\".")}, filed(-1)},
        {"FirstMoveLeavesACopy", &Ops::moveSet, set, "ZZL.bmp", {}, {{0, copyLeft}}, {}, set, {"MM01L.bmp"}, {err("Could not move \"{S}/ZZL.bmp\" to \"{D}/MM01L.bmp\": another program was quicker. The large picture is still \"{S}/ZZL.bmp\" and a copy of it is \"{D}/MM01L.bmp\"; the small picture is still \"{S}/zZS.bmp\".")}, filed(0)},
        {"RenameStrandedUnderAHiddenName", &Ops::renameSet, set, "ZZL.bmp", {"zz"}, {{0, stranded}}, {}, {".zzL.bmp.hidden", "zZS.bmp"}, {}, {"ask", err("Could not rename \"{S}/ZZL.bmp\" to \"{S}/zzL.bmp\": another program was quicker. The large picture is now \"{S}/.zzL.bmp.hidden\"; the small picture is still \"{S}/zZS.bmp\".")}, shown()},
        {"ARenameThatLosesTheFileSaysSo", &Ops::renameSet, set, "ZZL.bmp", {"Hero"}, {}, [](Scene& s) { s.files.failWrite(0, fire, true); }, {"zZS.bmp"}, {}, {"ask", err("Could not rename \"{S}/ZZL.bmp\" to \"{S}/HeroL.bmp\": disk on fire. The large picture is missing: it is neither \"{S}/ZZL.bmp\" nor \"{S}/HeroL.bmp\"; the small picture is still \"{S}/zZS.bmp\".")}, shown()},
        {"DeleteFirstFails", &Ops::deleteSet, set, "ZZL.bmp", {}, {{0, fire}}, {}, set, {}, {"sure?", err("Could not delete \"{S}/ZZL.bmp\": disk on fire. Nothing was deleted.")}, shown(0)},
        {"DeleteFirstFailsYetTheFileIsGone", &Ops::deleteSet, set, "ZZL.bmp", {}, {}, [](Scene& s) { s.files.failWrite(0, fire, true); }, {"zZS.bmp"}, {}, {"sure?", err("Could not delete \"{S}/ZZL.bmp\": disk on fire. It is gone all the same; the small picture \"{S}/zZS.bmp\" was kept.")}, shown()},
        {"DeleteSecondFailsYetTheFileIsGone", &Ops::deleteSet, set, "ZZL.bmp", {}, {}, [](Scene& s) { s.files.failWrite(1, fire, true); }, {}, {}, {"sure?", err("\"{S}/ZZL.bmp\" was deleted, but \"{S}/zZS.bmp\" could not be deleted: disk on fire. It is gone all the same.")}, shown()},
        {"DeleteSecondFails", &Ops::deleteSet, set, "ZZL.bmp", {}, {{1, fire}}, {}, {"zZS.bmp"}, {}, {"sure?", err("\"{S}/ZZL.bmp\" was deleted, but \"{S}/zZS.bmp\" could not be deleted: disk on fire. The small picture is still there.")}, shown()},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Scene t(c.files, c.selected);
        for (const std::optional<QString>& text : c.typed)
            t.dialogs.queueInput(text);
        for (const auto& [write, result] : c.faults)
            t.files.failWrite(write, result);
        if (c.arrange)
            c.arrange(t);
        t.dialogs.queueAnswer(platform::MessageResult::Yes);
        const auto before = t.source.contents();
        const ManagerVariables picked = t.vars;
        (operations::SetOperations(t, t.files, t.dialogs).*c.op)();
        auto after = t.destination.contents();
        EXPECT_EQ(std::tuple(t.source.contents().keys(), after.keys(), t.boxes(c.selected),
                             t.log.replaceInStrings(t.destinationPath, "{D}")),
                  std::tuple(c.sourceAfter, c.destinationAfter, c.boxes, c.log));
        after.insert(t.source.contents());
        for (auto file = after.cbegin(); file != after.cend(); ++file) {
            const QString& stays = file.key().contains("L.bmp") ? picked.SourceLargeName : picked.SourceSmallName;
            EXPECT_TRUE(file.value() == "theirs" || file.value() == before.value(file.key(), before.value(stays)))
                << qPrintable(file.key());
        }
    }
}

// On every kind of volume users keep portraits on, a set is filed in and out, renamed (also in letter case
// only) and deleted, or a read-only volume refuses each write with its reason and nothing changes; a name
// Windows forbids is refused on a volume Windows reads before anything is touched, and taken elsewhere.
TEST(SetOperations, OnEveryKindOfVolume)
{
    RUN_WHERE_MOUNTING_WORKS();
    using testsupport::VolumeKind;
    const QStringList set{"ZZL.bmp", "zZS.bmp"};
    // What each operation leaves in the source and destination directories, and the boxes it showed.
    struct Step {
        const char* name;
        void (Ops::*op)();
        bool onVolume; // the set starts on the volume, else it goes there
        QList<std::optional<QString>> typed;
    };
    const Step steps[] = {
        {"copy in", &Ops::copySet, false, {}},
        {"move in", &Ops::moveSet, false, {}},
        {"move out", &Ops::moveSet, true, {}},
        {"rename", &Ops::renameSet, true, {"Hero"}},
        {"case only", &Ops::renameSet, true, {"zz"}},
        {"delete", &Ops::deleteSet, true, {}},
        {"Windows' names", &Ops::renameSet, true, {"A:B*", std::nullopt}},
    };
    const QString refused = err("\"A:B*\" cannot be a name here: {S} is on a volume that Windows reads, where names "
                                "must not contain \":\". Please choose another.");
    const auto readOnly = [](const char* verb, const char* from, const char* to) {
        return err(QStringLiteral("Could not %1 \"%2\" to \"%3\": %4. Nothing was changed.")
                       .arg(verb, from, to, QString::fromLocal8Bit(std::strerror(EROFS))));
    };
    const QStringList done = {"S: ZZL.bmp zZS.bmp | D: MM01L.bmp mM01S.bmp | ",
                              "S: | D: MM01L.bmp mM01S.bmp | ",
                              "S: | D: MM01L.bmp mM01S.bmp | ",
                              "S: HeroL.bmp heroS.bmp | D: | ask",
                              "S: zzL.bmp zzS.bmp | D: | ask",
                              "S: | D: | sure?"};
    const QString windows = "S: ZZL.bmp zZS.bmp | D: | ask, " + refused + ", ask";
    const QString free = "S: A:B*L.bmp a:B*S.bmp | D: | ask";
    const QString sealed = "S: ZZL.bmp zZS.bmp | D: | ", sealedIn = "S: ZZL.bmp zZS.bmp | D: ZZL.bmp zZS.bmp | ";
    const QString eRofs = QString::fromLocal8Bit(std::strerror(EROFS));
    // clang-format off
    const std::pair<VolumeKind, QStringList> volumes[] = {
        {VolumeKind::Tmpfs, done + QStringList{free}}, {VolumeKind::Fat, done + QStringList{windows}},
        {VolumeKind::Ntfs, done + QStringList{windows}}, {VolumeKind::Exfat, done + QStringList{windows}},
        {VolumeKind::Passthrough, done + QStringList{free}}, {VolumeKind::Btrfs, done + QStringList{free}},
        {VolumeKind::Xfs, done + QStringList{free}},
        {VolumeKind::Squashfs, {sealedIn + readOnly("copy", "{S}/ZZL.bmp", "{D}/MM01L.bmp"), sealedIn + readOnly("move", "{S}/ZZL.bmp", "{D}/MM01L.bmp"),
                                sealed + readOnly("move", "{S}/ZZL.bmp", "{D}/MM01L.bmp"), sealed + "ask, " + readOnly("rename", "{S}/ZZL.bmp", "{S}/HeroL.bmp"),
                                sealed + "ask, " + readOnly("rename", "{S}/ZZL.bmp", "{S}/zzL.bmp"),
                                sealed + "sure?, " + err("Could not delete \"{S}/ZZL.bmp\": " + eRofs + ". Nothing was deleted."),
                                sealed + "ask, " + readOnly("rename", "{S}/ZZL.bmp", "{S}/A:B*L.bmp")}},
    };
    // clang-format on
    QStringList skipped;
    for (const auto& [kind, expected] : volumes) {
        testsupport::PortraitSandbox held;
        held.addPortraits(set);
        const testsupport::TestVolume volume(kind, testsupport::VolumeSetup{32 << 20, held.path(), 0});
        if (!volume.mounted()) {
            skipped << volume.skipReason();
            continue;
        }
        QStringList outcomes;
        for (const Step& step : steps) {
            Scene t(set, "ZZL.bmp");
            (step.onVolume ? t.sourcePath : t.destinationPath) = volume.path();
            if (step.onVolume && kind != VolumeKind::Squashfs)
                for (const QString& name : set)
                    EXPECT_TRUE(QFile::copy(held.filePath(name), volume.path() + '/' + name));
            if (step.onVolume) {
                t.rereadSourceFiles();
                t.selectEntry(int(t.listed.indexOf("ZZL.bmp")));
            }
            for (const std::optional<QString>& text : step.typed)
                t.dialogs.queueInput(text);
            t.dialogs.queueAnswer(platform::MessageResult::Yes);
            (operations::SetOperations(t, t.files, t.dialogs).*step.op)();
            const auto names = [](const QString& directory) {
                return QDir(directory).entryList(QDir::Files | QDir::Hidden, QDir::Name).join(' ');
            };
            outcomes << QStringLiteral("S: %1 | D: %2 | %3")
                            .arg(names(t.sourcePath), names(t.destinationPath), t.boxes("ZZL.bmp").join(", "))
                            .replace("  ", " ");
            if (kind != VolumeKind::Squashfs)
                for (const QString& name : QDir(volume.path()).entryList(QDir::Files | QDir::Hidden))
                    QFile::remove(volume.path() + '/' + name);
        }
        EXPECT_EQ(outcomes, expected) << int(kind);
    }
    if (!skipped.isEmpty())
        GTEST_SKIP() << "the other volumes passed; skipped " << skipped.join("; ").toStdString();
}

// The manager's side of the view: its buttons reach the operations, its lists follow the disk. A row
// holds the button, then the source and destination lists, the entry chosen and the large target shown after it.
using WindowRow = std::tuple<const char*, QStringList, QStringList, int, const char*>;
struct SetOperationsThroughTheWindow : testsupport::ManagerFixture, testing::WithParamInterface<WindowRow> {};

TEST_P(SetOperationsThroughTheWindow, ButtonsFileTheSetAndTheListsFollowTheDisk)
{
    const auto& [button, sourceAfter, destinationAfter, selectedAfter, largeTarget] = GetParam();
    destination_.addPortraits({"FM01L.bmp", "fM01S.bmp"});
    source_.addPortraits({"BBL.bmp", "bBS.bmp", "ZZL.bmp", "zZS.bmp"});
    open();
    setDestination(destination_.path());
    choose("GenderCombo", 1);
    selectSource("ZZL.bmp");
    dialogs_.queueAnswer(platform::MessageResult::Yes);
    dialogs_.queueInput(QStringLiteral("Hero"));
    control<QPushButton>(button)->click();
    EXPECT_EQ(std::tuple(files()->entries(), files("Files2")->entries(), files()->listIndex(), caption("Label1")),
              std::tuple(sourceAfter, destinationAfter, selectedAfter, destination_.path() + "/" + largeTarget));
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Buttons, SetOperationsThroughTheWindow, testing::Values(
    WindowRow{"SaveButton", {"BBL.bmp", "ZZL.bmp"}, {"FM01L.bmp", "FM02L.bmp"}, 1, "FM03L.bmp"},
    WindowRow{"MoveButton", {"BBL.bmp"}, {"FM01L.bmp", "FM02L.bmp"}, 0, "FM03L.bmp"},
    WindowRow{"DeleteButton", {"BBL.bmp"}, {"FM01L.bmp"}, 0, "FM02L.bmp"},
    WindowRow{"RenameButton", {"BBL.bmp", "HeroL.bmp"}, {"FM01L.bmp"}, -1, "FM02L.bmp"}));
// clang-format on

} // namespace
