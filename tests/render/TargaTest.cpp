// Targa decoding over every layout the decoder claims, built here by a writer of the test's own,
// and the messages for broken files.
#include "render/Targa.h"
#include "support/ErrorText.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

using namespace kelvane;

namespace {

// Colours that 5-bit channels hold exactly (0, 132 and 255 survive the 5-to-8-bit widening).
const std::uint8_t kPalette[4][4] = {{255, 0, 0, 255}, {0, 132, 255, 0}, {132, 132, 132, 128}, {0, 0, 0, 255}};
// 5 x 3 pixels as palette positions: runs, singles, and a run across a row end.
const int kPattern[15] = {0, 0, 0, 1, 2, 2, 3, 1, 1, 1, 1, 0, 2, 3, 3};
constexpr int kW = 5, kH = 3;

struct TVariant {
    const char* name;
    int type;       // 1, 2, 3 or +8 for run-length
    int depth;      // bits a pixel
    int mapBits;    // colour map entry bits (type 1 only)
    int descriptor; // alpha bits | 0x10 right-to-left | 0x20 top-down
};

void Put16(std::string& s, unsigned v)
{
    s.push_back(static_cast<char>(v & 0xFF));
    s.push_back(static_cast<char>(v >> 8));
}

std::string Colour(const std::uint8_t* c, int bits)
{
    std::string s;
    if (bits == 15 || bits == 16) {
        Put16(s, ((c[0] >> 3) << 10) | ((c[1] >> 3) << 5) | (c[2] >> 3));
    } else {
        s = {static_cast<char>(c[2]), static_cast<char>(c[1]), static_cast<char>(c[0])};
        if (bits == 32)
            s.push_back(static_cast<char>(c[3]));
    }
    return s;
}

std::string PixelBytes(const TVariant& v, int index)
{
    const std::uint8_t* c = kPalette[index];
    switch (v.type & 7) {
    case 1: {
        std::string s;
        if (v.depth == 8)
            s.push_back(static_cast<char>(index + 2));
        else
            Put16(s, index + 2);
        return s;
    }
    case 3:
        return v.depth == 8 ? std::string(1, static_cast<char>(c[0]))
                            : std::string{static_cast<char>(c[0]), static_cast<char>(c[3])};
    default:
        return Colour(c, v.depth);
    }
}

// The test picture in the variant's layout, with an image ID before and a footer after it.
std::string WriteVariant(const TVariant& v)
{
    std::string s(18, '\0');
    const std::string id = "test picture";
    s[0] = static_cast<char>(id.size());
    s[2] = static_cast<char>(v.type);
    if ((v.type & 7) == 1) {
        s[1] = 1;
        s[3] = 2; // first entry number
        s[5] = 4;
        s[7] = static_cast<char>(v.mapBits);
    }
    s[12] = kW;
    s[14] = kH;
    s[16] = static_cast<char>(v.depth);
    s[17] = static_cast<char>(v.descriptor);
    s += id;
    if ((v.type & 7) == 1)
        for (const auto& c : kPalette)
            s += Colour(c, v.mapBits);
    std::vector<std::string> pixels;
    for (int row = 0; row < kH; ++row)
        for (int col = 0; col < kW; ++col) {
            const int y = (v.descriptor & 0x20) ? row : kH - 1 - row;
            const int x = (v.descriptor & 0x10) ? kW - 1 - col : col;
            pixels.push_back(PixelBytes(v, kPattern[y * kW + x]));
        }
    if (v.type < 8) {
        for (const auto& p : pixels)
            s += p;
    } else {
        for (size_t i = 0; i < pixels.size();) {
            size_t run = 1;
            while (i + run < pixels.size() && pixels[i + run] == pixels[i])
                ++run;
            if (run > 1) {
                s.push_back(static_cast<char>(0x80 | (run - 1)));
                s += pixels[i];
                i += run;
            } else {
                s.push_back(0);
                s += pixels[i++];
            }
        }
    }
    return s + std::string(8, '\0') + "TRUEVISION-XFILE." + '\0';
}

} // namespace

TEST(Targa, DecodesEveryLayoutPixelByPixel)
{
    const TVariant variants[] = {
        {"raw 24", 2, 24, 0, 0x00},        {"raw 24 top-down", 2, 24, 0, 0x20},
        {"raw 32 alpha", 2, 32, 0, 0x28},  {"raw 32 no alpha bits", 2, 32, 0, 0x20},
        {"raw 16", 2, 16, 0, 0x00},        {"raw 15 right-to-left", 2, 15, 0, 0x30},
        {"rle 24", 10, 24, 0, 0x00},       {"rle 32 alpha top-down", 10, 32, 0, 0x28},
        {"rle 16 right-to-left", 10, 16, 0, 0x10},
        {"grey 8", 3, 8, 0, 0x00},         {"grey 16 alpha", 3, 16, 0, 0x28},
        {"rle grey 8", 11, 8, 0, 0x20},
        {"mapped 8/24", 1, 8, 24, 0x00},   {"mapped 8/32", 1, 8, 32, 0x20},
        {"mapped 16/16", 1, 16, 16, 0x00}, {"mapped 8/15", 1, 8, 15, 0x30},
        {"rle mapped 8/24", 9, 8, 24, 0x00}, {"rle mapped 16/32", 9, 16, 32, 0x20},
    };
    for (const TVariant& v : variants) {
        SCOPED_TRACE(v.name);
        const TPicture p = DecodeTarga(WriteVariant(v));
        ASSERT_EQ(p.width, kW);
        ASSERT_EQ(p.height, kH);
        const bool grey = (v.type & 7) == 3;
        const bool alpha = (v.depth == 32 && (v.descriptor & 15)) || (grey && v.depth == 16) || v.mapBits == 32;
        ASSERT_EQ(p.channels, alpha ? 4 : 3);
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                const std::uint8_t* want = kPalette[kPattern[y * kW + x]];
                const std::uint8_t* got = p.Row(y) + x * p.channels;
                for (int c = 0; c < p.channels; ++c)
                    EXPECT_EQ(got[c], grey && c < 3 ? want[0] : want[c]) << "x " << x << " y " << y << " c " << c;
            }
    }
}

TEST(Targa, BrokenFilesFailWithTheirMessage)
{
    auto header = [](int type, int w, int h, int depth) {
        std::string s(18, '\0');
        s[2] = static_cast<char>(type);
        s[12] = static_cast<char>(w & 0xFF);
        s[13] = static_cast<char>(w >> 8);
        s[14] = static_cast<char>(h & 0xFF);
        s[15] = static_cast<char>(h >> 8);
        s[16] = static_cast<char>(depth);
        return s;
    };
    auto mapped = [&](std::string data) {
        std::string s = header(1, 2, 1, 8);
        s[1] = 1;
        s[3] = 2; // entries 2 to 5
        s[5] = 4;
        s[7] = 24;
        return s + std::string(12, '\x40') + data;
    };
    std::string idPastEnd = header(2, 1, 1, 24);
    idPastEnd[0] = static_cast<char>(200);
    std::string mapPastEnd = mapped("");
    mapPastEnd[5] = 100;
    std::string oddMapBits = mapped("\x02\x03");
    oddMapBits[7] = 20;
    std::string mapType2 = header(2, 1, 1, 24) + "abc";
    mapType2[1] = 2;
    const struct {
        std::string bytes;
        std::string message;
    } cases[] = {
        {std::string(10, '\0'), "the file is shorter than its header"},
        {header(0, 1, 1, 24), "the file holds no picture"},
        {header(32, 1, 1, 24), "image type 32 is not supported"},
        {mapType2, "colour map type 2 is not supported"},
        {header(2, 1, 1, 12) + "ab", "pixels of 12 bits are not supported for image type 2"},
        {header(3, 1, 1, 24) + "abc", "pixels of 24 bits are not supported for image type 3"},
        {header(1, 1, 1, 8) + "a", "the colour-mapped picture has no colour map"},
        {idPastEnd, "the image ID runs past the end of the file"},
        {mapPastEnd, "the colour map runs past the end of the file"},
        {oddMapBits, "colour map entries of 20 bits are not supported"},
        {header(2, 0, 5, 24), "it has no width or height"},
        {header(2, 100, 100, 24) + std::string(10, 'x'), "the file is too short for 100 x 100 pixels"},
        {header(10, 4000, 4000, 24) + std::string(100, '\xFF'), "the file is too short for 4000 x 4000 pixels"},
        {header(2, 65535, 65535, 24), "65535 x 65535 pixels is too large"},
        {header(10, 4, 4, 24) + "\x81" "abc", "the run-length data ends before the picture is complete"},
        {header(10, 4, 1, 24) + "\x01" "abc", "the run-length data ends before the picture is complete"},
        {header(10, 2, 1, 24) + "\x82" "abc", "a run-length packet runs past the end of the picture"},
        {mapped(std::string("\x02\x07", 2)), "colour index 7 is outside the colour map"},
        {mapped(std::string("\x00\x02", 2)), "colour index 0 is outside the colour map"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(test::ErrorText([&] { DecodeTarga(c.bytes); }), "Invalid Targa picture: " + c.message + ".");
}

TEST(Targa, EncoderWritesTopLeftOriginAndReadsBack)
{
    for (int channels : {3, 4}) {
        TPicture p = TPicture::Make(3, 2, channels);
        for (size_t i = 0; i < p.pixels.size(); ++i)
            p.pixels[i] = static_cast<std::uint8_t>(i * 11);
        const std::string bytes = EncodeTarga(p);
        ASSERT_EQ(bytes.size(), 18 + p.pixels.size());
        EXPECT_EQ(bytes[16], channels * 8);
        EXPECT_EQ(bytes[17], channels == 4 ? 0x28 : 0x20);
        EXPECT_EQ(static_cast<std::uint8_t>(bytes[18]), p.pixels[2]); // blue first
        const TPicture back = DecodeTarga(bytes);
        EXPECT_EQ(back.channels, channels);
        EXPECT_EQ(back.pixels, p.pixels);
    }
    EXPECT_THROW(EncodeTarga(TPicture{}), EPictureError);
}
