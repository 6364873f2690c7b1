// libFuzzer target: the Targa, JPEG and PNG decoders on arbitrary bytes.
#include <cstddef>
#include <cstdint>

#include "fuzz/FuzzPicture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    try {
        kelvane::fuzz::CheckPicture(
            kelvane::fuzz::DecodePictureBytes(std::string_view(reinterpret_cast<const char*>(data), size)));
    } catch (const kelvane::EPictureError&) {
        // Bad input is reported with a message; anything else escapes and is a fault.
    }
    return 0;
}
