#include "render/JpegCodec.h"

#include "scene/FileIO.h"

#include <algorithm>
#include <csetjmp>
#include <cstdint>
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

// Warnings pass, except the end of the data before the end of the picture: libjpeg would fill
// the rest with grey.
void EmitMessage(j_common_ptr info, int level)
{
    if (level < 0 && info->err->msg_code == JWRN_JPEG_EOF)
        ErrorExit(info);
}

void InitError(TJpegError& err, jpeg_error_mgr*& slot)
{
    slot = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = ErrorExit;
    err.mgr.output_message = Silent;
    err.mgr.emit_message = EmitMessage;
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

// libjpeg's working memory; beyond it libjpeg fails instead of using temporary files.
constexpr long kMaxDecodeMemory = 1024L * 1024 * 1024;
constexpr std::uint64_t kMaxPixelsPerByte = 8 * 64;

bool Decompress(jpeg_decompress_struct& info, TJpegError& err, std::string_view bytes, TPicture& picture)
{
    if (setjmp(err.jump))
        return false;
    jpeg_create_decompress(&info);
    info.mem->max_memory_to_use = kMaxDecodeMemory;
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&info, TRUE);
    CheckPictureSize("JPEG", info.image_width, info.image_height);
    // Huffman coding spends at least one bit on each 8 x 8 block, so the data bounds the size
    // before anything is allocated (arithmetic coding has no such bound).
    const std::uint64_t pixels = static_cast<std::uint64_t>(info.image_width) * info.image_height;
    if (!info.arith_code && pixels > kMaxPixelsPerByte * bytes.size())
        throw EPictureError("Invalid JPEG picture: the file is too short for " + std::to_string(info.image_width) +
                            " x " + std::to_string(info.image_height) + " pixels.");
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    if (info.output_components != 3)
        throw EPictureError("Invalid JPEG picture: unsupported colour space.");
    picture.width = static_cast<int>(info.output_width);
    picture.height = 0;
    picture.channels = 3;
    // Rows are added as they are decoded into memory reserved for all of them: a header that
    // lies costs address space but no more memory than the rows its data yields.
    picture.pixels.reserve(picture.RowBytes() * info.output_height);
    while (info.output_scanline < info.output_height) {
        picture.pixels.resize(picture.RowBytes() * (info.output_scanline + 1));
        JSAMPROW row = picture.pixels.data() + picture.RowBytes() * info.output_scanline;
        jpeg_read_scanlines(&info, &row, 1);
    }
    picture.height = static_cast<int>(info.output_height);
    jpeg_finish_decompress(&info);
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

TPicture DecodeJpeg(std::string_view bytes)
{
    jpeg_decompress_struct info{};
    TJpegError err;
    InitError(err, info.err);
    TPicture picture;
    bool ok = false;
    try {
        ok = Decompress(info, err, bytes, picture);
    } catch (...) {
        jpeg_destroy_decompress(&info);
        throw;
    }
    jpeg_destroy_decompress(&info);
    if (!ok)
        throw EPictureError(std::string("Invalid JPEG picture: ") + err.message + ".");
    return picture;
}

} // namespace kelvane
