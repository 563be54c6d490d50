#include "platform/os/list_order.h"

#include <algorithm>
#include <limits>
#include <vector>

#include "platform/os/ascii.h"

namespace platform {

bool sameNameIgnoringCase(const QString& a, const QString& b)
{
    return QString::compare(a, b, Qt::CaseInsensitive) == 0;
}

// Up to the first letter beyond ASCII both fold one letter to one, so only names that differ no earlier
// pay for the folded copies.
int compareFolded(const QString& a, const QString& b)
{
    const qsizetype common = std::min(a.size(), b.size());
    const QChar* x = a.constData();
    const QChar* y = b.constData();
    for (qsizetype i = 0; i < common; ++i) {
        const char16_t p = x[i].unicode();
        const char16_t q = y[i].unicode();
        if (p >= 0x80 || q >= 0x80)
            return a.toCaseFolded().compare(b.toCaseFolded());
        const char16_t foldedP = ascii::lower(p);
        const char16_t foldedQ = ascii::lower(q);
        if (foldedP != foldedQ)
            return foldedP < foldedQ ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool listOrderLess(const QString& a, const QString& b)
{
    const int folded = compareFolded(a, b);
    if (folded != 0) {
        return folded < 0;
    }
    return a < b;
}

namespace {

// A name's first eight letters folded, read once: a big directory's names are then mostly told apart
// without reaching for their text again, and no folded copy of them is made. Only keys that tie, or
// names with other than ASCII among those letters, are compared in full.
struct Keyed {
    quint64 key = 0;
    quint32 index = 0;
    bool plain = true; // the key holds the name's first letters, folded, exactly
};

Keyed keyOf(const QString& name, quint32 index)
{
    Keyed entry;
    entry.index = index;
    for (qsizetype k = 0; k < 8; ++k) {
        const char16_t c = k < name.size() ? name[k].unicode() : 0;
        if (c >= 0x80) {
            entry.plain = false;
            break;
        }
        entry.key = entry.key << 8 | quint64(ascii::lower(c));
    }
    return entry;
}

// The names follow their keys cycle by cycle, in place.
void placeByKeys(QStringList& names, std::vector<Keyed>& keyed)
{
    constexpr quint32 Placed = std::numeric_limits<quint32>::max();
    for (std::size_t start = 0; start < keyed.size(); ++start) {
        if (keyed[start].index == Placed)
            continue;
        QString held = std::move(names[qsizetype(start)]);
        std::size_t at = start;
        for (;;) {
            const std::size_t from = std::exchange(keyed[at].index, Placed);
            if (from == start) {
                names[qsizetype(at)] = std::move(held);
                break;
            }
            names[qsizetype(at)] = std::move(names[qsizetype(from)]);
            at = from;
        }
    }
}

} // namespace

void sortInListOrder(QStringList& names)
{
    std::vector<Keyed> keyed(std::size_t(names.size()));
    for (std::size_t i = 0; i < keyed.size(); ++i)
        keyed[i] = keyOf(names[qsizetype(i)], quint32(i));
    std::sort(keyed.begin(), keyed.end(), [&names](const Keyed& a, const Keyed& b) {
        if (a.plain && b.plain && a.key != b.key)
            return a.key < b.key;
        return listOrderLess(names[qsizetype(a.index)], names[qsizetype(b.index)]);
    });
    placeByKeys(names, keyed);
}

std::pair<qsizetype, qsizetype> listRangeBeginningWith(const QStringList& listed, const QString& prefix)
{
    const QString key = prefix.toCaseFolded();
    const auto first = std::lower_bound(listed.cbegin(), listed.cend(), key,
                                        [](const QString& name, const QString& k) { return name.toCaseFolded() < k; });
    const auto last = std::partition_point(first, listed.cend(),
                                           [&key](const QString& name) { return name.toCaseFolded().startsWith(key); });
    return {first - listed.cbegin(), last - listed.cbegin()};
}

} // namespace platform
