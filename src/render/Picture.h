#pragma once
// A decoded picture: 8-bit RGB or RGBA samples in top-down rows without padding.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "scene/Errors.h"

namespace kelvane {

// A picture that cannot be decoded or encoded; what() is the text shown to the user.
class EPictureError : public EKelvaneError {
public:
    using EKelvaneError::EKelvaneError;
};

// No decoder allocates a picture of more pixels than this (16384 x 8192).
constexpr std::uint64_t kMaxPicturePixels = 1ull << 27;

struct TPicture {
    int width = 0;
    int height = 0;
    int channels = 3;                 // 3: R, G, B; 4: R, G, B, A
    std::vector<std::uint8_t> pixels; // height rows of width * channels bytes, top row first

    // A black (and transparent) picture; raises EPictureError for sizes beyond kMaxPicturePixels
    // or channel counts other than 3 and 4.
    static TPicture Make(int width, int height, int channels);

    bool Empty() const { return width <= 0 || height <= 0; }
    std::size_t RowBytes() const { return static_cast<std::size_t>(width) * static_cast<std::size_t>(channels); }
    std::uint8_t* Row(int y) { return pixels.data() + static_cast<std::size_t>(y) * RowBytes(); }
    const std::uint8_t* Row(int y) const { return pixels.data() + static_cast<std::size_t>(y) * RowBytes(); }
};

// Raises EPictureError unless width x height pixels are within kMaxPicturePixels. `what` names
// the format in the message ("Targa", "JPEG", ...).
void CheckPictureSize(const std::string& what, std::uint64_t width, std::uint64_t height);

} // namespace kelvane
