#pragma once
// kelvane-scene history, compare and check --render.
#include <filesystem>

#include "cli/Options.h"

namespace kelvane::cli {

// history SCENE: the editor's render history of SCENE, newest first, one entry a line.
int RunHistory(const TOptions& options, const std::filesystem::path& programFolder);
// compare A B: the mean difference per channel and the share of changed pixels of two pictures.
int RunCompare(const TOptions& options);
// check --render FILE...: the pre-flight findings, "FILE: ELEMENT: FINDING"; 3 when there are any.
int RunCheckRender(const TOptions& options, const std::filesystem::path& workFolder);

} // namespace kelvane::cli
