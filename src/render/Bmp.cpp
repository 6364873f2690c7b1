#include "render/Bmp.h"

#include "scene/FileIO.h"

#include <cstdint>

namespace kelvane {

namespace {

void Put(std::string& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

} // namespace

std::string EncodeBmp(const TPicture& picture)
{
    if (picture.Empty() || picture.pixels.size() < picture.RowBytes() * static_cast<size_t>(picture.height))
        throw EPictureError("Cannot write a bitmap picture without width or height.");
    const std::uint64_t stride = (static_cast<std::uint64_t>(picture.width) * 3 + 3) / 4 * 4;
    const std::uint64_t imageSize = stride * static_cast<std::uint64_t>(picture.height);
    if (imageSize + 54 > 0xFFFFFFFFu)
        throw EPictureError("Cannot write a bitmap picture larger than 4 GB.");
    std::string out;
    out += "BM";
    Put(out, static_cast<std::uint32_t>(imageSize + 54), 4);
    Put(out, 0, 4);  // reserved
    Put(out, 54, 4); // pixel data offset
    Put(out, 40, 4); // BITMAPINFOHEADER
    Put(out, static_cast<std::uint32_t>(picture.width), 4);
    Put(out, static_cast<std::uint32_t>(picture.height), 4); // positive: bottom-up
    Put(out, 1, 2);  // planes
    Put(out, 24, 2); // bits a pixel
    Put(out, 0, 4);  // BI_RGB
    Put(out, static_cast<std::uint32_t>(imageSize), 4);
    Put(out, 0, 4); // pixels a metre, x and y
    Put(out, 0, 4);
    Put(out, 0, 4); // colours used, important
    Put(out, 0, 4);
    out.resize(54 + static_cast<size_t>(imageSize), '\0');
    for (int y = picture.height - 1; y >= 0; --y) {
        const std::uint8_t* p = picture.Row(y);
        char* q = out.data() + 54 + static_cast<size_t>(stride) * static_cast<size_t>(picture.height - 1 - y);
        for (int x = 0; x < picture.width; ++x, p += picture.channels) {
            *q++ = static_cast<char>(p[2]);
            *q++ = static_cast<char>(p[1]);
            *q++ = static_cast<char>(p[0]);
        }
    }
    return out;
}

void SaveBmp(const std::filesystem::path& file, const TPicture& picture)
{
    WriteFileAtomic(file, EncodeBmp(picture));
}

} // namespace kelvane
