#include "scene/SceneReading.h"

#include <cerrno>

#include "scene/Errors.h"
#include "scene/FileIO.h"
#include "scene/skParser.h"
#include "scene/WorkTick.h"

namespace kelvane {

namespace {

// Deletes the file when the scope ends, however it ends.
class TDeleteOnExit {
public:
    explicit TDeleteOnExit(const fs::path& file) : file_(file) {}
    ~TDeleteOnExit() { DeleteFileIfExists(file_); }
    TDeleteOnExit(const TDeleteOnExit&) = delete;
    TDeleteOnExit& operator=(const TDeleteOnExit&) = delete;

private:
    const fs::path& file_;
};

} // namespace

std::unique_ptr<TDomDocument> ReadSceneFile(const fs::path& scene, TMeshStash& stash, const fs::path& fakeFile)
{
    TDeleteOnExit cleanUp(fakeFile);
    // Without this check the parse would read a missing (or a stale) shortened file.
    if (!stash.StashMeshes(scene, fakeFile))
        FailFile("Cannot open file", scene, ENOENT);
    WorkTick();
    TXMLParser parser;
    parser.TrimText = true;
    parser.LoadFromFile(fakeFile);
    WorkTick();
    std::unique_ptr<TDomDocument> document = parser.CreateDocument();
    WorkTick();
    // An empty (or binary) file reads as a document without elements; it is not a scene.
    if (!document->DocumentElement())
        throw EParserError("There is no scene in the file \"" + scene.string() + "\"");
    return document;
}

} // namespace kelvane
