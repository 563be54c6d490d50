#include <functional>
#include <optional>

#include <QDir>
#include <QPushButton>

#include <gtest/gtest.h>

#include "set_operations_scene.h"
#include "support/manager_fixture.h"
#include "support/mount.h"

namespace {

using testsupport::VolumeKind;

// Squashfs is read-only, made holding the set.
struct Volume {
    const char* name;
    VolumeKind kind;
    bool readsWindowsNames;
};
const Volume volumes[] = {
    {"Tmpfs", VolumeKind::Tmpfs, false},
    {"Fat", VolumeKind::Fat, true},
    {"Ntfs", VolumeKind::Ntfs, true},
    {"Exfat", VolumeKind::Exfat, true},
    {"FuseShare", VolumeKind::Passthrough, false},
    {"Btrfs", VolumeKind::Btrfs, false},
    {"Xfs", VolumeKind::Xfs, false},
    {"Squashfs", VolumeKind::Squashfs, false},
};

struct Step;
using Part = std::function<void(Step&)>; // sets one field of a step
struct Step {
    template <typename... Parts> Step(const char* name, void (Ops::*op)(), const Parts&... parts) : name(name), op(op)
    {
        (parts(*this), ...);
    }
    const char* name;
    void (Ops::*op)();
    bool fromVolume = false; // the set starts on the volume, else it goes there
    QList<std::optional<QString>> typed;
    QStringList sourceAfter, destinationAfter, boxes; // on a volume that takes the write
    QStringList sealedBoxes;                          // on a read-only volume, where nothing changes
    QStringList windowsBoxes; // on a volume Windows reads, where nothing changes, when that differs
};
const Part fromVolume = [](Step& s) { s.fromVolume = true; };
const auto typed = [](QList<std::optional<QString>> v) -> Part { return [=](Step& s) { s.typed = v; }; };
const auto sourceAfter = [](QStringList v) -> Part { return [=](Step& s) { s.sourceAfter = v; }; };
const auto destinationAfter = [](QStringList v) -> Part { return [=](Step& s) { s.destinationAfter = v; }; };
const auto boxes = [](QStringList v) -> Part { return [=](Step& s) { s.boxes = v; }; };
const auto sealedBoxes = [](QStringList v) -> Part { return [=](Step& s) { s.sealedBoxes = v; }; };
const auto windowsBoxes = [](QStringList v) -> Part { return [=](Step& s) { s.windowsBoxes = v; }; };
const auto readOnly = [](const char* verb, const char* to) {
    return err(QStringLiteral("Could not %1 \"{S}/ZZL.bmp\" to \"%2\": {EROFS}. Nothing was changed.").arg(verb, to));
};
const QStringList target{"MM01L.bmp", "mM01S.bmp"};
const Step steps[] = {
    {"CopyIn", &Ops::copySet, sourceAfter(set), destinationAfter(target),
     sealedBoxes({readOnly("copy", "{D}/MM01L.bmp")})},
    {"MoveIn", &Ops::moveSet, destinationAfter(target), sealedBoxes({readOnly("move", "{D}/MM01L.bmp")})},
    {"MoveOut", &Ops::moveSet, fromVolume, destinationAfter(target), sealedBoxes({readOnly("move", "{D}/MM01L.bmp")})},
    {"Rename", &Ops::renameSet, fromVolume, typed({"Hero"}), sourceAfter({"HeroL.bmp", "heroS.bmp"}), boxes({"ask"}),
     sealedBoxes({"ask", readOnly("rename", "{S}/HeroL.bmp")})},
    {"RenameLetterCase", &Ops::renameSet, fromVolume, typed({"zz"}), sourceAfter({"zzL.bmp", "zzS.bmp"}),
     boxes({"ask"}), sealedBoxes({"ask", readOnly("rename", "{S}/zzL.bmp")})},
    {"Delete", &Ops::deleteSet, fromVolume, boxes({"sure?"}),
     sealedBoxes({"sure?", err("Could not delete \"{S}/ZZL.bmp\": {EROFS}. Nothing was deleted.")})},
    {"RenameToWhatWindowsForbids", &Ops::renameSet, fromVolume, typed({"A:B*", std::nullopt}),
     sourceAfter({"A:B*L.bmp", "a:B*S.bmp"}), boxes({"ask"}), sealedBoxes({"ask", readOnly("rename", "{S}/A:B*L.bmp")}),
     windowsBoxes({"ask", windows("A:B*", "names must not contain \":\""), "ask"})},
};

// On every kind of volume users keep portraits on, a set is filed in and out, renamed (also in letter case
// only) and deleted, or a read-only volume refuses each write with its reason and nothing changes; a name
// Windows forbids is refused on a volume Windows reads before anything is touched, and taken elsewhere.
class SetOperationsOnAVolume : public testing::TestWithParam<std::tuple<Volume, Step>> {};

TEST_P(SetOperationsOnAVolume, EndsAsOnAnyDisk)
{
    RUN_WHERE_MOUNTING_WORKS();
    const auto& [volumeRow, step] = GetParam();
    const bool sealed = volumeRow.kind == VolumeKind::Squashfs;
    testsupport::PortraitSandbox held;
    held.addPortraits(set);
    const testsupport::TestVolume volume(volumeRow.kind, testsupport::VolumeSetup{32 << 20, held.path(), 0});
    if (!volume.mounted())
        GTEST_SKIP() << volume.skipReason().toStdString();
    Scene t(set, "ZZL.bmp");
    (step.fromVolume ? t.sourcePath : t.destinationPath) = volume.path();
    if (step.fromVolume) {
        for (const QString& name : sealed ? QStringList() : set)
            EXPECT_TRUE(QFile::copy(held.filePath(name), volume.path() + '/' + name));
        t.rereadSourceFiles();
        t.selectEntry(int(t.listed.indexOf("ZZL.bmp")));
    }
    t.run(step.op, step.typed);
    const auto names = [](const QString& directory) {
        return QDir(directory).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    };
    const bool refused = sealed || (volumeRow.readsWindowsNames && !step.windowsBoxes.isEmpty());
    const QStringList source = refused ? set : step.sourceAfter;
    const QStringList destination =
        refused ? (sealed && !step.fromVolume ? set : QStringList()) : step.destinationAfter;
    EXPECT_EQ(std::tuple(names(t.sourcePath), names(t.destinationPath), t.boxes("ZZL.bmp")),
              std::tuple(source, destination,
                         sealed    ? step.sealedBoxes
                         : refused ? step.windowsBoxes
                                   : step.boxes));
}

INSTANTIATE_TEST_SUITE_P(Volumes, SetOperationsOnAVolume,
                         testing::Combine(testing::ValuesIn(volumes), testing::ValuesIn(steps)), [](auto& info) {
                             return std::string(std::get<0>(info.param).name) + '_' + std::get<1>(info.param).name;
                         });

// The manager's side of the view: its buttons reach the operations, its lists follow the disk.
struct WindowRow {
    const char* button;
    QStringList sourceListed, destinationListed;
    int selectedAfter;
    const char* largeTargetShown;
};
void PrintTo(const WindowRow& row, std::ostream* out)
{
    *out << row.button;
}
const WindowRow windowRows[] = {
    {.button = "SaveButton",
     .sourceListed = {"BBL.bmp", "ZZL.bmp"},
     .destinationListed = {"FM01L.bmp", "FM02L.bmp"},
     .selectedAfter = 1,
     .largeTargetShown = "FM03L.bmp"},
    {.button = "MoveButton",
     .sourceListed = {"BBL.bmp"},
     .destinationListed = {"FM01L.bmp", "FM02L.bmp"},
     .selectedAfter = 0,
     .largeTargetShown = "FM03L.bmp"},
    {.button = "DeleteButton",
     .sourceListed = {"BBL.bmp"},
     .destinationListed = {"FM01L.bmp"},
     .selectedAfter = 0,
     .largeTargetShown = "FM02L.bmp"},
    {.button = "RenameButton",
     .sourceListed = {"BBL.bmp", "HeroL.bmp"},
     .destinationListed = {"FM01L.bmp"},
     .selectedAfter = -1,
     .largeTargetShown = "FM02L.bmp"},
};

struct SetOperationsThroughTheWindow : testsupport::ManagerFixture, testing::WithParamInterface<WindowRow> {};

TEST_P(SetOperationsThroughTheWindow, ButtonsFileTheSetAndTheListsFollowTheDisk)
{
    const WindowRow& row = GetParam();
    destination_.addPortraits({"FM01L.bmp", "fM01S.bmp"});
    source_.addPortraits({"BBL.bmp", "bBS.bmp", "ZZL.bmp", "zZS.bmp"});
    open();
    setDestination(destination_.path());
    choose("GenderCombo", 1);
    selectSource("ZZL.bmp");
    dialogs_.queueAnswer(platform::MessageResult::Yes);
    dialogs_.queueInput(QStringLiteral("Hero"));
    control<QPushButton>(row.button)->click();
    EXPECT_EQ(std::tuple(files()->entries(), files("Files2")->entries(), files()->listIndex(), caption("Label1")),
              std::tuple(row.sourceListed, row.destinationListed, row.selectedAfter,
                         destination_.path() + "/" + row.largeTargetShown));
}

INSTANTIATE_TEST_SUITE_P(Buttons, SetOperationsThroughTheWindow, testing::ValuesIn(windowRows),
                         [](auto& info) { return std::string(info.param.button); });

} // namespace
