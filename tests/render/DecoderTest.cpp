// JPEG and PNG decoding, broken and lying files, and the decoder table by extension.
#include "render/JpegCodec.h"
#include "render/PictureDecoders.h"
#include "render/PngCodec.h"
#include "render/Targa.h"
#include "support/ErrorText.h"
#include "support/PicturePattern.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include <png.h>
#include <zlib.h>

using namespace kelvane;

namespace {

TPicture Smooth(int w, int h, int channels)
{
    return test::FillPicture(w, h, channels, [channels](int x, int y, std::uint8_t* q) {
        q[0] = static_cast<std::uint8_t>(40 + x * 3);
        q[1] = static_cast<std::uint8_t>(60 + y * 3);
        q[2] = 128;
        if (channels == 4)
            q[3] = static_cast<std::uint8_t>(y * 5);
    });
}

// Sets a PNG's IHDR size and mends the chunk's CRC.
std::string WithPngSize(std::string png, unsigned w, unsigned h)
{
    for (int i = 0; i < 4; ++i) {
        png[16 + i] = static_cast<char>(w >> (24 - 8 * i));
        png[20 + i] = static_cast<char>(h >> (24 - 8 * i));
    }
    const unsigned crc = crc32(0, reinterpret_cast<const Bytef*>(png.data() + 12), 17);
    for (int i = 0; i < 4; ++i)
        png[29 + i] = static_cast<char>(crc >> (24 - 8 * i));
    return png;
}

// Sets the size in a JPEG's start-of-frame segment.
std::string WithJpegSize(std::string jpeg, unsigned w, unsigned h)
{
    for (size_t i = 2; i + 9 < jpeg.size(); ++i)
        if (static_cast<unsigned char>(jpeg[i]) == 0xFF && (jpeg[i + 1] == '\xC0' || jpeg[i + 1] == '\xC2')) {
            jpeg[i + 5] = static_cast<char>(h >> 8);
            jpeg[i + 6] = static_cast<char>(h & 0xFF);
            jpeg[i + 7] = static_cast<char>(w >> 8);
            jpeg[i + 8] = static_cast<char>(w & 0xFF);
            break;
        }
    return jpeg;
}

} // namespace

TEST(Decoders, JpegRoundTripsAndBrokenFiles)
{
    const TPicture p = Smooth(40, 30, 3);
    for (bool progressive : {false, true}) {
        const TPicture back = DecodeJpeg(EncodeJpeg(p, {100, progressive}));
        ASSERT_EQ(back.width, 40);
        ASSERT_EQ(back.height, 30);
        ASSERT_EQ(back.channels, 3);
        for (size_t i = 0; i < p.pixels.size(); ++i)
            ASSERT_LE(std::abs(back.pixels[i] - p.pixels[i]), 6) << i;
    }
    const std::string good = EncodeJpeg(p, {90, false});
    EXPECT_EQ(test::ErrorText([&] { DecodeJpeg(good.substr(0, good.size() / 2)); }),
              "Invalid JPEG picture: Premature end of JPEG file.");
    EXPECT_EQ(test::ErrorText([&] { DecodeJpeg(""); }), "Invalid JPEG picture: Empty input file.");
    EXPECT_EQ(test::ErrorText([&] { DecodeJpeg("GIF89a"); }), "Invalid JPEG picture: Not a JPEG file: starts with 0x47 0x49.");
    EXPECT_EQ(test::ErrorText([&] { DecodeJpeg(WithJpegSize(good, 60000, 60000)); }),
              "Invalid JPEG picture: 60000 x 60000 pixels is too large.");
    EXPECT_EQ(test::ErrorText([&] { DecodeJpeg(WithJpegSize(good, 8000, 8000)); }),
              "Invalid JPEG picture: the file is too short for 8000 x 8000 pixels.");
}

TEST(Decoders, PngColourTypesRoundTripsAndBrokenFiles)
{
    for (int channels : {3, 4})
        for (bool interlace : {false, true}) {
            const TPicture p = Smooth(21, 13, channels);
            const TPicture back = DecodePng(EncodePng(p, {6, interlace, TPngFilter::Adaptive}));
            EXPECT_EQ(back.channels, channels);
            EXPECT_EQ(back.pixels, p.pixels);
        }
    // Grey and colour-mapped files, written by libpng's simple interface.
    const std::uint8_t grey[6] = {0, 50, 100, 150, 200, 255};
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = 3;
    image.height = 2;
    image.format = PNG_FORMAT_GRAY;
    png_alloc_size_t size = 1 << 16;
    std::string bytes(size, '\0');
    ASSERT_TRUE(png_image_write_to_memory(&image, bytes.data(), &size, 0, grey, 0, nullptr));
    TPicture back = DecodePng(bytes.substr(0, size));
    ASSERT_EQ(back.channels, 3);
    EXPECT_EQ(back.Row(1)[0], 150);
    EXPECT_EQ(back.Row(1)[2], 150);

    const std::uint8_t map[2 * 4] = {255, 0, 0, 255, 0, 0, 255, 0};
    const std::uint8_t indexes[6] = {0, 1, 1, 0, 0, 1};
    image = {};
    image.version = PNG_IMAGE_VERSION;
    image.width = 3;
    image.height = 2;
    image.format = PNG_FORMAT_RGBA_COLORMAP;
    image.colormap_entries = 2;
    size = 1 << 16;
    ASSERT_TRUE(png_image_write_to_memory(&image, bytes.data(), &size, 0, indexes, 0, map));
    back = DecodePng(bytes.substr(0, size));
    ASSERT_EQ(back.channels, 4);
    EXPECT_EQ(std::vector<std::uint8_t>(back.Row(0) + 4, back.Row(0) + 8), (std::vector<std::uint8_t>{0, 0, 255, 0}));
    EXPECT_EQ(std::vector<std::uint8_t>(back.Row(1), back.Row(1) + 4), (std::vector<std::uint8_t>{255, 0, 0, 255}));

    const std::string good = EncodePng(Smooth(40, 30, 3), {});
    EXPECT_EQ(test::ErrorText([&] { DecodePng(good.substr(0, good.size() - 30)); }), "Invalid PNG picture: Unexpected end of file.");
    EXPECT_EQ(test::ErrorText([&] { DecodePng("GIF89a....."); }), "Invalid PNG picture: the PNG signature is missing.");
    std::string badCrc = good;
    badCrc[20] ^= 1;
    EXPECT_EQ(test::ErrorText([&] { DecodePng(badCrc); }), "Invalid PNG picture: IHDR: CRC error.");
    EXPECT_EQ(test::ErrorText([&] { DecodePng(WithPngSize(good, 10000, 10000)); }),
              "Invalid PNG picture: the file is too short for 10000 x 10000 pixels.");
    EXPECT_EQ(test::ErrorText([&] { DecodePng(WithPngSize(good, 900000, 900000)); }),
              "Invalid PNG picture: 900000 x 900000 pixels is too large.");
    EXPECT_EQ(test::ErrorText([&] { DecodePng(WithPngSize(good, 40, 300)); }), "Invalid PNG picture: Not enough image data.");
}

TEST(Decoders, TableByExtensionInAnyCase)
{
    test::TempDir dir;
    const TPicture p = Smooth(6, 4, 3);
    const auto tga = dir.Write("A.TGA", EncodeTarga(p));
    const auto png = dir.Write("b.Png", EncodePng(p, {}));
    const auto jpg = dir.Write("c.JPG", EncodeJpeg(p, {100, false}));
    const auto bad = dir.Write("d.tga", "short");
    const auto gif = dir.Write("e.gif", "GIF89a");

    TPictureDecoders decoders;
    EXPECT_EQ(decoders.Load(tga).pixels, p.pixels);
    EXPECT_EQ(decoders.Load(png).pixels, p.pixels);
    EXPECT_EQ(decoders.Load(jpg).width, 6);
    EXPECT_EQ(test::ErrorText([&] { decoders.Load(gif); }), "Unknown picture file extension (.gif)");
    EXPECT_EQ(test::ErrorText([&] { decoders.Load(bad); }),
              "Cannot load picture \"" + bad.string() + "\". Invalid Targa picture: the file is shorter than its header.");
    EXPECT_NE(test::ErrorText([&] { decoders.Load(dir / "none.png"); }).find("Cannot open file"), std::string::npos);

    // A registered reader serves its extension; the built-in ones keep theirs.
    EXPECT_TRUE(decoders.Register(".GIF", [](std::string_view) { return TPicture::Make(2, 2, 3); }, "GIF"));
    EXPECT_FALSE(decoders.Register("png", [](std::string_view) { return TPicture{}; }, "PNG"));
    EXPECT_TRUE(decoders.Supports("x.gif"));
    EXPECT_FALSE(decoders.Supports("x"));
    EXPECT_EQ(decoders.Load(gif).width, 2);
    EXPECT_EQ(decoders.Load(png).pixels, p.pixels);
    std::vector<std::string> extensions;
    for (const auto& f : decoders.Formats())
        extensions.push_back(f.extension);
    EXPECT_EQ(extensions, (std::vector<std::string>{"gif", "jpeg", "jpg", "png", "tga"}));
}
