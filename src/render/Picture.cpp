#include "render/Picture.h"

namespace kelvane {

void CheckPictureSize(const std::string& what, std::uint64_t width, std::uint64_t height)
{
    if (width == 0 || height == 0)
        throw EPictureError("Invalid " + what + " picture: it has no width or height.");
    if (width > kMaxPicturePixels || height > kMaxPicturePixels / width)
        throw EPictureError("Invalid " + what + " picture: " + std::to_string(width) + " x " +
                            std::to_string(height) + " pixels is too large.");
}

TPicture TPicture::Make(int width, int height, int channels)
{
    if (width < 0 || height < 0)
        throw EPictureError("Invalid picture size.");
    if (channels != 3 && channels != 4)
        throw EPictureError("Invalid picture: " + std::to_string(channels) + " channels.");
    if (width > 0 && height > 0)
        CheckPictureSize("picture", static_cast<std::uint64_t>(width), static_cast<std::uint64_t>(height));
    TPicture picture;
    picture.width = width;
    picture.height = height;
    picture.channels = channels;
    picture.pixels.assign(picture.RowBytes() * static_cast<std::size_t>(height), 0);
    return picture;
}

} // namespace kelvane
