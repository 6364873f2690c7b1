#pragma once
// What the image window's Save does with the chosen name, its save dialog's file types, and the
// JPEG and PNG export settings kept in the settings file.
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "controls/IniFileCompo.h"
#include "render/JpegCodec.h"
#include "render/PngCodec.h"

namespace kelvane {

// What the image window shows: nothing yet, a file opened with "Open", or the last render.
enum class TImageMode { None = 0, Opened = 1, Rendered = 2 };

enum class TSaveAction {
    Nothing,           // nothing is shown
    CopyRenderedTarga, // byte copy of the program folder's "LastRenderedImage.tga"
    Encode,            // the format's encoder with the stored options
    Options,           // through the format's options dialog, which encodes
    WrongFormat,       // show kWrongFormatMessage
};

struct TPictureFormat;

inline constexpr const char* kWrongFormatMessage = "Set the correct format.";
inline constexpr const char* kRenderedImageFile = "LastRenderedImage.tga";

// By the chosen name's extension (from the last '.', case-sensitive) in the format table:
// ".tga" only for the rendered image, the formats with an encoder; anything else is the wrong
// format. format (when given) is set to the format found.
TSaveAction SaveActionFor(std::string_view chosenName, TImageMode mode, const TPictureFormat** format = nullptr);

struct TSaveFileType {
    std::string description;      // "Bitmap(*.bmp)"
    std::string patterns;         // "*.bmp", several joined by ";"
    std::string defaultExtension; // without the dot; empty for the "All Image" entry
};

struct TSaveDialogSetup {
    std::vector<TSaveFileType> types; // in the dialog's order
    std::string proposedName;
};

// The saved formats of the format table after "All Image": mode 2 with Targa and the render tab's
// output name + ".tga"; mode 1 without it, and the last opened file's name without its extension
// + ".bmp".
TSaveDialogSetup SaveDialogSetup(TImageMode mode, std::string_view outputName,
                                 const std::filesystem::path& lastOpenedFile);

// Section "Save" of the settings.
struct TJpegExportSettings {
    int compression = 5; // slider 0..10
    bool progressive = false;
    TJpegOptions Options() const { return {JpegQualityFromSlider(compression), progressive}; }
};

struct TPngExportSettings {
    int compression = 5; // slider 0..9
    bool interlace = false;
    int filter = 0;      // radio position 0..5, -1 for none selected
    TPngOptions Options() const { return {PngLevelFromSlider(compression), interlace, PngFilterFromPosition(filter)}; }
};

// Slider positions are held to the slider's range. A check box value other than 0 or 1 leaves
// the box as the dialog has it (`boxTicked`, unticked as designed).
TJpegExportSettings ReadJpegExportSettings(const TIniFileCompo& ini, bool boxTicked = false);
void WriteJpegExportSettings(TIniFileCompo& ini, const TJpegExportSettings& settings);
TPngExportSettings ReadPngExportSettings(const TIniFileCompo& ini, bool boxTicked = false);
void WritePngExportSettings(TIniFileCompo& ini, const TPngExportSettings& settings);

} // namespace kelvane
