#include "operations/manager_view.h"

#include "platform/os/paths.h"
#include "sets/small_partners.h"

namespace operations {

bool recordSelectedSet(ManagerVariables& v, const platform::FileSystem& fileSystem, const QString& directory,
                       const QStringList& entries, int index)
{
    v.SourceLargeName = entries.at(index);
    v.SourceSmallName =
        sets::SmallPartners(fileSystem).find(directory, {v.SourceLargeName}, entries).value(v.SourceLargeName);
    const bool hasSmall = !v.SourceSmallName.isEmpty();
    if (!hasSmall)
        v.SourceSmallName = NoPictureMarker;
    v.SourceLargePath = platform::joinPath(directory, v.SourceLargeName);
    v.SourceSmallPath = platform::joinPath(directory, v.SourceSmallName);
    return hasSmall;
}

} // namespace operations
