// JPEG, PNG and bitmap files as other readers see them: libjpeg reads the settings back, the PNG
// chunks are taken apart and the rows inflated to see the filters.
#include "render/Bmp.h"
#include "render/JpegCodec.h"
#include "render/PngCodec.h"
#include "support/ErrorText.h"
#include "support/PictureFacts.h"
#include "support/PicturePattern.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using namespace kelvane;
using namespace kelvane::test;

namespace {

TPicture Gradient(int w, int h, int channels)
{
    return FillPicture(w, h, channels, [channels](int x, int y, std::uint8_t* q) {
        q[0] = static_cast<std::uint8_t>(x * 4);
        q[1] = static_cast<std::uint8_t>(y * 4);
        q[2] = static_cast<std::uint8_t>((x * y) & 0xFF);
        if (channels == 4)
            q[3] = static_cast<std::uint8_t>(255 - x);
    });
}

} // namespace

TEST(Encoders, JpegQualityAndProgressiveReachTheFile)
{
    const TPicture p = Gradient(40, 24, 3);
    const TJpegFacts best = ReadJpegFacts(EncodeJpeg(p, {100, false}));
    const TJpegFacts mid = ReadJpegFacts(EncodeJpeg(p, {65, true}));
    const TJpegFacts low = ReadJpegFacts(EncodeJpeg(p, {30, false}));
    EXPECT_FALSE(best.progressive);
    EXPECT_TRUE(mid.progressive);
    EXPECT_EQ(best.width, 40);
    EXPECT_EQ(best.height, 24);
    EXPECT_EQ(best.quantSum, 64u);
    EXPECT_LT(mid.quantSum, low.quantSum);
    // Alpha is dropped, not mixed in.
    EXPECT_EQ(EncodeJpeg(Gradient(40, 24, 4), {65, false}), EncodeJpeg(p, {65, false}));
}

TEST(Encoders, PngLevelInterlaceAndFilterReachTheFile)
{
    const TPicture p = Gradient(64, 48, 3);
    const std::string stored = EncodePng(p, {0, false, TPngFilter::None});
    const std::string best = EncodePng(p, {9, false, TPngFilter::None});
    EXPECT_GT(stored.size(), best.size());
    EXPECT_EQ(ReadPngFacts(stored, p.RowBytes()).zlibLevelBits, 0);
    EXPECT_EQ(ReadPngFacts(best, p.RowBytes()).zlibLevelBits, 3);

    const std::string interlaced = EncodePng(p, {6, true, TPngFilter::Paeth});
    EXPECT_EQ(ReadPngFacts(interlaced, p.RowBytes()).interlace, 1);
    EXPECT_EQ(ReadPngFacts(best, p.RowBytes()).interlace, 0);

    const struct {
        TPngFilter filter;
        int code;
    } fixed[] = {{TPngFilter::None, 0}, {TPngFilter::Sub, 1}, {TPngFilter::Up, 2}, {TPngFilter::Average, 3},
                 {TPngFilter::Paeth, 4}};
    for (const auto& f : fixed) {
        const TPngFacts facts = ReadPngFacts(EncodePng(p, {6, false, f.filter}), p.RowBytes());
        ASSERT_EQ(facts.filters.size(), 48u);
        // libpng may pick None for the first row, which has no row above.
        for (size_t row = 1; row < facts.filters.size(); ++row)
            EXPECT_EQ(facts.filters[row], f.code) << "filter " << f.code << " row " << row;
    }
    const TPngFacts adaptive = ReadPngFacts(EncodePng(p, {6, false, TPngFilter::Adaptive}), p.RowBytes());
    EXPECT_NE(std::count(adaptive.filters.begin(), adaptive.filters.end(), 0), 48);
}

TEST(Encoders, BitmapHeaderAndBottomUpPaddedRows)
{
    TPicture p = TPicture::Make(3, 2, 4);
    for (size_t i = 0; i < p.pixels.size(); ++i)
        p.pixels[i] = static_cast<std::uint8_t>(i + 1);
    const std::string b = EncodeBmp(p);
    ASSERT_EQ(b.size(), 54u + 2 * 12);
    // File header: "BM", file size, reserved, data offset; info header: its size, width, height
    // (positive: bottom-up), planes, bits, no compression, image size, then zeros.
    const std::string header("BM\x4E\0\0\0\0\0\0\0\x36\0\0\0\x28\0\0\0\x03\0\0\0\x02\0\0\0\x01\0\x18\0"
                             "\0\0\0\0\x18\0\0\0", 38);
    EXPECT_EQ(b.substr(0, 38), header);
    EXPECT_EQ(b.substr(38, 16), std::string(16, '\0'));
    // First stored row is the bottom one (pixels 13.. of the RGBA data), as B, G, R.
    EXPECT_EQ(b.substr(54, 12), std::string("\x0F\x0E\x0D\x13\x12\x11\x17\x16\x15\0\0\0", 12));
    EXPECT_EQ(b.substr(66, 3), "\x03\x02\x01");
    EXPECT_THROW(EncodeBmp(TPicture{}), EPictureError);
}

TEST(Encoders, FailuresCarryTheLibraryTextAndLeaveTheOldFile)
{
    test::TempDir dir;
    const auto jpg = dir.Write("old.jpg", "old jpeg");
    const auto png = dir.Write("old.png", "old png");
    const TPicture empty = TPicture::Make(0, 0, 3);
    EXPECT_EQ(ErrorText([&] { SaveJpeg(jpg, empty, {}); }),
              "Cannot encode the JPEG picture: Empty JPEG image (DNL not supported).");
    EXPECT_NE(ErrorText([&] { SaveJpeg(jpg, TPicture::Make(70000, 1, 3), {}); }).find("65500"), std::string::npos);
    EXPECT_EQ(ErrorText([&] { SavePng(png, empty, {}); }),
              "Cannot encode the PNG picture: Invalid IHDR data (Image width is zero in IHDR).");
    EXPECT_EQ(test::ReadAll(jpg), "old jpeg");
    EXPECT_EQ(test::ReadAll(png), "old png");
    EXPECT_EQ(test::FolderEntries(dir.Path()).size(), 2u);

    SaveJpeg(jpg, Gradient(8, 8, 3), {});
    EXPECT_EQ(test::ReadAll(jpg).substr(0, 2), "\xFF\xD8");
}
