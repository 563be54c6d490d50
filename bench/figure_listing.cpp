// listing: FileListBox::setPath on the directory, against readdir, a case-blind match and a sort.

#include <memory>

#include "figures.h"
#include "floors.h"
#include "platform/controls/file_list_box.h"

namespace portraitbench {

namespace {

// Every name once, in the first round; then the count.
Work programListing(platform::FileListBox& list, const Portraits& portraits, bool& checked)
{
    Work work;
    work.run = [&list, &portraits] {
        // Taken from an empty list, as at start-up.
        list.setPath(QString());
        return timeMilliseconds([&] { list.setPath(portraits.directory); });
    };
    work.check = [&list, &portraits, &checked] {
        if (list.listCount() != portraits.sets)
            return false;
        for (long i = 0; !checked && i < portraits.sets; ++i)
            if (list.list(int(i)).toStdString() != portraits.names.large(i))
                return false;
        checked = true;
        return true;
    };
    return work;
}

Work floorListing(const Portraits& portraits, bool& checked)
{
    auto result = std::make_shared<std::vector<std::string>>();
    Work work;
    work.run = [&portraits, result] { return timeMilliseconds([&] { *result = plainRead(portraits.dir, nullptr); }); };
    work.check = [&portraits, &checked, result] {
        if (long(result->size()) != portraits.sets)
            return false;
        for (long i = 0; !checked && i < portraits.sets; ++i)
            if ((*result)[std::size_t(i)] != portraits.names.large(i))
                return false;
        checked = true;
        return true;
    };
    return work;
}

} // namespace

void listingFigure(Bench& bench, platform::FileSystem& fileSystem, const Portraits& portraits)
{
    platform::FileListBox list(fileSystem, nullptr);
    list.setPattern(QStringLiteral("*L.bmp"));
    bool programChecked = false;
    bool floorChecked = false;
    bench.figure(
        "listing into the file list", 0, [&] { return programListing(list, portraits, programChecked); },
        [&] { return floorListing(portraits, floorChecked); }, true);
}

} // namespace portraitbench
