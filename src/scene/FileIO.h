#pragma once
// File access for the core. Failures raise EFileError with a message naming the file.
#include <cstddef>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "scene/TempFiles.h"

namespace kelvane {

namespace fs = std::filesystem;

// Raises EFileError with the one form of every file failure: what, the file name in double quotes,
// ". " and the system's text for err ("Cannot open file \"a.xml\". No such file or directory").
[[noreturn]] void FailFile(std::string_view what, const fs::path& file, int err);

// An open file descriptor, closed with the object.
class TFileHandle {
public:
    explicit TFileHandle(int fd = -1) : fd_(fd) {}
    ~TFileHandle();
    TFileHandle(TFileHandle&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    TFileHandle& operator=(TFileHandle&&) = delete;
    TFileHandle(const TFileHandle&) = delete;
    TFileHandle& operator=(const TFileHandle&) = delete;
    int Get() const { return fd_; }
    // Closes now; the result of close().
    int Close();

private:
    int fd_;
};

// What tells one version of a regular file from another: any write changes its change time.
struct TFileVersion {
    unsigned long long device = 0, inode = 0, size = 0;
    long long modified[2] = {0, 0}, changed[2] = {0, 0};  // seconds, nanoseconds
    bool operator==(const TFileVersion&) const = default;
};
// False when file is not a regular file that can be looked at.
bool ReadFileVersion(const fs::path& file, TFileVersion& version);

// Opens a regular file for reading and gives its size. Raises EFileError: "Cannot open file" when
// it cannot be opened, "NAME is not a file." (NAME as given) for a folder, device, FIFO or socket,
// which is never opened or read.
TFileHandle OpenForReading(const fs::path& file, size_t& size);
// Reads up to n bytes, fewer only at the end of the file. Raises EFileError ("Cannot read file").
size_t ReadFull(int fd, char* into, size_t n, const fs::path& file);
// Writes every byte. Raises EFileError ("Cannot write file").
void WriteFull(int fd, std::string_view bytes, const fs::path& file);

// Asks for a large buffer (2 MiB or more) to be faulted in as 2 MiB pages where the system allows
// it: first touches of fresh memory dominate the time of reading a big scene.
void AdviseLargeBuffer(const void* data, size_t size);

// Whole file as bytes. Raises EFileError when it does not exist, is a folder or cannot be read.
std::string ReadWholeFile(const fs::path& file);

// The file a path names once its symbolic links are followed (one that names nothing yet
// included): what a write of path replaces.
fs::path ResolveLinks(const fs::path& path);

// Writes bytes to a temporary file in the target's folder, flushes it and renames it over the
// target, so the target is either the old file or the complete new one; a symbolic link is kept
// and the file it names written. Raises EFileError.
void WriteFileAtomic(const fs::path& target, std::string_view bytes, bool removeStale = false);

// Writes the pieces, one after the other, to a file made afresh (one left under that name, or a
// link, is deleted first, never written through). For temporary files that nobody else reads while
// they are written; a failure raises EFileError and leaves no file.
void WriteNewFile(const fs::path& file, std::initializer_list<std::string_view> pieces);

// Copies source onto target the same way (temporary file beside the target, then rename).
void CopyFileAtomic(const fs::path& source, const fs::path& target);

// A copy of source in folder under name (a name relative to folder), never over a different
// file: a file there with the same bytes is used as it is, else the first free name of the form
// stem + "-" + N + extension (N from 1) is taken. Returns the name used; copied tells whether a
// copy was made. Raises EFileError.
fs::path CopyBesideOthers(const fs::path& source, const fs::path& folder, const fs::path& name, bool& copied);

// Whether two files hold the same bytes. False when one cannot be read.
bool SameFileContent(const fs::path& a, const fs::path& b);

// Writer for large outputs assembled in pieces; Commit() renames the finished file over the
// target (the file a symbolic link names, the link kept), and a writer destroyed without Commit()
// removes its temporary file. The temporary file (TempFileTemplate) is locked while it is written
// and removed on the signals that end the program; with removeStale, the ones a killed writer left
// beside the target go first (a look through the target's folder).
class TAtomicFileWriter {
public:
    explicit TAtomicFileWriter(const fs::path& target, bool removeStale = false);
    ~TAtomicFileWriter();
    TAtomicFileWriter(const TAtomicFileWriter&) = delete;
    TAtomicFileWriter& operator=(const TAtomicFileWriter&) = delete;

    void Write(std::string_view bytes);
    // The same for bytes that stay valid until the next Flush() or Commit(): large pieces are not
    // copied but gathered, and written together.
    void WriteLasting(std::string_view bytes);
    // Writes out everything given so far.
    void Flush();
    void Commit();
    // Commit() that never replaces a file: false (and nothing written) when the target exists.
    bool CommitNew();

private:
    void Finish();
    struct TPiece {
        const char* data;
        size_t size;
    };
    fs::path target_;
    fs::path temp_;
    int fd_ = -1;
    std::string buffer_;      // never beyond its first capacity, so gathered pieces may view it
    size_t bufferGathered_ = 0;  // buffer bytes already among the pieces
    std::vector<TPiece> pieces_;
    size_t pieceBytes_ = 0;
    TTempGuard guard_;
};

bool FileExists(const fs::path& file);   // a regular file (or a link to one)
void DeleteFileIfExists(const fs::path& file) noexcept;

// A new private folder (mode 0700) under the system's temporary folder, e.g. for one CLI run.
fs::path MakePrivateTempDir(std::string_view prefix);

// The folder of the running executable, with a trailing separator.
fs::path ExecutableFolder();

} // namespace kelvane
