#pragma once
// Reading scene files into their document tree the way File > Open and the render job read them.
#include <filesystem>
#include <memory>

#include "scene/MeshStash.h"
#include "scene/ReadErrors.h"
#include "scene/skDom.h"

namespace kelvane {

// Stashes the scene's mesh blocks and transform tags into stash (which then holds the new
// file's entries), writes the shortened text to fakeFile, parses it with TrimText and deletes
// fakeFile, whether or not the parse succeeded. A missing scene raises EFileError naming it; a
// file without any element (empty or binary), and every reader and tree error, ESceneReadError
// with the reader's message and its place in the scene.
// File > Open, the render job and kelvane-scene all read scenes through it.
std::unique_ptr<TDomDocument> ReadSceneFile(const fs::path& scene, TMeshStash& stash, const fs::path& fakeFile);

} // namespace kelvane
