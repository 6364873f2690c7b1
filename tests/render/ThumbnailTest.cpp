// Stretching to the thumbnail size and the texture picture written beside the scene.
#include "render/JpegCodec.h"
#include "render/PngCodec.h"
#include "render/TextureImport.h"
#include "render/Thumbnail.h"
#include "support/PicturePattern.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace kelvane;

namespace {

TPicture Halves(int w, int h, int channels)
{
    return test::FillPicture(w, h, channels, [w, channels](int x, int, std::uint8_t* q) {
        q[x < w / 2 ? 0 : 2] = 255;
        if (channels == 4)
            q[3] = 77;
    });
}

std::vector<int> Pixel(const TPicture& p, int x, int y)
{
    const std::uint8_t* q = p.Row(y) + x * p.channels;
    return std::vector<int>(q, q + p.channels);
}

} // namespace

TEST(Thumbnail, ShrinksByAveragingAndGrowsByInterpolating)
{
    const TPicture small = MakeThumbnail(Halves(300, 200, 4));
    ASSERT_EQ(small.width, 100);
    ASSERT_EQ(small.height, 100);
    EXPECT_EQ(Pixel(small, 0, 0), (std::vector<int>{255, 0, 0, 77}));
    EXPECT_EQ(Pixel(small, 49, 99), (std::vector<int>{255, 0, 0, 77}));
    EXPECT_EQ(Pixel(small, 50, 50), (std::vector<int>{0, 0, 255, 77}));

    // 3 columns (red, blue, blue) into 2: the middle one is shared half and half.
    const TPicture odd = StretchPicture(Halves(3, 1, 3), 2, 1);
    EXPECT_EQ(Pixel(odd, 0, 0), (std::vector<int>{170, 0, 85}));
    EXPECT_EQ(Pixel(odd, 1, 0), (std::vector<int>{0, 0, 255}));
    const TPicture shared = StretchPicture(Halves(4, 1, 3), 3, 1);
    EXPECT_EQ(Pixel(shared, 1, 0), (std::vector<int>{128, 0, 128}));

    const TPicture big = MakeThumbnail(Halves(2, 1, 3));
    EXPECT_EQ(Pixel(big, 0, 0), (std::vector<int>{255, 0, 0}));
    EXPECT_EQ(Pixel(big, 99, 99), (std::vector<int>{0, 0, 255}));
    for (int x = 1; x < 100; ++x)
        EXPECT_LE(big.Row(40)[x * 3], big.Row(40)[(x - 1) * 3]);

    const TPicture same = StretchPicture(Halves(7, 5, 3), 7, 5);
    EXPECT_EQ(same.pixels, Halves(7, 5, 3).pixels);
    EXPECT_THROW(MakeThumbnail(TPicture{}), EPictureError);
}

TEST(TextureImport, JpegCopiedOtherPicturesEncodedAtQuality100)
{
    test::TempDir dir;
    const TPicture p = Halves(16, 8, 3);
    const std::string jpeg = EncodeJpeg(p, {50, false});
    const auto photo = dir.Write("photo.JPEG", jpeg);
    const auto png = dir.Write("flat.PNG", EncodePng(p, {}));

    EXPECT_EQ(ImportTexturePicture(TPictureDecoders(), photo, dir / "wood2.jpg").width, 16);
    EXPECT_EQ(test::ReadAll(dir / "wood2.jpg"), jpeg);

    EXPECT_EQ(ImportTexturePicture(TPictureDecoders(), png, dir / "wood3.jpg").pixels, p.pixels);
    const std::string written = test::ReadAll(dir / "wood3.jpg");
    EXPECT_EQ(written, EncodeJpeg(p, {100, false}));

    const auto broken = dir.Write("broken.png", "\x89PNG\r\n\x1a\n");
    EXPECT_THROW(ImportTexturePicture(TPictureDecoders(), broken, dir / "wood3.jpg"), EPictureError);
    EXPECT_EQ(test::ReadAll(dir / "wood3.jpg"), written);
}
