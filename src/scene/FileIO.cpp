#include "scene/FileIO.h"

#include "scene/Errors.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kelvane {

namespace {

std::string Quoted(const fs::path& file)
{
    return "\"" + file.string() + "\"";
}

[[noreturn]] void Fail(const std::string& what, const fs::path& file, int err)
{
    throw EFileError(what + " " + Quoted(file) + ". " + std::strerror(err));
}

} // namespace

std::string ReadWholeFile(const fs::path& file)
{
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        Fail("Cannot open file", file, errno);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const int err = S_ISDIR(st.st_mode) ? EISDIR : errno;
        ::close(fd);
        Fail("Cannot open file", file, err ? err : EINVAL);
    }
    std::string bytes;
    bytes.resize(static_cast<size_t>(st.st_size));
    size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int err = errno;
            ::close(fd);
            Fail("Cannot read file", file, err);
        }
        if (n == 0)
            break;
        got += static_cast<size_t>(n);
    }
    bytes.resize(got);
    // A file that grew while reading: take the rest too.
    char chunk[65536];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        bytes.append(chunk, static_cast<size_t>(n));
    }
    ::close(fd);
    return bytes;
}

TAtomicFileWriter::TAtomicFileWriter(const fs::path& target) : target_(target)
{
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    std::string templ = (folder / ("." + target.filename().string() + ".kelvane-XXXXXX")).string();
    fd_ = ::mkstemp(templ.data());
    if (fd_ < 0)
        Fail("Cannot create file", target, errno);
    temp_ = templ;
    // Keep the target's permissions where it exists; new files get the usual 0644.
    struct stat st {};
    ::fchmod(fd_, ::stat(target.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644);
}

TAtomicFileWriter::~TAtomicFileWriter()
{
    if (fd_ >= 0) {
        ::close(fd_);
        ::unlink(temp_.c_str());
    }
}

void TAtomicFileWriter::Write(std::string_view bytes)
{
    if (bytes.size() >= (1u << 20)) {
        // Large pieces go straight to the file, without a copy into the buffer.
        Flush();
        WriteAll(bytes);
        return;
    }
    buffer_.append(bytes);
    if (buffer_.size() >= (1u << 20))
        Flush();
}

void TAtomicFileWriter::WriteAll(std::string_view bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            Fail("Cannot write file", target_, errno);
        done += static_cast<size_t>(n);
    }
}

void TAtomicFileWriter::Flush()
{
    WriteAll(buffer_);
    buffer_.clear();
}

void TAtomicFileWriter::Commit()
{
    Flush();
    if (::fsync(fd_) != 0 && errno != EINVAL)
        Fail("Cannot write file", target_, errno);
    const int closed = ::close(fd_);
    fd_ = -1;
    if (closed != 0) {
        const int err = errno;
        ::unlink(temp_.c_str());
        Fail("Cannot write file", target_, err);
    }
    if (::rename(temp_.c_str(), target_.c_str()) != 0) {
        const int err = errno;
        ::unlink(temp_.c_str());
        Fail("Cannot create file", target_, err);
    }
}

void WriteFileAtomic(const fs::path& target, std::string_view bytes)
{
    TAtomicFileWriter writer(target);
    writer.Write(bytes);
    writer.Commit();
}

void CopyFileAtomic(const fs::path& source, const fs::path& target)
{
    const int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        Fail("Cannot open file", source, errno);
    try {
        TAtomicFileWriter writer(target);
        std::string chunk(1u << 20, '\0');
        for (;;) {
            const ssize_t n = ::read(in, chunk.data(), chunk.size());
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                Fail("Cannot read file", source, errno);
            if (n == 0)
                break;
            writer.Write(std::string_view(chunk.data(), static_cast<size_t>(n)));
        }
        writer.Commit();
    } catch (...) {
        ::close(in);
        throw;
    }
    ::close(in);
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
        Fail("Cannot create folder", templ, errno);
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
