#include "render/ImageExport.h"

#include <algorithm>

namespace kelvane {

namespace {

constexpr std::string_view kSection = "Save";

std::string_view ExtensionOf(std::string_view name)
{
    const size_t slash = name.find_last_of('/');
    const size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash))
        return {};
    return name.substr(dot);
}

bool CheckValue(int value, bool boxTicked)
{
    return value == 0 ? false : value == 1 ? true : boxTicked;
}

} // namespace

TSaveAction SaveActionFor(std::string_view chosenName, TImageMode mode)
{
    if (mode == TImageMode::None)
        return TSaveAction::Nothing;
    const std::string_view ext = ExtensionOf(chosenName);
    if (ext == ".tga")
        return mode == TImageMode::Rendered ? TSaveAction::CopyRenderedTarga : TSaveAction::WrongFormat;
    if (ext == ".bmp")
        return TSaveAction::Bitmap;
    if (ext == ".jpg" || ext == ".jpeg")
        return TSaveAction::Jpeg;
    if (ext == ".png")
        return TSaveAction::Png;
    return TSaveAction::WrongFormat;
}

TSaveDialogSetup SaveDialogSetup(TImageMode mode, std::string_view outputName,
                                 const std::filesystem::path& lastOpenedFile)
{
    TSaveDialogSetup setup;
    if (mode == TImageMode::Rendered) {
        setup.types = {{"All Image(*.tga; *.bmp; *.jpg; *.png)", "*.tga; *.bmp; *.jpg; *.jpeg; *.png", ""},
                       {"Targa(*.tga)", "*.tga", "tga"}};
        setup.proposedName = std::string(outputName) + ".tga";
    } else {
        setup.types = {{"All Image(*.bmp; *.jpg; *.png)", "*.bmp; *.jpg; *.jpeg; *.png", ""}};
        std::filesystem::path name = lastOpenedFile;
        setup.proposedName = name.replace_extension(".bmp").string();
    }
    setup.types.push_back({"Bitmap(*.bmp)", "*.bmp", "bmp"});
    setup.types.push_back({"JPEG(*.jpg)", "*.jpg;*.jpeg", "jpg"});
    setup.types.push_back({"PNG(*.png)", "*.png", "png"});
    return setup;
}

TJpegExportSettings ReadJpegExportSettings(const TIniFileCompo& ini, bool boxTicked)
{
    TJpegExportSettings s;
    s.compression = std::clamp(ini.ReadInteger(kSection, "JpegCompression", 5), 0, 10);
    s.progressive = CheckValue(ini.ReadInteger(kSection, "JpegProgressive", 0), boxTicked);
    return s;
}

void WriteJpegExportSettings(TIniFileCompo& ini, const TJpegExportSettings& settings)
{
    ini.WriteInteger(kSection, "JpegCompression", settings.compression);
    ini.WriteInteger(kSection, "JpegProgressive", settings.progressive ? 1 : 0);
}

TPngExportSettings ReadPngExportSettings(const TIniFileCompo& ini, bool boxTicked)
{
    TPngExportSettings s;
    s.compression = std::clamp(ini.ReadInteger(kSection, "PNGCompression", 5), 0, 9);
    s.interlace = CheckValue(ini.ReadInteger(kSection, "PNGInterlace", 0), boxTicked);
    s.filter = std::clamp(ini.ReadInteger(kSection, "PNGFilter", 0), -1, 5);
    return s;
}

void WritePngExportSettings(TIniFileCompo& ini, const TPngExportSettings& settings)
{
    ini.WriteInteger(kSection, "PNGCompression", settings.compression);
    ini.WriteInteger(kSection, "PNGInterlace", settings.interlace ? 1 : 0);
    ini.WriteInteger(kSection, "PNGFilter", settings.filter);
}

} // namespace kelvane
