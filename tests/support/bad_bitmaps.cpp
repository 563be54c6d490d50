#include "support/bad_bitmaps.h"

#include <QDataStream>
#include <QIODevice>

namespace testsupport {

QByteArray bitmapFile(const BitmapHeader& h, const QByteArray& rest)
{
    QByteArray out;
    QDataStream s(&out, QIODevice::WriteOnly);
    s.setByteOrder(QDataStream::LittleEndian);
    s << quint16(0x4d42) << quint32(14 + 40 + rest.size()) << quint32(0)
      << quint32(h.offset >= 0 ? h.offset : 14 + 40 + h.paletteBytes) << h.headerSize << h.width << h.height << h.planes
      << h.bits << h.compression << quint32(rest.size()) << qint32(2835) << qint32(2835) << h.colours << quint32(0);
    return out + rest;
}

} // namespace testsupport
