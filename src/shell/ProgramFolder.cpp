#include "shell/ProgramFolder.h"

#include <cstdlib>
#include <unistd.h>

#ifndef KELVANE_DATA_FROM_BIN
#define KELVANE_DATA_FROM_BIN "../share/kelvane"
#endif
#ifndef KELVANE_RENDERER_FROM_BIN
#define KELVANE_RENDERER_FROM_BIN "../lib/kelvane"
#endif

namespace kelvane {

namespace {

bool HoldsProgramFiles(const fs::path& folder)
{
    return FileExists(folder / "readme.txt") || FileExists(folder / "Pellith.ini");
}

bool Writable(const fs::path& folder)
{
    return ::access(folder.c_str(), W_OK | X_OK) == 0;
}

// Copies what the target lacks, folder by folder; links and special files are left out.
void CopyMissing(const fs::path& from, const fs::path& to)
{
    std::error_code ec;
    fs::directory_iterator it(from, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        const fs::path source = it->path();
        const fs::path target = to / source.filename();
        const fs::file_status status = fs::symlink_status(source, ec);
        std::error_code ignored;
        if (fs::is_directory(status)) {
            fs::create_directory(target, ignored);
            CopyMissing(source, target);
        } else if (fs::is_regular_file(status) && !fs::exists(fs::symlink_status(target, ignored))) {
            fs::copy_file(source, target, ignored);
        }
        ec.clear();
    }
}

std::string Env(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

} // namespace

fs::path ChooseProgramFolder(const TProgramFolderPlace& place)
{
    const fs::path own = place.executableFolder / "";
    if (HoldsProgramFiles(own) && Writable(own))
        return own;
    fs::path base;
    if (!place.xdgDataHome.empty() && place.xdgDataHome.front() == '/')
        base = place.xdgDataHome;
    else if (!place.home.empty())
        base = fs::path(place.home) / ".local" / "share";
    else
        return own;
    const fs::path folder = base / "kelvane" / "";
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (!place.dataFolder.empty() && fs::is_directory(place.dataFolder, ec))
        CopyMissing(place.dataFolder, folder);
    return folder;
}

TProgramFolderPlace RunningPlace()
{
    TProgramFolderPlace place;
    place.executableFolder = ExecutableFolder();
    place.dataFolder = (place.executableFolder / KELVANE_DATA_FROM_BIN).lexically_normal();
    place.xdgDataHome = Env("XDG_DATA_HOME");
    place.home = Env("HOME");
    return place;
}

fs::path ProgramFolder()
{
    return ChooseProgramFolder(RunningPlace());
}

fs::path BundledRenderer(const fs::path& executableFolder)
{
    // Installed, it sits in the program's own library folder, where a renderer installed beside
    // the editor's executable cannot take its place; in a build folder, beside the editor.
    for (const fs::path& folder : {(executableFolder / KELVANE_RENDERER_FROM_BIN).lexically_normal(), executableFolder}) {
        const fs::path renderer = folder / "yafray";
        if (FileExists(renderer) && ::access(renderer.c_str(), X_OK) == 0)
            return renderer;
    }
    return {};
}

} // namespace kelvane
