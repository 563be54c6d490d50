#pragma once

// The figures, one file each, and the modes of the bench's own child processes.

#include <cstdint>
#include <string>

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "dataset.h"
#include "harness.h"

class QTemporaryDir;
class frmMain;
namespace platform {
class FileSystem;
}

namespace portraitbench {

class PaintWatch;

// The directory a --measure child times, and its sets.
struct Portraits {
    QString directory;
    std::string dir;
    const SetNames& names;
    long sets;

    std::string path(const std::string& name) const { return joined(dir, name); }
};

// figure_listing.cpp
void listingFigure(Bench& bench, platform::FileSystem& fileSystem, const Portraits& portraits);

// figure_startup.cpp
void startUpFigure(Bench& bench, const Portraits& portraits);
// A child asked by the start-up figure: the manager over the directory, or the least a window over it
// needs.
int probe(int argc, char* argv[], const QString& directory, std::int64_t askedAt, bool floor);

// figure_selection.cpp
void selectionFigures(Bench& bench, frmMain& manager, const Portraits& portraits);

// figure_gallery_scroll.cpp
void galleryScrollFigures(Bench& bench, frmMain& manager, PaintWatch& watch, const Portraits& portraits);

// figure_huge_gallery.cpp
// The gallery over pictures as big as the program accepts, switched to full screen.
int huge(const QString& directory, Cache cache);
void measureHuge(const std::string& root, const Options& options);

// figure_memory.cpp
// What a user does in a short session; the process's peak memory is the answer.
int session(const QString& directory);

struct Peak {
    long sets = 0;
    long kilobytes = 0;
};
// The sessions that each directory's peak is judged against.
struct MemoryBaseline {
    Peak empty;
    Peak reference;
};
MemoryBaseline measureMemoryBaseline(const std::string& root);
void memoryFigure(long sets, const std::string& directory, const MemoryBaseline& baseline);

// figure_share_session.cpp
int shareSession(const QString& directory, const QString& destination, long set, long sets, std::int64_t askedAt,
                 const std::string& countsFile);

// figure_slow_share.cpp
bool keepMountsToOurselves();
int driveShare(const Options& options);

// drive.cpp
int measure(const Options& options, const QString& directory, long sets);
int drive(const Options& options);
QByteArray runChild(const QStringList& arguments, bool forwardOutput);
// The offscreen screen and a runtime directory for every child.
void prepareChildren(const QTemporaryDir& scratch);

} // namespace portraitbench
