#pragma once
// The picture formats: one table that the decoder registry, the image window's Save, its save
// dialog's types, the export dialogs and texture import all read. A new format is one row.
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "render/PictureDecoders.h"

namespace kelvane {

class TIniFileCompo;

// Writes a picture to target with the options stored in settings (section "Save"; nullptr: the
// default options), beside the target first and renamed over it.
using TPictureEncoder =
    std::function<void(const std::filesystem::path& target, const TPicture& picture, const TIniFileCompo* settings)>;

struct TPictureFormat {
    std::string name = {};                     // "JPEG"; the decoder's description
    std::vector<std::string> extensions = {};  // lower case, without the dot; the first is the proposed one
    TPictureDecoder decode = {};               // empty: read only by a reader registered at start-up
    TPictureEncoder encode = {};               // empty: Save does not encode it
    std::string optionsDialog = {};            // the dialog asking the options before encoding; empty: none
    std::string saveType = {};                 // the save dialog's type text ("JPEG(*.jpg)"); empty: not offered
    bool renderedCopy = false;            // Save copies the renderer's own file (rendered pictures only)
    std::string importType = {};               // texture import's type text; empty: not offered
    int importPosition = -1;              // the type's place in texture import's list
};

// The formats in the save dialog's order: Targa, Bitmap, JPEG, PNG, then registered ones.
const std::vector<TPictureFormat>& PictureFormats();
// The format whose extension (lower case, without the dot) this is; nullptr when none.
const TPictureFormat* FindPictureFormat(std::string_view extension);

// Adds a format for as long as the object lives. Pointers into the table stay valid until the
// next registration or its end.
class TFormatRegistration {
public:
    explicit TFormatRegistration(TPictureFormat format);
    ~TFormatRegistration();
    TFormatRegistration(const TFormatRegistration&) = delete;
    TFormatRegistration& operator=(const TFormatRegistration&) = delete;

private:
    std::string name_;
};

// The texture import dialog's filter ("description|patterns|..."): the importable formats in
// their order, then "AllFiles(...)" with all of their patterns.
std::string TextureImportFilter();

} // namespace kelvane
