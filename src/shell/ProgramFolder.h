#pragma once
// The program folder: where the settings file "Pellith.ini", the temporary files and the
// read-me live.
//
// The executable's own folder when it holds the program's files (the read-me or the settings
// file) and can be written: a build folder or an unpacked portable copy. Otherwise (an installed
// program) the per-user folder $XDG_DATA_HOME/kelvane/ (~/.local/share/kelvane/ when the variable
// is unset or not absolute), created on first use and given a copy of every installed data file
// it lacks; files already there are kept. Without a home to put it in, the executable's folder.
#include "scene/FileIO.h"

#include <string>

namespace kelvane {

struct TProgramFolderPlace {
    fs::path executableFolder;
    fs::path dataFolder;       // the installed data files; empty or missing: nothing to copy
    std::string xdgDataHome;   // the environment's values, empty when unset
    std::string home;
};

// The program folder for a place, with a trailing separator; creates and fills the per-user
// folder when that is the one. Never throws: a folder or file that cannot be made shows later,
// when it is written.
fs::path ChooseProgramFolder(const TProgramFolderPlace& place);

// The running program's place: its executable's folder, the installed data folder beside it
// (KELVANE_DATA_FROM_BIN relative to the executable's folder) and the environment.
TProgramFolderPlace RunningPlace();
fs::path ProgramFolder();

// The renderer shipped with the program: "yafray" in the installed program's library folder
// (KELVANE_RENDERER_FROM_BIN relative to the executable's folder), else in the executable's
// folder; empty when there is no such executable file.
fs::path BundledRenderer(const fs::path& executableFolder);

} // namespace kelvane
