#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

namespace platform {
class FileSystem;
}

namespace sets {

// Which small picture belongs to which large one in a portrait directory. The disk is asked once per
// call, through the file system, which answers from what it learnt of an unchanged directory where it
// can.
class SmallPartners {
public:
    explicit SmallPartners(const platform::FileSystem& fileSystem) : fileSystem_(fileSystem) {}

    // The small picture of each of `entries`, large pictures listed from `directory` in `listed` (the
    // whole list, in list order): the file answering to the entry's stem + "S.bmp" with letter case
    // ignored, under its stored spelling, never one that belongs to another listed entry (see
    // naming::pairSmallPictures); an entry without one is left out. A file created, renamed or removed
    // by another program since the last call is seen. When the directory cannot be read through, only
    // the entries that needed no read are paired: half a directory could pair a set with another's
    // small picture.
    QHash<QString, QString> find(const QString& directory, const QStringList& entries, const QStringList& listed) const;

private:
    const platform::FileSystem& fileSystem_;
};

} // namespace sets
