// The image window's zoom, save choices and export settings, without windows.
#include "render/ImageExport.h"
#include "render/ImageZoom.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace kelvane;

TEST(ImageZoom, StepsLimitsAndFit)
{
    TImageZoom zoom;
    int steps = 0;
    while (zoom.ZoomIn())
        ++steps;
    EXPECT_EQ(steps, 15);
    EXPECT_NEAR(zoom.factor, 4.0, 1e-9);
    zoom.factor = 3.9;
    EXPECT_TRUE(zoom.ZoomIn());
    EXPECT_NEAR(zoom.factor, 4.1, 1e-9);
    EXPECT_FALSE(zoom.ZoomIn());

    EXPECT_TRUE(zoom.Fit(400, 300, 404, 404));
    EXPECT_DOUBLE_EQ(zoom.factor, 1.0);
    EXPECT_TRUE(zoom.Fit(300, 800, 404, 404));
    EXPECT_DOUBLE_EQ(zoom.factor, 0.5);
    EXPECT_EQ(zoom.Scaled(301), 150);
    EXPECT_FALSE(zoom.Fit(0, 300, 404, 404));
    EXPECT_DOUBLE_EQ(zoom.factor, 0.5);

}

TEST(ImageExport, SaveActions)
{
    using A = TSaveAction;
    const struct {
        const char* name;
        TImageMode mode;
        TSaveAction action;
    } cases[] = {
        {"/x/out.tga", TImageMode::Rendered, A::CopyRenderedTarga}, {"/x/out.tga", TImageMode::Opened, A::WrongFormat},
        {"/x/out.bmp", TImageMode::Opened, A::Encode},              {"/x/out.jpeg", TImageMode::Rendered, A::Options},
        {"/x/out.jpg", TImageMode::Opened, A::Options},             {"/x/out.png", TImageMode::Rendered, A::Options},
        {"/x/out.PNG", TImageMode::Rendered, A::WrongFormat},       {"/x.d/out", TImageMode::Rendered, A::WrongFormat},
        {"/x/out.png", TImageMode::None, A::Nothing},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SaveActionFor(c.name, c.mode), c.action) << c.name;
}

TEST(ImageExport, SettingsDefaultsOddValuesAndWrites)
{
    test::TempDir dir;
    TIniFileCompo ini(dir / "kelvane");
    ini.SetAutoUpdate(false);
    EXPECT_EQ(ReadJpegExportSettings(ini).Options().quality, 65);
    EXPECT_EQ(ReadPngExportSettings(ini).Options().level, 4);

    ini.WriteInteger("Save", "JpegProgressive", 2);
    ini.WriteInteger("Save", "JpegCompression", 40);
    ini.WriteInteger("Save", "PNGFilter", 9);
    EXPECT_FALSE(ReadJpegExportSettings(ini).progressive);
    EXPECT_TRUE(ReadJpegExportSettings(ini, true).progressive);
    EXPECT_EQ(ReadJpegExportSettings(ini).compression, 10);
    EXPECT_EQ(ReadPngExportSettings(ini).Options().filter, TPngFilter::Paeth);

    WritePngExportSettings(ini, {9, true, 3});
    const TPngExportSettings png = ReadPngExportSettings(ini);
    EXPECT_EQ(png.Options().level, 0);
    EXPECT_TRUE(png.Options().interlace);
    EXPECT_EQ(png.Options().filter, TPngFilter::Up);
    WriteJpegExportSettings(ini, {0, true});
    EXPECT_EQ(ReadJpegExportSettings(ini).Options().quality, 30);
    EXPECT_TRUE(ReadJpegExportSettings(ini).progressive);
}
