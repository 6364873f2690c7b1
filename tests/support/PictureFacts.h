#pragma once
// JPEG and PNG files as other readers see them: libjpeg reads the settings back, the PNG chunks are
// taken apart and the rows inflated to see the filters.
#include <cstdint>
#include <string>
#include <vector>

#include <cstdio>
#include <jpeglib.h>
#include <png.h>
#include <zlib.h>

namespace kelvane::test {

struct TJpegFacts {
    bool progressive;
    int width, height;
    unsigned quantSum; // luminance table: 64 at quality 100
};

inline TJpegFacts ReadJpegFacts(const std::string& bytes)
{
    jpeg_decompress_struct info{};
    jpeg_error_mgr err;
    info.err = jpeg_std_error(&err);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    jpeg_read_header(&info, TRUE);
    TJpegFacts facts{jpeg_has_multiple_scans(&info) != 0, static_cast<int>(info.image_width),
                     static_cast<int>(info.image_height), 0};
    for (int i = 0; i < DCTSIZE2; ++i)
        facts.quantSum += info.quant_tbl_ptrs[0]->quantval[i];
    jpeg_destroy_decompress(&info);
    return facts;
}

struct TPngFacts {
    int interlace = -1;
    int zlibLevelBits = -1;          // FLEVEL of the zlib header: 0 fastest .. 3 best
    std::vector<int> filters;        // filter byte of each row (non-interlaced files)
};

inline unsigned Be32(const std::string& s, size_t at)
{
    return (static_cast<unsigned>(static_cast<std::uint8_t>(s[at])) << 24) |
           (static_cast<std::uint8_t>(s[at + 1]) << 16) | (static_cast<std::uint8_t>(s[at + 2]) << 8) |
           static_cast<std::uint8_t>(s[at + 3]);
}

inline TPngFacts ReadPngFacts(const std::string& bytes, size_t rowBytes)
{
    TPngFacts facts;
    std::string idat;
    for (size_t at = 8; at + 8 <= bytes.size();) {
        const size_t length = Be32(bytes, at);
        const std::string type = bytes.substr(at + 4, 4);
        if (type == "IHDR")
            facts.interlace = bytes[at + 8 + 12];
        if (type == "IDAT")
            idat += bytes.substr(at + 8, length);
        at += 12 + length;
    }
    if (idat.size() < 2)
        return facts;
    facts.zlibLevelBits = static_cast<std::uint8_t>(idat[1]) >> 6;
    std::vector<unsigned char> raw(1 << 20);
    uLongf rawSize = raw.size();
    if (uncompress(raw.data(), &rawSize, reinterpret_cast<const Bytef*>(idat.data()), idat.size()) != Z_OK)
        return facts;
    if (facts.interlace == 0)
        for (size_t at = 0; at < rawSize; at += rowBytes + 1)
            facts.filters.push_back(raw[at]);
    return facts;
}

} // namespace kelvane::test
