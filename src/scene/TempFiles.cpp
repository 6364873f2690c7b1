#include "scene/TempFiles.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "scene/FileIO.h"

namespace kelvane {

namespace {

// ---- The places the signal handler removes ---------------------------------------------------

constexpr int kSlots = 64;
constexpr int kFree = 0, kFilling = 1, kTaken = 2;

struct TSlot {
    std::atomic<int> state{kFree};
    bool folder = false;
    char path[PATH_MAX] = {};
};

TSlot slots[kSlots];

// What the handler may call: system calls only.
void RemoveFolderNow(const char* path)
{
    const int fd = ::open(path, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0) {
        alignas(8) char buffer[4096];
        // Entries removed while the folder is read may hide others: read it again until a pass
        // finds nothing left to remove.
        for (int pass = 0; pass < 16; ++pass) {
            bool removed = false;
            ::lseek(fd, 0, SEEK_SET);
            for (;;) {
                const long got = ::syscall(SYS_getdents64, fd, buffer, sizeof buffer);
                if (got <= 0)
                    break;
                for (long at = 0; at < got;) {
                    const auto* entry = reinterpret_cast<const struct dirent64*>(buffer + at);
                    at += entry->d_reclen;
                    const char* name = entry->d_name;
                    if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
                        continue;
                    if (::unlinkat(fd, name, 0) == 0 || ::unlinkat(fd, name, AT_REMOVEDIR) == 0)
                        removed = true;
                }
            }
            if (!removed)
                break;
        }
        ::close(fd);
    }
    ::rmdir(path);
}

extern "C" void OnEndingSignal(int signal)
{
    const int saved = errno;
    for (TSlot& slot : slots) {
        if (slot.state.load() != kTaken)
            continue;
        if (slot.folder)
            RemoveFolderNow(slot.path);
        else
            ::unlink(slot.path);
    }
    errno = saved;
    // The handler was reset on entry: the signal now ends the program as it would have.
    ::raise(signal);
}

int Register(const fs::path& path, bool folder)
{
    const std::string& text = path.native();
    if (text.empty() || text.size() >= PATH_MAX)
        return -1;
    for (int i = 0; i < kSlots; ++i) {
        int expected = kFree;
        if (!slots[i].state.compare_exchange_strong(expected, kFilling))
            continue;
        std::memcpy(slots[i].path, text.c_str(), text.size() + 1);
        slots[i].folder = folder;
        slots[i].state.store(kTaken);
        return i;
    }
    return -1;
}

// ---- Left behind ----------------------------------------------------------------------------

constexpr time_t kSettleSeconds = 2;  // a fresh file or folder may not be locked yet

bool IsOldEnough(const struct stat& st)
{
    return std::time(nullptr) - st.st_mtim.tv_sec >= kSettleSeconds;
}

// True when nobody holds the lock of the file or folder that fd opens.
bool NobodyHolds(int fd)
{
    return ::flock(fd, LOCK_EX | LOCK_NB) == 0;
}

bool IsPlaceholderChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// name is head followed by six placeholder characters.
bool MatchesTemplate(std::string_view name, std::string_view head)
{
    if (name.size() != head.size() + 6 || !name.starts_with(head))
        return false;
    for (char c : name.substr(head.size()))
        if (!IsPlaceholderChar(c))
            return false;
    return true;
}

fs::path TempBase()
{
    std::error_code ec;
    fs::path base = fs::temp_directory_path(ec);
    return ec ? fs::path("/tmp") : base;
}

// The file inside a work folder whose lock tells that its run is alive.
constexpr const char* kLockFile = "kelvane.lock";

// Folders without the lock file (made by other programs, or older versions) are left alone.
void RemoveStaleWorkFolders(const fs::path& base, std::string_view prefix)
{
    const std::string head = std::string(prefix) + "-";
    std::error_code ec;
    for (fs::directory_iterator it(base, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (!MatchesTemplate(name, head))
            continue;
        struct stat st {};
        if (::lstat(it->path().c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid() || !IsOldEnough(st))
            continue;
        TFileHandle fd(::open((it->path() / kLockFile).c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        if (fd.Get() >= 0 && NobodyHolds(fd.Get())) {
            std::error_code removeError;
            fs::remove_all(it->path(), removeError);
        }
    }
}

} // namespace

// ---- TTempGuard -----------------------------------------------------------------------------

TTempGuard::TTempGuard(const fs::path& path, bool folder) : slot_(Register(path, folder)) {}

TTempGuard::~TTempGuard()
{
    if (slot_ >= 0)
        slots[slot_].state.store(kFree);
}

TTempGuard::TTempGuard(TTempGuard&& other) noexcept : slot_(other.slot_)
{
    other.slot_ = -1;
}

TTempGuard& TTempGuard::operator=(TTempGuard&& other) noexcept
{
    if (this != &other) {
        if (slot_ >= 0)
            slots[slot_].state.store(kFree);
        slot_ = other.slot_;
        other.slot_ = -1;
    }
    return *this;
}

void RemoveTempFilesOnSignals()
{
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction old {};
        if (::sigaction(signal, nullptr, &old) != 0 || old.sa_handler != SIG_DFL)
            continue;
        struct sigaction action {};
        action.sa_handler = OnEndingSignal;
        action.sa_flags = SA_RESETHAND;
        sigemptyset(&action.sa_mask);
        ::sigaction(signal, &action, nullptr);
    }
}

// ---- TWorkFolder ----------------------------------------------------------------------------

TWorkFolder::TWorkFolder(std::string_view prefix)
{
    const fs::path base = TempBase();
    RemoveStaleWorkFolders(base, prefix);
    path_ = MakePrivateTempDir(prefix);
    lock_ = ::open((path_ / kLockFile).c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (lock_ >= 0)
        LockInUse(lock_);
    guard_ = TTempGuard(path_, true);
}

TWorkFolder::~TWorkFolder()
{
    guard_ = TTempGuard();
    std::error_code ec;
    fs::remove_all(path_, ec);
    if (lock_ >= 0)
        ::close(lock_);
}

// ---- Temporary files beside a target ----------------------------------------------------------

void LockInUse(int fd)
{
    ::flock(fd, LOCK_EX | LOCK_NB);
}

std::string TempFileTemplate(const fs::path& target)
{
    return "." + target.filename().string() + ".kelvane-XXXXXX";
}

void RemoveStaleTempFiles(const fs::path& target)
{
    std::string head = TempFileTemplate(target);
    head.resize(head.size() - 6);
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path& file = it->path();
        if (!MatchesTemplate(file.filename().string(), head))
            continue;
        TFileHandle fd(::open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        struct stat opened {}, named {};
        if (fd.Get() < 0 || ::fstat(fd.Get(), &opened) != 0 || !S_ISREG(opened.st_mode) || !IsOldEnough(opened) ||
            !NobodyHolds(fd.Get()))
            continue;
        // Still the file looked at, not one put under its name since.
        if (::lstat(file.c_str(), &named) == 0 && named.st_ino == opened.st_ino && named.st_dev == opened.st_dev)
            ::unlink(file.c_str());
    }
}

} // namespace kelvane
