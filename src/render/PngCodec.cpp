#include "render/PngCodec.h"

#include "scene/FileIO.h"

#include <algorithm>
#include <cstdint>
#include <csetjmp>
#include <cstring>
#include <new>
#include <vector>

#include <png.h>

namespace kelvane {

namespace {

// libpng's error callback must not return: it records the text and jumps back to the setjmp of
// the call in progress. The first warning is kept, as libpng often explains an error there.
struct TPngError {
    std::jmp_buf jump;
    char message[256];
    char warning[256];
};

void CopyText(char (&to)[256], const char* text)
{
    std::strncpy(to, text ? text : "", sizeof to - 1);
    to[sizeof to - 1] = '\0';
}

void OnError(png_structp png, png_const_charp text)
{
    auto* err = static_cast<TPngError*>(png_get_error_ptr(png));
    CopyText(err->message, text);
    std::longjmp(err->jump, 1);
}

void OnWarning(png_structp png, png_const_charp text)
{
    auto* err = static_cast<TPngError*>(png_get_error_ptr(png));
    if (err->warning[0] == '\0')
        CopyText(err->warning, text);
}

std::string Describe(const TPngError& err)
{
    std::string text = err.message;
    if (err.warning[0] != '\0' && text.find(err.warning) == std::string::npos)
        text += std::string(" (") + err.warning + ")";
    return text;
}

void WriteToString(png_structp png, png_bytep data, png_size_t length)
{
    try {
        static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), length);
    } catch (const std::bad_alloc&) {
        png_error(png, "Out of memory");
    }
}

void FlushNothing(png_structp) {}

int FilterMask(TPngFilter filter)
{
    switch (filter) {
    case TPngFilter::Adaptive:
        return PNG_ALL_FILTERS;
    case TPngFilter::Sub:
        return PNG_FILTER_SUB;
    case TPngFilter::Up:
        return PNG_FILTER_UP;
    case TPngFilter::Average:
        return PNG_FILTER_AVG;
    case TPngFilter::Paeth:
        return PNG_FILTER_PAETH;
    default:
        return PNG_FILTER_NONE;
    }
}

bool Write(png_structp png, png_infop info, TPngError& err, const TPicture& picture, const TPngOptions& options,
           png_bytepp rows, std::string* out)
{
    if (setjmp(err.jump))
        return false;
    png_set_write_fn(png, out, WriteToString, FlushNothing);
    png_set_IHDR(png, info, static_cast<png_uint_32>(picture.width), static_cast<png_uint_32>(picture.height), 8,
                 picture.channels == 4 ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB,
                 options.interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, std::clamp(options.level, 0, 9));
    png_set_filter(png, PNG_FILTER_TYPE_BASE, FilterMask(options.filter));
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, info);
    return true;
}

struct TPngSource {
    const png_byte* data;
    size_t size;
    size_t pos;
};

void ReadFromMemory(png_structp png, png_bytep data, png_size_t length)
{
    auto* src = static_cast<TPngSource*>(png_get_io_ptr(png));
    if (src->size - src->pos < length)
        png_error(png, "Unexpected end of file");
    std::memcpy(data, src->data + src->pos, length);
    src->pos += length;
}

// Deflate turns a byte into at most 1032: the rows of a picture must fit that from the file.
constexpr std::uint64_t kMaxInflateRatio = 1032;

bool Read(png_structp png, png_infop info, TPngError& err, TPngSource& src, TPicture& picture,
          std::vector<png_bytep>& rows)
{
    if (setjmp(err.jump))
        return false;
    png_set_read_fn(png, &src, ReadFromMemory);
    png_set_chunk_malloc_max(png, 8u << 20);
    png_read_info(png, info);
    png_uint_32 width = 0, height = 0;
    int depth = 0, colourType = 0, interlace = 0;
    png_get_IHDR(png, info, &width, &height, &depth, &colourType, &interlace, nullptr, nullptr);
    CheckPictureSize("PNG", width, height);
    if (static_cast<std::uint64_t>(png_get_rowbytes(png, info)) * height > kMaxInflateRatio * src.size)
        throw EPictureError("Invalid PNG picture: the file is too short for " + std::to_string(width) + " x " +
                            std::to_string(height) + " pixels.");
    const bool alpha = (colourType & PNG_COLOR_MASK_ALPHA) || png_get_valid(png, info, PNG_INFO_tRNS);
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    if (!alpha)
        png_set_strip_alpha(png);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    picture.width = static_cast<int>(width);
    picture.height = 0;
    picture.channels = alpha ? 4 : 3;
    if (png_get_rowbytes(png, info) != picture.RowBytes())
        png_error(png, "Unexpected row size");
    if (passes > 1) {
        // Every pass visits every row: the whole picture is needed at once.
        picture.pixels.resize(picture.RowBytes() * height);
        for (png_uint_32 y = 0; y < height; ++y)
            rows.push_back(picture.pixels.data() + picture.RowBytes() * y);
        png_read_image(png, rows.data());
    } else {
        // Rows are added as they are decoded into memory reserved for all of them: a header
        // that lies costs address space but no more memory than the rows its data yields.
        picture.pixels.reserve(picture.RowBytes() * height);
        for (png_uint_32 y = 0; y < height; ++y) {
            picture.pixels.resize(picture.RowBytes() * (y + 1));
            png_read_row(png, picture.pixels.data() + picture.RowBytes() * y, nullptr);
        }
    }
    picture.height = static_cast<int>(height);
    return true;
}

} // namespace

int PngLevelFromSlider(int position)
{
    return 9 - std::clamp(position, 0, 9);
}

TPngFilter PngFilterFromPosition(int position)
{
    return position >= 0 && position <= 5 ? static_cast<TPngFilter>(position) : TPngFilter::None;
}

std::string EncodePng(const TPicture& picture, const TPngOptions& options)
{
    if ((picture.channels != 3 && picture.channels != 4) ||
        picture.pixels.size() < picture.RowBytes() * static_cast<size_t>(std::max(picture.height, 0)))
        throw EPictureError("Cannot encode the PNG picture: the picture is incomplete.");
    std::vector<png_bytep> rows;
    for (int y = 0; y < picture.height; ++y)
        rows.push_back(const_cast<png_bytep>(picture.Row(y)));
    TPngError err{};
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &err, OnError, OnWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        throw EPictureError("Cannot encode the PNG picture: out of memory.");
    }
    std::string out;
    const bool ok = Write(png, info, err, picture, options, rows.data(), &out);
    png_destroy_write_struct(&png, &info);
    if (!ok)
        throw EPictureError("Cannot encode the PNG picture: " + Describe(err) + ".");
    return out;
}

void SavePng(const std::filesystem::path& file, const TPicture& picture, const TPngOptions& options)
{
    WriteFileAtomic(file, EncodePng(picture, options));
}

TPicture DecodePng(std::string_view bytes)
{
    if (bytes.size() < 8 || png_sig_cmp(reinterpret_cast<png_const_bytep>(bytes.data()), 0, 8) != 0)
        throw EPictureError("Invalid PNG picture: the PNG signature is missing.");
    TPngError err{};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &err, OnError, OnWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        throw EPictureError("Invalid PNG picture: out of memory.");
    }
    TPngSource src{reinterpret_cast<const png_byte*>(bytes.data()), bytes.size(), 0};
    TPicture picture;
    std::vector<png_bytep> rows;
    bool ok = false;
    try {
        ok = Read(png, info, err, src, picture, rows);
    } catch (...) {
        png_destroy_read_struct(&png, &info, nullptr);
        throw;
    }
    png_destroy_read_struct(&png, &info, nullptr);
    if (!ok)
        throw EPictureError("Invalid PNG picture: " + Describe(err) + ".");
    return picture;
}

} // namespace kelvane
