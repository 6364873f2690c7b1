#pragma once
// A private temporary folder for one test, removed with everything in it at the end.
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace kelvane::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::filesystem::path operator/(std::string_view name) const { return path_ / std::filesystem::path(name); }
    // Writes bytes to a file in the folder and returns its path.
    std::filesystem::path Write(std::string_view name, std::string_view bytes) const;

private:
    std::filesystem::path path_;
};

// Whole file as bytes; empty when it cannot be read.
std::string ReadAll(const std::filesystem::path& file);

// Everything directly in a folder, sorted by path.
std::vector<std::filesystem::path> FolderEntries(const std::filesystem::path& folder);

} // namespace kelvane::test
