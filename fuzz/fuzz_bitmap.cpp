// Any bytes handed to the bitmap decoder: no crash, no hang, bounded size, and the picture from the
// bytes the decoder asks for is the picture from the whole file.
#include <cstdint>
#include <cstdlib>

#include <QByteArrayView>
#include <QImage>

#include "platform/os/pictures.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArrayView bytes(data, qsizetype(size));
    const QImage image = platform::decodeBitmapBytes(bytes);
    if (!image.isNull() && qint64(image.width()) * image.height() > platform::MaxPicturePixels)
        std::abort();
    const qint64 wanted =
        platform::bitmapBytesWanted(bytes.first(std::min<qsizetype>(bytes.size(), platform::BitmapHeadBytes)));
    if (wanted < bytes.size() && platform::decodeBitmapBytes(bytes.first(qsizetype(wanted))) != image)
        std::abort();
    return 0;
}
