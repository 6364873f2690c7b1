#pragma once
// kelvane-scene render: the editor's render job without a window.
#include <filesystem>
#include <string>

#include "cli/Options.h"

namespace kelvane::cli {

// render FILE... [--renderer PATH]: each scene rendered to a Targa picture beside it, as a batch
// does; the renderer from --renderer, else "System"/"EXEPath" of "Pellith.ini" in programFolder.
// Progress and the job's messages go to standard error. Returns 0, 1 when any scene failed, 130
// when interrupted (the running renderer is stopped first).
// "System"/"EXEPath" of "Pellith.ini" in programFolder, else the default renderer path.
std::string ConfiguredRenderer(const std::filesystem::path& programFolder);

// The render job's messages and its last "Rendering Time" text, for a caller that keeps them.
struct TRenderReport {
    std::string messages;
    std::string timeText;
};

int RunRender(const TOptions& options, const std::filesystem::path& workFolder,
              const std::filesystem::path& programFolder, TRenderReport* report = nullptr);

} // namespace kelvane::cli
