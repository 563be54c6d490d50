#include <functional>
#include <string>
#include <vector>

#include "no_replace_scene.h"

namespace {

// Sets the faults and races, and the identity the operation expects.
using Arrange = std::function<void(const Scene&, Faults&, FileIdentity&)>;

const QString Taken = "s: MM05L.bmp | t: MM01L.bmp=taken", MovedOut = "s: MM01L.bmp MM05L.bmp | t:";
const QString Sealed = "s: MM05L.bmp | t: MM05L.bmp";
const QString ChangedWhileMoved = "another program changed it while it was copied, so the original was kept";
const QString NotOurs = "another program has put a different file under that name, replaced";

const auto taken = [](const char* name) -> Arrange { return [=](auto& s, auto&, auto&) { s.add(name, "taken"); }; };
const auto race = [](Call call, int nth, void (Scene::*act)() const, bool onTarget = false) -> Arrange {
    return [=](auto& s, auto& f, auto&) {
        f.actBefore(
            call, nth, [&s, act] { (s.*act)(); }, onTarget ? path(s.dir('t')) : QByteArray());
    };
};
// s/link leads to s/MM05L.bmp: by `relative`, or by its full path when that is empty.
const auto link = [](const char* relative) -> Arrange {
    return [relative](auto& s, auto&, auto&) {
        const QByteArray target = *relative != '\0' ? QByteArray(relative) : path(s.at("s/MM05L.bmp"));
        EXPECT_EQ(::symlink(target.constData(), path(s.at("s/link")).constData()), 0);
    };
};
const auto linkAnd = [](const Arrange& more) -> Arrange {
    return [=](auto& s, auto& f, auto& e) { link("MM05L.bmp")(s, f, e), more(s, f, e); };
};
// The other spelling is the same file, as a case-blind volume shows it; the rename fails at call `nth`.
const auto caseBlind = [](int nth) -> Arrange {
    return [=](auto& s, auto& f, auto&) {
        EXPECT_EQ(::link(path(s.at("s/MM05L.bmp")).constData(), path(s.at("s/mm05l.bmp")).constData()), 0);
        f.fail(Call::Renameat2, nth, EIO);
    };
};
// Ours as a write of ours knows it, then `meanwhile`.
const auto ours = [](const std::function<void(const Scene&)>& meanwhile) -> Arrange {
    return [=](auto& s, auto&, auto& expected) { expected = s.ours(), meanwhile(s); };
};
// Written long before, as the pictures users move are: some servers stamp a renamed file with the time.
const auto onVolume = [](auto& s, auto&, auto&) { s.add("t/MM05L.bmp", Original), s.aged("t/MM05L.bmp"); };
const auto writtenElsewhere = [](auto& s, auto& f, auto& e) { onVolume(s, f, e), s.writtenElsewhere(); };

struct Row;
using Part = std::function<void(Row&)>; // sets one field of a row
struct Row {
    template <typename... Parts> Row(std::string name, Op op, const Parts&... parts) : name(std::move(name)), op(op)
    {
        (parts(*this), ...);
    }
    std::string name;
    Op op;
    Place place = Place::Disk;
    Way way = Way::Anonymous; // Every: a test for each way
    QString from = "s/MM05L.bmp", to = "t/MM01L.bmp";
    Arrange arranged;
    QString said = "ok"; // the outcome as Scene::run tells it, {ENAME} for the system's words for ENAME
    QString after;       // as Scene::described() tells it
};
const auto on = [](Place v) -> Part { return [=](Row& r) { r.place = v; }; };
const auto way = [](Way v) -> Part { return [=](Row& r) { r.way = v; }; };
const auto from = [](const char* v) -> Part { return [=](Row& r) { r.from = v; }; };
const auto to = [](const char* v) -> Part { return [=](Row& r) { r.to = v; }; };
const auto arranged = [](Arrange v) -> Part { return [=](Row& r) { r.arranged = v; }; };
const auto said = [](QString v) -> Part { return [=](Row& r) { r.said = v; }; };
const auto after = [](QString v) -> Part { return [=](Row& r) { r.after = v; }; };

std::vector<Row> table()
{
    std::vector<Row> rows = {
        {"ACopy", Op::Copy, way(Way::Every), after(Copied)},
        {"AMove", Op::Move, way(Way::Every), after(Moved)},
        {"AMoveAcrossFileSystems", Op::Move, on(Place::Tmpfs), way(Way::Every), after(Moved)},
        {"ACopyOntoATakenName", Op::Copy, way(Way::Every), arranged(taken("t/MM01L.bmp")), said("{EEXIST}"),
         after(Taken)},
        {"AMoveOntoATakenName", Op::Move, way(Way::Every), arranged(taken("t/MM01L.bmp")), said("{EEXIST}"),
         after(Taken)},
        {"RemovingWhatIsNotThere", Op::Remove, from("s/nobody"), said("{ENOENT}"), after(Kept)},
        {"AFifoIsNoFileToCopy", Op::Copy, from("s/fifo"), to("t/fifo"),
         arranged([](auto& s, auto&, auto&) { EXPECT_EQ(::mkfifo(path(s.at("s/fifo")).constData(), 0600), 0); }),
         said("it is not a regular file"), after("s: MM05L.bmp fifo=? | t:")},
        {"AFullDisk", Op::Copy, on(Place::Full), way(Way::Every), said("{ENOSPC}"), after(Kept)},
        {"AFullDiskAcross", Op::Move, on(Place::Full), way(Way::Every), said("{ENOSPC}"), after(Kept)},
        {"AReadOnlyVolume", Op::Copy, on(Place::ReadOnly), way(Way::Every), said("{EROFS}"), after(Kept)},
        {"AHiddenNameAnotherCopyHoldsIsPassedOver", Op::Copy, way(Way::Named),
         arranged([](auto&, auto& f, auto&) { f.fail(Call::Open, 0, EEXIST, "*.ostrel-copying-"); }), after(Copied)},
        {"TheCopysDirectoryCannotBeFlushed", Op::Move, on(Place::Tmpfs),
         arranged([](auto& s, auto& f, auto&) { f.fail(Call::Fsync, 0, EIO, path(s.dir('t'))); }), said("{EIO}"),
         after(Kept)},
        {"TheCopysDirectoryCannotBeFlushedNorTheCopyRemoved", Op::Move, on(Place::Tmpfs),
         arranged([](auto& s, auto& f, auto&) {
             f.fail(Call::Fsync, 0, EIO, path(s.dir('t')));
             f.fail(Call::Unlink, 0, EACCES);
         }),
         said("{EIO}, and the copy could not be removed: {EACCES}, copy left"), after(Copied)},
        {"TheOriginalCannotGo", Op::Move, on(Place::Tmpfs),
         arranged([](auto&, auto& f, auto&) { f.fail(Call::Unlink, 0, EACCES); }), said("{EACCES}"), after(Kept)},
        // Another program at work meanwhile: during the copy, after the copy got its name (the directory is
        // flushed next) before the source goes, or on the target name just before the copy would get it.
        {"EditedWhileCopied", Op::Copy, way(Way::Every), arranged(race(Call::Fsync, 0, &Scene::edit)),
         said("the file changed while it was copied"), after("s: MM05L.bmp=<o>+ | t:")},
        {"EditedWhileMovedAcross", Op::Move, on(Place::Tmpfs), way(Way::Every),
         arranged(race(Call::Write, 1, &Scene::edit)), said("the file changed while it was copied"),
         after("s: MM05L.bmp=<o>+ | t:")},
        {"ReplacedBeforeTheSourceGoes", Op::Move, on(Place::Tmpfs), way(Way::Every),
         arranged(race(Call::Fsync, 0, &Scene::replace, true)), said(ChangedWhileMoved + ", copy left"),
         after("s: MM05L.bmp=new | t: MM01L.bmp")},
        {"RewrittenBeforeTheSourceGoes", Op::Move, on(Place::Tmpfs), way(Way::Every),
         arranged(race(Call::Fsync, 0, &Scene::rewrite, true)), said(ChangedWhileMoved + ", copy left"),
         after("s: MM05L.bmp=<part> | t: MM01L.bmp")},
        // Rewritten to the same size as it steps aside, where a rename may restamp it: the bytes tell.
        {"RewrittenAsItStepsAside", Op::Move, on(Place::Tmpfs), arranged([](const Scene& s, Faults& f, auto&) {
             f.actBefore(
                 Call::Renameat2, 0, [&s] { s.rewrite(), s.aged("s/MM05L.bmp"); }, "*.ostrel-moving-");
         }),
         said(ChangedWhileMoved + ", copy left"), after("s: MM05L.bmp=<part> | t: MM01L.bmp")},
        {"TheTargetTakenBeforeTheCopyIsNamed", Op::Copy, way(Way::Every), arranged(race(Call::Fsync, 0, &Scene::take)),
         said("{EEXIST}"), after(Taken)},
        {"TheTargetTakenBeforeTheMove", Op::Move, way(Way::Every), arranged(race(Call::Renameat2, 0, &Scene::take)),
         said("{EEXIST}"), after(Taken)},
        // Stepping aside before it goes, the original is edited and its name taken: it stays aside, beside the copy.
        {"AnOriginalThatCannotGoBack", Op::Move, on(Place::Tmpfs), arranged([](const Scene& s, Faults& f, auto&) {
             const auto takeName = [&s] { s.add("s/MM05L.bmp", "taken"); };
             const auto editThenTake = [&s, &f, takeName] { s.edit(), f.actBefore(Call::Renameat2, 0, takeName); };
             f.actBefore(Call::Renameat2, 0, editThenTake, "*.ostrel-moving-");
         }),
         said(ChangedWhileMoved + ", copy left, at .MM05L.bmp.ostrel-moving-X"),
         after("s: .MM05L.bmp.ostrel-moving-X=<o>+ MM05L.bmp=taken | t: MM01L.bmp")},
        // Another file just like it, put in its place as it steps aside: another program's, so it stays.
        {"ReplacedByATwinAsItStepsAside", Op::Move, on(Place::Tmpfs), arranged([](auto& s, auto& f, auto&) {
             f.actBefore(
                 Call::Renameat2, 0, [&s] { s.twin(); }, "*.ostrel-moving-");
         }),
         said(ChangedWhileMoved + ", copy left"), after(Copied)},
        // A change of letter case that can be neither done nor undone (the way back from the hidden name fails).
        {"AChangeOfCaseStranded", Op::Move, to("s/mm05l.bmp"), arranged(caseBlind(3)),
         said("{EEXIST}, at .mm05l.bmp.ostrel-renaming-X"), after("s: .mm05l.bmp.ostrel-renaming-X mm05l.bmp | t:")},
        {"AChangeOfCaseThatCannotStepAside", Op::Move, to("s/mm05l.bmp"), arranged(caseBlind(1)), said("{EIO}"),
         after("s: MM05L.bmp mm05l.bmp | t:")},
        // Taking back acts only on the file it wrote, though a sync tool changed its mode meanwhile.
        {"RemovingOurOwnFile", Op::Remove,
         arranged(ours([](auto& s) { ::chmod(path(s.at("s/MM05L.bmp")).constData(), 0600); })), after("s: | t:")},
        {"RemovingAFilePutInPlaceOfOurs", Op::Remove, arranged(ours([](auto& s) { s.replace(); })), said(NotOurs),
         after("s: MM05L.bmp=new | t:")},
        {"MovingAFilePutInPlaceOfOurs", Op::Move, arranged(ours([](auto& s) { s.replace(); })), said(NotOurs),
         after("s: MM05L.bmp=new | t:")},
        {"RemovingOursThatAnotherProgramRemoved", Op::Remove,
         arranged(ours([](auto& s) { QFile::remove(s.at("s/MM05L.bmp")); })), said("{ENOENT}, replaced"),
         after("s: | t:")},
        // A set of links moved into another directory still leads to its pictures: a relative link is made anew.
        {"ARelativeLinkMoved", Op::Move, from("s/link"), arranged(link("MM05L.bmp")), after(Copied)},
        {"ARelativeLinkThroughALinkedDirectoryMoved", Op::Move, from("s/link"), arranged([](auto& s, auto&, auto&) {
             EXPECT_TRUE(QFile::link(s.dir('t'), s.at("s/up")));
             EXPECT_TRUE(QFile::link("up/../" + QFileInfo(s.dir('s')).fileName() + "/MM05L.bmp", s.at("s/link")));
         }),
         after("s: MM05L.bmp up=? | t: MM01L.bmp")},
        {"AnAbsoluteLinkMoved", Op::Move, from("s/link"), arranged(link("")), after(Copied)},
        {"ARelativeLinkMovedAcross", Op::Move, on(Place::Tmpfs), from("s/link"), arranged(link("MM05L.bmp")),
         after(Copied)},
        {"ARelativeLinkThatCannotLeave", Op::Move, from("s/link"),
         arranged(linkAnd([](auto&, auto& f, auto&) { f.fail(Call::Unlink, 0, EACCES, "/link"); })), said("{EACCES}"),
         after("s: MM05L.bmp link | t:")},
        {"ARelativeLinkThatCanNeitherLeaveNorGoBack", Op::Move, from("s/link"),
         arranged(linkAnd([](auto&, auto& f, auto&) { f.lack(Call::Unlink, EACCES); })), said("{EACCES}, copy left"),
         after("s: MM05L.bmp link | t: MM01L.bmp")},
        {"ARelativeLinkOntoATakenName", Op::Move, from("s/link"),
         arranged(linkAnd([](auto& s, auto&, auto&) { s.take(); })), said("{EEXIST}"),
         after("s: MM05L.bmp link | t: MM01L.bmp=taken")},
        {"OntoAFatNameTakenInAnotherCase", Op::Copy, on(Place::Fat), arranged(taken("t/mm01l.bmp")), said("{EEXIST}"),
         after("s: MM05L.bmp | t: mm01l.bmp=taken")},
        // Renamed there by a link whose old name cannot go: the new name, numbered apart, still goes again.
        {"ARenameOnAFuseShareWhoseOldNameStays", Op::Move, on(Place::Passthrough), from("t/MM05L.bmp"),
         to("t/MM01L.bmp"),
         arranged([](auto& s, auto& f, auto& e) { onVolume(s, f, e), f.fail(Call::Unlink, 0, EACCES); }),
         said("{EACCES}"), after("s: MM05L.bmp | t: MM05L.bmp")},
        // What this computer still believes of its size must not cut the copy short.
        {"ACopyOutOfAShareJustWrittenElsewhere", Op::Copy, on(Place::Passthrough), from("t/MM05L.bmp"),
         to("s/MM01L.bmp"), arranged(writtenElsewhere), after("s: MM01L.bmp=<o>+ MM05L.bmp | t: MM05L.bmp=<o>+")},
        {"AMoveOutOfAShareJustWrittenElsewhere", Op::Move, on(Place::Passthrough), from("t/MM05L.bmp"),
         to("s/MM01L.bmp"), arranged(writtenElsewhere), after("s: MM01L.bmp=<o>+ MM05L.bmp | t:")},
    };
    // On the volumes users keep portraits on a file goes in, out, about and away. Through FUSE (exFAT, a
    // network share) a name has a number of its own, and no call renames without replacing. A sealed volume
    // refuses every write and keeps what it holds; what is on it copies out as from anywhere.
    const std::pair<const char*, Place> volumes[] = {{"Tmpfs", Place::Tmpfs},
                                                     {"Fat", Place::Fat},
                                                     {"Ntfs", Place::Ntfs},
                                                     {"Exfat", Place::Exfat},
                                                     {"FuseShare", Place::Passthrough},
                                                     {"Btrfs", Place::Btrfs},
                                                     {"Xfs", Place::Xfs},
                                                     {"Squashfs", Place::Squashfs}};
    for (const auto& [volume, place] : volumes) {
        const bool sealed = place == Place::Squashfs;
        const QString said = sealed ? "{EROFS}" : "ok";
        const Arrange put = sealed ? Arrange() : onVolume;
        const auto add = [&](const char* what, Op op, const char* from, const char* to, const QString& after) {
            rows.push_back({std::string(what) + volume, op, on(place), ::from(from), ::to(to),
                            arranged(QByteArray(from).startsWith('t') ? put : Arrange()), ::said(said),
                            ::after(sealed ? Sealed : after)});
        };
        add("ACopyInto", Op::Copy, "s/MM05L.bmp", "t/MM01L.bmp", Copied);
        add("AMoveAcrossInto", Op::Move, "s/MM05L.bmp", "t/MM01L.bmp", Moved);
        add("AMoveOutOf", Op::Move, "t/MM05L.bmp", "s/MM01L.bmp", MovedOut);
        add("ARenameOn", Op::Move, "t/MM05L.bmp", "t/MM01L.bmp", Copied);
        add("AChangeOfCaseOn", Op::Move, "t/MM05L.bmp", "t/mm05l.bmp", "s: MM05L.bmp | t: mm05l.bmp");
        add("RemovingFrom", Op::Remove, "t/MM05L.bmp", "", Kept);
    }
    rows.push_back({"ACopyOutOfSquashfs", Op::Copy, on(Place::Squashfs), from("t/MM05L.bmp"), to("s/MM01L.bmp"),
                    after("s: MM01L.bmp MM05L.bmp | t: MM05L.bmp")});
    // The errors that mean a call is not to be had send the writes down the next path; any other is a failure.
    const std::pair<int, const char*> errors[] = {
        {EINVAL, "Einval"}, {ENOSYS, "Enosys"}, {EOPNOTSUPP, "Eopnotsupp"}, {EPERM, "Eperm"}, {EIO, "Eio"}};
    for (const auto& [error, spelt] : errors) {
        const auto lacking = [error = error](Call call) -> Arrange {
            return [=](auto& s, auto& f, auto&) {
                f.lack(call, error, call == Call::Fsync ? path(s.dir('t')) : QByteArray());
            };
        };
        const bool next = error != EIO, unkept = next && error != EINVAL;
        const QString failed = "{" + QString(spelt).toUpper() + "}";
        const auto add = [&](const char* what, Place place, Way way, Op op, Call call, bool ok, const QString& done) {
            rows.push_back({std::string(what) + spelt, op, on(place), ::way(way), arranged(lacking(call)),
                            said(ok ? "ok" : failed), after(ok ? done : Kept)});
        };
        add("NoRenameat2", Place::Disk, Way::Anonymous, Op::Move, Call::Renameat2, next, Moved);
        add("NoLinkEither", Place::Disk, Way::NoRenameat2, Op::Move, Call::Link, next, Moved);
        add("NoDirectoryFlush", Place::Tmpfs, Way::Anonymous, Op::Move, Call::Fsync, next, Moved);
        add("NoPermissionBits", Place::Disk, Way::Anonymous, Op::Copy, Call::Fchmod, unkept, Copied);
    }
    return rows;
}

// Each row once, or once for each way when its way is Every.
std::vector<Row> rows()
{
    std::vector<Row> all;
    for (const Row& row : table())
        for (const Way way : Ways)
            if (row.way == Way::Every || row.way == way) {
                all.push_back(row);
                all.back().way = way;
                if (row.way == Way::Every)
                    all.back().name += std::string("_") + WayNames[int(way)];
            }
    return all;
}

// The system's words for the errors a row names as {ENAME}.
QString spelt(QString said)
{
    for (const auto& [error, name] : std::initializer_list<std::pair<int, const char*>>{{EEXIST, "EEXIST"},
                                                                                        {ENOENT, "ENOENT"},
                                                                                        {ENOSPC, "ENOSPC"},
                                                                                        {EROFS, "EROFS"},
                                                                                        {EIO, "EIO"},
                                                                                        {EACCES, "EACCES"},
                                                                                        {EINVAL, "EINVAL"},
                                                                                        {ENOSYS, "ENOSYS"},
                                                                                        {EOPNOTSUPP, "EOPNOTSUPP"},
                                                                                        {EPERM, "EPERM"}})
        said.replace(QStringLiteral("{%1}").arg(name), text(error));
    return said;
}

class NoReplace : public testing::TestWithParam<Row> {};

TEST_P(NoReplace, EachOperationEndsAsItShould)
{
    RUN_WHERE_MOUNTING_WORKS();
    const Row& row = GetParam();
    const Scene scene(row.place);
    if (!scene.skipReason().isEmpty())
        GTEST_SKIP() << scene.skipReason().toStdString();
    Faults faults;
    lack(row.way, faults, scene.dir('t'));
    FileIdentity expected;
    if (row.arranged)
        row.arranged(scene, faults, expected);
    EXPECT_EQ(scene.run(row.op, row.from, row.to, expected, faults).second, spelt(row.said));
    EXPECT_EQ(scene.described(), row.after);
}

INSTANTIATE_TEST_SUITE_P(Rows, NoReplace, testing::ValuesIn(rows()), [](auto& info) { return info.param.name; });

} // namespace
