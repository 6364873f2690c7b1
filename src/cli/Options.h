#pragma once
// The command line of kelvane-scene, parsed in one place (main.cpp).
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace kelvane::cli {

struct TOptions {
    std::string command;
    std::vector<std::string> files;     // the words after the command that are not options
    std::vector<std::string> leaveOut;  // save: the rows given with --leave-out, in order
    std::optional<std::string> renderer;  // render, farm: the renderer given with --renderer
    std::map<std::string, std::string> farm;  // farm: --folder, --partition, --retries, --hold ...; flags hold ""
    std::optional<std::string> region;    // render: --region XMIN:XMAX:YMIN:YMAX
    std::optional<int> threads;           // render: --threads N
    bool render = false;                  // check: --render, the pre-flight check
    bool where = false;                   // check: --where, errors as FILE:LINE:COLUMN: MESSAGE
    bool help = false;
    bool version = false;
};

} // namespace kelvane::cli
