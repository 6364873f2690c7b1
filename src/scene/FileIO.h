#pragma once
// File access for the core. Failures raise EFileError with a message naming the file.
#include <filesystem>
#include <string>
#include <string_view>

namespace kelvane {

namespace fs = std::filesystem;

// Whole file as bytes. Raises EFileError when it does not exist, is a folder or cannot be read.
std::string ReadWholeFile(const fs::path& file);

// Writes bytes to a temporary file in the target's folder, flushes it and renames it over the
// target, so the target is either the old file or the complete new one. Raises EFileError.
void WriteFileAtomic(const fs::path& target, std::string_view bytes);

// Copies source onto target the same way (temporary file beside the target, then rename).
void CopyFileAtomic(const fs::path& source, const fs::path& target);

// Writer for large outputs assembled in pieces; Commit() renames the finished file over the
// target, and a writer destroyed without Commit() removes its temporary file.
class TAtomicFileWriter {
public:
    explicit TAtomicFileWriter(const fs::path& target);
    ~TAtomicFileWriter();
    TAtomicFileWriter(const TAtomicFileWriter&) = delete;
    TAtomicFileWriter& operator=(const TAtomicFileWriter&) = delete;

    void Write(std::string_view bytes);
    void Commit();

private:
    void Flush();
    void WriteAll(std::string_view bytes);
    fs::path target_;
    fs::path temp_;
    int fd_ = -1;
    std::string buffer_;
};

bool FileExists(const fs::path& file);   // a regular file (or a link to one)
void DeleteFileIfExists(const fs::path& file) noexcept;

// A new private folder (mode 0700) under the system's temporary folder, e.g. for one CLI run.
fs::path MakePrivateTempDir(std::string_view prefix);

// The folder of the running executable, with a trailing separator.
fs::path ExecutableFolder();

} // namespace kelvane
