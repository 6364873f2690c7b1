#include "render/ui/PictureImage.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>

#include <algorithm>

namespace kelvane {

QImage ToQImage(const TPicture& picture)
{
    if (picture.Empty() || (picture.channels != 3 && picture.channels != 4))
        return {};
    const QImage view(picture.pixels.data(), picture.width, picture.height, qsizetype(picture.RowBytes()),
                      picture.channels == 3 ? QImage::Format_RGB888 : QImage::Format_RGBA8888);
    return view.copy();
}

TPicture FromQImage(const QImage& image)
{
    if (image.isNull())
        return {};
    const bool alpha = image.hasAlphaChannel();
    const QImage converted =
        image.convertToFormat(alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
    TPicture picture = TPicture::Make(converted.width(), converted.height(), alpha ? 4 : 3);
    for (int y = 0; y < converted.height(); ++y)
        std::copy_n(converted.constScanLine(y), picture.RowBytes(), picture.Row(y));
    return picture;
}

int RegisterImageFormatPlugins(TPictureDecoders& decoders)
{
    int added = 0;
    for (const QByteArray& format : QImageReader::supportedImageFormats()) {
        const std::string name = format.toLower().toStdString();
        auto decode = [name](std::string_view bytes) {
            QByteArray data(bytes.data(), qsizetype(bytes.size()));
            QBuffer buffer(&data);
            buffer.open(QIODevice::ReadOnly);
            QImageReader reader(&buffer, QByteArray::fromStdString(name));
            const QSize size = reader.size();
            if (size.isValid())
                CheckPictureSize(name, std::uint64_t(size.width()), std::uint64_t(size.height()));
            const QImage image = reader.read();
            if (image.isNull())
                throw EPictureError("The " + name + " picture cannot be read: " + reader.errorString().toStdString());
            CheckPictureSize(name, std::uint64_t(image.width()), std::uint64_t(image.height()));
            return FromQImage(image);
        };
        if (decoders.Register(name, decode, "Qt image format (" + name + ")"))
            ++added;
    }
    return added;
}

} // namespace kelvane
