#pragma once
// Where scene loading puts the pictures of image textures: the scene's folder, as the texture
// name followed by ".jpg". The editor's store extends the core one with the thumbnails.
#include <filesystem>
#include <string>
#include <string_view>

#include "scene/NameValueList.h"

namespace kelvane {

class ITexturePictureStore {
public:
    virtual ~ITexturePictureStore() = default;
    // Writes the picture of sourceFile into sceneFolder as textureName + ".jpg" and may record a
    // thumbnail position under textureName + "_t" in thumbnails (the index of the scene being
    // opened). A different file under that name is never replaced: the picture then takes the
    // next free name (CopyBesideOthers). Returns the file name used, empty when it wrote nothing;
    // the texture then keeps its file name. Raises EFileError when writing fails; loading then
    // keeps the texture's file name.
    virtual std::string StoreTexturePicture(std::string_view textureName, const std::filesystem::path& sourceFile,
                                            const std::filesystem::path& sceneFolder, TNameValueList& thumbnails) = 0;
};

// The core's store: JPEG data (recognised by its first bytes, whatever the file's extension) is
// copied byte for byte; other pictures are left alone (false). No thumbnails.
class TJpegFileStore : public ITexturePictureStore {
public:
    std::string StoreTexturePicture(std::string_view textureName, const std::filesystem::path& sourceFile,
                                    const std::filesystem::path& sceneFolder, TNameValueList& thumbnails) override;
};

// sceneFolder / (textureName + ".jpg"), or an empty path when the name would lead out of the
// folder (a path separator, a drive colon, "." or "..", a control character, or empty).
std::filesystem::path TexturePictureFile(const std::filesystem::path& sceneFolder, std::string_view textureName);

} // namespace kelvane
