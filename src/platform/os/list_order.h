#pragma once

#include <utility>

#include <QString>
#include <QStringList>

// The order and the case-blind comparison of names, by Unicode's simple case folding, the same in every
// locale. Here rather than in naming because the folding tables are Qt's, and every listing the door
// gives is sorted by it.
namespace platform {

// The one case-blind comparison of names.
bool sameNameIgnoringCase(const QString& a, const QString& b);

// Compares as a.toCaseFolded() with b.toCaseFolded() do, without making either.
int compareFolded(const QString& a, const QString& b);

// List order: names compared with case folded by Unicode rules, and names equal but for case ordered
// by code point, so that a directory always lists the same way whatever order the disk returns.
// The allocation of generated names scans the destination list and depends on this order.
bool listOrderLess(const QString& a, const QString& b);
void sortInListOrder(QStringList& names);
// The names of `listed`, which is in list order, that begin with `prefix` with letter case ignored:
// they stand together, from index first up to (not including) last.
std::pair<qsizetype, qsizetype> listRangeBeginningWith(const QStringList& listed, const QString& prefix);

} // namespace platform
