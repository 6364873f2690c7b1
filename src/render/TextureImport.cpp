#include "render/TextureImport.h"

#include "render/JpegCodec.h"
#include "scene/FileIO.h"

namespace kelvane {

TPicture ImportTexturePicture(const TPictureDecoders& decoders, const std::filesystem::path& source,
                              const std::filesystem::path& target)
{
    TPicture picture = decoders.Load(source);
    const std::string extension = LowerExtension(source);
    if (extension == "jpg" || extension == "jpeg")
        CopyFileAtomic(source, target);
    else
        SaveTexturePicture(picture, target);
    return picture;
}

void SaveTexturePicture(const TPicture& picture, const std::filesystem::path& target)
{
    SaveJpeg(target, picture, {kTextureJpegQuality, false});
}

} // namespace kelvane
