#include "render/ImageExport.h"

#include <algorithm>

#include "render/PictureFormats.h"

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

TSaveAction SaveActionFor(std::string_view chosenName, TImageMode mode, const TPictureFormat** found)
{
    const TPictureFormat* format = nullptr;
    TSaveAction action = TSaveAction::WrongFormat;
    if (mode == TImageMode::None) {
        action = TSaveAction::Nothing;
    } else if (const std::string_view ext = ExtensionOf(chosenName); !ext.empty()) {
        format = FindPictureFormat(ext.substr(1));
        if (format && format->renderedCopy)
            action = mode == TImageMode::Rendered ? TSaveAction::CopyRenderedTarga : TSaveAction::WrongFormat;
        else if (format && format->encode)
            action = format->optionsDialog.empty() ? TSaveAction::Encode : TSaveAction::Options;
    }
    if (found)
        *found = format;
    return action;
}

TSaveDialogSetup SaveDialogSetup(TImageMode mode, std::string_view outputName,
                                 const std::filesystem::path& lastOpenedFile)
{
    TSaveDialogSetup setup;
    const bool rendered = mode == TImageMode::Rendered;
    std::string firsts, all;
    for (const TPictureFormat& format : PictureFormats()) {
        if (format.saveType.empty() || (format.renderedCopy && !rendered) || (!format.renderedCopy && !format.encode))
            continue;
        std::string patterns;
        for (const std::string& extension : format.extensions) {
            patterns += (patterns.empty() ? "*." : ";*.") + extension;
            all += (all.empty() ? "*." : "; *.") + extension;
        }
        firsts += (firsts.empty() ? "*." : "; *.") + format.extensions.front();
        setup.types.push_back({format.saveType, patterns, format.extensions.front()});
        if (setup.proposedName.empty() && rendered == format.renderedCopy) {
            if (rendered) {
                setup.proposedName = std::string(outputName) + "." + format.extensions.front();
            } else {
                std::filesystem::path name = lastOpenedFile;
                setup.proposedName = name.replace_extension("." + format.extensions.front()).string();
            }
        }
    }
    setup.types.insert(setup.types.begin(), {"All Image(" + firsts + ")", all, ""});
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
