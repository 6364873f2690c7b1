#pragma once
// kelvane-scene farm: batches of scenes rendered as one job array on a Slurm cluster.
#include <filesystem>
#include <string>

#include "cli/Options.h"

namespace kelvane::cli {

std::string FarmHelpText();

// farm submit|status|wait|cancel|task ...; options.files holds the farm command and its words.
// Returns 0, 1 on failure (a failed or cancelled scene for wait), 2 for a usage error.
int RunFarm(const TOptions& options, const std::filesystem::path& workFolder,
            const std::filesystem::path& programFolder);

} // namespace kelvane::cli
