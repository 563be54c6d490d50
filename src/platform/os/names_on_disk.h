#pragma once

#include <optional>

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// How the bytes of a name on disk become text and back. A name is only ever shown or touched under a
// spelling that leads back to the same bytes on disk.
namespace platform {

// The text of a name or a path, or none when it does not survive decoding and encoding again (invalid
// UTF-8, say).
std::optional<QString> decodedName(QByteArrayView raw);

// A name folded for case-blind comparison, as UTF-8. Plain ASCII names are lower-cased byte by byte,
// which keeps a scan of a big directory near the speed of reading it.
std::optional<QByteArray> foldedKey(const char* raw);

// The bytes of a name that stays inside its directory and leads back to itself; none for one that could
// reach outside it or cannot be written.
std::optional<QByteArray> plainName(const QString& name);

} // namespace platform
