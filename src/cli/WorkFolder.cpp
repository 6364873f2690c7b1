#include "cli/WorkFolder.h"

#include <chrono>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "scene/FileIO.h"

namespace kelvane::cli {

namespace {

constexpr const char* kPrefix = "kelvane-scene";

fs::path TempBase()
{
    std::error_code ec;
    fs::path base = fs::temp_directory_path(ec);
    return ec ? fs::path("/tmp") : base;
}

} // namespace

TWorkFolder::TWorkFolder()
{
    RemoveStaleWorkFolders(TempBase());
    path_ = MakePrivateTempDir(kPrefix);
    lock_ = ::open(path_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (lock_ >= 0)
        ::flock(lock_, LOCK_EX | LOCK_NB);
}

TWorkFolder::~TWorkFolder()
{
    std::error_code ec;
    fs::remove_all(path_, ec);
    if (lock_ >= 0)
        ::close(lock_);
}

int RemoveStaleWorkFolders(const fs::path& base)
{
    const std::string prefix = std::string(kPrefix) + "-";
    const auto old = fs::file_time_type::clock::now() - std::chrono::minutes(1);
    int removed = 0;
    std::error_code ec;
    for (fs::directory_iterator it(base, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path folder = it->path();
        std::error_code e;
        if (folder.filename().string().rfind(prefix, 0) != 0 || !fs::is_directory(fs::symlink_status(folder, e)) ||
            fs::last_write_time(folder, e) > old || e)
            continue;
        const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0)
            continue;
        // Only a folder of our own whose lock nobody holds: its run has ended.
        struct stat st {};
        if (::fstat(fd, &st) == 0 && st.st_uid == ::geteuid() && ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            fs::remove_all(folder, e);
            removed += !e;
        }
        ::close(fd);
    }
    return removed;
}

} // namespace kelvane::cli
