// libFuzzer target: stash, reader, tree and restore on arbitrary scene bytes.
#include <cstddef>
#include <cstdint>

#include "fuzz/FuzzScene.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    try {
        kelvane::fuzz::ReadSceneBytes(std::string_view(reinterpret_cast<const char*>(data), size), true);
    } catch (const kelvane::EKelvaneError&) {
        // Bad input is reported with a message; anything else escapes and is a fault.
    }
    return 0;
}
