#include "scene/FileIO.h"

#include "scene/Errors.h"

#include <cerrno>
#include <cstring>
#include <vector>
#include <fcntl.h>
#include <cstdint>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

namespace kelvane {

void FailFile(std::string_view what, const fs::path& file, int err)
{
    throw EFileError(std::string(what) + " \"" + file.string() + "\". " + std::strerror(err));
}

TFileHandle::~TFileHandle()
{
    if (fd_ >= 0)
        ::close(fd_);
}

int TFileHandle::Close()
{
    const int result = ::close(fd_);
    fd_ = -1;
    return result;
}

bool ReadFileVersion(const fs::path& file, TFileVersion& version)
{
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    version.device = st.st_dev;
    version.inode = st.st_ino;
    version.size = static_cast<unsigned long long>(st.st_size);
    version.modified[0] = st.st_mtim.tv_sec;
    version.modified[1] = st.st_mtim.tv_nsec;
    version.changed[0] = st.st_ctim.tv_sec;
    version.changed[1] = st.st_ctim.tv_nsec;
    return true;
}

TFileHandle OpenForReading(const fs::path& file, size_t& size)
{
    // A device, FIFO, socket or folder is refused before it is opened: opening a FIFO waits for
    // a writer, and opening a device may act on it. Opening without waiting covers one that
    // takes the name between the look and the opening.
    const auto notAFile = [&file] { throw EFileError(file.string() + " is not a file."); };
    struct stat st {};
    if (::stat(file.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
        notAFile();
    TFileHandle fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.Get() < 0)
        FailFile("Cannot open file", file, errno);
    if (::fstat(fd.Get(), &st) != 0)
        FailFile("Cannot open file", file, errno);
    if (!S_ISREG(st.st_mode))
        notAFile();
    size = static_cast<size_t>(st.st_size);
    return fd;
}

size_t ReadFull(int fd, char* into, size_t n, const fs::path& file)
{
    size_t got = 0;
    while (got < n) {
        const ssize_t r = ::read(fd, into + got, n - got);
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0)
            FailFile("Cannot read file", file, errno);
        if (r == 0)
            break;
        got += static_cast<size_t>(r);
    }
    return got;
}

void WriteFull(int fd, std::string_view bytes, const fs::path& file)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            FailFile("Cannot write file", file, errno);
        done += static_cast<size_t>(n);
    }
}

void AdviseLargeBuffer(const void* data, size_t size)
{
    // The advice covers the whole pages of the buffer: large mappings start on a 2 MiB boundary,
    // so rounding inwards would lose the first one.
    constexpr uintptr_t kPage = 4096;
    if (size < (uintptr_t(2) << 20))
        return;
    const uintptr_t begin = reinterpret_cast<uintptr_t>(data) & ~(kPage - 1);
    const uintptr_t end = (reinterpret_cast<uintptr_t>(data) + size + kPage - 1) & ~(kPage - 1);
    ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

std::string ReadWholeFile(const fs::path& file)
{
    size_t size = 0;
    const TFileHandle fd = OpenForReading(file, size);
    std::string bytes;
    bytes.reserve(size);
    AdviseLargeBuffer(bytes.data(), bytes.capacity());
    bytes.resize(size);
    bytes.resize(ReadFull(fd.Get(), bytes.data(), size, file));
    // A file that grew while reading: take the rest too.
    char chunk[65536];
    while (const size_t got = ReadFull(fd.Get(), chunk, sizeof chunk, file))
        bytes.append(chunk, got);
    return bytes;
}

void WriteNewFile(const fs::path& file, std::initializer_list<std::string_view> pieces)
{
    DeleteFileIfExists(file);
    TFileHandle fd(::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
    if (fd.Get() < 0)
        FailFile("Cannot create file", file, errno);
    try {
        for (std::string_view piece : pieces)
            WriteFull(fd.Get(), piece, file);
    } catch (...) {
        ::unlink(file.c_str());
        throw;
    }
    if (fd.Close() != 0) {
        const int err = errno;
        ::unlink(file.c_str());
        FailFile("Cannot write file", file, err);
    }
}

fs::path ResolveLinks(const fs::path& path)
{
    fs::path file = path;
    for (int hops = 0; hops < 40; ++hops) {
        std::error_code ec;
        if (!fs::is_symlink(fs::symlink_status(file, ec)))
            break;
        const fs::path to = fs::read_symlink(file, ec);
        if (ec)
            break;
        file = to.is_absolute() ? to : file.parent_path() / to;
    }
    return file;
}

TAtomicFileWriter::TAtomicFileWriter(const fs::path& target, bool removeStale) : target_(ResolveLinks(target))
{
    if (removeStale)
        RemoveStaleTempFiles(target_);
    const fs::path folder = target_.has_parent_path() ? target_.parent_path() : fs::path(".");
    std::string templ = (folder / TempFileTemplate(target_)).string();
    fd_ = ::mkstemp(templ.data());
    if (fd_ < 0)
        FailFile("Cannot create file", target, errno);
    LockInUse(fd_);
    temp_ = templ;
    guard_ = TTempGuard(temp_);
    // Keep the target's permissions where it exists; new files get the usual 0644.
    struct stat st {};
    ::fchmod(fd_, ::stat(target_.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644);
}

TAtomicFileWriter::~TAtomicFileWriter()
{
    if (fd_ >= 0) {
        ::close(fd_);
        ::unlink(temp_.c_str());
    }
}

namespace {
constexpr size_t kBufferSize = size_t(1) << 20;
constexpr size_t kGatheredFrom = 4096;       // smaller lasting pieces are copied all the same
constexpr size_t kMaxPieces = 512;           // within IOV_MAX
constexpr size_t kMaxGathered = size_t(8) << 20;
} // namespace

void TAtomicFileWriter::Write(std::string_view bytes)
{
    if (bytes.size() >= kBufferSize) {
        // Large pieces go straight to the file, without a copy into the buffer.
        Flush();
        WriteFull(fd_, bytes, target_);
        return;
    }
    if (buffer_.capacity() < kBufferSize)
        buffer_.reserve(kBufferSize);
    if (buffer_.size() + bytes.size() > kBufferSize)
        Flush();
    buffer_.append(bytes);
}

void TAtomicFileWriter::WriteLasting(std::string_view bytes)
{
    if (bytes.size() < kGatheredFrom) {
        Write(bytes);
        return;
    }
    if (buffer_.size() > bufferGathered_) {
        pieces_.push_back({buffer_.data() + bufferGathered_, buffer_.size() - bufferGathered_});
        bufferGathered_ = buffer_.size();
    }
    pieces_.push_back({bytes.data(), bytes.size()});
    pieceBytes_ += bytes.size();
    if (pieces_.size() >= kMaxPieces || pieceBytes_ >= kMaxGathered)
        Flush();
}

void TAtomicFileWriter::Flush()
{
    if (buffer_.size() > bufferGathered_)
        pieces_.push_back({buffer_.data() + bufferGathered_, buffer_.size() - bufferGathered_});
    std::vector<iovec> vectors;
    vectors.reserve(pieces_.size());
    for (const TPiece& piece : pieces_)
        vectors.push_back({const_cast<char*>(piece.data), piece.size});
    size_t first = 0;
    while (first < vectors.size()) {
        const ssize_t n = ::writev(fd_, vectors.data() + first, static_cast<int>(vectors.size() - first));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            FailFile("Cannot write file", target_, errno);
        // Skip what was written; a piece written in part goes on from where it stopped.
        size_t left = static_cast<size_t>(n);
        while (first < vectors.size() && left >= vectors[first].iov_len)
            left -= vectors[first++].iov_len;
        if (first < vectors.size()) {
            vectors[first].iov_base = static_cast<char*>(vectors[first].iov_base) + left;
            vectors[first].iov_len -= left;
        }
    }
    pieces_.clear();
    pieceBytes_ = 0;
    buffer_.clear();
    bufferGathered_ = 0;
}

// Flushed to disk and closed; the temporary file stays for the rename.
void TAtomicFileWriter::Finish()
{
    Flush();
    if (::fsync(fd_) != 0 && errno != EINVAL)
        FailFile("Cannot write file", target_, errno);
    const int closed = ::close(fd_);
    fd_ = -1;
    if (closed != 0) {
        const int err = errno;
        ::unlink(temp_.c_str());
        FailFile("Cannot write file", target_, err);
    }
}

void TAtomicFileWriter::Commit()
{
    Finish();
    if (::rename(temp_.c_str(), target_.c_str()) != 0) {
        const int err = errno;
        ::unlink(temp_.c_str());
        FailFile("Cannot create file", target_, err);
    }
    guard_ = TTempGuard();
}

bool TAtomicFileWriter::CommitNew()
{
    Finish();
    // A hard link claims the name only when it is free; file systems without hard links take the
    // rename that refuses to replace.
    int result = ::link(temp_.c_str(), target_.c_str());
    if (result != 0 && errno != EEXIST)
        result = ::renameat2(AT_FDCWD, temp_.c_str(), AT_FDCWD, target_.c_str(), RENAME_NOREPLACE);
    const int err = errno;
    ::unlink(temp_.c_str());
    guard_ = TTempGuard();
    if (result == 0)
        return true;
    if (err == EEXIST)
        return false;
    FailFile("Cannot create file", target_, err);
}

void WriteFileAtomic(const fs::path& target, std::string_view bytes, bool removeStale)
{
    TAtomicFileWriter writer(target, removeStale);
    writer.Write(bytes);
    writer.Commit();
}

namespace {

void WriteCopyOf(const fs::path& source, TAtomicFileWriter& writer)
{
    size_t size = 0;
    const TFileHandle in = OpenForReading(source, size);
    std::string chunk(1u << 20, '\0');
    while (const size_t got = ReadFull(in.Get(), chunk.data(), chunk.size(), source))
        writer.Write(std::string_view(chunk.data(), got));
}

} // namespace

void CopyFileAtomic(const fs::path& source, const fs::path& target)
{
    TAtomicFileWriter writer(target);
    WriteCopyOf(source, writer);
    writer.Commit();
}

bool SameFileContent(const fs::path& a, const fs::path& b)
{
    try {
        size_t sizeA = 0, sizeB = 0;
        const TFileHandle inA = OpenForReading(a, sizeA);
        const TFileHandle inB = OpenForReading(b, sizeB);
        if (sizeA != sizeB)
            return false;
        std::string chunkA(1u << 16, '\0'), chunkB(1u << 16, '\0');
        for (;;) {
            const size_t gotA = ReadFull(inA.Get(), chunkA.data(), chunkA.size(), a);
            const size_t gotB = ReadFull(inB.Get(), chunkB.data(), chunkB.size(), b);
            if (gotA != gotB || std::memcmp(chunkA.data(), chunkB.data(), gotA) != 0)
                return false;
            if (gotA == 0)
                return true;
        }
    } catch (const EFileError&) {
        return false;
    }
}

fs::path CopyBesideOthers(const fs::path& source, const fs::path& folder, const fs::path& name, bool& copied)
{
    copied = false;
    const std::string stem = name.stem().string();
    const std::string extension = name.extension().string();
    for (int n = 0; n < 10000; ++n) {
        const fs::path candidate = n == 0 ? name : name.parent_path() / (stem + "-" + std::to_string(n) + extension);
        const fs::path target = folder / candidate;
        // A second look when the name was taken while the copy was written.
        for (int look = 0; look < 2; ++look) {
            std::error_code ec;
            if (fs::equivalent(source, target, ec))
                return candidate;
            if (fs::exists(fs::symlink_status(target, ec))) {
                if (SameFileContent(source, target))
                    return candidate;
                break;
            }
            TAtomicFileWriter writer(target);
            WriteCopyOf(source, writer);
            if (writer.CommitNew()) {
                copied = true;
                return candidate;
            }
        }
    }
    FailFile("Cannot create file", folder / name, EEXIST);
}

bool FileExists(const fs::path& file)
{
    std::error_code ec;
    return fs::is_regular_file(file, ec);
}

void DeleteFileIfExists(const fs::path& file) noexcept
{
    std::error_code ec;
    if (fs::is_regular_file(fs::symlink_status(file, ec)) || fs::is_symlink(fs::symlink_status(file, ec)))
        fs::remove(file, ec);
}

fs::path MakePrivateTempDir(std::string_view prefix)
{
    std::error_code ec;
    fs::path base = fs::temp_directory_path(ec);
    if (ec)
        base = "/tmp";
    std::string templ = (base / (std::string(prefix) + "-XXXXXX")).string();
    if (!::mkdtemp(templ.data()))
        FailFile("Cannot create folder", templ, errno);
    return fs::path(templ);
}

fs::path ExecutableFolder()
{
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec)
        return fs::current_path() / "";
    return exe.parent_path() / "";
}

} // namespace kelvane
