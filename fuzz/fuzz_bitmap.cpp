// Any file handed to the picture decoding as the program calls it: no crash, no hang, bounded size.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include <unistd.h>

#include <QImage>
#include <QString>

#include "platform/os/pictures.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const QString path = QStringLiteral("/tmp/ostrel-fuzz-%1.bmp").arg(::getpid());
    std::FILE* file = std::fopen(path.toLocal8Bit().constData(), "wb");
    if (!file)
        return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    const QImage image = platform::decodeBitmap(path);
    if (!image.isNull() && qint64(image.width()) * image.height() > platform::MaxPicturePixels)
        std::abort();
    return 0;
}
