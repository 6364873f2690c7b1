#pragma once
// The bundled sample scene, with the stand-in renderer's test mode in its render element when
// mode is not empty.
#include "support/TempDir.h"

#include <string>

namespace kelvane::test {

inline std::string SampleScene(const std::string& mode = {})
{
    std::string text = ReadAll(std::filesystem::path(KELVANE_SOURCE_DIR) / "data/samples/sample.xml");
    if (!mode.empty()) {
        const std::string outfile = "<outfile value=\"sample.tga\"/>";
        text.replace(text.find(outfile), outfile.size(), outfile + "<standin_mode value=\"" + mode + "\"/>");
    }
    return text;
}

} // namespace kelvane::test
