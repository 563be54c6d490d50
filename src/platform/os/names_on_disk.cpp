#include "platform/os/names_on_disk.h"

#include <algorithm>
#include <cstring>

#include <QFile>

#include "platform/os/ascii.h"

namespace platform {

std::optional<QString> decodedName(QByteArrayView raw)
{
    if (ascii::isAscii(raw.data(), std::size_t(raw.size())))
        return QString::fromLatin1(raw);
    const QByteArray bytes = QByteArray::fromRawData(raw.data(), raw.size());
    QString name = QFile::decodeName(bytes);
    if (QFile::encodeName(name) != bytes)
        return std::nullopt;
    return name;
}

std::optional<QByteArray> foldedKey(const char* raw)
{
    const std::size_t length = std::strlen(raw);
    if (ascii::isAscii(raw, length)) {
        QByteArray key(raw, qsizetype(length));
        std::transform(key.begin(), key.end(), key.begin(), ascii::lower<char>);
        return key;
    }
    const std::optional<QString> name = decodedName(QByteArrayView(raw, qsizetype(length)));
    if (!name)
        return std::nullopt;
    return name->toCaseFolded().toUtf8();
}

std::optional<QByteArray> plainName(const QString& name)
{
    QByteArray raw = QFile::encodeName(name);
    if (name.isEmpty() || name.contains(QLatin1Char('/')) || name == QLatin1String(".") ||
        name == QLatin1String("..") || raw.contains('\0') || QFile::decodeName(raw) != name)
        return std::nullopt;
    return raw;
}

} // namespace platform
