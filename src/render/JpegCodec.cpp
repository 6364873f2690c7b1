#include "render/JpegCodec.h"

#include "scene/FileIO.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jerror.h>
#include <jpeglib.h>

namespace kelvane {

namespace {

// libjpeg reports a fatal error through error_exit, which must not return: it records the text
// and jumps back to the setjmp of the call in progress. No C++ object lives between the two.
struct TJpegError {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void ErrorExit(j_common_ptr info)
{
    auto* err = reinterpret_cast<TJpegError*>(info->err);
    (*info->err->format_message)(info, err->message);
    std::longjmp(err->jump, 1);
}

void Silent(j_common_ptr) {}

void InitError(TJpegError& err, jpeg_error_mgr*& slot)
{
    slot = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = ErrorExit;
    err.mgr.output_message = Silent;
    err.message[0] = '\0';
}

bool Compress(jpeg_compress_struct& info, TJpegError& err, const TPicture& picture, const TJpegOptions& options,
              unsigned char** buffer, unsigned long* size, JSAMPLE* rgbRow)
{
    if (setjmp(err.jump))
        return false;
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, buffer, size);
    info.image_width = static_cast<JDIMENSION>(picture.width);
    info.image_height = static_cast<JDIMENSION>(picture.height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, std::clamp(options.quality, 1, 100), TRUE);
    if (options.progressive)
        jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        const std::uint8_t* src = picture.Row(static_cast<int>(info.next_scanline));
        JSAMPROW row = const_cast<JSAMPROW>(src);
        if (picture.channels == 4) {
            for (int x = 0; x < picture.width; ++x)
                std::copy_n(src + 4 * x, 3, rgbRow + 3 * x);
            row = rgbRow;
        }
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    return true;
}

} // namespace

int JpegQualityFromSlider(int position)
{
    return 7 * std::clamp(position, 0, 10) + 30;
}

std::string EncodeJpeg(const TPicture& picture, const TJpegOptions& options)
{
    if ((picture.channels != 3 && picture.channels != 4) ||
        picture.pixels.size() < picture.RowBytes() * static_cast<size_t>(std::max(picture.height, 0)))
        throw EPictureError("Cannot encode the JPEG picture: the picture is incomplete.");
    std::vector<JSAMPLE> rgbRow(static_cast<size_t>(std::max(picture.width, 0)) * 3);
    jpeg_compress_struct info{};
    TJpegError err;
    InitError(err, info.err);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    const bool ok = Compress(info, err, picture, options, &buffer, &size, rgbRow.data());
    jpeg_destroy_compress(&info);
    std::string out;
    try {
        if (ok)
            out.assign(reinterpret_cast<const char*>(buffer), size);
    } catch (...) {
        std::free(buffer);
        throw;
    }
    std::free(buffer);
    if (!ok)
        throw EPictureError(std::string("Cannot encode the JPEG picture: ") + err.message + ".");
    return out;
}

void SaveJpeg(const std::filesystem::path& file, const TPicture& picture, const TJpegOptions& options)
{
    WriteFileAtomic(file, EncodeJpeg(picture, options));
}

} // namespace kelvane
