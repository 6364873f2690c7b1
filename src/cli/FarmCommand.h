#pragma once
// kelvane-scene farm: batches of scenes rendered as one job array on a Slurm cluster.
#include <filesystem>
#include <string>

#include "cli/Options.h"

namespace kelvane::cli {

std::string FarmHelpText();

// The farm command an option belongs to ("submit", "wait", "resubmit"), for usage errors.
std::string FarmOptionOwner(const std::string& option);

// farm submit|status|wait|cancel|release|resubmit|list|forget|task ...; options.files holds the
// farm command and its words. Returns 0, 1 on failure (a failed or cancelled scene for wait), 2
// for a usage error, 3 when wait gives up on a scheduler that does not answer.
int RunFarm(const TOptions& options, const std::filesystem::path& workFolder,
            const std::filesystem::path& programFolder);

} // namespace kelvane::cli
