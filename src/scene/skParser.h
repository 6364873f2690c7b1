#pragma once
// XML reader: a token reader that cuts 8-bit scene text into tokens, and a parser that checks
// that tags pair up and builds a document tree from the kept tokens. No DTD is read, no entity
// expanded and no character reference decoded.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "scene/LineEnds.h"
#include "scene/skDom.h"

namespace kelvane {

// Kinds of tokens.
enum TXMLTokenKind : uint8_t {
    tkEndOfText = 0,
    tkStartTag = 1,       // "<" .. ">"
    tkEndTag = 2,         // "</" .. ">"
    tkCharData = 3,       // up to the next '<' or '&' or the end
    tkXmlDecl = 4,        // "<?xml" .. "?>"
    tkProcessing = 5,     // "<?" .. "?>"
    tkMarkupDecl = 6,     // "<!" .. ">" (DOCTYPE and the like)
    tkComment = 7,        // "<!--" .. "-->"
    tkCData = 8,          // "<![CDATA[" .. "]]>"
    tkEmptyTag = 9,       // "<" .. "/>"
    tkEntityRef = 10,     // "&" .. ";"
    tkBad = 11,
};

// One kept token: its text exactly as in the source, delimiters included. The text views the
// parser's source buffer.
struct TXMLToken {
    std::string_view text;
    uint8_t kind = tkEndOfText;
};

// Cuts a text into tokens. The reader views the text; the caller keeps it alive.
class TTokenReader {
public:
    // Stores the text (up to its first NUL character) and puts the cursor at its start.
    void SetSource(std::string_view text);
    // Reads one token at the cursor, sets Kind and Text and moves the cursor past it.
    void Next();

    uint8_t Kind() const { return kind_; }
    std::string_view Text() const { return text_; }
    // Position (0-based) of the next unread character.
    size_t Cursor() const { return cursor_; }
    std::string_view Source() const { return source_; }

private:
    void Finish(uint8_t kind, size_t end);
    void Fail(size_t cursor);  // kind 11 with an empty text, cursor at the given place

    std::string_view source_;
    std::string_view text_;
    size_t cursor_ = 0;
    uint8_t kind_ = tkEndOfText;
};

// Name of a start, empty-element or end tag: leading '<' and '/' skipped, then the run of
// characters up to NUL, TAB, LF, CR, space, '/' or '>'.
std::string_view TagName(std::string_view tokenText);

class TXMLParser {
public:
    TXMLParser();
    ~TXMLParser();
    TXMLParser(const TXMLParser&) = delete;
    TXMLParser& operator=(const TXMLParser&) = delete;

    // When true, character data made only of blanks is not kept.
    bool TrimText = false;

    // Reads the file by its detected encoding, makes every line end CR LF and tokenises it.
    // A file that cannot be opened raises EFileError; reading errors raise EParserError.
    void LoadFromFile(const std::filesystem::path& fileName);
    // Tokenises and checks text and fills the token list; raises EParserError on the first error.
    void ReadTokens(std::string text);
    // A new document built from the token list; errors of the tree raise EDomException.
    std::unique_ptr<TDomDocument> CreateDocument();

    // 0 = 8-bit code page, 1 = UTF-8, 2 = UTF-16 little-endian, 3 = UTF-16 big-endian.
    uint8_t EncodingCode() const { return encoding_; }
    void SetEncodingCode(uint8_t code) { encoding_ = code; }
    const std::vector<TXMLToken>& Tokens() const { return tokens_; }
    TTokenReader& Reader() { return reader_; }

    // After a reading or tree error: where in Source() the failing token starts (npos when no
    // error was raised), and the innermost element still open when the text ended inside one.
    size_t ErrorOffset() const { return errorAt_; }
    std::string_view EndedInside() const { return endedInside_; }
    // The text read (line ends CR LF); empty before a read.
    std::string_view Source() const { return source_ ? std::string_view(*source_) : std::string_view(); }

private:
    TTokenReader reader_;
    std::vector<TXMLToken> tokens_;
    std::shared_ptr<const std::string> source_;  // documents made keep it: their values view it
    uint8_t encoding_ = 0;
    size_t errorAt_ = std::string_view::npos;
    std::string endedInside_;
};

// Encoding code from the first (up to) 100 bytes of a file.
uint8_t DetectEncoding(std::string_view head);
// Encoding code of a file; raises EFileError when it cannot be opened.
uint8_t DetectEncoding(const std::filesystem::path& fileName);
// File bytes to the reader's 8-bit text by encoding code: byte-order mark skipped, UTF-16
// converted to UTF-8; codes 0 and 1 keep the bytes as they are.
std::string DecodeSceneBytes(std::string_view bytes, uint8_t code);
// Sets the attributes of element from inner, the tag text without its brackets; a malformed
// list raises EParserError "Incorrect attribute: " followed by inner.
void ParseAttributes(TDomElement* element, std::string_view inner);

} // namespace kelvane
