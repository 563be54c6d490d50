#include "sets/small_partners.h"

#include <algorithm>
#include <string>
#include <vector>

#include "naming/portrait_names.h"
#include "platform/os/file_system.h"
#include "platform/os/list_order.h"
#include "sets/sets_log.h"
#include "sets/small_name_letter.h"

namespace sets {

namespace {

QString fromU32(const std::u32string& text)
{
    return QString::fromStdU32String(text);
}

std::vector<std::u32string> toU32(const QStringList& names)
{
    std::vector<std::u32string> texts;
    texts.reserve(std::size_t(names.size()));
    for (const QString& name : names)
        texts.push_back(name.toStdU32String());
    return texts;
}

// The listed entries whose names differ from `entry` only in letter case, `entry` among them, in list
// order. The list is sorted with case folded first, so they stand together.
QStringList namesAnsweringTo(const QString& entry, const QStringList& listed)
{
    const auto first =
        std::lower_bound(listed.cbegin(), listed.cend(), entry, [](const QString& name, const QString& key) {
            return platform::compareFolded(name, key) < 0;
        });
    QStringList names;
    for (auto it = first; it != listed.cend() && platform::compareFolded(*it, entry) == 0; ++it)
        names.append(*it);
    if (!names.contains(entry)) {
        names.append(entry);
        platform::sortInListOrder(names);
    }
    return names;
}

// An entry alone in its letter-case family takes its partner by a look at the two spellings that win over
// any other; the directory is read only for the others.
platform::SpellingQuery queryFor(const QString& entry, const QStringList& family)
{
    const std::u32string entry32 = entry.toStdU32String();
    const QString exact = fromU32(naming::smallPartnerOfEntry(entry32));
    if (family.size() != 1)
        return {exact, {}};
    return {exact, {exact, fromU32(naming::userSmallFileName(naming::stemOfEntry(entry32), smallNameLetter))}};
}

} // namespace

QHash<QString, QString> SmallPartners::find(const QString& directory, const QStringList& entries,
                                            const QStringList& listed) const
{
    QList<QStringList> families;
    QList<platform::SpellingQuery> queries;
    for (const QString& entry : entries) {
        families.append(namesAnsweringTo(entry, listed));
        queries.append(queryFor(entry, families.constLast()));
    }
    const platform::StoredSpellings stored = fileSystem_.findSpellings(directory, queries);
    if (!stored.ok && !entries.isEmpty())
        qCWarning(setsLog).noquote()
            << QStringLiteral("small pictures in %1 paired only in part: %2").arg(directory, stored.reason);
    QHash<QString, QString> found;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const QStringList& candidates = stored.spellings.value(i);
        if (candidates.isEmpty())
            continue;
        const QStringList& family = families[i];
        const std::vector<int> pairs = naming::pairSmallPictures(toU32(family), toU32(candidates), smallNameLetter);
        const int partner = pairs[std::size_t(family.indexOf(entries[i]))];
        if (partner >= 0)
            found.insert(entries[i], candidates[partner]);
    }
    return found;
}

} // namespace sets
