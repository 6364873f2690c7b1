#include "scene/TexturePictureStore.h"

#include <fstream>

#include "scene/FileIO.h"

namespace kelvane {

namespace fs = std::filesystem;

fs::path TexturePictureFile(const fs::path& sceneFolder, std::string_view textureName)
{
    if (textureName.empty() || textureName == "." || textureName == "..")
        return {};
    for (char c : textureName)
        if (c == '/' || c == '\\' || c == ':' || static_cast<unsigned char>(c) < 0x20)
            return {};
    return sceneFolder / fs::path(std::string(textureName) + ".jpg");
}

namespace {

bool StartsAsJpeg(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    unsigned char head[3] = {};
    return in.read(reinterpret_cast<char*>(head), 3) && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF;
}

} // namespace

std::string TJpegFileStore::StoreTexturePicture(std::string_view textureName, const fs::path& sourceFile,
                                                const fs::path& sceneFolder, TNameValueList&)
{
    const fs::path target = TexturePictureFile(sceneFolder, textureName);
    if (target.empty() || !StartsAsJpeg(sourceFile))
        return {};
    bool copied = false;
    return CopyBesideOthers(sourceFile, sceneFolder, target.filename(), copied).string();
}

} // namespace kelvane
