// full-page and one-row scroll: the gallery maximised, its scroll bar moved until painted, against
// decoding the pictures that came into view once.

#include <algorithm>
#include <cstdio>
#include <memory>

#include <QScrollBar>

#include <fcntl.h>
#include <sys/stat.h>

#include "figures.h"
#include "gallery/frm_browser.h"
#include "manager/frm_main.h"
#include "naming/portrait_names.h"
#include "platform/controls/file_list_box.h"
#include "platform/os/file_system.h"
#include "platform/os/pictures.h"
#include "sets/small_name_letter.h"
#include "surroundings.h"

namespace portraitbench {

namespace {

// Which gallery rows earlier rounds showed or decoded. The program scrolls down from the top; the floor
// takes rows from the bottom up, so the two meet only in a directory too small for the rounds asked.
class RowPlan {
public:
    RowPlan(long sets, int columns)
        : sets_(sets), columns_(columns), rows_(int((sets + columns - 1) / columns)), used_(std::size_t(rows_), false)
    {
    }

    // True when one of the rows was taken before.
    bool take(int first, int count)
    {
        bool before = false;
        for (int row = first; row < std::min(rows_, first + count); ++row) {
            before = before || used_[std::size_t(row)];
            used_[std::size_t(row)] = true;
        }
        return before;
    }

    // The lowest untaken block of full rows, else the lowest block again.
    int takeFromBottom(int count, bool* reused)
    {
        const int fullRows = int(sets_ / columns_);
        for (int first = fullRows - count; first >= 0; --first) {
            const auto begin = used_.begin() + first;
            if (std::none_of(begin, begin + count, [](bool used) { return used; })) {
                take(first, count);
                *reused = false;
                return first;
            }
        }
        *reused = true;
        const int first = std::max(0, fullRows - count);
        take(first, count);
        return first;
    }

    long firstSet(int row) const { return long(row) * columns_; }
    long endSet(int row, int count) const { return std::min(sets_, long(row + count) * columns_); }

private:
    long sets_;
    int columns_;
    int rows_;
    std::vector<bool> used_;
};

class GalleryScroll {
public:
    GalleryScroll(Bench& bench, frmMain& manager, frmBrowser& gallery, PaintWatch& watch, const Portraits& portraits)
        : bench_(bench), gallery_(gallery), watch_(watch), portraits_(portraits),
          files_(manager.findChild<platform::FileListBox*>(QStringLiteral("Files"))),
          scroller_(gallery.findChild<QScrollBar*>(QStringLiteral("Scroller"))), columns_(gallery.state().ColumnCount),
          rows_(gallery.state().RowCount), plan_(portraits.sets, columns_)
    {
        plan_.take(0, rows_);
    }

    int columns() const { return columns_; }
    int rows() const { return rows_; }
    bool hasTwoPages() const { return scroller_->maximum() > rows_; }

    Work fullPage()
    {
        int target = scroller_->value() + rows_;
        if (target > scroller_->maximum())
            target = 0;
        return scrollWork(target, target, rows_);
    }

    Work oneRow()
    {
        if (scroller_->value() + 1 > scroller_->maximum()) {
            // Back to the top, untimed, from where one row down is again a single new row.
            takeForProgram(0, rows_);
            scroller_->setValue(0);
            watch_.waitPainted();
            settle();
        }
        const int target = scroller_->value() + 1;
        return scrollWork(target, target + rows_ - 1, 1);
    }

    Work decodeWork(int count);

private:
    std::vector<std::string> filesOfRows(int first, int count) const;
    void takeForProgram(int first, int count);
    bool pageShows(int value) const;
    Work scrollWork(int target, int firstNewRow, int newRows);

    Bench& bench_;
    frmBrowser& gallery_;
    PaintWatch& watch_;
    const Portraits& portraits_;
    platform::FileListBox* files_;
    QScrollBar* scroller_;
    int columns_;
    int rows_;
    RowPlan plan_;
};

std::vector<std::string> GalleryScroll::filesOfRows(int first, int count) const
{
    const SetNames& names = portraits_.names;
    std::vector<std::string> paths;
    for (long i = plan_.firstSet(first); i < plan_.endSet(first, count); ++i) {
        paths.push_back(portraits_.path(names.large(i)));
        if (names.hasSmall(i))
            paths.push_back(portraits_.path(names.small(i)));
    }
    return paths;
}

// A row shown before may still be in the program's picture cache: a new change time makes it decode
// the files afresh, as a row never shown.
void GalleryScroll::takeForProgram(int first, int count)
{
    if (!plan_.take(first, count))
        return;
    bench_.reused = true;
    for (const std::string& file : filesOfRows(first, count))
        ::utimensat(AT_FDCWD, file.c_str(), nullptr, 0);
}

bool GalleryScroll::pageShows(int value) const
{
    const SetNames& names = portraits_.names;
    const GalleryState& state = gallery_.state();
    if (scroller_->value() != value || state.TopIndex != value * columns_)
        return false;
    for (int k = 0; k <= state.LastShownCell; ++k) {
        const long i = state.TopIndex + k;
        const QString& large = state.CellLargeName[std::size_t(k)];
        const QString& small = state.CellSmallName[std::size_t(k)];
        if (i >= portraits_.sets ? !large.isEmpty()
                                 : large.toStdString() != names.large(i) ||
                                       small.toStdString() != (names.hasSmall(i) ? names.small(i) : std::string()))
            return false;
    }
    return true;
}

Work GalleryScroll::scrollWork(int target, int firstNewRow, int newRows)
{
    takeForProgram(firstNewRow, newRows);
    Work work;
    work.files = filesOfRows(firstNewRow, newRows);
    work.run = [this, target] {
        return timeMilliseconds([&] {
            scroller_->setValue(target);
            watch_.waitPainted();
        });
    };
    work.check = [this, target] { return pageShows(target); };
    return work;
}

// What the gallery would show in those rows, found from the list and the naming rule alone.
Work GalleryScroll::decodeWork(int count)
{
    bool reused = false;
    const int first = plan_.takeFromBottom(count, &reused);
    bench_.reused = bench_.reused || reused;
    auto pictures = std::make_shared<std::vector<QString>>();
    int expected = 0;
    for (long i = plan_.firstSet(first); i < plan_.endSet(first, count); ++i) {
        const QString large = files_->list(int(i));
        const std::u32string stem = naming::stemOfEntry(large.toStdU32String());
        pictures->push_back(QString::fromStdString(portraits_.dir) + QLatin1Char('/') + large);
        const std::string small = toUtf8(naming::userSmallFileName(stem, sets::smallNameLetter));
        pictures->push_back(QString::fromStdString(portraits_.path(small)));
        expected += portraits_.names.hasSmall(i) ? 2 : 1;
    }
    auto decoded = std::make_shared<int>(0);
    Work work;
    work.files = filesOfRows(first, count);
    work.run = [pictures, decoded] {
        return timeMilliseconds([&] {
            *decoded = 0;
            for (const QString& picture : *pictures)
                *decoded += !platform::decodeBitmap(picture).isNull();
        });
    };
    work.check = [decoded, expected] { return *decoded == expected; };
    return work;
}

} // namespace

void galleryScrollFigures(Bench& bench, frmMain& manager, PaintWatch& watch, const Portraits& portraits)
{
    frmBrowser* gallery = openFullScreenGallery(manager, watch);
    if (gallery == nullptr)
        fail("the gallery did not open");
    GalleryScroll scroll(bench, manager, *gallery, watch, portraits);
    std::fprintf(stderr, "gallery maximised on %d x %d: %d columns x %d rows\n", ScreenWidth, ScreenHeight,
                 scroll.columns(), scroll.rows());
    if (!scroll.hasTwoPages()) {
        std::printf("%-32s %8ld sets  too few for two pages: gallery figures left out\n", "gallery scroll",
                    portraits.sets);
        return;
    }
    bench.figure(
        "gallery full-page scroll", 1.5, [&] { return scroll.fullPage(); },
        [&] { return scroll.decodeWork(scroll.rows()); });
    bench.figure(
        "gallery one-row scroll", 2, [&] { return scroll.oneRow(); }, [&] { return scroll.decodeWork(1); });
}

} // namespace portraitbench
