#pragma once

#include <algorithm>
#include <cstring>
#include <optional>

#include <QByteArray>
#include <QString>

#include "platform/os/ascii.h"
#include "platform/os/names_on_disk.h"

namespace platform {

// The file lists ask for "*L.bmp" and the directory lists for everything: a pattern is "*" and a
// suffix, matched as a plain case-blind endsWith, since a regular expression per entry would dominate
// the time on a big directory.
class NameMatcher {
public:
    explicit NameMatcher(const QString& pattern) : suffix_(pattern.mid(1))
    {
        Q_ASSERT(pattern.isEmpty() || (pattern.startsWith(QLatin1Char('*')) && !suffix_.contains(QLatin1Char('*')) &&
                                       !suffix_.contains(QLatin1Char('?'))));
        if (std::all_of(suffix_.cbegin(), suffix_.cend(), [](QChar c) { return c.unicode() < 0x80; }))
            asciiSuffix_ = suffix_.toLower().toLatin1();
    }

    // Most names are plain ASCII and most of a big directory does not match: those are told apart
    // without decoding them.
    bool matches(const char* raw) const
    {
        if (suffix_.isEmpty())
            return true;
        const std::size_t length = std::strlen(raw);
        if (!asciiSuffix_.isEmpty() && ascii::isAscii(raw, length))
            return ascii::endsWithIgnoringCase(raw, length, asciiSuffix_.constData(), std::size_t(asciiSuffix_.size()));
        const std::optional<QString> name = decodedName(QByteArrayView(raw, qsizetype(length)));
        return name && name->endsWith(suffix_, Qt::CaseInsensitive);
    }

private:
    QString suffix_;
    QByteArray asciiSuffix_; // lower case; empty when the suffix is not ASCII
};

} // namespace platform
