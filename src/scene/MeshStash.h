#pragma once
// The mesh stash: cuts every points-and-faces block and every transform start tag out of a scene
// text before parsing, keeps them in two lists and leaves small placeholder elements behind; the
// restore steps put them back into the text form of the tree.
//
// Placeholders: `<fake_mesh mesh="n" />` for mesh block n, `<fake_transform trns="n">` for
// transform tag n, whose end tag becomes "</fake_transform>", and the comment
// `<!--fake_comment n-->` for comment n, a comment that holds markup (an element put out of use),
// which is kept whole instead of being removed.
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace kelvane {

namespace fs = std::filesystem;
class TAtomicFileWriter;
struct TTextSpan;

class TMeshStash {
public:
    TMeshStash();
    ~TMeshStash();
    TMeshStash(TMeshStash&&) noexcept;
    TMeshStash& operator=(TMeshStash&&) noexcept;

    // Reads sceneFile, refills both lists and writes the shortened text, followed by one more
    // CR LF, to fakeFile (UTF-8 with a byte-order mark when the scene was UTF-16). Returns false
    // (and changes nothing) when the file does not exist; other failures raise EFileError and
    // leave the lists as they were.
    bool StashMeshes(const fs::path& sceneFile, const fs::path& fakeFile);
    // The in-memory core: a text with CR LF line ends in, the shortened text out; refills both
    // lists. The text is kept as the store the mesh blocks are views into.
    std::string StashText(std::string text);
    void Clear();

    size_t MeshCount() const { return meshes_.size(); }
    // Mesh block n: from "<points" through "</faces>" and the one character after it.
    std::string_view Mesh(size_t n) const;
    size_t TransformCount() const { return transforms_.size(); }
    // Transform tag n: from "<transform" through its '>'.
    std::string_view Transform(size_t n) const;
    size_t CommentCount() const { return comments_.size(); }
    // Comment n: from "<!--" through "-->", with the placeholders of the mesh blocks inside it.
    std::string_view Comment(size_t n) const;

    // Replaces every `<fake_transform trns="n">` and the character after it by transform tag n,
    // and as many "</fake_transform>" by "</transform>"; `<fake_transform trns="n"/>` becomes tag
    // n and "</transform>". A number that is not decimal raises EConvertError, one without a list
    // entry EListError.
    std::string RestoreTransforms(std::string_view text) const;
    // text = RestoreTransforms(text), made in text's own memory when the layout allows (reserve
    // TransformBytes() more for it).
    void RestoreTransformsInPlace(std::string& text) const;
    // The length of all transform tags.
    size_t TransformBytes() const;
    // Replaces every `<fake_mesh mesh="n"/>` and the character after it by mesh block n, and
    // every `<!--fake_comment n-->` by comment n (its mesh blocks put back too); errors as
    // RestoreTransforms. A comment marker without an entry stays as it is.
    std::string RestoreMeshes(std::string_view text) const;

private:
    friend class TMeshRestorer;
    // Where a list entry lives: a piece of the kept scene text, or of the owned store.
    struct TPiece {
        size_t offset = 0;
        size_t length = 0;
        bool owned = false;
    };
    std::string_view View(const TPiece& piece) const;
    template <class Sink>
    size_t RestoreMeshesTo(std::string_view text, bool final, Sink& sink, bool comments = true) const;

    struct TTextCursor {
        size_t at = 0;     // in text_
        size_t block = 0;  // the first mesh block that may lie at or after it
    };
    size_t FindInKeptText(std::string_view tag, TTextCursor& cursor) const;
    void CutMeshes(std::string& text, std::string& out);
    void CutComments(std::string& text, const std::vector<TTextSpan>& kept);
    std::string CutTransforms(std::string text);

    std::string text_;   // the normalised scene text while mesh blocks point into it
    std::string owned_;  // transform tags, and mesh blocks that are not one piece of text_
    std::vector<TPiece> meshes_;
    std::vector<TPiece> transforms_;
    std::vector<TPiece> comments_;  // always owned
};

// Reads a scene and stashes its meshes on another thread while the caller does other work (the
// editor builds its windows). The next StashMeshes takes the result if it asks for the same
// version of the same file, and reads anew otherwise. Once this object is gone, a result not taken
// is dropped.
class TStashReadAhead {
public:
    explicit TStashReadAhead(const fs::path& sceneFile);
    ~TStashReadAhead();
    TStashReadAhead(const TStashReadAhead&) = delete;
    TStashReadAhead& operator=(const TStashReadAhead&) = delete;
};

// RestoreMeshes over a text given in parts, written to a file as it goes: nothing the size of the
// text or of the result is held. The same bytes, and the same errors, as RestoreMeshes of the
// whole text.
class TMeshRestorer {
public:
    // The text is worked through whenever batch bytes of it are waiting.
    TMeshRestorer(const TMeshStash& stash, TAtomicFileWriter& out, size_t batch = size_t(256) << 10)
        : stash_(stash), out_(out), batch_(batch) {}
    // The next part of the text.
    void Feed(std::string_view part);
    // The text has ended: what is left is written, and out flushed.
    void Finish();

private:
    void Run(bool final);

    const TMeshStash& stash_;
    TAtomicFileWriter& out_;
    size_t batch_;
    std::string pending_;  // the text not yet written: parts of a placeholder wait here
};

} // namespace kelvane
