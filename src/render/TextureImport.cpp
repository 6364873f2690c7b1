#include "render/TextureImport.h"

#include "render/JpegCodec.h"
#include "render/PictureFormats.h"
#include "scene/FileIO.h"

namespace kelvane {

TPicture ImportTexturePicture(const TPictureDecoders& decoders, const std::filesystem::path& source,
                              const std::filesystem::path& target)
{
    TPicture picture = decoders.Load(source);
    // A picture already in the stored format is copied as it is.
    const TPictureFormat* format = FindPictureFormat(LowerExtension(source));
    if (format && format == FindPictureFormat(kTextureExtension))
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
