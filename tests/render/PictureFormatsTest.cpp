// The format table through its users: the built-in rows give the texts they always gave, and a
// made-up format registered here reaches the decoder registry, the image window's Save and its
// dialog's types, and texture import.
#include "render/ImageExport.h"
#include "render/JpegCodec.h"
#include "render/PictureFormats.h"
#include "render/TextureImport.h"
#include "scene/FileIO.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace kelvane::test {
namespace {

std::vector<std::string> Types(const TSaveDialogSetup& setup)
{
    std::vector<std::string> types;
    for (const TSaveFileType& type : setup.types)
        types.push_back(type.description + "|" + type.patterns + "|" + type.defaultExtension);
    return types;
}

TEST(PictureFormats, BuiltInTextsStayAsTheyWere)
{
    const TSaveDialogSetup rendered = SaveDialogSetup(TImageMode::Rendered, "shot", {});
    EXPECT_EQ(Types(rendered), (std::vector<std::string>{
                                   "All Image(*.tga; *.bmp; *.jpg; *.png)|*.tga; *.bmp; *.jpg; *.jpeg; *.png|",
                                   "Targa(*.tga)|*.tga|tga", "Bitmap(*.bmp)|*.bmp|bmp", "JPEG(*.jpg)|*.jpg;*.jpeg|jpg",
                                   "PNG(*.png)|*.png|png"}));
    EXPECT_EQ(rendered.proposedName, "shot.tga");
    const TSaveDialogSetup opened = SaveDialogSetup(TImageMode::Opened, "shot", "/p/photo.jpeg");
    EXPECT_EQ(Types(opened).front(), "All Image(*.bmp; *.jpg; *.png)|*.bmp; *.jpg; *.jpeg; *.png|");
    EXPECT_EQ(opened.types.size(), 4u);
    EXPECT_EQ(opened.proposedName, "/p/photo.bmp");
    EXPECT_EQ(TextureImportFilter(), "JPEG  (*.jpg; *.jpeg)|*.jpg; *.jpeg|Bitmap (*.bmp)|*.bmp|PNG Format (*.png)|*.png|"
                                     "AllFiles(*.jpg; *.jpeg; *.bmp; *.png)|*.jpg; *.jpeg; *.bmp; *.png");
}

// "rgy": a width byte, a height byte, then the RGB pixels.
TPicture DecodeRgy(std::string_view bytes)
{
    if (bytes.size() < 2)
        throw EPictureError("Too short.");
    TPicture picture = TPicture::Make(uint8_t(bytes[0]), uint8_t(bytes[1]), 3);
    if (bytes.size() != 2 + picture.pixels.size())
        throw EPictureError("Wrong size.");
    std::copy(bytes.begin() + 2, bytes.end(), picture.pixels.begin());
    return picture;
}

TEST(PictureFormats, AMadeUpFormatReachesEveryPlace)
{
    TempDir dir;
    const std::string bytes = std::string("\x02\x01", 2) + std::string("\xff\x00\x00\x00\x00\xff", 6);
    const auto source = dir.Write("Wood.rgy", bytes);
    int encoded = 0;
    {
        TFormatRegistration rgy({"Raw", {"rgy"}, DecodeRgy,
                                 [&](const std::filesystem::path& target, const TPicture& picture, const TIniFileCompo*) {
                                     ++encoded;
                                     WriteFileAtomic(target, std::string(2, char(picture.width)));
                                 },
                                 {}, "Raw(*.rgy)", false, "Raw (*.rgy)", 3});
        const TPictureDecoders decoders;
        EXPECT_TRUE(decoders.Supports("a.RGY"));
        EXPECT_EQ(decoders.Load(source).width, 2);

        const TSaveDialogSetup setup = SaveDialogSetup(TImageMode::Rendered, "shot", {});
        EXPECT_EQ(Types(setup).back(), "Raw(*.rgy)|*.rgy|rgy");
        EXPECT_NE(setup.types.front().patterns.find("*.png; *.rgy"), std::string::npos);
        const TPictureFormat* format = nullptr;
        ASSERT_EQ(SaveActionFor("/x/out.rgy", TImageMode::Opened, &format), TSaveAction::Encode);
        format->encode(dir / "out.rgy", decoders.Load(source), nullptr);
        EXPECT_EQ(encoded, 1);

        EXPECT_NE(TextureImportFilter().find("|Raw (*.rgy)|*.rgy|AllFiles(*.jpg; *.jpeg; *.bmp; *.png; *.rgy)"),
                  std::string::npos);
        // Imported as any other picture: encoded as the texture's JPEG.
        const TPicture imported = ImportTexturePicture(decoders, source, dir / "Wood0.jpg");
        EXPECT_EQ(DecodeJpeg(ReadWholeFile(dir / "Wood0.jpg")).width, imported.width);
    }
    EXPECT_FALSE(TPictureDecoders().Supports("a.rgy"));
    EXPECT_EQ(SaveActionFor("/x/out.rgy", TImageMode::Opened), TSaveAction::WrongFormat);
    EXPECT_EQ(TextureImportFilter().find("rgy"), std::string::npos);
}

} // namespace
} // namespace kelvane::test
