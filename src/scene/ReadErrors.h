#pragma once
// Scene reading errors placed in the file as the user has it: the reader parses a shortened text
// (mesh blocks, transform tags and comments cut out, line ends made CR LF), so a place in that
// text is traced back to the file's own line and column. All of it runs only once an error is
// raised: reading a good scene costs nothing more.
#include <cstddef>
#include <string>
#include <string_view>

#include "scene/Errors.h"

namespace kelvane {

// A reading error with its place. what() is the reader's message, then a line naming the file and,
// where known, the line and column, with a hint where the cause is plain.
class ESceneReadError : public EKelvaneError {
public:
    ESceneReadError(std::string message, std::string file, size_t line, size_t column, std::string hint);

    // The reader's own text: what() up to its first line break.
    const std::string& Message() const { return message_; }
    const std::string& File() const { return file_; }
    size_t Line() const { return line_; }      // 1-based; 0 when not known
    size_t Column() const { return column_; }  // 1-based, in characters; 0 when not known
    const std::string& Hint() const { return hint_; }
    // "FILE:LINE:COLUMN: MESSAGE" ("FILE: MESSAGE" without a line), then " (HINT)" when there is one.
    std::string WhereLine() const;

private:
    std::string message_, file_, hint_;
    size_t line_, column_;
};

struct TTextPlace {
    size_t line = 0;
    size_t column = 0;
};

// 1-based line and column of offset in a text whose lines end in LF or CR LF; the column counts
// UTF-8 characters (every byte that does not continue a sequence).
TTextPlace PlaceOf(std::string_view text, size_t offset);

// The offset in original (the scene's text with CR LF line ends) that offset `at` of parsed (the
// reader's text: the stash's shortened text, line ends made CR LF again) stands for. A place
// inside a placeholder maps to the start of what it stands for.
size_t OriginalOffset(std::string_view original, std::string_view parsed, size_t at);

// The place of the first mesh block that shares its line with other markup (the character
// before "<points" or after "</faces>" is no blank), when it lies before limit; else npos.
size_t MisplacedMesh(std::string_view original, size_t limit);

// "it starts like a PNG picture, not a scene" and the like for a file whose first bytes are
// head; empty for text.
std::string BinaryHint(std::string_view head);

} // namespace kelvane
