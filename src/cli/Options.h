#pragma once
// The command line of kelvane-scene, parsed in one place (main.cpp).
#include <string>
#include <vector>

namespace kelvane::cli {

struct TOptions {
    std::string command;
    std::vector<std::string> files;     // the words after the command that are not options
    std::vector<std::string> leaveOut;  // save: the rows given with --leave-out, in order
    bool help = false;
};

} // namespace kelvane::cli
