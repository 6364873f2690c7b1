#pragma once
// kelvane-scene render: the editor's render job without a window.
#include <filesystem>

#include "cli/Options.h"

namespace kelvane::cli {

// render FILE... [--renderer PATH]: each scene rendered to a Targa picture beside it, as a batch
// does; the renderer from --renderer, else "System"/"EXEPath" of "Pellith.ini" in programFolder.
// Progress and the job's messages go to standard error. Returns 0, 1 when any scene failed, 130
// when interrupted (the running renderer is stopped first).
int RunRender(const TOptions& options, const std::filesystem::path& workFolder,
              const std::filesystem::path& programFolder);

} // namespace kelvane::cli
