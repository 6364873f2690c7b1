#pragma once
// The program's version, set once by the build (the project version).
#include <string>

namespace kelvane {

// "0.31"
const char* KelvaneVersion();
// What --version prints: "kelvane 0.31".
std::string VersionLine();

} // namespace kelvane
