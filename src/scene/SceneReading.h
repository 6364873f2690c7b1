#pragma once
// Reading scene files: their text as the stash takes it, and their document tree the way
// File > Open and the render job read it.
#include <filesystem>
#include <memory>
#include <string>

#include "scene/MeshStash.h"
#include "scene/skDom.h"

namespace kelvane {

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

// Stashes the scene's mesh blocks and transform tags into stash (which then holds the new
// file's entries), writes the shortened text to fakeFile, parses it with TrimText and deletes
// fakeFile, whether or not the parse succeeded. A missing scene raises EFileError naming it;
// reader and tree errors pass through.
std::unique_ptr<TDomDocument> ReadSceneFile(const fs::path& scene, TMeshStash& stash, const fs::path& fakeFile);

} // namespace kelvane
