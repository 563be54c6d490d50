#include <functional>
#include <map>
#include <optional>

#include <gtest/gtest.h>

#include "set_operations_scene.h"

namespace {

// What the writes report: a plain failure, or another program's race as the OS door tells of it.
const platform::FsResult fire = platform::FsResult::failure("disk on fire");
const platform::FsResult replaced{false, "another program was quicker", {}, false, true, {}};
const platform::FsResult copyLeft{false, "another program was quicker", {}, true, false, {}};
const platform::FsResult stranded{false, "another program was quicker", {}, false, false, ".zzL.bmp.hidden"};

const auto taken = [](const char* name, const char* directory = "{D}") {
    return err(QStringLiteral("The file \"%1\" is already in %2. Nothing was changed.").arg(name, directory));
};
const auto unsafe = [](const QString& name) {
    return err("\"" + name + "\" cannot be a name: it must not contain / or \\ and must not begin with a dot. " +
               "Please choose another.");
};
// The lists read again, the entry at `selected` chosen (none for -1), the window refreshed.
const auto shown = [](int selected = -1) {
    const QStringList choice = selected == -1 ? QStringList() : QStringList{QStringLiteral("select %1").arg(selected)};
    return QStringList{"reread source", "reread destination"} + choice + QStringList{"refresh"};
};
const auto filed = [](int selected) { return QStringList{"targets {D}/MM01L.bmp {D}/mM01S.bmp"} + shown(selected); };
const QStringList target{"MM01L.bmp", "mM01S.bmp"};
const QStringList three{"AAL.bmp", "BBL.bmp", "CCL.bmp", "aAS.bmp", "bBS.bmp", "cCS.bmp"};
const QStringList five{"AAL.bmp", "BBL.bmp", "CCL.bmp", "DDL.bmp", "EEL.bmp", "aAS.bmp", "bBS.bmp", "cCS.bmp"};
const QStringList names{"IrisL.bmp", "MM05L.bmp", "mM05S.bmp"};
const QStringList renamedAbc{"AbcL.bmp", "IrisL.bmp", "abcS.bmp"};
const QString nul = QString(QChar(0)) + "x", bell = QString(QChar(7));
const auto inSource = [](Scene& s) { s.destinationPath = s.source.path(); };
const auto removing = [](const char* name) { return [name](Scene& s) { QFile::remove(s.source.filePath(name)); }; };
const auto losing = [](int write) { return [write](Scene& s) { s.files.failWrite(write, fire, true); }; };

struct Row;
using Part = std::function<void(Row&)>; // sets one field of a row
struct Row {
    template <typename... Parts> Row(const char* name, void (Ops::*op)(), const Parts&... parts) : name(name), op(op)
    {
        (parts(*this), ...);
    }
    const char* name;
    void (Ops::*op)();
    QStringList files = set;                  // of the source directory
    const char* entry = "ZZL.bmp";            // chosen there
    QList<std::optional<QString>> typed;      // into the rename box, one answer each time it comes up
    std::map<int, platform::FsResult> faults; // by the number of the write, from 0
    std::function<void(Scene&)> meanwhile;    // the delete question is answered Yes unless this answers first
    // Both directories' names after (the source's unchanged unless said), in code-point order as the sandboxes
    // give them; the boxes; the requests to the view.
    std::optional<QStringList> sourceAfter;
    QStringList destinationAfter, boxes, requests;
};
const auto from = [](QStringList files, const char* entry) -> Part {
    return [=](Row& r) { r.files = files, r.entry = entry; };
};
const auto typed = [](QList<std::optional<QString>> v) -> Part { return [=](Row& r) { r.typed = v; }; };
const auto faults = [](std::map<int, platform::FsResult> v) -> Part { return [=](Row& r) { r.faults = v; }; };
const auto meanwhile = [](std::function<void(Scene&)> v) -> Part { return [=](Row& r) { r.meanwhile = v; }; };
const auto sourceAfter = [](QStringList v) -> Part { return [=](Row& r) { r.sourceAfter = v; }; };
const auto destinationAfter = [](QStringList v) -> Part { return [=](Row& r) { r.destinationAfter = v; }; };
const auto boxes = [](QStringList v) -> Part { return [=](Row& r) { r.boxes = v; }; };
const auto requests = [](QStringList v) -> Part { return [=](Row& r) { r.requests = v; }; };
void PrintTo(const Row& row, std::ostream* out)
{
    *out << row.name;
}

const Row rows[] = {
    {"CopyKeepsTheSource", &Ops::copySet, from(three, "CCL.bmp"), destinationAfter(target), requests(filed(2))},
    {"MoveTakesTheSetAwayAndMovesTheChoiceUp", &Ops::moveSet, from(three, "CCL.bmp"),
     sourceAfter({"AAL.bmp", "BBL.bmp", "aAS.bmp", "bBS.bmp"}), destinationAfter(target), requests(filed(1))},
    {"CopyWithinADirectoryMeetsItsSourceInAnotherCase", &Ops::copySet, from({"mm01L.bmp", "mm01S.bmp"}, "mm01L.bmp"),
     meanwhile(inSource), boxes({taken("mm01L.bmp", "{S}")}), requests(filed(0))},
    {"ALargeFileAtItsOwnTargetStays", &Ops::moveSet, from({"MM01L.bmp", "mm01S.bmp"}, "MM01L.bmp"), meanwhile(inSource),
     sourceAfter(target), requests(filed(0))},
    {"ASmallFileAtItsOwnTargetStays", &Ops::moveSet, from({"Mm01L.bmp", "mM01S.bmp"}, "Mm01L.bmp"), meanwhile(inSource),
     sourceAfter(target), requests(filed(0))},
    {"LargeNameTakenInAnotherCase", &Ops::copySet,
     meanwhile([](Scene& s) { s.destination.addFile("mm01L.bmp", "theirs"); }), destinationAfter({"mm01L.bmp"}),
     boxes({taken("mm01L.bmp")}), requests(filed(0))},
    {"SmallNameTakenInAnotherCase", &Ops::moveSet,
     meanwhile([](Scene& s) { s.destination.addFile("MM01s.BMP", "theirs"); }), destinationAfter({"MM01s.BMP"}),
     boxes({taken("MM01s.BMP")}), requests(filed(0))},
    {"ASelectionHalfRecorded", &Ops::moveSet, meanwhile([](Scene& s) { s.vars.SourceSmallPath.clear(); })},
    {"DeleteOfAHalfRecordedSelection", &Ops::deleteSet, meanwhile([](Scene& s) { s.vars.SourceSmallPath.clear(); })},
    {"NoGenderChosen", &Ops::copySet, meanwhile([](Scene& s) { s.vars.GenderIndex = 0; }),
     boxes({err("You must select Gender and Class before saving.")})},
    {"TheTypeIsFull", &Ops::moveSet, meanwhile([](Scene& s) { s.vars.NextNumber = 100; }),
     boxes({err("The maximum number of images for this type have already been placed in this directory.")})},
    {"NinetyNineIsStillFiled", &Ops::copySet, meanwhile([](Scene& s) { s.vars.NextNumber = 99; }),
     destinationAfter(target), requests(filed(0))},
    {"TheListWasReadAgainMeanwhile", &Ops::copySet, meanwhile([](Scene& s) { s.selected = -1; }),
     requests({"refresh"})},
    {"NoSmallPicture", &Ops::moveSet, from({"LonerL.bmp", "NOPICTURE"}, "LonerL.bmp"),
     boxes({err("There must be a Small picture in the set in order to save it.")})},
    {"RenameAsksAgainAfterALongEmptyOrUnsafeName", &Ops::renameSet, from(names, "MM05L.bmp"),
     typed({"ABCDEFGH", "", "a/b", ".x", "a\\b", nul, "Abc"}), sourceAfter(renamedAbc),
     boxes({"ask", "ask", "ask", unsafe("a/b"), "ask", unsafe(".x"), "ask", unsafe("a\\b"), "ask", unsafe(nul), "ask"}),
     requests({"reread source"})},
    {"RenameRefusesWhatWindowsCannotHold", &Ops::renameSet, from(names, "MM05L.bmp"),
     typed({"A:B*", "\"", bell, "A.", "nu", "Abc"}), meanwhile([](Scene& s) { s.files.setWindowsNames(true); }),
     sourceAfter(renamedAbc),
     boxes({"ask", windows("A:B*", "names must not contain \":\""), "ask",
            windows("\"", "names must not contain the quotation mark"), "ask",
            windows(bell, "names must not contain control characters (here U+0007)"), "ask",
            windows("A.", "a name must not end in a dot or a space"), "ask",
            windows("nu", "\"nuL.bmp\" is the name of a device"), "ask"}),
     requests({"reread source"})},
    {"RenameElsewhereTakesWhatWindowsCannot", &Ops::renameSet, from(names, "MM05L.bmp"), typed({"A:B*"}),
     meanwhile([](Scene& s) { s.files.setWindowsNames(false); }), sourceAfter({"A:B*L.bmp", "IrisL.bmp", "a:B*S.bmp"}),
     boxes({"ask"}), requests({"reread source"})},
    {"RenameOnlyLetterCase", &Ops::renameSet, from(names, "MM05L.bmp"), typed({"mm05"}),
     sourceAfter({"IrisL.bmp", "mm05L.bmp", "mm05S.bmp"}), boxes({"ask"}), requests({"reread source"})},
    {"RenameKeepsDottedCapitalI", &Ops::renameSet, from(names, "MM05L.bmp"), typed({"\u0130x"}),
     sourceAfter({"IrisL.bmp", "\u0130xL.bmp", "\u0130xS.bmp"}), boxes({"ask"}), requests({"reread source"})},
    {"RenameOfAVanishedSetOntoItsOwnName", &Ops::renameSet, from(names, "MM05L.bmp"), typed({"MM05"}),
     meanwhile(removing("MM05L.bmp")), sourceAfter({"IrisL.bmp", "mM05S.bmp"}),
     boxes({"ask", err("Could not rename \"{S}/MM05L.bmp\" to \"{S}/MM05L.bmp\": {ENOENT}. The large picture is "
                       "missing: it is no longer \"{S}/MM05L.bmp\".")}),
     requests(shown())},
    {"RenameCancelled", &Ops::renameSet, from(names, "MM05L.bmp"), typed({std::nullopt}), boxes({"ask"})},
    {"RenameToATakenNameInAnyLocale", &Ops::renameSet, from(names, "MM05L.bmp"), typed({"iris"}),
     boxes({"ask", taken("IrisL.bmp", "{S}")}), requests({"reread source"})},
    {"RenameWithoutSmallPicture", &Ops::renameSet, from({"MM05L.bmp", "NOPICTURE"}, "MM05L.bmp"), typed({"Solo"}),
     sourceAfter({"NOPICTURE", "SoloL.bmp"}), boxes({"ask"}), requests({"reread source"})},
    {"DeletePartnerInOtherCase", &Ops::deleteSet, from({"MM05L.bmp", "ZZL.bmp", "mm05s.BMP"}, "MM05L.bmp"),
     sourceAfter({"ZZL.bmp"}), boxes({"sure?"}), requests(shown(0))},
    {"DeleteWithoutPartner", &Ops::deleteSet, from({"LonerL.bmp", "NOPICTURE"}, "LonerL.bmp"),
     sourceAfter({"NOPICTURE"}), boxes({"sure?"}), requests(shown())},
    {"DeleteLastWhileAnotherVanished", &Ops::deleteSet, from(five, "EEL.bmp"), meanwhile(removing("DDL.bmp")),
     sourceAfter(five.mid(0, 3) + five.mid(5)), boxes({"sure?"}), requests(shown(2))},
    {"DeleteAnsweredNo", &Ops::deleteSet, from(five, "CCL.bmp"),
     meanwhile([](Scene& s) { s.dialogs.queueAnswer(platform::MessageResult::No); }), boxes({"sure?"}),
     requests({"refresh"})},
    {"DeleteKeepsAnotherSetsSmallPicture", &Ops::deleteSet, from({"ABL.bmp", "abL.bmp", "abS.bmp"}, "ABL.bmp"),
     sourceAfter({"abL.bmp", "abS.bmp"}), boxes({"sure?"}), requests(shown(0))},
    {"DeleteTakesNoStandInForAVanishedSmallPicture", &Ops::deleteSet,
     from({"ABL.bmp", "ABS.bmp", "abL.bmp", "abS.bmp"}, "ABL.bmp"), meanwhile(removing("ABS.bmp")),
     sourceAfter({"abL.bmp", "abS.bmp"}),
     boxes({"sure?", err("\"{S}/ABL.bmp\" was deleted; the small picture \"{S}/abS.bmp\" was kept: it belongs to "
                         "the set \"abL.bmp\".")}),
     requests(shown(0))},
    {"DeleteTakesTheSmallPictureRespelled", &Ops::deleteSet, from({"KimL.bmp", "KIMS.BMP", "ZZL.bmp"}, "KimL.bmp"),
     meanwhile([](Scene& s) { QFile::rename(s.source.filePath("KIMS.BMP"), s.source.filePath("kimS.bmp")); }),
     sourceAfter({"ZZL.bmp"}), boxes({"sure?"}), requests(shown(0))},
    {"CopyFirstFails", &Ops::copySet, faults({{0, fire}}),
     boxes({err("Could not copy \"{S}/ZZL.bmp\" to \"{D}/MM01L.bmp\": disk on fire. Nothing was changed.")}),
     requests(filed(0))},
    {"CopySecondFails", &Ops::copySet, faults({{1, fire}}),
     boxes({err("Could not copy \"{S}/zZS.bmp\" to \"{D}/mM01S.bmp\": disk on fire. The large picture was taken "
                "back, so nothing was changed.")}),
     requests(filed(0))},
    {"CopySecondAndUndoFail", &Ops::copySet, faults({{1, fire}, {2, fire}}), destinationAfter({"MM01L.bmp"}),
     boxes({err("Could not copy \"{S}/zZS.bmp\" to \"{D}/mM01S.bmp\": disk on fire. Removing the copy "
                "\"{D}/MM01L.bmp\" failed too: disk on fire. The large picture is still \"{S}/ZZL.bmp\" and a "
                "copy of it is \"{D}/MM01L.bmp\"; the small picture is still \"{S}/zZS.bmp\".")}),
     requests(filed(0))},
    {"MoveSecondFails", &Ops::moveSet, faults({{1, fire}}),
     boxes({err("Could not move \"{S}/zZS.bmp\" to \"{D}/mM01S.bmp\": disk on fire. The large picture was taken "
                "back, so nothing was changed.")}),
     requests(filed(0))},
    {"MoveSecondAndUndoFail", &Ops::moveSet, faults({{1, fire}, {2, fire}}), sourceAfter({"zZS.bmp"}),
     destinationAfter({"MM01L.bmp"}),
     boxes({err("Could not move \"{S}/zZS.bmp\" to \"{D}/mM01S.bmp\": disk on fire. Moving the large picture back "
                "failed too: disk on fire. The large picture is now \"{D}/MM01L.bmp\"; the small picture is still "
                "\"{S}/zZS.bmp\".")}),
     requests(filed(-1))},
    {"RenameSecondFails", &Ops::renameSet, typed({"Hero"}), faults({{1, fire}}),
     boxes({"ask", err("Could not rename \"{S}/zZS.bmp\" to \"{S}/heroS.bmp\": disk on fire. The large picture "
                       "was taken back, so nothing was changed.")}),
     requests(shown())},
    {"UndoOfACopyAnotherProgramReplaced", &Ops::copySet, faults({{1, fire}, {2, replaced}}),
     destinationAfter({"MM01L.bmp"}),
     boxes({err("Could not copy \"{S}/zZS.bmp\" to \"{D}/mM01S.bmp\": disk on fire. Removing the copy "
                "\"{D}/MM01L.bmp\" failed too: another program was quicker. The large picture is still "
                "\"{S}/ZZL.bmp\"; the small picture is still \"{S}/zZS.bmp\".")}),
     requests(filed(0))},
    {"MoveBackOfAFileAnotherProgramReplaced", &Ops::moveSet, faults({{1, fire}, {2, replaced}}),
     sourceAfter({"zZS.bmp"}), destinationAfter({"MM01L.bmp"}),
     boxes({err("Could not move \"{S}/zZS.bmp\" to \"{D}/mM01S.bmp\": disk on fire. Moving the large picture back "
                "failed too: another program was quicker. The large picture is no longer \"{D}/MM01L.bmp\": "
                "another program replaced or removed it; the small picture is still \"{S}/zZS.bmp\".")}),
     requests(filed(-1))},
    {"MoveWhoseCopyIsLeftKeepsTheLargeOneThere", &Ops::moveSet, faults({{1, copyLeft}}), sourceAfter({"zZS.bmp"}),
     destinationAfter(target),
     boxes({err("Could not move \"{S}/zZS.bmp\" to \"{D}/mM01S.bmp\": another program was quicker. The large "
                "picture is now \"{D}/MM01L.bmp\"; the small picture is still \"{S}/zZS.bmp\" and a copy of it is "
                "\"{D}/mM01S.bmp\".")}),
     requests(filed(-1))},
    {"FirstMoveLeavesACopy", &Ops::moveSet, faults({{0, copyLeft}}), destinationAfter({"MM01L.bmp"}),
     boxes({err("Could not move \"{S}/ZZL.bmp\" to \"{D}/MM01L.bmp\": another program was quicker. The large "
                "picture is still \"{S}/ZZL.bmp\" and a copy of it is \"{D}/MM01L.bmp\"; the small picture is "
                "still \"{S}/zZS.bmp\".")}),
     requests(filed(0))},
    {"RenameStrandedUnderAHiddenName", &Ops::renameSet, typed({"zz"}), faults({{0, stranded}}),
     sourceAfter({".zzL.bmp.hidden", "zZS.bmp"}),
     boxes({"ask", err("Could not rename \"{S}/ZZL.bmp\" to \"{S}/zzL.bmp\": another program was quicker. The "
                       "large picture is now \"{S}/.zzL.bmp.hidden\"; the small picture is still \"{S}/zZS.bmp\".")}),
     requests(shown())},
    {"ARenameThatLosesTheFileSaysSo", &Ops::renameSet, typed({"Hero"}), meanwhile(losing(0)), sourceAfter({"zZS.bmp"}),
     boxes({"ask", err("Could not rename \"{S}/ZZL.bmp\" to \"{S}/HeroL.bmp\": disk on fire. The large picture is "
                       "missing: it is neither \"{S}/ZZL.bmp\" nor \"{S}/HeroL.bmp\"; the small picture is still "
                       "\"{S}/zZS.bmp\".")}),
     requests(shown())},
    {"DeleteFirstFails", &Ops::deleteSet, faults({{0, fire}}),
     boxes({"sure?", err("Could not delete \"{S}/ZZL.bmp\": disk on fire. Nothing was deleted.")}), requests(shown(0))},
    {"DeleteFirstFailsYetTheFileIsGone", &Ops::deleteSet, meanwhile(losing(0)), sourceAfter({"zZS.bmp"}),
     boxes({"sure?", err("Could not delete \"{S}/ZZL.bmp\": disk on fire. It is gone all the same; the small "
                         "picture \"{S}/zZS.bmp\" was kept.")}),
     requests(shown())},
    {"DeleteSecondFailsYetTheFileIsGone", &Ops::deleteSet, meanwhile(losing(1)), sourceAfter({}),
     boxes({"sure?", err("\"{S}/ZZL.bmp\" was deleted, but \"{S}/zZS.bmp\" could not be deleted: disk on fire. It "
                         "is gone all the same.")}),
     requests(shown())},
    {"DeleteSecondFails", &Ops::deleteSet, faults({{1, fire}}), sourceAfter({"zZS.bmp"}),
     boxes({"sure?", err("\"{S}/ZZL.bmp\" was deleted, but \"{S}/zZS.bmp\" could not be deleted: disk on fire. The "
                         "small picture is still there.")}),
     requests(shown())},
};

// Each operation files, renames or deletes the selected set whole, or changes nothing and says why; each
// picture keeps its bytes under its new name; the view is asked to show what is on disk afterwards.
class SetOperations : public testing::TestWithParam<Row> {};

TEST_P(SetOperations, HandleTheSetWholeOrNotAtAll)
{
    const Row& row = GetParam();
    Scene t(row.files, row.entry);
    for (const auto& [write, result] : row.faults)
        t.files.failWrite(write, result);
    if (row.meanwhile)
        row.meanwhile(t);
    const auto before = t.source.contents();
    const ManagerVariables picked = t.vars;
    t.run(row.op, row.typed);
    auto after = t.destination.contents();
    EXPECT_EQ(std::tuple(t.source.contents().keys(), after.keys(), t.boxes(row.entry),
                         t.log.replaceInStrings(t.destinationPath, "{D}")),
              std::tuple(row.sourceAfter.value_or(row.files), row.destinationAfter, row.boxes, row.requests));
    after.insert(t.source.contents());
    for (auto file = after.cbegin(); file != after.cend(); ++file) {
        const QString& stays = file.key().contains("L.bmp") ? picked.SourceLargeName : picked.SourceSmallName;
        EXPECT_TRUE(file.value() == "theirs" || file.value() == before.value(file.key(), before.value(stays)))
            << qPrintable(file.key());
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, SetOperations, testing::ValuesIn(rows), [](auto& info) { return info.param.name; });

} // namespace
