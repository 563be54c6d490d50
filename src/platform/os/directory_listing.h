#pragma once

#include <QString>
#include <QStringList>

namespace platform {

struct DirectoryListing {
    bool ok = true;
    QString reason;    // empty when ok
    QStringList names; // bare names, in list order
};

// Both lists of one directory, from one read of it.
struct DirectoryContents {
    bool ok = true;
    QString reason;
    QStringList files;       // as listFiles gives them
    QStringList directories; // as listDirectories gives them
};

} // namespace platform
