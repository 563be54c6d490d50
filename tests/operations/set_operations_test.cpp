#include "operations/set_operations.h"

#include <functional>
#include <optional>

#include <QPushButton>

#include <gtest/gtest.h>

#include "operations/manager_view.h"
#include "support/manager_fixture.h"

namespace {

using Contents = QMap<QString, QByteArray>;
using platform::MessageResult;
using Log = QStringList;

// The manager as the operations see it: the source list shows the source directory's large pictures,
// selecting an entry records the set as the manager's click handler does, and every request is logged.
// Its allocation hands out 01, then 02.
class FakeManager final : public operations::ManagerView {
public:
    FakeManager(const platform::FileSystem& files, const QString& source, const QString& destination)
        : files_(files), source_(source), destination_(destination), listed(list())
    {
        vars.GenderIndex = vars.ClassIndex = 1;
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
            files_.findSmallPartners(source_, {listed[index]}, listed).value(listed[index], NoPictureMarker);
        vars.SourceLargePath = source_ + '/' + vars.SourceLargeName;
        vars.SourceSmallPath = source_ + '/' + vars.SourceSmallName;
    }
    void rereadSourceFiles() override { log << "reread source", listed = list(), selected = -1; }
    void rereadDestinationFiles() override { log << "reread destination"; }
    QString sourceDirectory() const override { return source_; }
    QString destinationDirectory() const override { return destination_; }
    void showTargets(const QString& large, const QString& small) override
    {
        log << "targets " + QFileInfo(large).fileName() + ' ' + QFileInfo(small).fileName();
    }
    void find_next_name() override
    {
        log << "allocate";
        const QString number = QStringLiteral("%1").arg(++allocations_, 2, 10, QLatin1Char('0'));
        vars.TargetLargeName = "MM" + number + 'L', vars.TargetSmallName = "mM" + number + 'S';
    }
    void refresh_form() override { log << "refresh"; }

private:
    QStringList list() const { return files_.listFiles(source_, QStringLiteral("*L.bmp")).names; }
    const platform::FileSystem& files_;
    QString source_;
    QString destination_;
    int allocations_ = 0;

public:
    ManagerVariables vars;
    QStringList listed;
    int selected = -1;
    Log log;
};

using Op = void (operations::SetOperations::*)();
constexpr Op Copy = &operations::SetOperations::copySet;
constexpr Op Move = &operations::SetOperations::moveSet;
constexpr Op Rename = &operations::SetOperations::renameSet;
constexpr Op Delete = &operations::SetOperations::deleteSet;

// One operation on a source and a destination directory, with the view, the boxes and the disk to check.
struct Scene {
    void prepare(const QStringList& sourceFiles, const QString& selected, bool sameDirectory = false)
    {
        source_.addPortraits(sourceFiles);
        destinationPath_ = sameDirectory ? source_.path() : destination_.path();
        view_.emplace(fileSystem_, source_.path(), destinationPath_);
        selected_ = selected;
        if (!selected.isEmpty())
            view_->selectEntry(int(view_->listed.indexOf(selected)));
        view_->log.clear();
    }
    void run(Op op)
    {
        operations::SetOperations operations(*view_, fileSystem_, dialogs_);
        (operations.*op)();
    }
    // Every box shown, as "title | text", an error's marked "(!)", a question's "[Yes/No]"; the rename
    // box is "ask" and the delete question "sure?"; {S} and {D} stand for the two directories.
    QStringList boxes() const
    {
        QStringList shown;
        for (const testsupport::ShownBox& box : dialogs_.shown()) {
            QString line = box.title + " | " + box.text + (box.isInput ? " {" + box.defaultText + '}' : QString()) +
                           (box.icon == platform::MessageIcon::Exclamation ? " (!)" : "") +
                           (box.buttons == platform::MessageButtons::YesNo ? " [Yes/No]" : "");
            line.replace(source_.path(), "{S}").replace(destination_.path(), "{D}");
            if (line == "Renaming File " + selected_ +
                            " | What would you like to rename this file? (No more than 7 characters) {PIC01}")
                line = "ask";
            if (line == "Delete File " + selected_ + " | Are you sure you want to delete this file? [Yes/No]")
                line = "sure?";
            shown << line;
        }
        return shown;
    }
    QStringList sourceNames() const { return source_.contents().keys(); }
    QStringList destinationNames() const { return destination_.contents().keys(); }

    testsupport::PortraitSandbox source_;
    testsupport::PortraitSandbox destination_;
    QString destinationPath_;
    testsupport::ForwardingFileSystem fileSystem_;
    testsupport::ScriptedDialogs dialogs_;
    std::optional<FakeManager> view_;
    QString selected_;
};

using Arrange = std::function<void(Scene&)>;
Arrange answers(const QList<std::optional<QString>>& typed)
{
    return [typed](Scene& s) {
        for (const auto& text : typed)
            s.dialogs_.queueInput(text);
    };
}
Arrange failing(const QList<int>& writes)
{
    return [writes](Scene& s) {
        for (const int write : writes)
            s.fileSystem_.failWrite(write, "disk on fire");
    };
}
// The write number `index` fails as the OS door reports a race or a half-done move: `how` sets the flags.
Arrange failWith(int index, const std::function<void(platform::FsResult&, const Scene&)>& how)
{
    return [index, how](Scene& s) {
        platform::FsResult result = platform::FsResult::failure("another program was quicker");
        how(result, s);
        s.fileSystem_.failWrite(index, result);
    };
}
const auto replaced = [](platform::FsResult& r, const Scene&) { r.replaced = true; };
const auto copyLeft = [](platform::FsResult& r, const Scene&) { r.copyLeft = true; };
const auto stranded = [](platform::FsResult& r, const Scene& s) {
    r.strandedAt = s.source_.filePath(".zzL.bmp.hidden");
};
Arrange theirs(const char* name)
{
    return [name](Scene& s) { s.destination_.addFile(name, "theirs"); };
}
Arrange vanish(const QStringList& names)
{
    return [names](Scene& s) {
        for (const QString& name : names)
            QFile::remove(s.source_.filePath(name));
    };
}
Arrange lastNumber(double number)
{
    return [number](Scene& s) { s.view_->vars.NextNumber = number; };
}
const Arrange yes = [](Scene& s) { s.dialogs_.queueAnswer(MessageResult::Yes); };
const Arrange no = [](Scene& s) { s.dialogs_.queueAnswer(MessageResult::No); };
const Arrange noGender = [](Scene& s) { s.view_->vars.GenderIndex = 0; };
const Arrange listReread = [](Scene& s) { s.view_->selected = -1; };
const Arrange halfRecorded = [](Scene& s) { s.view_->vars.SourceSmallPath.clear(); };

QString err(const QString& text)
{
    return "Error | " + text + " (!)";
}
QString taken(const char* name, const char* directory = "{D}")
{
    return err(QStringLiteral("The file \"%1\" is already in %2. Nothing was changed.").arg(name, directory));
}
QString unsafe(const QString& name)
{
    return err("\"" + name +
               "\" cannot be a name: it must not contain / or \\ and must not begin with a dot. Please "
               "choose another.");
}
// The lists read again, the entry at `selected` chosen (none for -1), the window refreshed.
Log shown(int selected = -1)
{
    Log log{"reread source", "reread destination", QStringLiteral("select %1").arg(selected), "refresh"};
    if (selected == -1)
        log.removeAt(2);
    return log;
}
Log filed(int selected)
{
    return Log{"allocate", "targets MM01L.bmp mM01S.bmp"} + shown(selected);
}
const Log renamed{"reread source"};
const Log untouched{"refresh"};

struct Case {
    const char* name;
    Op op;
    QStringList files; // of the source directory
    const char* selected;
    QList<Arrange> arrange;
    QStringList sourceAfter;
    QStringList destinationAfter;
    QStringList boxes;
    Log log;
    bool sameDirectory = false;
};

// Each operation files, renames or deletes the selected set whole, or changes nothing and says why; each
// picture keeps its bytes under its new name; the view is asked to show what is on disk afterwards.
TEST(SetOperations, ASetIsHandledWholeOrNotAtAll)
{
    const QStringList set{"ZZL.bmp", "zZS.bmp"};
    const QStringList three{"AAL.bmp", "aAS.bmp", "BBL.bmp", "bBS.bmp", "CCL.bmp", "cCS.bmp"};
    const QStringList five{"AAL.bmp", "BBL.bmp", "CCL.bmp", "DDL.bmp", "EEL.bmp", "aAS.bmp", "bBS.bmp", "cCS.bmp"};
    const QStringList names{"IrisL.bmp", "MM05L.bmp", "mM05S.bmp"};
    // clang-format off
    const Case cases[] = {
        {"CopyKeepsTheSource", Copy, three, "CCL.bmp", {}, three, {"MM01L.bmp", "mM01S.bmp"}, {}, filed(2)},
        {"MoveTakesTheSetAwayAndMovesTheChoiceUp", Move, three, "CCL.bmp", {}, three.mid(0, 4), {"MM01L.bmp", "mM01S.bmp"}, {}, filed(1)},
        {"MoveWithinADirectoryRenamesInPlace", Move, set, "ZZL.bmp", {}, {"MM01L.bmp", "mM01S.bmp"}, {}, {}, filed(0), true},
        {"CopyWithinADirectoryKeepsBoth", Copy, set, "ZZL.bmp", {}, set + QStringList{"MM01L.bmp", "mM01S.bmp"}, {}, {}, filed(0), true},
        {"AFileAtItsOwnTargetStays", Move, {"MM01L.bmp", "mm01S.bmp"}, "MM01L.bmp", {}, {"MM01L.bmp", "mM01S.bmp"}, {}, {}, filed(0), true},
        {"LargeNameTakenInAnotherCase", Copy, set, "ZZL.bmp", {theirs("mm01L.bmp")}, set, {"mm01L.bmp"}, {taken("mm01L.bmp")}, filed(0)},
        {"SmallNameTakenInAnotherCase", Move, set, "ZZL.bmp", {theirs("MM01s.BMP")}, set, {"MM01s.BMP"}, {taken("MM01s.BMP")}, filed(0)},
        {"NothingSelected", Copy, set, "", {}, set, {}, {}, {}},
        {"ASelectionHalfRecorded", Move, set, "ZZL.bmp", {halfRecorded}, set, {}, {}, {}}, {"DeleteOfAHalfRecordedSelection", Delete, set, "ZZL.bmp", {yes, halfRecorded}, set, {}, {}, {}},
        {"NoGenderChosen", Copy, set, "ZZL.bmp", {noGender}, set, {}, {err("You must select Gender and Class before saving.")}, {}},
        {"TheTypeIsFull", Move, set, "ZZL.bmp", {lastNumber(100)}, set, {}, {err("The maximum number of images for this type have already been placed in this directory.")}, {}},
        {"NinetyNineIsStillFiled", Copy, set, "ZZL.bmp", {lastNumber(99)}, set, {"MM01L.bmp", "mM01S.bmp"}, {}, filed(0)},
        {"TheListWasReadAgainMeanwhile", Copy, set, "ZZL.bmp", {listReread}, set, {}, {}, untouched},
        {"NoSmallPicture", Move, {"LonerL.bmp", "NOPICTURE"}, "LonerL.bmp", {}, {"LonerL.bmp", "NOPICTURE"}, {}, {err("There must be a Small picture in the set in order to save it.")}, {}},
        {"RenameDefault", Rename, names, "MM05L.bmp", {answers({"PIC01"})}, {"IrisL.bmp", "PIC01L.bmp", "pIC01S.bmp"}, {}, {"ask"}, renamed},
        {"RenameLowersTheSmallNamesFirstLetter", Rename, names, "MM05L.bmp", {answers({"Abc"})}, {"AbcL.bmp", "IrisL.bmp", "abcS.bmp"}, {}, {"ask"}, renamed},
        {"RenameDigitFirst", Rename, names, "MM05L.bmp", {answers({"7xyz"})}, {"7xyzL.bmp", "7xyzS.bmp", "IrisL.bmp"}, {}, {"ask"}, renamed},
        {"RenameTakesSevenAfterEightAndEmpty", Rename, names, "MM05L.bmp", {answers({"ABCDEFGH", "", "ABCDEFG"})}, {"ABCDEFGL.bmp", "IrisL.bmp", "aBCDEFGS.bmp"}, {}, {"ask", "ask", "ask"}, renamed},
        {"RenameOnlyLetterCase", Rename, names, "MM05L.bmp", {answers({"mm05"})}, {"IrisL.bmp", "mm05L.bmp", "mm05S.bmp"}, {}, {"ask"}, renamed},
        {"RenameAsksAgainAfterUnsafeNames", Rename, names, "MM05L.bmp", {answers({"a/b", "..", ".x", "a\\b", QString(QChar(0)) + "x", "ok"})}, {"IrisL.bmp", "okL.bmp", "okS.bmp"}, {},
         {"ask", unsafe("a/b"), "ask", unsafe(".."), "ask", unsafe(".x"), "ask", unsafe("a\\b"), "ask", unsafe(QString(QChar(0)) + "x"), "ask"}, renamed},
        {"RenameKeepsDottedCapitalI", Rename, names, "MM05L.bmp", {answers({"\u0130x"})}, {"IrisL.bmp", "\u0130xL.bmp", "\u0130xS.bmp"}, {}, {"ask"}, renamed},
        {"RenameCancelled", Rename, names, "MM05L.bmp", {answers({std::nullopt})}, names, {}, {"ask"}, {}},
        {"RenameToATakenNameInAnyLocale", Rename, names, "MM05L.bmp", {answers({"iris"})}, names, {}, {"ask", taken("IrisL.bmp", "{S}")}, renamed},
        {"RenameToAnotherSetsNameInAnotherCase", Rename, {"ABcL.bmp", "MM05L.bmp", "abcS.bmp", "mM05S.bmp"}, "MM05L.bmp", {answers({"ABC"})}, {"ABcL.bmp", "MM05L.bmp", "abcS.bmp", "mM05S.bmp"}, {}, {"ask", taken("ABcL.bmp", "{S}")}, renamed},
        {"RenameWithoutSmallPicture", Rename, {"MM05L.bmp", "NOPICTURE"}, "MM05L.bmp", {answers({"Solo"})}, {"NOPICTURE", "SoloL.bmp"}, {}, {"ask"}, renamed},
        {"DeletePartnerInOtherCase", Delete, {"MM05L.bmp", "ZZL.bmp", "mm05s.BMP"}, "MM05L.bmp", {yes}, {"ZZL.bmp"}, {}, {"sure?"}, shown(0)},
        {"DeleteWithoutPartner", Delete, {"LonerL.bmp", "NOPICTURE"}, "LonerL.bmp", {yes}, {"NOPICTURE"}, {}, {"sure?"}, shown()},
        {"DeleteLast", Delete, five, "EEL.bmp", {yes}, five.mid(0, 4) + five.mid(5), {}, {"sure?"}, shown(3)},
        {"DeleteMiddle", Delete, five, "CCL.bmp", {yes}, five.mid(0, 2) + five.mid(3, 4), {}, {"sure?"}, shown(2)},
        {"DeleteWhileMoreVanished", Delete, five, "EEL.bmp", {yes, vanish({"CCL.bmp", "DDL.bmp"})}, five.mid(0, 2) + five.mid(5), {}, {"sure?"}, shown(1)},
        {"DeleteAnsweredNo", Delete, five, "CCL.bmp", {no}, five, {}, {"sure?"}, untouched},
        {"DeleteNothingSelected", Delete, five, "", {yes}, five, {}, {}, {}},
        {"DeleteKeepsAnotherSetsSmallPicture", Delete, {"ABL.bmp", "abL.bmp", "abS.bmp"}, "ABL.bmp", {yes}, {"abL.bmp", "abS.bmp"}, {}, {"sure?"}, shown(0)},
        {"DeleteTakesNoStandInForAVanishedSmallPicture", Delete, {"ABL.bmp", "ABS.bmp", "abL.bmp", "abS.bmp"}, "ABL.bmp", {yes, vanish({"ABS.bmp"})}, {"abL.bmp", "abS.bmp"}, {}, {"sure?"}, shown(0)},
        {"CopyFirstFails", Copy, set, "ZZL.bmp", {failing({0})}, set, {}, {err("Could not copy \"{S}/ZZL.bmp\" to \"{D}/MM01L.bmp\": disk on fire. Nothing was changed.")}, filed(0)},
        {"CopySecondFails", Copy, set, "ZZL.bmp", {failing({1})}, set, {}, {err("Could not copy \"{S}/zZS.bmp\" to \"{D}/mM01S.bmp\": disk on fire. The large picture was taken back, so nothing was changed.")}, filed(0)},
        {"CopySecondAndUndoFail", Copy, set, "ZZL.bmp", {failing({1, 2})}, set, {"MM01L.bmp"}, {err("Could not copy \"{S}/zZS.bmp\" to \"{D}/mM01S.bmp\": disk on fire. Removing the copy \"{D}/MM01L.bmp\" failed too: disk on fire. The large picture is still \"{S}/ZZL.bmp\" and a copy of it is \"{D}/MM01L.bmp\"; the small picture is still \"{S}/zZS.bmp\".")}, filed(0)},
        {"MoveFirstFails", Move, set, "ZZL.bmp", {failing({0})}, set, {}, {err("Could not move \"{S}/ZZL.bmp\" to \"{D}/MM01L.bmp\": disk on fire. Nothing was changed.")}, filed(0)},
        {"MoveSecondFails", Move, set, "ZZL.bmp", {failing({1})}, set, {}, {err("Could not move \"{S}/zZS.bmp\" to \"{D}/mM01S.bmp\": disk on fire. The large picture was taken back, so nothing was changed.")}, filed(0)},
        {"MoveSecondAndUndoFail", Move, set, "ZZL.bmp", {failing({1, 2})}, {"zZS.bmp"}, {"MM01L.bmp"}, {err("Could not move \"{S}/zZS.bmp\" to \"{D}/mM01S.bmp\": disk on fire. Moving the large picture back failed too: disk on fire. The large picture is now \"{D}/MM01L.bmp\"; the small picture is still \"{S}/zZS.bmp\".")}, filed(-1)},
        {"RenameFirstFails", Rename, set, "ZZL.bmp", {answers({"Hero"}), failing({0})}, set, {}, {"ask", err("Could not rename \"{S}/ZZL.bmp\" to \"{S}/HeroL.bmp\": disk on fire. Nothing was changed.")}, shown()},
        {"RenameSecondFails", Rename, set, "ZZL.bmp", {answers({"Hero"}), failing({1})}, set, {}, {"ask", err("Could not rename \"{S}/zZS.bmp\" to \"{S}/heroS.bmp\": disk on fire. The large picture was taken back, so nothing was changed.")}, shown()},
        {"RenameSecondAndUndoFail", Rename, set, "ZZL.bmp", {answers({"Hero"}), failing({1, 2})}, {"HeroL.bmp", "zZS.bmp"}, {}, {"ask", err("Could not rename \"{S}/zZS.bmp\" to \"{S}/heroS.bmp\": disk on fire. Moving the large picture back failed too: disk on fire. The large picture is now \"{S}/HeroL.bmp\"; the small picture is still \"{S}/zZS.bmp\".")}, shown()},
        {"UndoOfACopyAnotherProgramReplaced", Copy, set, "ZZL.bmp", {failing({1}), failWith(2, replaced)}, set, {"MM01L.bmp"}, {err("Could not copy \"{S}/zZS.bmp\" to \"{D}/mM01S.bmp\": disk on fire. Removing the copy \"{D}/MM01L.bmp\" failed too: another program was quicker. The large picture is still \"{S}/ZZL.bmp\"; the small picture is still \"{S}/zZS.bmp\".")}, filed(0)},
        {"MoveBackOfAFileAnotherProgramReplaced", Move, set, "ZZL.bmp", {failing({1}), failWith(2, replaced)}, {"zZS.bmp"}, {"MM01L.bmp"}, {err("Could not move \"{S}/zZS.bmp\" to \"{D}/mM01S.bmp\": disk on fire. Moving the large picture back failed too: another program was quicker. The large picture is no longer \"{D}/MM01L.bmp\": another program replaced or removed it; the small picture is still \"{S}/zZS.bmp\".")}, filed(-1)},
        {"MoveWhoseCopyIsLeftKeepsTheLargeOneThere", Move, set, "ZZL.bmp", {failWith(1, copyLeft)}, {"zZS.bmp"}, {"MM01L.bmp"}, {err("Could not move \"{S}/zZS.bmp\" to \"{D}/mM01S.bmp\": another program was quicker. The large picture is now \"{D}/MM01L.bmp\"; the small picture is still \"{S}/zZS.bmp\" and a copy of it is \"{D}/mM01S.bmp\".")}, filed(-1)},
        {"FirstMoveLeavesACopy", Move, set, "ZZL.bmp", {failWith(0, copyLeft)}, set, {}, {err("Could not move \"{S}/ZZL.bmp\" to \"{D}/MM01L.bmp\": another program was quicker. The large picture is still \"{S}/ZZL.bmp\" and a copy of it is \"{D}/MM01L.bmp\"; the small picture is still \"{S}/zZS.bmp\".")}, filed(0)},
        {"RenameStrandedUnderAHiddenName", Rename, set, "ZZL.bmp", {answers({"zz"}), failWith(0, stranded)}, set, {}, {"ask", err("Could not rename \"{S}/ZZL.bmp\" to \"{S}/zzL.bmp\": another program was quicker. The large picture is now \"{S}/.zzL.bmp.hidden\"; the small picture is still \"{S}/zZS.bmp\".")}, shown()},
        {"DeleteFirstFails", Delete, set, "ZZL.bmp", {yes, failing({0})}, set, {}, {"sure?", err("Could not delete \"{S}/ZZL.bmp\": disk on fire. Nothing was deleted.")}, shown(0)},
        {"DeleteSecondFails", Delete, set, "ZZL.bmp", {yes, failing({1})}, {"zZS.bmp"}, {}, {"sure?", err("\"{S}/ZZL.bmp\" was deleted, but \"{S}/zZS.bmp\" could not be deleted: disk on fire. The small picture is still there.")}, shown()},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Scene t;
        t.prepare(c.files, c.selected, c.sameDirectory);
        for (const Arrange& arrange : c.arrange)
            arrange(t);
        const Contents before = t.source_.contents();
        const QByteArray large = before.value(t.view_->vars.SourceLargeName);
        const QByteArray small = before.value(t.view_->vars.SourceSmallName);
        t.run(c.op);
        QStringList sourceAfter = c.sourceAfter;
        QStringList destinationAfter = c.destinationAfter;
        sourceAfter.sort();
        destinationAfter.sort();
        EXPECT_EQ(t.sourceNames(), sourceAfter);
        EXPECT_EQ(t.destinationNames(), destinationAfter);
        EXPECT_EQ(t.boxes(), c.boxes);
        EXPECT_EQ(t.view_->log, c.log);
        Contents after = t.source_.contents();
        after.insert(t.destination_.contents());
        for (auto file = after.cbegin(); file != after.cend(); ++file)
            EXPECT_TRUE(file.value() == "theirs" ||
                        file.value() == before.value(file.key(), file.key().endsWith("L.bmp") ? large : small))
                << qPrintable(file.key());
    }
}

// The manager's side of the view: its buttons reach the operations, its lists follow the disk.
using SetOperationsThroughTheWindow = testsupport::ManagerFixture;

TEST_F(SetOperationsThroughTheWindow, ButtonsFileTheSetAndTheListsFollowTheDisk)
{
    struct Row {
        const char* button;
        QStringList sourceAfter;
        QStringList destinationAfter;
        int selectedAfter;
        const char* largeTarget;
    };
    // clang-format off
    const Row rows[] = {
        {"SaveButton", {"BBL.bmp", "ZZL.bmp"}, {"FR01L.bmp", "FR02L.bmp"}, 1, "FR03L.bmp"},
        {"MoveButton", {"BBL.bmp"}, {"FR01L.bmp", "FR02L.bmp"}, 0, "FR03L.bmp"},
        {"DeleteButton", {"BBL.bmp"}, {"FR01L.bmp"}, 0, "FR02L.bmp"},
        {"RenameButton", {"BBL.bmp", "HeroL.bmp"}, {"FR01L.bmp"}, -1, "FR02L.bmp"},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.button);
        testsupport::PortraitSandbox source;
        testsupport::PortraitSandbox destination;
        destination.addPortraits({"FR01L.bmp", "fR01S.bmp"});
        source.addPortraits({"BBL.bmp", "bBS.bmp", "ZZL.bmp", "zZS.bmp"});
        open(0.5, source.path());
        setDestination(destination.path());
        choose("GenderCombo", 1);
        choose("TypeCombo", 2);
        selectSource("ZZL.bmp");
        dialogs_.queueAnswer(MessageResult::Yes);
        dialogs_.queueInput(QStringLiteral("Hero"));
        control<QPushButton>(row.button)->click();
        EXPECT_EQ(files()->entries(), row.sourceAfter);
        EXPECT_EQ(files("Files2")->entries(), row.destinationAfter);
        EXPECT_EQ(files()->listIndex(), row.selectedAfter);
        EXPECT_EQ(caption("Label1"), destination.path() + "/" + row.largeTarget);
    }
}

} // namespace
