#pragma once
// The private work folder of one kelvane-scene run ("kelvane-scene-XXXXXX" in the temporary
// folder): locked while the run lives, removed when it ends. A run that was killed (a farm task
// past its time limit, say) leaves its folder behind unlocked; the next run removes it.
#include <filesystem>

namespace kelvane::cli {

class TWorkFolder {
public:
    TWorkFolder();
    ~TWorkFolder();
    TWorkFolder(const TWorkFolder&) = delete;
    TWorkFolder& operator=(const TWorkFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
    int lock_ = -1;
};

// Removes the work folders in `base` that no living run holds and that have not changed for a
// minute (a folder just made is locked a moment later); returns how many.
int RemoveStaleWorkFolders(const std::filesystem::path& base);

} // namespace kelvane::cli
