#pragma once
// Stretching pictures, for the 100 x 100 texture thumbnails.
#include "render/Picture.h"

namespace kelvane {

constexpr int kThumbnailSize = 100;

// The picture stretched to width x height, keeping its channels: an output pixel averages the
// source pixels it covers along an axis that shrinks (box filter) and interpolates between the
// two nearest along an axis that grows (bilinear). Raises EPictureError for an empty picture or
// target size.
TPicture StretchPicture(const TPicture& source, int width, int height);

// The texture list's thumbnail: the whole picture stretched to 100 x 100.
inline TPicture MakeThumbnail(const TPicture& source)
{
    return StretchPicture(source, kThumbnailSize, kThumbnailSize);
}

} // namespace kelvane
