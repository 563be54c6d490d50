#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace platform {

// A name looked up with letter case ignored, and the spellings it is likely to be stored under: the
// first of them found stored under exactly that spelling answers alone, which spares reading the
// directory.
struct SpellingQuery {
    QString name;       // any spelling
    QStringList likely; // in order of preference; may be empty
};

struct StoredSpellings {
    bool ok = true;
    QString reason; // why the directory could not be read through; empty when ok
    // Per query, in order: the spellings under which non-directory entries answering to its name are
    // stored, in list order, or the likely one found; empty for none, and for the queries the failed read
    // was needed for.
    QList<QStringList> spellings;
};

} // namespace platform
