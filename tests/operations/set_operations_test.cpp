#include "operations/set_operations.h"

#include <cerrno>
#include <cstring>
#include <functional>
#include <optional>

#include <QPushButton>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include "operations/manager_view.h"
#include "support/manager_fixture.h"
#include "support/mount.h"

namespace {

using Contents = QMap<QString, QByteArray>;
using platform::MessageResult;
using Log = QStringList;

// As the sandbox lists a directory's names: by code unit.
QStringList sorted(QStringList names)
{
    names.sort();
    return names;
}

// The manager as the operations see it: the source list shows the source directory's large pictures,
// selecting an entry records the set as the manager's click handler does, and every request is logged.
class FakeManager final : public operations::ManagerView {
public:
    FakeManager(const platform::FileSystem& files, const QString& source, const QString& destination)
        : files_(files), source_(source), destination_(destination)
    {
        listed = files_.listFiles(source_, QStringLiteral("*L.bmp")).names;
        vars.GenderIndex = 1;
        vars.ClassIndex = 1;
    }

    ManagerVariables vars;
    QStringList listed;
    int selected = -1;
    Log log;

    ManagerVariables& windowVariables() override { return vars; }
    int selectedEntry() const override { return selected; }
    int entryCount() const override { return int(listed.size()); }
    QString entry(int index) const override { return listed.value(index); }
    void selectEntry(int index) override
    {
        log << QStringLiteral("select %1").arg(index);
        selected = index;
        const QString large = listed.at(index);
        const QString small = files_.findSmallPartners(source_, {large}, listed).value(large, NoPictureMarker);
        vars.SourceLargeName = large;
        vars.SourceSmallName = small;
        vars.SourceLargePath = source_ + QLatin1Char('/') + large;
        vars.SourceSmallPath = source_ + QLatin1Char('/') + small;
    }
    void rereadSourceFiles() override
    {
        log << QStringLiteral("reread source");
        listed = files_.listFiles(source_, QStringLiteral("*L.bmp")).names;
        selected = -1;
    }
    void rereadDestinationFiles() override { log << QStringLiteral("reread destination"); }
    QString sourceDirectory() const override { return source_; }
    QString destinationDirectory() const override { return destination_; }
    void showTargets(const QString& large, const QString& small) override
    {
        log << QStringLiteral("targets %1 %2").arg(QFileInfo(large).fileName(), QFileInfo(small).fileName());
    }
    // The allocation itself is the manager's; here it hands out 01, then 02.
    void find_next_name() override
    {
        log << QStringLiteral("allocate");
        ++allocations_;
        vars.TargetLargeName = QStringLiteral("MM%1L").arg(allocations_, 2, 10, QLatin1Char('0'));
        vars.TargetSmallName = QStringLiteral("mM%1S").arg(allocations_, 2, 10, QLatin1Char('0'));
    }
    void refresh_form() override { log << QStringLiteral("refresh"); }

private:
    const platform::FileSystem& files_;
    QString source_;
    QString destination_;
    int allocations_ = 0;
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
        if (!selected.isEmpty())
            view_->selectEntry(int(view_->listed.indexOf(selected)));
        view_->log.clear();
    }
    void run(Op op)
    {
        operations::SetOperations operations(*view_, fileSystem_, dialogs_);
        (operations.*op)();
    }
    // Every box shown, as "title | text", an error's marked "(!)", a question's "[Yes/No]", an input
    // box's default in braces; {S} and {D} stand for the two directories.
    QStringList boxes() const
    {
        QStringList shown;
        for (const testsupport::ShownBox& box : dialogs_.shown()) {
            QString line = box.title + QStringLiteral(" | ") + box.text;
            if (box.isInput)
                line += QStringLiteral(" {%1}").arg(box.defaultText);
            if (box.icon == platform::MessageIcon::Exclamation)
                line += QStringLiteral(" (!)");
            if (box.buttons == platform::MessageButtons::YesNo)
                line += QStringLiteral(" [Yes/No]");
            shown << line.replace(source_.path(), QStringLiteral("{S}")).replace(destination_.path(), "{D}");
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
};

const QString Refused = QStringLiteral("Error | There must be a Small picture in the set in order to save it. (!)");
const Log Untouched{QStringLiteral("refresh")};

struct FilingCase {
    const char* name;
    Op op;
    QStringList source;
    const char* selected;
    std::function<void(Scene&, FakeManager&)> arrange;
    QStringList sourceAfter;
    QStringList destinationAfter;
    QStringList boxes;
    Log log;
    bool sameDirectory = false;
};

TEST(SetOperations, FilingASetGoesToTheAllocatedNamesOrNowhere)
{
    const QStringList set{"CCL.bmp", "cCS.bmp"};
    const QStringList three{"AAL.bmp", "aAS.bmp", "BBL.bmp", "bBS.bmp", "CCL.bmp", "cCS.bmp"};
    const auto filed = [](int selected) {
        return Log{"allocate",
                   "targets MM01L.bmp mM01S.bmp",
                   "reread source",
                   "reread destination",
                   QStringLiteral("select %1").arg(selected),
                   "refresh"};
    };
    const auto nothing = [](Scene&, FakeManager&) {};
    const auto theirs = [](const char* name) {
        return [name](Scene& t, FakeManager&) { t.destination_.addFile(name, "theirs"); };
    };
    const QString taken = "Error | The file \"%1\" is already in {D}. Nothing was changed. (!)";
    // clang-format off
    const FilingCase cases[] = {
        {"CopyKeepsTheSource", Copy, three, "CCL.bmp", nothing, three, {"MM01L.bmp", "mM01S.bmp"}, {}, filed(2)},
        {"MoveTakesTheSetAwayAndMovesTheChoiceUp", Move, three, "CCL.bmp", nothing, three.mid(0, 4), {"MM01L.bmp", "mM01S.bmp"}, {},
         filed(1)},
        {"MoveWithinADirectoryRenamesInPlace", Move, set, "CCL.bmp", nothing, {"MM01L.bmp", "mM01S.bmp"}, {}, {},
         filed(0), true},
        {"CopyWithinADirectoryKeepsBoth", Copy, set, "CCL.bmp", nothing, {"CCL.bmp", "MM01L.bmp", "cCS.bmp", "mM01S.bmp"}, {}, {},
         filed(0), true},
        {"AFileAtItsOwnTargetStays", Move, {"MM01L.bmp", "mm01S.bmp"}, "MM01L.bmp", nothing, {"MM01L.bmp", "mM01S.bmp"}, {}, {},
         filed(0), true},
        {"LargeNameTakenInAnotherCase", Copy, set, "CCL.bmp", theirs("mm01L.bmp"), set, {"mm01L.bmp"}, {taken.arg("mm01L.bmp")}, filed(0)},
        {"SmallNameTakenInAnotherCase", Move, set, "CCL.bmp", theirs("MM01s.BMP"), set, {"MM01s.BMP"}, {taken.arg("MM01s.BMP")},
         filed(0)},
        {"NothingSelected", Copy, set, "", nothing, set, {}, {}, {}},
        {"NoGenderChosen", Copy, set, "CCL.bmp", [](Scene&, FakeManager& v) { v.vars.GenderIndex = 0; }, set, {},
         {"Error | You must select Gender and Class before saving. (!)"}, {}},
        {"TheTypeIsFull", Move, set, "CCL.bmp", [](Scene&, FakeManager& v) { v.vars.NextNumber = 100; }, set, {},
         {"Error | The maximum number of images for this type have already been placed in this directory. (!)"}, {}},
        {"NinetyNineIsStillFiled", Copy, set, "CCL.bmp", [](Scene&, FakeManager& v) { v.vars.NextNumber = 99; }, set,
         {"MM01L.bmp", "mM01S.bmp"}, {}, filed(0)},
        {"TheListWasReadAgainMeanwhile", Copy, set, "CCL.bmp", [](Scene&, FakeManager& v) { v.selected = -1; }, set, {}, {}, Untouched},
        {"NoSmallPicture", Move, {"LonerL.bmp", "NOPICTURE"}, "LonerL.bmp", nothing, {"LonerL.bmp", "NOPICTURE"}, {}, {Refused}, {}},
    };
    // clang-format on
    for (const FilingCase& c : cases) {
        SCOPED_TRACE(c.name);
        Scene t;
        t.prepare(c.source, c.selected, c.sameDirectory);
        c.arrange(t, *t.view_);
        const Contents before = t.source_.contents();
        const QByteArray large = before.value(t.view_->vars.SourceLargeName);
        const QByteArray small = before.value(t.view_->vars.SourceSmallName);
        t.run(c.op);
        EXPECT_EQ(t.sourceNames(), sorted(c.sourceAfter));
        EXPECT_EQ(t.destinationNames(), sorted(c.destinationAfter));
        EXPECT_EQ(t.boxes(), c.boxes);
        EXPECT_EQ(t.view_->log, c.log);
        // Each picture keeps its bytes: the large one is filed as the large one.
        const Contents filed = c.sameDirectory ? t.source_.contents() : t.destination_.contents();
        if (c.boxes.isEmpty() && c.log.size() > 1) {
            EXPECT_TRUE(filed.value("MM01L.bmp") == large && filed.value("mM01S.bmp") == small);
        }
    }
}

struct RenameCase {
    const char* name;
    QStringList files;
    QList<std::optional<QString>> answers;
    QStringList after;
    int boxes;
};

TEST(SetOperations, RenameAsksForOneToSevenCharactersAndRenamesTheSet)
{
    const QStringList set{"IrisL.bmp", "MM05L.bmp", "mM05S.bmp"};
    // clang-format off
    const RenameCase cases[] = {
        {"Default", set, {"PIC01"}, {"IrisL.bmp", "PIC01L.bmp", "pIC01S.bmp"}, 1},
        {"FirstLetterOfTheSmallNameLowered", set, {"Abc"}, {"AbcL.bmp", "IrisL.bmp", "abcS.bmp"}, 1},
        {"DigitFirst", set, {"7xyz"}, {"7xyzL.bmp", "7xyzS.bmp", "IrisL.bmp"}, 1},
        {"SevenAcceptedAfterEightAndEmpty", set, {"ABCDEFGH", "", "ABCDEFG"}, {"ABCDEFGL.bmp", "IrisL.bmp", "aBCDEFGS.bmp"}, 3},
        {"OnlyLetterCaseChanges", set, {"mm05"}, {"IrisL.bmp", "mm05L.bmp", "mm05S.bmp"}, 1},
        {"UnsafeNamesAskAgain", set, {"a/b", "..", ".", ".x", "a\\b", QString(QChar(0)) + "x", "ok"}, {"IrisL.bmp", "okL.bmp", "okS.bmp"}, 13},
        {"DottedCapitalIKeptForTheSmallName", set, {"\u0130x"}, {"IrisL.bmp", "\u0130xL.bmp", "\u0130xS.bmp"}, 1},
        {"CancelChangesNothing", set, {std::nullopt}, set, 1},
        {"TakenNameIsRefusedInAnyLocale", set, {"iris"}, set, 2},
        {"NameOfAnotherSetInAnotherCase", {"ABcL.bmp", "MM05L.bmp", "abcS.bmp", "mM05S.bmp"}, {"ABC"}, {"ABcL.bmp", "MM05L.bmp", "abcS.bmp", "mM05S.bmp"}, 2},
        {"WithoutSmallPictureTheLargeAlone", {"MM05L.bmp", "NOPICTURE"}, {"Solo"}, {"NOPICTURE", "SoloL.bmp"}, 1},
    };
    // clang-format on
    for (const RenameCase& c : cases) {
        SCOPED_TRACE(c.name);
        Scene t;
        t.prepare(c.files, "MM05L.bmp");
        for (const auto& answer : c.answers)
            t.dialogs_.queueInput(answer);
        const Contents before = t.source_.contents();
        t.run(Rename);
        EXPECT_EQ(t.sourceNames(), sorted(c.after));
        const auto original = [&before](const QString& name) {
            return before.value(name, name.endsWith("L.bmp") ? before["MM05L.bmp"] : before["mM05S.bmp"]);
        };
        for (const QString& name : c.after)
            EXPECT_EQ(t.source_.contents()[name], original(name)) << qPrintable(name);
        ASSERT_EQ(t.boxes().size(), c.boxes);
        EXPECT_EQ(t.boxes().first(), "Renaming File MM05L.bmp | What would you like to rename this file? (No more "
                                     "than 7 characters) {PIC01}");
        if (c.boxes == 2 && c.answers.size() == 1) {
            EXPECT_TRUE(t.boxes().last().endsWith("is already in {S}. Nothing was changed. (!)"));
        }
        // A rename or its refusal leaves the preview alone: only the source list is read again.
        EXPECT_EQ(t.view_->log, c.answers.last() ? Log{"reread source"} : Log{});
    }
}

struct DeleteCase {
    const char* name;
    QStringList files;
    const char* selected;
    MessageResult answer;
    QStringList after;
    Log log;
    QStringList vanishing = {}; // removed by another program once the set is selected
};

TEST(SetOperations, DeleteRemovesTheSetAfterConfirmationAndMovesTheChoiceUp)
{
    const QStringList five{"AAL.bmp", "BBL.bmp", "CCL.bmp", "DDL.bmp", "EEL.bmp", "aAS.bmp", "bBS.bmp", "cCS.bmp"};
    const auto deleted = [](int selected) {
        return Log{"reread source", "reread destination", QStringLiteral("select %1").arg(selected), "refresh"};
    };
    // clang-format off
    const DeleteCase cases[] = {
        {"PartnerInOtherCase", {"MM05L.bmp", "ZZL.bmp", "mm05s.BMP"}, "MM05L.bmp", MessageResult::Yes, {"ZZL.bmp"}, deleted(0)},
        {"NoPartner", {"LonerL.bmp", "NOPICTURE"}, "LonerL.bmp", MessageResult::Yes, {"NOPICTURE"}, {"reread source", "reread destination", "refresh"}},
        {"Last", five, "EEL.bmp", MessageResult::Yes, {"AAL.bmp", "BBL.bmp", "CCL.bmp", "DDL.bmp", "aAS.bmp", "bBS.bmp", "cCS.bmp"}, deleted(3)},
        {"Middle", five, "CCL.bmp", MessageResult::Yes, {"AAL.bmp", "BBL.bmp", "DDL.bmp", "EEL.bmp", "aAS.bmp", "bBS.bmp"}, deleted(2)},
        {"MoreVanishedMeanwhile", five, "EEL.bmp", MessageResult::Yes, {"AAL.bmp", "BBL.bmp", "aAS.bmp", "bBS.bmp", "cCS.bmp"}, deleted(1), {"CCL.bmp", "DDL.bmp"}},
        {"AnsweredNo", five, "CCL.bmp", MessageResult::No, five, Untouched},
        {"SmallPictureOfAnotherSetIsKept", {"ABL.bmp", "abL.bmp", "abS.bmp"}, "ABL.bmp", MessageResult::Yes, {"abL.bmp", "abS.bmp"}, deleted(0)},
        {"NoOtherSmallPictureStandsInForAVanishedOne", {"ABL.bmp", "ABS.bmp", "abL.bmp", "abS.bmp"}, "ABL.bmp", MessageResult::Yes, {"abL.bmp", "abS.bmp"}, deleted(0), {"ABS.bmp"}},
    };
    // clang-format on
    for (const DeleteCase& c : cases) {
        SCOPED_TRACE(c.name);
        Scene t;
        t.prepare(c.files, c.selected);
        for (const QString& name : c.vanishing)
            QFile::remove(t.source_.filePath(name));
        t.dialogs_.queueAnswer(c.answer);
        t.run(Delete);
        EXPECT_EQ(t.sourceNames(), sorted(c.after));
        EXPECT_EQ(t.boxes(), QStringList{QStringLiteral("Delete File %1 | Are you sure you want to delete this file? "
                                                        "[Yes/No]")
                                             .arg(c.selected)});
        EXPECT_EQ(t.view_->log, c.log);
    }
    Scene nothing;
    nothing.prepare(five, "");
    nothing.run(Delete);
    EXPECT_TRUE(nothing.boxes().isEmpty() && nothing.view_->log.isEmpty());
}

struct FaultCase {
    const char* name;
    Op op;
    QList<int> failing; // which writes fail
    QStringList sourceAfter;
    QStringList destinationAfter;
    QString message;
};

TEST(SetOperations, AFailingFileOperationNeverLeavesHalfASet)
{
    const QStringList set{"ZZL.bmp", "zZS.bmp"};
    // clang-format off
    const FaultCase cases[] = {
        {"CopyFirst", Copy, {0}, set, {}, "Could not copy \"{S}/ZZL.bmp\" to \"{D}/MM01L.bmp\": disk on fire. Nothing was changed."},
        {"CopySecond", Copy, {1}, set, {}, "Could not copy \"{S}/zZS.bmp\" to \"{D}/mM01S.bmp\": disk on fire. The large picture was taken back, so nothing was changed."},
        {"CopySecondAndUndo", Copy, {1, 2}, set, {"MM01L.bmp"}, "Could not copy \"{S}/zZS.bmp\" to \"{D}/mM01S.bmp\": disk on fire. Removing the copy \"{D}/MM01L.bmp\" failed too: disk on fire. The large picture is still \"{S}/ZZL.bmp\" and a copy of it is \"{D}/MM01L.bmp\"; the small picture is still \"{S}/zZS.bmp\"."},
        {"MoveFirst", Move, {0}, set, {}, "Could not move \"{S}/ZZL.bmp\" to \"{D}/MM01L.bmp\": disk on fire. Nothing was changed."},
        {"MoveSecond", Move, {1}, set, {}, "Could not move \"{S}/zZS.bmp\" to \"{D}/mM01S.bmp\": disk on fire. The large picture was taken back, so nothing was changed."},
        {"MoveSecondAndUndo", Move, {1, 2}, {"zZS.bmp"}, {"MM01L.bmp"}, "Could not move \"{S}/zZS.bmp\" to \"{D}/mM01S.bmp\": disk on fire. Moving the large picture back failed too: disk on fire. The large picture is now \"{D}/MM01L.bmp\"; the small picture is still \"{S}/zZS.bmp\"."},
        {"RenameFirst", Rename, {0}, set, {}, "Could not rename \"{S}/ZZL.bmp\" to \"{S}/HeroL.bmp\": disk on fire. Nothing was changed."},
        {"RenameSecond", Rename, {1}, set, {}, "Could not rename \"{S}/zZS.bmp\" to \"{S}/heroS.bmp\": disk on fire. The large picture was taken back, so nothing was changed."},
        {"RenameSecondAndUndo", Rename, {1, 2}, {"HeroL.bmp", "zZS.bmp"}, {}, "Could not rename \"{S}/zZS.bmp\" to \"{S}/heroS.bmp\": disk on fire. Moving the large picture back failed too: disk on fire. The large picture is now \"{S}/HeroL.bmp\"; the small picture is still \"{S}/zZS.bmp\"."},
        {"DeleteFirst", Delete, {0}, set, {}, "Could not delete \"{S}/ZZL.bmp\": disk on fire. Nothing was deleted."},
        {"DeleteSecond", Delete, {1}, {"zZS.bmp"}, {}, "\"{S}/ZZL.bmp\" was deleted, but \"{S}/zZS.bmp\" could not be deleted: disk on fire. The small picture is still there."},
    };
    // clang-format on
    for (const FaultCase& c : cases) {
        SCOPED_TRACE(c.name);
        Scene t;
        t.prepare(set, "ZZL.bmp");
        const Contents original = t.source_.contents();
        t.dialogs_.queueAnswer(MessageResult::Yes);
        t.dialogs_.queueInput(QStringLiteral("Hero"));
        for (const int write : c.failing)
            t.fileSystem_.failWrite(write, "disk on fire");
        t.run(c.op);
        EXPECT_EQ(t.sourceNames(), c.sourceAfter);
        EXPECT_EQ(t.destinationNames(), c.destinationAfter);
        EXPECT_EQ(t.source_.contents()["zZS.bmp"], original["zZS.bmp"]);
        ASSERT_FALSE(t.boxes().isEmpty());
        EXPECT_EQ(t.boxes().last(), "Error | " + c.message + " (!)");
        // After a failure both lists and the preview show what is on disk.
        const Log& log = t.view_->log;
        EXPECT_TRUE(log.contains("reread source") && log.contains("reread destination") && log.last() == "refresh")
            << qPrintable(log.join(", "));
    }
}

// Faults and other programs at system-call level, beneath a set operation.
struct SystemCallCase {
    const char* name;
    Op op;
    bool acrossFileSystems; // the destination on a tmpfs of its own
    std::function<void(testsupport::SystemCallFaults&, const QString& source, const QString& destination)> arrange;
    Contents sourceAfter;
    Contents destinationAfter;
    QString message;
};

TEST(SetOperations, FaultsAndOtherProgramsBeneathASetNeverCostAFile)
{
    RUN_WHERE_MOUNTING_WORKS();
    using Call = platform::SystemCall;
    using Faults = testsupport::SystemCallFaults;
    const auto theirsAt = [](const QString& path) {
        const QString fresh = path + ".theirs";
        QFile file(fresh);
        ASSERT_TRUE(file.open(QIODevice::NewOnly) && file.write("theirs") == 6);
        file.close();
        ASSERT_TRUE(::rename(QFile::encodeName(fresh).constData(), QFile::encodeName(path).constData()) == 0);
    };
    const auto reason = [](int error) { return QString::fromLocal8Bit(std::strerror(error)); };
    // clang-format off
    const SystemCallCase cases[] = {
        {"CopyTakesBackOnlyItsOwnCopy", Copy, false, [&](Faults& f, const QString&, const QString& d) {
             f.actBefore(Call::Open, 0, [&f, &theirsAt, d] { theirsAt(d + "/MM01L.bmp"); f.fail(Call::Write, 0, ENOSPC); }, "zZS.bmp");
         }, {{"ZZL.bmp", "L"}, {"zZS.bmp", "S"}}, {{"MM01L.bmp", "theirs"}},
         "Could not copy \"{S}/zZS.bmp\" to \"{D}/mM01S.bmp\": " + reason(ENOSPC) + ". Removing the copy \"{D}/MM01L.bmp\" failed too: another program has put a different file under that name. The large picture is still \"{S}/ZZL.bmp\"; the small picture is still \"{S}/zZS.bmp\"."},
        {"MoveTakesBackOnlyItsOwnFile", Move, false, [&](Faults& f, const QString&, const QString& d) {
             f.actBefore(Call::Renameat2, 0, [&theirsAt, d] { theirsAt(d + "/MM01L.bmp"); }, "mM01S.bmp");
             f.fail(Call::Renameat2, 0, EIO, "mM01S.bmp");
         }, {{"zZS.bmp", "S"}}, {{"MM01L.bmp", "theirs"}},
         "Could not move \"{S}/zZS.bmp\" to \"{D}/mM01S.bmp\": " + reason(EIO) + ". Moving the large picture back failed too: another program has put a different file under that name. The large picture is no longer \"{D}/MM01L.bmp\": another program replaced or removed it; the small picture is still \"{S}/zZS.bmp\"."},
        {"MoveAcrossWhoseCleanUpFailsSaysWhereTheCopyIs", Move, true, [](Faults& f, const QString&, const QString&) {
             // Once the small picture is under way, its original cannot go, nor its copy.
             f.actBefore(Call::Open, 0, [&f] { f.fail(Call::Unlink, 0, EACCES); f.fail(Call::Unlink, 0, EIO, "mM01S.bmp"); }, "zZS.bmp");
         }, {{"zZS.bmp", "S"}}, {{"MM01L.bmp", "L"}, {"mM01S.bmp", "S"}},
         "Could not move \"{S}/zZS.bmp\" to \"{D}/mM01S.bmp\": " + reason(EACCES) + ", and the copy could not be removed: " + reason(EIO) + ". The large picture is now \"{D}/MM01L.bmp\"; the small picture is still \"{S}/zZS.bmp\" and a copy of it is \"{D}/mM01S.bmp\"."},
        {"MoveAcrossKeepsASourceEditedMeanwhile", Move, true, [](Faults& f, const QString& s, const QString& d) {
             f.actBefore(Call::Fsync, 1, [s] { QFile file(s + "/zZS.bmp"); ASSERT_TRUE(file.open(QIODevice::Append)); file.write("+"); }, QFile::encodeName(d));
         }, {{"zZS.bmp", "S+"}}, {{"MM01L.bmp", "L"}, {"mM01S.bmp", "S"}},
         "Could not move \"{S}/zZS.bmp\" to \"{D}/mM01S.bmp\": another program changed it while it was copied, so the original was kept. The large picture is now \"{D}/MM01L.bmp\"; the small picture is still \"{S}/zZS.bmp\" and a copy of it is \"{D}/mM01S.bmp\"."},
        // A change of letter case through a hidden name, on a volume that answers to both spellings (a
        // second link plays it here), whose way back fails: the box names the hidden file.
        {"RenameStuckHalfWaySaysWhereTheFileIs", Rename, false, [](Faults& f, const QString& s, const QString&) {
             ASSERT_EQ(::link(QFile::encodeName(s + "/ZZL.bmp").constData(), QFile::encodeName(s + "/zzL.bmp").constData()), 0);
             f.fail(Call::Renameat2, 3, EIO);
         }, {{".zzL.bmp.ostrel-renaming-XXXXXX", "L"}, {"zZS.bmp", "S"}, {"zzL.bmp", "L"}}, {},
         "Could not rename \"{S}/ZZL.bmp\" to \"{S}/zzL.bmp\": " + reason(EEXIST) + ". The large picture is now \"{S}/.zzL.bmp.ostrel-renaming-XXXXXX\"; the small picture is still \"{S}/zZS.bmp\"."},
    };
    // clang-format on
    // Hidden names end in a random part.
    const QRegularExpression random(QStringLiteral("(\\.ostrel-[a-z]+-)[a-z0-9]{6}"));
    const auto withoutChance = [&random](const Contents& contents) {
        Contents plain;
        for (auto it = contents.cbegin(); it != contents.cend(); ++it)
            plain.insert(QString(it.key()).replace(random, QStringLiteral("\\1XXXXXX")), it.value());
        return plain;
    };
    for (const SystemCallCase& c : cases) {
        SCOPED_TRACE(c.name);
        Scene t;
        std::optional<testsupport::Mount> tmpfs;
        if (c.acrossFileSystems) {
            tmpfs.emplace(t.destination_.path(), "size=1m");
            SKIP_UNLESS_MOUNTED(*tmpfs);
        }
        t.source_.addFile("ZZL.bmp", "L");
        t.source_.addFile("zZS.bmp", "S");
        t.prepare({}, "ZZL.bmp");
        t.dialogs_.queueInput(QStringLiteral("zz"));
        c.arrange(t.fileSystem_.systemCalls(), t.source_.path(), t.destination_.path());
        t.run(c.op);
        t.fileSystem_.systemCalls() = testsupport::SystemCallFaults();
        EXPECT_EQ(withoutChance(t.source_.contents()), c.sourceAfter);
        EXPECT_EQ(t.destination_.contents(), c.destinationAfter);
        QStringList shown = t.boxes();
        ASSERT_FALSE(shown.isEmpty());
        EXPECT_EQ(shown.replaceInStrings(random, QStringLiteral("\\1XXXXXX")).last(), "Error | " + c.message + " (!)");
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
