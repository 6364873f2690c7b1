#include "shell/Version.h"

#ifndef KELVANE_VERSION
#error "the build sets KELVANE_VERSION"
#endif

namespace kelvane {

const char* KelvaneVersion()
{
    return KELVANE_VERSION;
}

std::string VersionLine()
{
    return std::string("kelvane ") + KELVANE_VERSION;
}

} // namespace kelvane
