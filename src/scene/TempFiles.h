#pragma once
// Temporary files and folders of the program: removed on every way out, the signals that end a
// program included, and cleaned up after a run that was killed. A live writer or run holds a lock
// (flock) on its file or folder, so what nobody holds locked any more was left behind.
#include <filesystem>
#include <string_view>

namespace kelvane {

namespace fs = std::filesystem;

// While it lives, path (a file, or a folder of files) is removed when SIGINT, SIGTERM or SIGHUP
// ends the program, once RemoveTempFilesOnSignals() has run. It removes nothing itself. When all
// places are taken (64 at once), a path is not registered.
class TTempGuard {
public:
    TTempGuard() = default;
    explicit TTempGuard(const fs::path& path, bool folder = false);
    ~TTempGuard();
    TTempGuard(TTempGuard&& other) noexcept;
    TTempGuard& operator=(TTempGuard&& other) noexcept;
    TTempGuard(const TTempGuard&) = delete;
    TTempGuard& operator=(const TTempGuard&) = delete;

private:
    int slot_ = -1;
};

// Installs handlers for SIGINT, SIGTERM and SIGHUP: each removes what is registered, then the
// signal ends the program as it would have. A signal the program ignores stays ignored.
void RemoveTempFilesOnSignals();

// A private folder (mode 0700) under the system's temporary folder, named prefix + "-XXXXXX",
// holding the file "kelvane.lock", locked while this object lives; removed with it (and on the
// signals above). Folders of the same prefix that a killed run left (owned by this user, with a
// lock file nobody holds, untouched for a few seconds) are removed first. Raises EFileError when
// the folder cannot be made.
class TWorkFolder {
public:
    explicit TWorkFolder(std::string_view prefix);
    ~TWorkFolder();
    TWorkFolder(const TWorkFolder&) = delete;
    TWorkFolder& operator=(const TWorkFolder&) = delete;
    const fs::path& Path() const { return path_; }

private:
    fs::path path_;
    int lock_ = -1;
    TTempGuard guard_;
};

// Takes the lock that marks fd's file (or folder) as in use by this open descriptor.
void LockInUse(int fd);

// The name of the temporary files a TAtomicFileWriter of target makes beside it, with its six
// placeholder characters: "." + the file name + ".kelvane-XXXXXX".
std::string TempFileTemplate(const fs::path& target);

// Removes the temporary files our writers left beside target once they are gone: files of the
// pattern above that nobody holds locked and that have not changed for a few seconds.
void RemoveStaleTempFiles(const fs::path& target);

} // namespace kelvane
