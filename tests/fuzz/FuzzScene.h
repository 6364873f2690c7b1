#pragma once
// The path every fuzz input takes, shared by the fuzz target and the regression test: the bytes
// are read as a scene file, stashed, the shortened text is read as the reader reads "~Fake.tmp",
// the tree is built and turned back into text, the transform tags are put back, the text is
// regrouped by kind and the mesh blocks are put back.
#include <cstdlib>
#include <cstdio>
#include <string>
#include <string_view>
#include <typeinfo>

#include "scene/Errors.h"
#include "scene/MeshStash.h"
#include "scene/ReadErrors.h"
#include "scene/SceneWriter.h"
#include "scene/SceneText.h"
#include "scene/TextCodec.h"
#include "scene/skDom.h"
#include "scene/skParser.h"
#include "scene/MeshStashReference.h"
#include "scene/ReorderReference.h"

namespace kelvane::fuzz {

// Short inputs are also stashed by the literal passes; a difference aborts.
inline void CompareWithLiteralPasses(const std::string& text, const std::string& shortened, const TMeshStash& stash)
{
    test::TReferenceStash ref;
    bool same = ref.StashText(text) == shortened && ref.meshes.size() == stash.MeshCount() &&
                ref.transforms.size() == stash.TransformCount() && ref.comments.size() == stash.CommentCount();
    for (size_t n = 0; same && n < ref.meshes.size(); ++n)
        same = ref.meshes[n] == stash.Mesh(n);
    for (size_t n = 0; same && n < ref.transforms.size(); ++n)
        same = ref.transforms[n] == stash.Transform(n);
    for (size_t n = 0; same && n < ref.comments.size(); ++n)
        same = ref.comments[n] == stash.Comment(n);
    if (!same) {
        std::fprintf(stderr, "stash differs from the literal passes\n");
        std::abort();
    }
}

// The regrouping against the plain passes, on the tree's text form and on the raw input.
inline void CompareReorder(std::string_view text)
{
    if (ReorderScene(text) != test::ReferenceReorderScene(text)) {
        std::fprintf(stderr, "regrouping differs from the plain passes\n");
        std::abort();
    }
}

// The restore steps against the literal ones on the tree's text form, where no placeholder is
// ever preceded by part of an end tag (text nodes hold no '<'). Errors must match too.
inline void CompareRestores(const std::string& written, const TMeshStash& stash)
{
    test::TReferenceStash ref;
    for (size_t n = 0; n < stash.MeshCount(); ++n)
        ref.meshes.emplace_back(stash.Mesh(n));
    for (size_t n = 0; n < stash.TransformCount(); ++n)
        ref.transforms.emplace_back(stash.Transform(n));
    for (size_t n = 0; n < stash.CommentCount(); ++n)
        ref.comments.emplace_back(stash.Comment(n));
    auto outcome = [](auto&& f) {
        try {
            return "=" + f();
        } catch (const EKelvaneError& e) {
            return std::string("!") + typeid(e).name() + e.what();
        }
    };
    const std::string fastT = outcome([&] { return stash.RestoreTransforms(written); });
    const std::string slowT = outcome([&] { return ref.RestoreTransforms(written); });
    const std::string inPlaceT = outcome([&] {
        std::string text = written;
        stash.RestoreTransformsInPlace(text);
        return text;
    });
    const std::string fastM = outcome([&] { return stash.RestoreMeshes(written); });
    const std::string slowM = outcome([&] { return ref.RestoreMeshes(written); });
    if (fastT != slowT || inPlaceT != slowT || fastM != slowM) {
        std::fprintf(stderr, "restore differs from the literal passes\n");
        std::abort();
    }
}

// The 8-bit text form matches the wide one, and stays the same once every attribute has been
// asked for as a node (values then live in the nodes instead of the reader's text).
inline void CompareAttributeForms(const TDomDocument& doc, const std::string& written)
{
    std::string utf8;
    AppendXmlUtf8(utf8, doc, 7, 7);
    const std::unique_ptr<TDomDocument> copy = doc.CloneDocument(true);
    for (TDomNode* n = copy.get(); n; n = NextInSubtree(n, copy.get()))
        if (TDomElement* e = n->AsElement())
            for (int i = 0; i < e->AttributeCount(); ++i)
                e->GetAttributes()->Item(i);
    std::string nodes;
    AppendXmlUtf8(nodes, *copy, 7, 7);
    if (utf8 != written || nodes != written) {
        std::fprintf(stderr, "attribute text forms differ\n");
        std::abort();
    }
}

// A reading error is placed within the original text, and the hints look at it safely.
inline void PlaceError(std::string_view bytes, std::string_view original, const TXMLParser& parser)
{
    (void)BinaryHint(bytes.substr(0, 512));
    if (parser.ErrorOffset() == std::string_view::npos)
        return;
    const size_t at = OriginalOffset(original, parser.Source(), parser.ErrorOffset());
    const TTextPlace place = PlaceOf(original, at);
    const size_t misplaced = MisplacedMesh(original, original.find('\n', at));
    if (at > original.size() || place.line == 0 || place.column == 0 ||
        (misplaced != std::string_view::npos && misplaced >= original.size())) {
        std::fprintf(stderr, "error placed outside the text\n");
        std::abort();
    }
}

// Raises only EKelvaneError kinds on bad input.
inline void ReadSceneBytes(std::string_view bytes, bool compare)
{
    TSceneText scene = DecodeSceneText(std::string(bytes));
    const std::string original = scene.text;
    TMeshStash stash;
    const std::string text = compare && scene.text.size() <= 1024 ? scene.text : std::string();
    std::string fake = stash.StashText(std::move(scene.text));
    if (!text.empty()) {
        CompareWithLiteralPasses(text, fake, stash);
        CompareReorder(text);
    }
    if (scene.transcoded)
        fake.insert(0, "\xEF\xBB\xBF");
    fake += "\r\n";

    // As TXMLParser::LoadFromFile reads the file.
    TXMLParser parser;
    parser.TrimText = true;
    const uint8_t code = DetectEncoding(std::string_view(fake).substr(0, 100));
    parser.SetEncodingCode(code);
    std::unique_ptr<TDomDocument> doc;
    try {
        parser.ReadTokens(NormaliseLineEnds(DecodeSceneBytes(fake, code)));
        doc = parser.CreateDocument();
    } catch (const EKelvaneError&) {
        PlaceError(bytes, original, parser);
        throw;
    }

    const std::string written = Narrow(doc->GetXML(7, 7));
    if (compare && written.size() <= 4096) {
        CompareRestores(written, stash);
        CompareAttributeForms(*doc, written);
    }
    const std::string transforms = stash.RestoreTransforms(written);
    if (compare && transforms.size() <= 4096)
        CompareReorder(transforms);
    const std::string restored = stash.RestoreMeshes(ReorderScene(transforms));
    (void)restored;
}

} // namespace kelvane::fuzz
