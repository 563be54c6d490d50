#include <cerrno>
#include <cstring>
#include <functional>
#include <optional>

#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

#include <gtest/gtest.h>

#include "support/manager_fixture.h"
#include "support/mount.h"

namespace {

using Contents = QMap<QString, QByteArray>;
using platform::MessageButtons;
using platform::MessageIcon;
using platform::MessageResult;

class SetOperationsTest : public testsupport::ManagerFixture {
protected:
    void press(const char* button) { control<QPushButton>(button)->click(); }
    QStringList texts() const
    {
        QStringList shown;
        for (const testsupport::ShownBox& box : dialogs_.shown())
            shown << box.text;
        return shown;
    }
    // A source set and an empty destination, Male Mage chosen, the set selected.
    void openWith(const QStringList& sourceFiles, const QString& selected)
    {
        source_.addPortraits(sourceFiles);
        open();
        setDestination(destination_.path());
        selectSource(selected);
        dialogs_.clear();
    }
};

TEST_F(SetOperationsTest, CopyFilesTheSetUnderTheNextNameAndProposesTheFollowingOne)
{
    destination_.addPortraits({"FR01L.bmp", "fR01S.bmp"});
    openWith({"MM05L.bmp", "mM05S.bmp"}, "MM05L.bmp");
    choose("GenderCombo", 1);
    choose("TypeCombo", 2);
    const Contents source = source_.contents();
    Contents expected = destination_.contents();
    expected.insert("FR02L.bmp", source["MM05L.bmp"]);
    expected.insert("fR02S.bmp", source["mM05S.bmp"]);

    press("SaveButton");
    EXPECT_EQ(destination_.contents(), expected);
    EXPECT_EQ(source_.contents(), source);
    EXPECT_EQ(files()->listIndex(), 0);
    EXPECT_EQ(files("Files2")->entries(), QStringList({"FR01L.bmp", "FR02L.bmp"}));
    EXPECT_EQ(caption("Label1"), destination_.path() + "/FR03L.bmp");
    EXPECT_TRUE(dialogs_.shown().isEmpty());
}

TEST_F(SetOperationsTest, NinetyNineIsFiledAndTheFullTypeRefused)
{
    for (int number = 1; number <= 98; ++number)
        destination_.addFile(QStringLiteral("MM%1L.bmp").arg(number, 2, 10, QLatin1Char('0')), "x");
    openWith({"ZZL.bmp", "zZS.bmp"}, "ZZL.bmp");
    press("SaveButton");
    EXPECT_TRUE(destination_.contents().contains("MM99L.bmp") && destination_.contents().contains("mM99S.bmp"));
    EXPECT_EQ(vars().NextNumber, 100);

    const Contents full = destination_.contents();
    press("MoveButton");
    press("SaveButton");
    EXPECT_EQ(destination_.contents(), full);
    const QString maximum = "The maximum number of images for this type have already been placed in this directory.";
    EXPECT_EQ(texts(), QStringList({maximum, maximum}));
    EXPECT_EQ(dialogs_.shown().first().icon, MessageIcon::Exclamation);
}

TEST_F(SetOperationsTest, NothingSelectedDoesNothingAndASetWithoutSmallPictureIsRefused)
{
    source_.addPortraits({"LonerL.bmp", "NOPICTURE"});
    open();
    setDestination(destination_.path());
    for (const char* button : {"SaveButton", "MoveButton", "RenameButton", "DeleteButton"})
        press(button);
    EXPECT_TRUE(dialogs_.shown().isEmpty());

    selectSource("LonerL.bmp");
    dialogs_.clear();
    press("SaveButton");
    press("MoveButton");
    const QString refusal = "There must be a Small picture in the set in order to save it.";
    EXPECT_EQ(texts(), QStringList({refusal, refusal}));
    EXPECT_EQ(dialogs_.shown().first().title, "Error");
    EXPECT_TRUE(destination_.contents().isEmpty());
    EXPECT_EQ(source_.contents().size(), 2);
}

TEST_F(SetOperationsTest, CopyIntoItsOwnDirectoryReselectsByIndex)
{
    source_.addPortraits({"ZZL.bmp", "zZS.bmp"});
    open();
    QTest::mouseDClick(files()->viewport(), Qt::LeftButton, {},
                       files()->visualRect(files()->model()->index(0, 0)).center());
    // The double-click selected the set and copied it like the button.
    EXPECT_EQ(files()->entries(), QStringList({"MM01L.bmp", "ZZL.bmp"}));
    EXPECT_EQ(source_.contents()["MM01L.bmp"], source_.contents()["ZZL.bmp"]);
    EXPECT_EQ(vars().SourceLargeName, "MM01L.bmp"); // the copy now holds the remembered index
    EXPECT_EQ(vars().TargetLargeName, "MM02L");
}

TEST_F(SetOperationsTest, MoveTakesTheSetAwayAndReselects)
{
    openWith({"AAL.bmp", "aAS.bmp", "BBL.bmp", "bBS.bmp", "CCL.bmp", "cCS.bmp"}, "CCL.bmp");
    const Contents before = source_.contents();
    press("MoveButton");
    EXPECT_EQ(destination_.contents(), Contents({{"MM01L.bmp", before["CCL.bmp"]}, {"mM01S.bmp", before["cCS.bmp"]}}));
    EXPECT_EQ(files()->listIndex(), 1); // the last entry left: the one before it
    EXPECT_EQ(vars().SourceLargeName, "BBL.bmp");

    files()->setListIndex(0);
    press("MoveButton");
    press("MoveButton");
    EXPECT_EQ(files()->listCount(), 0);
    EXPECT_TRUE(vars().SourceLargeName.isEmpty() && blank("Image1") && caption("Label8").isEmpty());
    EXPECT_EQ(destination_.contents().size(), 6);
}

TEST_F(SetOperationsTest, MoveWithinOneDirectoryRenamesInPlace)
{
    source_.addPortraits({"ZZL.bmp", "zZS.bmp"});
    open();
    selectSource("ZZL.bmp");
    const Contents before = source_.contents();
    press("MoveButton");
    EXPECT_EQ(source_.contents(), Contents({{"MM01L.bmp", before["ZZL.bmp"]}, {"mM01S.bmp", before["zZS.bmp"]}}));
    EXPECT_EQ(vars().SourceLargeName, "MM01L.bmp");
}

struct RenameCase {
    const char* name;
    QList<std::optional<QString>> answers;
    QStringList after; // the source directory's names afterwards
    int boxes;         // input boxes and messages shown
};

TEST_F(SetOperationsTest, RenameAsksForOneToSevenCharactersAndRenamesBothFiles)
{
    // clang-format off
    const RenameCase cases[] = {
        {"Default", {"PIC01"}, {"IrisL.bmp", "PIC01L.bmp", "pIC01S.bmp"}, 1},
        {"LowerCasedFirstLetter", {"Abc"}, {"AbcL.bmp", "IrisL.bmp", "abcS.bmp"}, 1},
        {"DigitFirst", {"7xyz"}, {"7xyzL.bmp", "7xyzS.bmp", "IrisL.bmp"}, 1},
        {"SevenAcceptedAfterEightAndEmpty", {"ABCDEFGH", "", "ABCDEFG"}, {"ABCDEFGL.bmp", "IrisL.bmp", "aBCDEFGS.bmp"}, 3},
        {"OnlyLetterCaseChanges", {"mm05"}, {"IrisL.bmp", "mm05L.bmp", "mm05S.bmp"}, 1},
        {"UnsafeNamesAskAgain", {"a/b", "..", ".", ".x", "a\\b", QString(QChar(0)) + "x", "ok"}, {"IrisL.bmp", "okL.bmp", "okS.bmp"}, 13},
        {"DottedCapitalIKeptForTheSmallName", {"\u0130x"}, {"IrisL.bmp", "\u0130xL.bmp", "\u0130xS.bmp"}, 1},
        {"CancelChangesNothing", {std::nullopt}, {"IrisL.bmp", "MM05L.bmp", "mM05S.bmp"}, 1},
        {"TakenNameIsRefusedInAnyLocale", {"iris"}, {"IrisL.bmp", "MM05L.bmp", "mM05S.bmp"}, 2},
    };
    // clang-format on
    for (const RenameCase& c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::PortraitSandbox sandbox;
        sandbox.addPortraits({"MM05L.bmp", "mM05S.bmp", "IrisL.bmp"});
        open(0.5, sandbox.path());
        selectSource("MM05L.bmp");
        for (const auto& answer : c.answers)
            dialogs_.queueInput(answer);
        dialogs_.clear();
        const Contents before = sandbox.contents();
        press("RenameButton");
        EXPECT_EQ(sandbox.contents().keys(), c.after);
        // Each picture keeps its bytes under its new name: the large one stays the large one.
        const auto original = [&before](const QString& name) {
            return before.value(name, name.endsWith("L.bmp") ? before["MM05L.bmp"] : before["mM05S.bmp"]);
        };
        for (const QString& name : c.after)
            EXPECT_EQ(sandbox.contents()[name], original(name)) << qPrintable(name);
        EXPECT_EQ(dialogs_.shown().size(), c.boxes);
        // A cancel leaves the selection.
        EXPECT_EQ(files()->listIndex(), c.answers.last() ? -1 : int(files()->entries().indexOf("MM05L.bmp")));
        const testsupport::ShownBox& first = dialogs_.shown().first();
        EXPECT_EQ(first.text, "What would you like to rename this file? (No more than 7 characters)");
        EXPECT_EQ(first.title, "Renaming File MM05L.bmp");
        EXPECT_EQ(first.defaultText, "PIC01");
        EXPECT_EQ(caption("Label8"), "MM05L.bmp"); // the preview keeps the old names
    }
}

TEST_F(SetOperationsTest, RenameOfASetWithoutSmallPictureRenamesTheLargeFileAlone)
{
    openWith({"LonerL.bmp", "NOPICTURE"}, "LonerL.bmp");
    dialogs_.queueInput(QStringLiteral("Solo"));
    press("RenameButton");
    EXPECT_EQ(source_.contents().keys(), QStringList({"NOPICTURE", "SoloL.bmp"}));
}

struct DeleteCase {
    const char* name;
    QStringList files;
    const char* selected;
    MessageResult answer;
    QStringList after;
    int selectedAfter;
    const char* vanishes = nullptr; // removed by another program once the set is selected
};

TEST_F(SetOperationsTest, DeleteRemovesTheSetAfterConfirmationAndReselects)
{
    const QStringList five{"AAL.bmp", "aAS.bmp", "BBL.bmp", "bBS.bmp", "CCL.bmp", "cCS.bmp", "DDL.bmp", "EEL.bmp"};
    // clang-format off
    const DeleteCase cases[] = {
        {"PartnerInOtherCase", {"MM05L.bmp", "mm05s.BMP", "ZZL.bmp"}, "MM05L.bmp", MessageResult::Yes, {"ZZL.bmp"}, 0},
        {"NoPartner", {"LonerL.bmp", "NOPICTURE"}, "LonerL.bmp", MessageResult::Yes, {"NOPICTURE"}, -1},
        {"Last", five, "EEL.bmp", MessageResult::Yes, five.mid(0, 7), 3},
        {"Middle", five, "CCL.bmp", MessageResult::Yes, five.mid(0, 4) + five.mid(6), 2},
        {"AnsweredNo", five, "CCL.bmp", MessageResult::No, five, 2},
        {"SmallPictureOfAnotherSetIsKept", {"ABL.bmp", "abL.bmp", "abS.bmp"}, "ABL.bmp", MessageResult::Yes, {"abL.bmp", "abS.bmp"}, 0},
        {"NoOtherSmallPictureStandsInForAVanishedOne", {"ABL.bmp", "ABS.bmp", "abL.bmp", "abS.bmp"}, "ABL.bmp", MessageResult::Yes, {"abL.bmp", "abS.bmp"}, 0, "ABS.bmp"},
    };
    // clang-format on
    for (const DeleteCase& c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::PortraitSandbox sandbox;
        sandbox.addPortraits(c.files);
        open(0.5, sandbox.path());
        selectSource(c.selected);
        if (c.vanishes != nullptr)
            QFile::remove(sandbox.filePath(c.vanishes));
        dialogs_.clear();
        dialogs_.queueAnswer(c.answer);
        press("DeleteButton");
        QStringList after = c.after;
        after.sort();
        EXPECT_EQ(sandbox.contents().keys(), after);
        EXPECT_EQ(files("Files2")->entries(), files()->entries()); // both lists show the directory anew
        EXPECT_EQ(files()->listIndex(), c.selectedAfter);
        ASSERT_FALSE(dialogs_.shown().isEmpty());
        EXPECT_EQ(dialogs_.shown().first().text, "Are you sure you want to delete this file?");
        EXPECT_EQ(dialogs_.shown().first().title, QStringLiteral("Delete File ") + c.selected);
        EXPECT_EQ(dialogs_.shown().first().buttons, MessageButtons::YesNo);
        EXPECT_EQ(dialogs_.shown().first().icon, MessageIcon::None);
    }
}

TEST_F(SetOperationsTest, TargetsTakenInAnyLetterCaseAreNeverOverwritten)
{
    // The large name in another letter case, which the allocation misses; small names, which it never reads.
    for (const char* name : {"mm01L.bmp", "mM01S.bmp", "MM01s.BMP"}) {
        SCOPED_TRACE(name);
        testsupport::PortraitSandbox target;
        target.addFile(QString::fromLatin1(name), "theirs");
        source_.addPortraits({"ZZL.bmp", "zZS.bmp"});
        open();
        setDestination(target.path());
        selectSource("ZZL.bmp");
        dialogs_.clear();
        press("SaveButton");
        EXPECT_EQ(target.contents(), Contents({{name, "theirs"}}));
        EXPECT_EQ(
            texts(),
            QStringList(
                QStringLiteral("The file \"%1\" is already in %2. Nothing was changed.").arg(name, target.path())));
    }
}

TEST_F(SetOperationsTest, FileCreatedAfterTheListWasReadIsNotOverwritten)
{
    openWith({"ZZL.bmp", "zZS.bmp"}, "ZZL.bmp");
    destination_.addFile("MM01L.bmp", "arrived meanwhile");
    press("MoveButton");
    EXPECT_EQ(destination_.contents(), Contents({{"MM01L.bmp", "arrived meanwhile"}}));
    EXPECT_EQ(source_.contents().size(), 2);
    EXPECT_EQ(files("Files2")->entries(), QStringList{"MM01L.bmp"}); // the lists show what is on disk now
}

struct FaultCase {
    const char* name;
    const char* button;
    QList<int> failing; // which writes fail
    QStringList sourceAfter;
    QStringList destinationAfter;
    QString message;
};

TEST_F(SetOperationsTest, AFailingFileOperationNeverLeavesHalfASet)
{
    const QStringList set{"ZZL.bmp", "zZS.bmp"};
    // clang-format off
    const FaultCase cases[] = {
        {"CopyFirst", "SaveButton", {0}, set, {}, "Could not copy \"{S}/ZZL.bmp\" to \"{D}/MM01L.bmp\": disk on fire. Nothing was changed."},
        {"CopySecond", "SaveButton", {1}, set, {}, "Could not copy \"{S}/zZS.bmp\" to \"{D}/mM01S.bmp\": disk on fire. The large picture was taken back, so nothing was changed."},
        {"CopySecondAndUndo", "SaveButton", {1, 2}, set, {"MM01L.bmp"}, "Could not copy \"{S}/zZS.bmp\" to \"{D}/mM01S.bmp\": disk on fire. Removing the copy \"{D}/MM01L.bmp\" failed too: disk on fire. The large picture is still \"{S}/ZZL.bmp\" and a copy of it is \"{D}/MM01L.bmp\"; the small picture is still \"{S}/zZS.bmp\"."},
        {"MoveSecond", "MoveButton", {1}, set, {}, "Could not move \"{S}/zZS.bmp\" to \"{D}/mM01S.bmp\": disk on fire. The large picture was taken back, so nothing was changed."},
        {"MoveSecondAndUndo", "MoveButton", {1, 2}, {"zZS.bmp"}, {"MM01L.bmp"}, "Could not move \"{S}/zZS.bmp\" to \"{D}/mM01S.bmp\": disk on fire. Moving the large picture back failed too: disk on fire. The large picture is now \"{D}/MM01L.bmp\"; the small picture is still \"{S}/zZS.bmp\"."},
        {"MoveFirst", "MoveButton", {0}, set, {}, "Could not move \"{S}/ZZL.bmp\" to \"{D}/MM01L.bmp\": disk on fire. Nothing was changed."},
        {"RenameFirst", "RenameButton", {0}, set, {}, "Could not rename \"{S}/ZZL.bmp\" to \"{S}/HeroL.bmp\": disk on fire. Nothing was changed."},
        {"RenameSecondAndUndo", "RenameButton", {1, 2}, {"HeroL.bmp", "zZS.bmp"}, {}, "Could not rename \"{S}/zZS.bmp\" to \"{S}/heroS.bmp\": disk on fire. Moving the large picture back failed too: disk on fire. The large picture is now \"{S}/HeroL.bmp\"; the small picture is still \"{S}/zZS.bmp\"."},
        {"DeleteFirst", "DeleteButton", {0}, set, {}, "Could not delete \"{S}/ZZL.bmp\": disk on fire. Nothing was deleted."},
        {"DeleteSecond", "DeleteButton", {1}, {"zZS.bmp"}, {}, "\"{S}/ZZL.bmp\" was deleted, but \"{S}/zZS.bmp\" could not be deleted: disk on fire. The small picture is still there."},
    };
    // clang-format on
    for (const FaultCase& c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::PortraitSandbox source;
        testsupport::PortraitSandbox destination;
        source.addPortraits(set);
        const Contents original = source.contents();
        open(0.5, source.path());
        // A rename shows its own directory on both sides, so that both lists must follow the disk.
        const bool rename = QLatin1String(c.button) == QLatin1String("RenameButton");
        setDestination(rename ? source.path() : destination.path());
        selectSource("ZZL.bmp");
        dialogs_.clear();
        if (QLatin1String(c.button) == QLatin1String("DeleteButton"))
            dialogs_.queueAnswer(MessageResult::Yes);
        if (rename)
            dialogs_.queueInput(QStringLiteral("Hero"));
        for (const int write : c.failing)
            fileSystem_.failWrite(write, "disk on fire");
        press(c.button);
        EXPECT_EQ(source.contents().keys(), c.sourceAfter);
        EXPECT_EQ(destination.contents().keys(), c.destinationAfter);
        EXPECT_EQ(source.contents()["zZS.bmp"], original["zZS.bmp"]);
        QString message = c.message;
        message.replace("{S}/", source.path() + "/").replace("{D}/", destination.path() + "/");
        EXPECT_EQ(texts().last(), message);
        EXPECT_EQ(files()->entries(), source.contents().keys().filter(QStringLiteral("L.bmp")));
        const QString shownOnTheRight = rename ? source.path() : destination.path();
        EXPECT_EQ(files("Files2")->entries(),
                  platform::PosixFileSystem().listFiles(shownOnTheRight, QStringLiteral("*L.bmp")).names);
    }
}

// Faults and other programs at system-call level, beneath a set operation.
struct SystemCallCase {
    const char* name;
    const char* button;
    bool acrossFileSystems; // the destination on a tmpfs of its own
    std::function<void(testsupport::SystemCallFaults&, const QString& source, const QString& destination)> arrange;
    Contents sourceAfter;
    Contents destinationAfter;
    QString message;
};

TEST_F(SetOperationsTest, FaultsAndOtherProgramsBeneathASetNeverCostAFile)
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
    const QString changedMeanwhile = "another program changed it while it was copied, so the original was kept";
    // clang-format off
    const SystemCallCase cases[] = {
        {"CopyTakesBackOnlyItsOwnCopy", "SaveButton", false, [&](Faults& f, const QString&, const QString& d) {
             f.actBefore(Call::Open, 0, [&f, &theirsAt, d] { theirsAt(d + "/MM01L.bmp"); f.fail(Call::Write, 0, ENOSPC); }, "zZS.bmp");
         }, {{"ZZL.bmp", "L"}, {"zZS.bmp", "S"}}, {{"MM01L.bmp", "theirs"}},
         "Could not copy \"{S}/zZS.bmp\" to \"{D}/mM01S.bmp\": " + QString::fromLocal8Bit(std::strerror(ENOSPC)) + ". Removing the copy \"{D}/MM01L.bmp\" failed too: another program has put a different file under that name. The large picture is still \"{S}/ZZL.bmp\"; the small picture is still \"{S}/zZS.bmp\"."},
        {"MoveTakesBackOnlyItsOwnFile", "MoveButton", false, [&](Faults& f, const QString&, const QString& d) {
             f.actBefore(Call::Renameat2, 0, [&theirsAt, d] { theirsAt(d + "/MM01L.bmp"); }, "mM01S.bmp");
             f.fail(Call::Renameat2, 0, EIO, "mM01S.bmp");
         }, {{"zZS.bmp", "S"}}, {{"MM01L.bmp", "theirs"}},
         "Could not move \"{S}/zZS.bmp\" to \"{D}/mM01S.bmp\": " + QString::fromLocal8Bit(std::strerror(EIO)) + ". Moving the large picture back failed too: another program has put a different file under that name. The large picture is no longer \"{D}/MM01L.bmp\": another program replaced or removed it; the small picture is still \"{S}/zZS.bmp\"."},
        {"MoveAcrossWhoseCleanUpFailsSaysWhereTheCopyIs", "MoveButton", true, [](Faults& f, const QString&, const QString&) {
             // Once the small picture is under way, its original cannot go, nor its copy.
             f.actBefore(Call::Open, 0, [&f] { f.fail(Call::Unlink, 0, EACCES); f.fail(Call::Unlink, 0, EIO, "mM01S.bmp"); }, "zZS.bmp");
         }, {{"zZS.bmp", "S"}}, {{"MM01L.bmp", "L"}, {"mM01S.bmp", "S"}},
         "Could not move \"{S}/zZS.bmp\" to \"{D}/mM01S.bmp\": " + QString::fromLocal8Bit(std::strerror(EACCES)) + ", and the copy could not be removed: " + QString::fromLocal8Bit(std::strerror(EIO)) + ". The large picture is now \"{D}/MM01L.bmp\"; the small picture is still \"{S}/zZS.bmp\" and a copy of it is \"{D}/mM01S.bmp\"."},
        {"MoveAcrossKeepsASourceEditedMeanwhile", "MoveButton", true, [](Faults& f, const QString& s, const QString& d) {
             f.actBefore(Call::Fsync, 1, [s] { QFile file(s + "/zZS.bmp"); ASSERT_TRUE(file.open(QIODevice::Append)); file.write("+"); }, QFile::encodeName(d));
         }, {{"zZS.bmp", "S+"}}, {{"MM01L.bmp", "L"}, {"mM01S.bmp", "S"}},
         "Could not move \"{S}/zZS.bmp\" to \"{D}/mM01S.bmp\": " + changedMeanwhile + ". The large picture is now \"{D}/MM01L.bmp\"; the small picture is still \"{S}/zZS.bmp\" and a copy of it is \"{D}/mM01S.bmp\"."},
        // A change of letter case through a hidden name, on a volume that answers to both spellings (a
        // second link plays it here), whose way back fails: the box names the hidden file.
        {"RenameStuckHalfWaySaysWhereTheFileIs", "RenameButton", false, [](Faults& f, const QString& s, const QString&) {
             ASSERT_EQ(::link(QFile::encodeName(s + "/ZZL.bmp").constData(), QFile::encodeName(s + "/zzL.bmp").constData()), 0);
             f.fail(Call::Renameat2, 3, EIO);
         }, {{".zzL.bmp.ostrel-renaming-XXXXXX", "L"}, {"zZS.bmp", "S"}, {"zzL.bmp", "L"}}, {},
         "Could not rename \"{S}/ZZL.bmp\" to \"{S}/zzL.bmp\": " + QString::fromLocal8Bit(std::strerror(EEXIST)) + ". The large picture is now \"{S}/.zzL.bmp.ostrel-renaming-XXXXXX\"; the small picture is still \"{S}/zZS.bmp\"."},
    };
    // clang-format on
    for (const SystemCallCase& c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::PortraitSandbox source;
        testsupport::PortraitSandbox destination;
        std::optional<testsupport::Mount> tmpfs;
        if (c.acrossFileSystems) {
            tmpfs.emplace(destination.path(), "size=1m");
            SKIP_UNLESS_MOUNTED(*tmpfs);
        }
        source.addFile("ZZL.bmp", "L");
        source.addFile("zZS.bmp", "S");
        open(0.5, source.path());
        setDestination(destination.path());
        selectSource("ZZL.bmp");
        dialogs_.clear();
        dialogs_.queueInput(QStringLiteral("zz"));
        c.arrange(fileSystem_.systemCalls(), source.path(), destination.path());
        press(c.button);
        fileSystem_.systemCalls() = testsupport::SystemCallFaults();
        // Hidden names end in a random part.
        const QRegularExpression random(QStringLiteral("(\\.ostrel-[a-z]+-)[a-z0-9]{6}"));
        const auto withoutChance = [&random](const Contents& contents) {
            Contents plain;
            for (auto it = contents.cbegin(); it != contents.cend(); ++it)
                plain.insert(QString(it.key()).replace(random, QStringLiteral("\\1XXXXXX")), it.value());
            return plain;
        };
        EXPECT_EQ(withoutChance(source.contents()), c.sourceAfter);
        EXPECT_EQ(destination.contents(), c.destinationAfter);
        QString message = c.message;
        message.replace("{S}/", source.path() + "/").replace("{D}/", destination.path() + "/");
        ASSERT_FALSE(texts().isEmpty());
        EXPECT_EQ(QString(texts().last()).replace(random, QStringLiteral("\\1XXXXXX")), message);
    }
}

TEST_F(SetOperationsTest, RenameFailingOnTheSmallFileTakesTheLargeOneBack)
{
    openWith({"MM05L.bmp", "mM05S.bmp"}, "MM05L.bmp");
    dialogs_.queueInput(QStringLiteral("Hero"));
    fileSystem_.failWrite(1, "no");
    press("RenameButton");
    EXPECT_EQ(source_.contents().keys(), QStringList({"MM05L.bmp", "mM05S.bmp"}));
    EXPECT_TRUE(texts().last().endsWith("The large picture was taken back, so nothing was changed."));
    EXPECT_TRUE(blank("Image1")); // after a failure the window shows what is on disk
}

} // namespace

namespace {

TEST_F(SetOperationsTest, ANameTakenByAnotherFileInAnotherLetterCaseIsRefused)
{
    openWith({"ABcL.bmp", "aBcS.bmp", "abcL.bmp", "abcS.bmp"}, "ABcL.bmp");
    const Contents before = source_.contents();
    dialogs_.queueInput(QStringLiteral("ABC"));
    press("RenameButton");
    EXPECT_EQ(source_.contents(), before);
    ASSERT_EQ(dialogs_.shown().size(), 2);
    const testsupport::ShownBox& refusal = dialogs_.shown().last();
    EXPECT_EQ(refusal.text,
              QStringLiteral("The file \"abcL.bmp\" is already in %1. Nothing was changed.").arg(source_.path()));
    EXPECT_EQ(refusal.title, "Error");
    EXPECT_EQ(refusal.icon, MessageIcon::Exclamation);
}

TEST_F(SetOperationsTest, ReselectionClampsWhenMoreEntriesVanished)
{
    openWith({"AAL.bmp", "BBL.bmp", "CCL.bmp", "DDL.bmp", "EEL.bmp", "eES.bmp"}, "EEL.bmp");
    QFile::remove(source_.filePath("DDL.bmp"));
    QFile::remove(source_.filePath("CCL.bmp"));
    dialogs_.queueAnswer(MessageResult::Yes);
    press("DeleteButton");
    EXPECT_EQ(files()->entries(), QStringList({"AAL.bmp", "BBL.bmp"}));
    EXPECT_EQ(files()->listIndex(), 1);
}

TEST_F(SetOperationsTest, AFullDiskOnTheSmallPictureTakesTheLargeCopyBack)
{
    RUN_WHERE_MOUNTING_WORKS();
    testsupport::PortraitSandbox full;
    const testsupport::Mount tmpfs(full.path(), "size=64k");
    SKIP_UNLESS_MOUNTED(tmpfs);
    source_.addFile("ZZL.bmp", "large");
    source_.addFile("zZS.bmp", QByteArray(200 * 1024, 's'));
    open();
    setDestination(full.path());
    selectSource("ZZL.bmp");
    press("SaveButton");
    EXPECT_TRUE(full.contents().isEmpty());
    EXPECT_EQ(
        texts().last(),
        QStringLiteral("Could not copy \"%1\" to \"%2\": %3. The large picture was taken back, so nothing was changed.")
            .arg(source_.filePath("zZS.bmp"), full.filePath("mM01S.bmp"),
                 QString::fromLocal8Bit(std::strerror(ENOSPC))));
}

} // namespace
