// selection: choosing a set in the source list, through the end of its refresh, against stats of its
// two names and decoding its pictures.

#include <memory>

#include <QSize>

#include "figures.h"
#include "floors.h"
#include "manager/frm_main.h"
#include "platform/controls/file_list_box.h"
#include "platform/controls/image_box.h"
#include "platform/os/pictures.h"

namespace portraitbench {

namespace {

// Sets no earlier round chose, spread over the list so that neighbouring rounds use different files.
class SetPicker {
public:
    explicit SetPicker(const SetNames& names) : names_(names), used_(std::size_t(names.count()), false) {}

    long pick(bool withSmall)
    {
        const long sets = names_.count();
        for (long tries = 0; tries < 2 * sets; ++tries) {
            const long i = next_;
            next_ = (next_ + (tries < sets ? 7919 : 1)) % sets;
            if (!used_[std::size_t(i)] && names_.hasSmall(i) == withSmall) {
                used_[std::size_t(i)] = true;
                return i;
            }
        }
        fail("no set left to select");
    }

private:
    const SetNames& names_;
    std::vector<bool> used_;
    long next_ = 1;
};

Work programSelection(frmMain& manager, const Portraits& portraits, long i, bool withSmall)
{
    auto* files = manager.findChild<platform::FileListBox*>(QStringLiteral("Files"));
    const auto* largePreview = manager.findChild<platform::ImageBox*>(QStringLiteral("Image1"));
    const auto* smallPreview = manager.findChild<platform::ImageBox*>(QStringLiteral("Image2"));
    Work work;
    work.files = {portraits.path(portraits.names.large(i))};
    if (withSmall)
        work.files.push_back(portraits.path(portraits.names.small(i)));
    work.run = [files, i] { return timeMilliseconds([&] { files->setListIndex(int(i)); }); };
    work.check = [&manager, &portraits, largePreview, smallPreview, i, withSmall] {
        const ManagerVariables& vars = manager.variables();
        const QString small = withSmall ? QString::fromStdString(portraits.names.small(i)) : NoPictureMarker;
        return vars.SourceLargeName.toStdString() == portraits.names.large(i) && vars.SourceSmallName == small &&
               largePreview->hasPicture() && smallPreview->hasPicture() == withSmall;
    };
    return work;
}

Work floorSelection(const Portraits& portraits, long i, bool withSmall)
{
    const std::string large = portraits.path(portraits.names.large(i));
    // The small name the naming rule gives, whether or not it exists.
    const std::string small = portraits.path(portraits.names.small(i));
    auto decoded = std::make_shared<int>(0);
    Work work;
    work.files = {large};
    if (withSmall)
        work.files.push_back(small);
    work.run = [=] {
        const QString largeName = QString::fromStdString(large);
        const QString smallName = QString::fromStdString(small);
        return timeMilliseconds([&] {
            *decoded = 0;
            statOnce(large);
            statOnce(small);
            *decoded += platform::decodeBitmap(largeName).size() == QSize(LargeWidth, LargeHeight);
            if (withSmall)
                *decoded += platform::decodeBitmap(smallName).size() == QSize(SmallWidth, SmallHeight);
        });
    };
    work.check = [=] { return *decoded == (withSmall ? 2 : 1); };
    return work;
}

} // namespace

void selectionFigures(Bench& bench, frmMain& manager, const Portraits& portraits)
{
    SetPicker picker(portraits.names);
    for (const bool withSmall : {true, false}) {
        const auto program = [&] { return programSelection(manager, portraits, picker.pick(withSmall), withSmall); };
        const auto floor = [&] { return floorSelection(portraits, picker.pick(withSmall), withSmall); };
        bench.figure(withSmall ? "selection, with small picture" : "selection, no small picture", 3, program, floor);
    }
}

} // namespace portraitbench
