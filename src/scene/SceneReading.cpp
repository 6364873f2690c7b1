#include "scene/SceneReading.h"

#include <cerrno>
#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "scene/Errors.h"
#include "scene/FileIO.h"
#include "scene/ReadErrors.h"
#include "scene/SceneText.h"
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

// The first bytes of the scene, for a hint at what the file is; empty when it cannot be read.
std::string HeadOf(const fs::path& scene)
{
    try {
        size_t size = 0;
        const TFileHandle fd = OpenForReading(scene, size);
        std::string head(512, '\0');
        head.resize(ReadFull(fd.Get(), head.data(), head.size(), scene));
        return head;
    } catch (const EKelvaneError&) {
        return {};
    }
}

// The reader's error message, placed in the scene as the user has it.
ESceneReadError PlacedError(const fs::path& scene, const std::string& message, const TXMLParser& parser)
{
    std::string hint = BinaryHint(HeadOf(scene));
    size_t line = 0, column = 0;
    if (parser.ErrorOffset() != std::string_view::npos) {
        std::string original;
        try {
            original = ReadSceneText(scene).text;
        } catch (const EKelvaneError&) {
            return ESceneReadError(message, scene.string(), 0, 0, hint);  // gone since: no place
        }
        size_t at = OriginalOffset(original, parser.Source(), parser.ErrorOffset());
        // The end of the text is shown at the end of its last line.
        if (at + 2 >= original.size() && original.size() >= 2 && original.ends_with("\r\n"))
            at = original.size() - 2;
        if (hint.empty()) {
            // A mesh block on a line with other markup breaks the markup around it.
            const size_t lineEnd = original.find('\n', at);
            if (const size_t misplaced = MisplacedMesh(original, lineEnd); misplaced != std::string_view::npos) {
                at = misplaced;
                hint = "mesh data must stand on lines of its own";
            } else if (!parser.EndedInside().empty()) {
                hint = "the file ends inside " + std::string(parser.EndedInside());
            }
        }
        const TTextPlace place = PlaceOf(original, at);
        line = place.line;
        column = place.column;
    }
    return ESceneReadError(message, scene.string(), line, column, hint);
}

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
        try {
            parser.LoadFromFile(fakeFile);
            WorkTick();
            document = parser.CreateDocument();
        } catch (const EParserError& e) {
            throw PlacedError(scene, e.what(), parser);
        } catch (const EDomException& e) {
            throw PlacedError(scene, e.what(), parser);
        }
    }
    WorkTick();
#ifdef __GLIBC__
    // The passes' buffers are gone: give their memory back rather than keep it for later.
    malloc_trim(0);
#endif
    // An empty (or binary) file reads as a document without elements; it is not a scene.
    if (!document->DocumentElement())
        throw ESceneReadError("There is no scene in the file \"" + scene.string() + "\"", scene.string(), 0, 0,
                              BinaryHint(HeadOf(scene)));
    return document;
}

} // namespace kelvane
