#include "scene/SceneReading.h"

#include <cerrno>
#ifdef __GLIBC__
#include <malloc.h>
#endif

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
    std::unique_ptr<TDomDocument> document;
    {
        TXMLParser parser;
        parser.TrimText = true;
        parser.LoadFromFile(fakeFile);
        WorkTick();
        document = parser.CreateDocument();
    }
    WorkTick();
#ifdef __GLIBC__
    // The passes' buffers are gone: give their memory back rather than keep it for later.
    malloc_trim(0);
#endif
    // An empty (or binary) file reads as a document without elements; it is not a scene.
    if (!document->DocumentElement())
        throw EParserError("There is no scene in the file \"" + scene.string() + "\"");
    return document;
}

} // namespace kelvane
