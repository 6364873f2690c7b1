// Reading errors placed in the file as the user has it, through everything the stash cuts out.
#include "scene/ReadErrors.h"
#include "scene/SceneReading.h"
#include "scene/TextCodec.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <random>

namespace kelvane {
namespace {

using test::TempDir;

struct TPlaced {
    std::string what, message, hint;
    size_t line = 0, column = 0;
};

TPlaced ReadFailure(const TempDir& dir, std::string_view bytes)
{
    const fs::path scene = dir.Write("scene.xml", bytes);
    TMeshStash stash;
    try {
        ReadSceneFile(scene, stash, dir / "~Fake.tmp");
    } catch (const ESceneReadError& e) {
        EXPECT_EQ(e.File(), scene.string());
        return {e.what(), e.Message(), e.Hint(), e.Line(), e.Column()};
    }
    ADD_FAILURE() << "no error for " << bytes;
    return {};
}

// Line and column of offset in bytes as a user's editor counts them: CR, LF and CR LF end a line,
// columns count UTF-8 characters.
std::pair<size_t, size_t> EditorPlace(std::string_view bytes, size_t offset)
{
    size_t line = 1, column = 1;
    for (size_t i = 0; i < offset; ++i) {
        const char c = bytes[i];
        if (c == '\n' || (c == '\r' && (i + 1 >= bytes.size() || bytes[i + 1] != '\n'))) {
            ++line;
            column = 1;
        } else if (c != '\r' && (static_cast<unsigned char>(c) & 0xC0) != 0x80) {
            ++column;
        }
    }
    return {line, column};
}

// Scenes built from the pieces the stash cuts (mesh blocks, transform tags, comments, blank
// values) in random order and line ends, with one stray end tag among them: the error names the
// stray tag's own line and column.
TEST(ReadErrors, PlaceIsTracedBackThroughEveryCut)
{
    const std::vector<std::string> pieces = {
        "<transform m00=\"1\" m01=\"0\">\n<object name=\"O\" shader_name=\"s\">\n<mesh autosmooth=\"30\">\n"
        "\t<points>\n\t\t<p x=\"1\" y=\"2\" z=\"3\"/>\n\t\t<p x=\"4\" y=\"5\" z=\"6\"/>\n\t</points>\n"
        "\t<faces>\n\t\t<f a=\"0\" b=\"1\" c=\"0\"/>\n\t</faces>\n</mesh>\n</object>\n</transform>\n",
        "<!-- words only,\nover two lines -->\n",
        "<!-- a light --><light name=\"a\" type=\"pointlight\"/>\n",
        "<!-- <light name=\"off\" type=\"pointlight\"/>\n-->\n",
        "<shader name=\"s\" type=\" \">\n\t<attributes><color r=\"1\" g=\"1\" b=\"1\"/></attributes>\n</shader>\n",
        "<light name=\"L\u00e4mpchen \u2600\" type=\"pointlight\" power=\"1\"/>\n",
        "<object name=\"P\" shader_name=\"s\"><mesh>\n<points>\n<p x=\"0\" y=\"0\" z=\"0\"/>\n</points>\n"
        "<faces>\n</faces>\n</mesh></object>\n",
    };
    std::mt19937 rng(25);
    const char* ends[] = {"\n", "\r\n", "\r"};
    TempDir dir;
    for (int round = 0; round < 40; ++round) {
        std::string text = "<?xml version=\"1.0\"?>\n<scene>\n";
        const int count = 2 + static_cast<int>(rng() % 8);
        const int stray = static_cast<int>(rng() % count);
        size_t strayAt = 0;
        for (int k = 0; k < count; ++k) {
            if (k == stray) {
                text += rng() % 2 ? "  " : "<c n=\"\u00e4\u20ac\"/> ";
                strayAt = text.size();
                text += "</oops>\n";
            }
            text += pieces[rng() % pieces.size()];
        }
        text += "</scene>\n";
        // The whole file in one kind of line end.
        const std::string end = ends[round % 3];
        std::string bytes;
        size_t at = 0;
        for (size_t i = 0; i < text.size(); ++i) {
            if (i == strayAt)
                at = bytes.size();
            bytes += text[i] == '\n' ? end : std::string(1, text[i]);
        }
        const auto [line, column] = EditorPlace(bytes, at);
        if (round % 4 == 3) {
            // UTF-16 with its byte-order mark: columns still count characters.
            std::string utf16 = "\xFF\xFE";
            for (char16_t unit : Widen(bytes)) {
                utf16 += static_cast<char>(unit & 0xFF);
                utf16 += static_cast<char>(unit >> 8);
            }
            bytes = utf16;
        }
        const TPlaced placed = ReadFailure(dir, bytes);
        EXPECT_EQ(placed.message, "There is no corresponding tag:scene") << round;
        EXPECT_EQ(placed.line, line) << round << "\n" << text;
        EXPECT_EQ(placed.column, column) << round << "\n" << text;
    }
}

TEST(ReadErrors, MessageKeepsItsFirstLineAndGainsThePlaceAndAHint)
{
    TempDir dir;
    // A file cut short, between tags and inside one.
    TPlaced p = ReadFailure(dir, "<scene>\n<shader name=\"a\">\n\t<attributes>\n");
    EXPECT_EQ(p.what, "There is no corresponding tag:attributes\nFile \"" + (dir / "scene.xml").string() +
                          "\", line 3, column 14: the file ends inside attributes.");
    p = ReadFailure(dir, "<scene>\n<shader name=\"a\">\n\t<attributes colo");
    EXPECT_EQ(p.message, "Incorrect Token:");
    EXPECT_EQ(p.hint, "the file ends inside attributes");
    EXPECT_EQ(p.line, 3u);
    EXPECT_EQ(p.column, 2u);
    // Mesh data on the line of other markup: the place is where it touches the markup.
    p = ReadFailure(dir, "<scene>\n<object name=\"o\">\n  <mesh><points>\n<p x=\"1\"/>\n</points>\n<faces>\n</faces>\n"
                         "</mesh>\n</object>\n</scene>\n");
    EXPECT_EQ(p.hint, "mesh data must stand on lines of its own");
    EXPECT_EQ(p.line, 3u);
    EXPECT_EQ(p.column, 9u);
    p = ReadFailure(dir, "<scene>\n<object name=\"o\">\n<mesh>\n<points>\n<p x=\"1\"/>\n</points>\n<faces>\n</faces></mesh>\n"
                         "</object>\n</scene>\n");
    EXPECT_EQ(p.hint, "mesh data must stand on lines of its own");
    EXPECT_EQ(p.line, 8u);
    EXPECT_EQ(p.column, 9u);
    // An error before a misplaced mesh is its own.
    p = ReadFailure(dir, "<scene>\n</b>\n<mesh><points>\n</points>\n<faces>\n</faces>\n</mesh>\n</scene>\n");
    EXPECT_EQ(p.message, "There is no corresponding tag:scene");
    EXPECT_EQ(p.hint, "");
    EXPECT_EQ(p.line, 2u);
    EXPECT_EQ(p.column, 1u);
    // Errors of the tree are placed at their tag.
    p = ReadFailure(dir, "<scene>\n<shader name=\"s\">\n\t<a b=c/>\n</shader>\n</scene>\n");
    EXPECT_EQ(p.message, "Incorrect attribute: a b=c");
    EXPECT_EQ(p.line, 3u);
    EXPECT_EQ(p.column, 2u);
    // Pictures and other binary files.
    p = ReadFailure(dir, std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
    EXPECT_EQ(p.hint, "it starts like a PNG picture, not a scene");
    EXPECT_EQ(p.line, 1u);
    p = ReadFailure(dir, std::string("\x01\x02\x03\0\x04", 5));
    EXPECT_EQ(p.hint, "it is a binary file, not a scene");
    // An empty file: no place, no hint.
    p = ReadFailure(dir, "");
    EXPECT_EQ(p.what, p.message + "\nFile \"" + (dir / "scene.xml").string() + "\".");
}

TEST(ReadErrors, WhereLine)
{
    EXPECT_EQ(ESceneReadError("Incorrect Token:", "s.xml", 3, 7, "").WhereLine(), "s.xml:3:7: Incorrect Token:");
    EXPECT_EQ(ESceneReadError("M", "s.xml", 0, 0, "it is a binary file, not a scene").WhereLine(),
              "s.xml: M (it is a binary file, not a scene)");
}

} // namespace
} // namespace kelvane
