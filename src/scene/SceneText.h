#pragma once
// Scene files as text: their bytes decoded and their line ends made CR LF, the form the mesh
// stash works on.
#include <cstddef>
#include <filesystem>
#include <string>

namespace kelvane {

namespace fs = std::filesystem;

// A scene file as the stash reads it: a UTF-16 file (with its byte-order mark) decoded to UTF-8,
// every other file byte for byte; every line end (CR, LF or CR LF) made CR LF, the last line's
// included. Raises EFileError when the file cannot be opened or read.
struct TSceneText {
    std::string text;
    bool transcoded = false;  // the bytes were UTF-16
};
TSceneText ReadSceneText(const fs::path& file);
// The same from the file's bytes.
TSceneText DecodeSceneText(std::string bytes);

// Reserves capacity for a large text, asking for 2 MiB pages.
void ReserveLargeText(std::string& text, size_t capacity);

} // namespace kelvane
