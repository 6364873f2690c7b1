#include "render/PictureFormats.h"

#include "render/Bmp.h"
#include "render/ImageExport.h"
#include "render/JpegCodec.h"
#include "render/PngCodec.h"
#include "render/Targa.h"
#include "controls/IniFileCompo.h"

#include <algorithm>

namespace kelvane {

namespace {

std::vector<TPictureFormat> BuiltInFormats()
{
    std::vector<TPictureFormat> formats;
    formats.push_back({"Targa", {"tga"}, DecodeTarga, {}, {}, "Targa(*.tga)", true});
    formats.push_back({"Bitmap", {"bmp"}, {},
                       [](const std::filesystem::path& target, const TPicture& picture, const TIniFileCompo*) {
                           SaveBmp(target, picture);
                       },
                       {}, "Bitmap(*.bmp)", false, "Bitmap (*.bmp)", 1});
    formats.push_back({"JPEG", {"jpg", "jpeg"}, DecodeJpeg,
                       [](const std::filesystem::path& target, const TPicture& picture, const TIniFileCompo* settings) {
                           const TJpegExportSettings options = settings ? ReadJpegExportSettings(*settings) : TJpegExportSettings();
                           SaveJpeg(target, picture, options.Options());
                       },
                       "jpeg", "JPEG(*.jpg)", false, "JPEG  (*.jpg; *.jpeg)", 0});
    formats.push_back({"PNG", {"png"}, DecodePng,
                       [](const std::filesystem::path& target, const TPicture& picture, const TIniFileCompo* settings) {
                           const TPngExportSettings options = settings ? ReadPngExportSettings(*settings) : TPngExportSettings();
                           SavePng(target, picture, options.Options());
                       },
                       "png", "PNG(*.png)", false, "PNG Format (*.png)", 2});
    return formats;
}

std::vector<TPictureFormat>& Formats()
{
    static std::vector<TPictureFormat> formats = BuiltInFormats();
    return formats;
}

std::string Patterns(const TPictureFormat& format, std::string_view separator)
{
    std::string patterns;
    for (const std::string& extension : format.extensions)
        patterns += (patterns.empty() ? "*." : std::string(separator) + "*.") + extension;
    return patterns;
}

} // namespace

const std::vector<TPictureFormat>& PictureFormats()
{
    return Formats();
}

const TPictureFormat* FindPictureFormat(std::string_view extension)
{
    for (const TPictureFormat& format : Formats())
        if (std::find(format.extensions.begin(), format.extensions.end(), extension) != format.extensions.end())
            return &format;
    return nullptr;
}

TFormatRegistration::TFormatRegistration(TPictureFormat format) : name_(format.name)
{
    Formats().push_back(std::move(format));
}

TFormatRegistration::~TFormatRegistration()
{
    std::vector<TPictureFormat>& formats = Formats();
    formats.erase(std::remove_if(formats.begin(), formats.end(),
                                 [this](const TPictureFormat& f) { return f.name == name_; }),
                  formats.end());
}

std::string TextureImportFilter()
{
    std::vector<const TPictureFormat*> offered;
    for (const TPictureFormat& format : Formats())
        if (!format.importType.empty())
            offered.push_back(&format);
    std::stable_sort(offered.begin(), offered.end(), [](const TPictureFormat* a, const TPictureFormat* b) {
        return a->importPosition < b->importPosition;
    });
    std::string filter, all;
    for (const TPictureFormat* format : offered) {
        filter += format->importType + "|" + Patterns(*format, "; ") + "|";
        all += (all.empty() ? "" : "; ") + Patterns(*format, "; ");
    }
    return filter + "AllFiles(" + all + ")|" + all;
}

} // namespace kelvane
