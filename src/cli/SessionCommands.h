#pragma once
// kelvane-scene list / save / edit: scenes opened, edited and saved through the editor's session.
#include <filesystem>

#include "cli/Options.h"

namespace kelvane::cli {

// Each takes the parsed command line (its files checked in number) and a private folder for the
// run's temporary files; prints failures on standard error and returns the exit status (0 or 1).

// list FILE: the element-list rows, "[x] ", "[ ] " or "[-] " and the row text, one a line.
int RunSessionList(const TOptions& options, const std::filesystem::path& workFolder);
// save FILE OUT [--leave-out ROW]...: FILE saved as OUT with the named rows unchecked.
int RunSessionSave(const TOptions& options, const std::filesystem::path& workFolder);
// edit FILE [SCRIPT]: an edit script (SCRIPT, or standard input) run on FILE.
int RunSessionEdit(const TOptions& options, const std::filesystem::path& workFolder);

} // namespace kelvane::cli
