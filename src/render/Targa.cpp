#include "render/Targa.h"

#include "scene/FileIO.h"

#include <cstdint>
#include <vector>

namespace kelvane {

namespace {

[[noreturn]] void Bad(const std::string& detail)
{
    throw EPictureError("Invalid Targa picture: " + detail + ".");
}

unsigned U16(const std::uint8_t* p)
{
    return p[0] | (static_cast<unsigned>(p[1]) << 8);
}

struct TRgba {
    std::uint8_t r, g, b, a;
};

std::uint8_t Expand5(unsigned v)
{
    return static_cast<std::uint8_t>((v << 3) | (v >> 2));
}

// A pixel or colour-map entry of the given bit count, stored little-endian as B, G, R (, A).
TRgba ColourOf(const std::uint8_t* p, unsigned bits)
{
    switch (bits) {
    case 15:
    case 16: {
        const unsigned v = U16(p);
        return {Expand5((v >> 10) & 31), Expand5((v >> 5) & 31), Expand5(v & 31), 255};
    }
    case 24:
        return {p[2], p[1], p[0], 255};
    default:
        return {p[2], p[1], p[0], p[3]};
    }
}

struct THeader {
    unsigned idLength, mapType, type, mapFirst, mapLength, mapBits, width, height, depth, descriptor;
};

class TTargaReader {
public:
    explicit TTargaReader(std::string_view bytes)
        : data_(reinterpret_cast<const std::uint8_t*>(bytes.data())), size_(bytes.size())
    {
    }

    TPicture Read()
    {
        if (size_ < 18)
            Bad("the file is shorter than its header");
        const std::uint8_t* d = data_;
        h_ = {d[0], d[1], d[2], U16(d + 3), U16(d + 5), d[7], U16(d + 12), U16(d + 14), d[16], d[17]};
        if (h_.type == 0)
            Bad("the file holds no picture");
        rle_ = h_.type >= 9 && h_.type <= 11;
        base_ = rle_ ? h_.type - 8 : h_.type;
        if (base_ < 1 || base_ > 3)
            Bad("image type " + std::to_string(h_.type) + " is not supported");
        if (h_.mapType > 1)
            Bad("colour map type " + std::to_string(h_.mapType) + " is not supported");
        if (base_ == 1 && h_.mapType != 1)
            Bad("the colour-mapped picture has no colour map");
        CheckDepth();
        size_t pos = 18 + h_.idLength;
        if (pos > size_)
            Bad("the image ID runs past the end of the file");
        if (h_.mapType == 1)
            pos = ReadMap(pos);
        CheckPictureSize("Targa", h_.width, h_.height);
        CheckData(pos);

        const bool alpha = (base_ == 2 && h_.depth == 32 && (h_.descriptor & 15) != 0) ||
                           (base_ == 3 && h_.depth == 16) || (base_ == 1 && h_.mapBits == 32);
        picture_ = TPicture::Make(static_cast<int>(h_.width), static_cast<int>(h_.height), alpha ? 4 : 3);
        topDown_ = (h_.descriptor & 0x20) != 0;
        rightToLeft_ = (h_.descriptor & 0x10) != 0;
        if (rle_)
            ReadRunLength(pos);
        else
            for (size_t i = 0, n = PixelCount(); i < n; ++i, pos += bpp_)
                Put(Convert(data_ + pos));
        return std::move(picture_);
    }

private:
    void CheckDepth()
    {
        const unsigned depth = h_.depth;
        const bool ok = base_ == 1   ? depth == 8 || depth == 16
                        : base_ == 2 ? depth == 15 || depth == 16 || depth == 24 || depth == 32
                                     : depth == 8 || depth == 16;
        if (!ok)
            Bad("pixels of " + std::to_string(depth) + " bits are not supported for image type " +
                std::to_string(h_.type));
        bpp_ = (depth + 7) / 8;
    }

    size_t ReadMap(size_t pos)
    {
        const size_t entryBytes = (h_.mapBits + 7) / 8;
        const size_t mapBytes = static_cast<size_t>(h_.mapLength) * entryBytes;
        if (mapBytes > size_ - pos)
            Bad("the colour map runs past the end of the file");
        if (base_ == 1) {
            // A map beside a true-colour or grey picture is skipped unread.
            if (h_.mapBits != 15 && h_.mapBits != 16 && h_.mapBits != 24 && h_.mapBits != 32)
                Bad("colour map entries of " + std::to_string(h_.mapBits) + " bits are not supported");
            map_.reserve(h_.mapLength);
            for (size_t i = 0; i < h_.mapLength; ++i)
                map_.push_back(ColourOf(data_ + pos + i * entryBytes, h_.mapBits));
        }
        return pos + mapBytes;
    }

    size_t PixelCount() const { return static_cast<size_t>(h_.width) * h_.height; }

    // The pixel data must be able to hold the picture before it is allocated: bpp bytes a pixel
    // uncompressed, at best 128 pixels for 1 + bpp bytes run-length.
    void CheckData(size_t pos) const
    {
        const size_t left = size_ - pos;
        const size_t room = rle_ ? (left + bpp_) / (1 + bpp_) * 128 : left / bpp_;
        if (PixelCount() > room)
            Bad("the file is too short for " + std::to_string(h_.width) + " x " + std::to_string(h_.height) +
                " pixels");
    }

    TRgba Convert(const std::uint8_t* p) const
    {
        if (base_ == 2)
            return ColourOf(p, h_.depth);
        if (base_ == 3)
            return {p[0], p[0], p[0], h_.depth == 16 ? p[1] : std::uint8_t{255}};
        const unsigned index = h_.depth == 8 ? p[0] : U16(p);
        if (index < h_.mapFirst || index - h_.mapFirst >= map_.size())
            Bad("colour index " + std::to_string(index) + " is outside the colour map");
        return map_[index - h_.mapFirst];
    }

    // Stores the next pixel in file order, mapping the file's origin to the top left.
    void Put(TRgba c)
    {
        const unsigned y = topDown_ ? row_ : h_.height - 1 - row_;
        const unsigned x = rightToLeft_ ? h_.width - 1 - col_ : col_;
        std::uint8_t* p = picture_.Row(static_cast<int>(y)) + static_cast<size_t>(x) * picture_.channels;
        p[0] = c.r;
        p[1] = c.g;
        p[2] = c.b;
        if (picture_.channels == 4)
            p[3] = c.a;
        if (++col_ == h_.width) {
            col_ = 0;
            ++row_;
        }
    }

    void ReadRunLength(size_t pos)
    {
        for (size_t done = 0, total = PixelCount(); done < total;) {
            if (pos >= size_)
                Bad("the run-length data ends before the picture is complete");
            const unsigned head = data_[pos++];
            const size_t count = (head & 0x7F) + 1;
            if (count > total - done)
                Bad("a run-length packet runs past the end of the picture");
            const size_t need = (head & 0x80) ? bpp_ : count * bpp_;
            if (need > size_ - pos)
                Bad("the run-length data ends before the picture is complete");
            if (head & 0x80) {
                const TRgba c = Convert(data_ + pos);
                for (size_t i = 0; i < count; ++i)
                    Put(c);
            } else {
                for (size_t i = 0; i < count; ++i)
                    Put(Convert(data_ + pos + i * bpp_));
            }
            pos += need;
            done += count;
        }
    }

    const std::uint8_t* data_;
    size_t size_;
    THeader h_{};
    bool rle_ = false;
    unsigned base_ = 0;
    size_t bpp_ = 1;
    std::vector<TRgba> map_;
    TPicture picture_;
    bool topDown_ = false, rightToLeft_ = false;
    unsigned row_ = 0, col_ = 0;
};

} // namespace

TPicture DecodeTarga(std::string_view bytes)
{
    return TTargaReader(bytes).Read();
}

std::string EncodeTarga(const TPicture& picture)
{
    if (picture.Empty())
        throw EPictureError("Cannot write a Targa picture without width or height.");
    if (picture.width > 65535 || picture.height > 65535)
        throw EPictureError("Cannot write a Targa picture larger than 65535 x 65535 pixels.");
    const bool alpha = picture.channels == 4;
    std::string out(18, '\0');
    out[2] = 2; // uncompressed true colour
    out[12] = static_cast<char>(picture.width & 0xFF);
    out[13] = static_cast<char>(picture.width >> 8);
    out[14] = static_cast<char>(picture.height & 0xFF);
    out[15] = static_cast<char>(picture.height >> 8);
    out[16] = static_cast<char>(alpha ? 32 : 24);
    out[17] = static_cast<char>(0x20 | (alpha ? 8 : 0)); // top-left origin, alpha bits
    out.resize(18 + picture.RowBytes() * static_cast<size_t>(picture.height));
    char* q = out.data() + 18;
    for (int y = 0; y < picture.height; ++y) {
        const std::uint8_t* p = picture.Row(y);
        for (int x = 0; x < picture.width; ++x, p += picture.channels) {
            *q++ = static_cast<char>(p[2]);
            *q++ = static_cast<char>(p[1]);
            *q++ = static_cast<char>(p[0]);
            if (alpha)
                *q++ = static_cast<char>(p[3]);
        }
    }
    return out;
}

void SaveTarga(const std::filesystem::path& file, const TPicture& picture)
{
    WriteFileAtomic(file, EncodeTarga(picture));
}

} // namespace kelvane
