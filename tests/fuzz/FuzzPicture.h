#pragma once
// The path every picture fuzz input takes, shared by the fuzz target and the regression test:
// PNG and JPEG data by their signatures, anything else as Targa; a decoded picture must be whole
// and come back unchanged through the Targa encoder and decoder.
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "render/JpegCodec.h"
#include "render/PngCodec.h"
#include "render/Targa.h"
#include "render/Thumbnail.h"

namespace kelvane::fuzz {

inline TPicture DecodePictureBytes(std::string_view bytes)
{
    if (bytes.size() >= 8 && bytes.substr(0, 8) == std::string_view("\x89PNG\r\n\x1a\n", 8))
        return DecodePng(bytes);
    if (bytes.size() >= 2 && bytes.substr(0, 2) == "\xFF\xD8")
        return DecodeJpeg(bytes);
    return DecodeTarga(bytes);
}

inline void Check(bool ok, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "picture check failed: %s\n", what);
        std::abort();
    }
}

inline void CheckPicture(const TPicture& p)
{
    Check(p.width > 0 && p.height > 0 && (p.channels == 3 || p.channels == 4), "shape");
    Check(p.pixels.size() == p.RowBytes() * static_cast<size_t>(p.height), "pixel count");
    if (p.width <= 65535 && p.height <= 65535)
        Check(DecodeTarga(EncodeTarga(p)).pixels == p.pixels, "Targa round trip");
    if (p.pixels.size() <= (1u << 20))
        Check(MakeThumbnail(p).pixels.size() == kThumbnailSize * kThumbnailSize * static_cast<size_t>(p.channels),
              "thumbnail");
}

} // namespace kelvane::fuzz
