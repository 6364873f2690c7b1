#include "scene/ReadErrors.h"

#include <algorithm>

#include "scene/StashComments.h"
#include "scene/StashMarks.h"

namespace kelvane {

namespace {

constexpr size_t npos = std::string_view::npos;
constexpr std::string_view kCommentStart = "<!--";
constexpr std::string_view kCommentEnd = "-->";

bool IsBlank(char c)
{
    return c == '\t' || c == '\n' || c == '\r' || c == ' ';
}

bool At(std::string_view text, size_t i, std::string_view what)
{
    return i <= text.size() && text.substr(i, what.size()) == what;
}

// Past the end of the thing that starts at from and ends with end (the text's end when it never does).
size_t PastEnd(std::string_view text, size_t from, std::string_view end, size_t extra = 0)
{
    const size_t e = text.find(end, std::min(from, text.size()));
    return e == npos ? text.size() : std::min(text.size(), e + end.size() + extra);
}

// A mesh block: "<points" through "</faces>" and the one character after it.
size_t PastMesh(std::string_view text, size_t from)
{
    return PastEnd(text, from, kFacesEnd, 1);
}

// Length of the placeholder at i in parsed whose marker is mark and which ends with close.
size_t PlaceholderLength(std::string_view parsed, size_t i, std::string_view mark, std::string_view close)
{
    if (!At(parsed, i, mark))
        return 0;
    // The number runs to the closing quote: a few digits, then close.
    const std::string_view rest = parsed.substr(i, mark.size() + 24 + close.size());
    const size_t e = rest.find(close, mark.size());
    return e == npos ? 0 : e + close.size();
}

} // namespace

ESceneReadError::ESceneReadError(std::string message, std::string file, size_t line, size_t column, std::string hint)
    : EKelvaneError([&] {
          std::string text = message + "\nFile \"" + file + "\"";
          if (line > 0)
              text += ", line " + std::to_string(line) + ", column " + std::to_string(column);
          if (!hint.empty())
              text += ": " + hint;
          return text + ".";
      }()),
      message_(std::move(message)), file_(std::move(file)), hint_(std::move(hint)), line_(line), column_(column)
{
}

std::string ESceneReadError::WhereLine() const
{
    std::string text = file_;
    if (line_ > 0)
        text += ":" + std::to_string(line_) + ":" + std::to_string(column_);
    text += ": " + message_;
    if (!hint_.empty())
        text += " (" + hint_ + ")";
    return text;
}

TTextPlace PlaceOf(std::string_view text, size_t offset)
{
    offset = std::min(offset, text.size());
    const std::string_view before = text.substr(0, offset);
    TTextPlace place;
    place.line = 1 + static_cast<size_t>(std::count(before.begin(), before.end(), '\n'));
    const size_t lineStart = before.rfind('\n') == npos ? 0 : before.rfind('\n') + 1;
    place.column = 1;
    for (size_t i = lineStart; i < offset; ++i)
        place.column += (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;
    return place;
}

// Walks both texts side by side. The parsed text is the original with pieces cut out and
// placeholders put in; every placeholder is matched with the piece it stands for, a removed
// comment is skipped whole, and what else the stash took out (stray comment ends, the blank of
// a blank value) is skipped a character at a time until the texts agree again.
size_t OriginalOffset(std::string_view original, std::string_view parsed, size_t at)
{
    const size_t n = original.size();
    const size_t m = std::min(at, parsed.size());
    size_t i = 0, j = 0;
    size_t deferred = npos;  // a character that stands after mesh placeholders in parsed, before them in original
    size_t noCommentEnd = npos;  // no "-->" follows this place
    while (j < m && i < n) {
        const char c = parsed[j];
        if (c == '<') {
            if (const size_t len = PlaceholderLength(parsed, j, kMeshMark, "/>"); len > 0) {
                if (j + len > m)
                    return deferred != npos ? deferred : i;
                if (At(original, i, kPoints)) {
                    i = PastMesh(original, i);
                } else if (i > 0 && original[i - 1] == '<' && At(original, i, kPoints.substr(1))) {
                    i = PastMesh(original, i);  // its '<' ended the block before
                } else if (At(original, i + 1, kPoints)) {
                    deferred = i;
                    i = PastMesh(original, i + 1);
                }
                j += len;
                continue;
            }
            if (deferred != npos) {
                // The character that preceded the blocks in the original.
                if (j == m)
                    return deferred;
                deferred = npos;
                ++j;
                continue;
            }
            if (const size_t len = PlaceholderLength(parsed, j, kTransformMark, ">"); len > 0 && At(original, i, kTransform)) {
                if (j + len > m)
                    return i;
                i = PastEnd(original, i, ">");
                j += len;
                continue;
            }
            if (At(parsed, j, kFakeTransformEnd) && At(original, i, kTransformEnd)) {
                if (j + kFakeTransformEnd.size() > m)
                    return i;
                i += kTransformEnd.size();
                j += kFakeTransformEnd.size();
                continue;
            }
            if (const size_t len = PlaceholderLength(parsed, j, kCommentMark, kCommentEnd); len > 0 && At(original, i, kCommentStart)) {
                if (j + len > m)
                    return i;
                i = PastEnd(original, i + kCommentStart.size(), kCommentEnd);
                j += len;
                continue;
            }
        } else if (deferred != npos) {
            if (j == m)
                return deferred;
            deferred = npos;
            ++j;
            continue;
        }
        if (At(original, i, kCommentStart) && !At(parsed, j, kCommentStart)) {
            const size_t e = noCommentEnd <= i ? npos : original.find(kCommentEnd, i + kCommentStart.size());
            if (e == npos)
                noCommentEnd = std::min(noCommentEnd, i);
            i = e == npos ? i + 3 : e + kCommentEnd.size();  // an endless comment loses its "<!-"
        } else if (original[i] == c) {
            ++i;
            ++j;
        } else if (c == '\r' || (c == '\n' && j > 0 && parsed[j - 1] == '\r')) {
            ++j;  // a line end completed after a cut took its other half
        } else {
            ++i;
        }
    }
    if (deferred != npos && j >= m)
        return deferred;
    return std::min(i, n);
}

size_t MisplacedMesh(std::string_view original, size_t limit)
{
    for (size_t p = original.find(kPoints); p != npos && p < limit; p = original.find(kPoints, p + 1)) {
        if (p > 0 && !IsBlank(original[p - 1]))
            return p;
        const size_t f = original.find(kFacesEnd, p);
        if (f == npos)
            return npos;
        const size_t after = f + kFacesEnd.size();
        if (after < original.size() && !IsBlank(original[after]))
            return after;
        p = after;
    }
    return npos;
}

std::string BinaryHint(std::string_view head)
{
    using namespace std::string_view_literals;
    struct TSignature {
        std::string_view bytes, name;
    };
    static constexpr TSignature kSignatures[] = {
        {"\x89PNG\r\n\x1a\n"sv, "a PNG picture"},
        {"\xFF\xD8\xFF"sv, "a JPEG picture"},
        {"GIF87a"sv, "a GIF picture"},
        {"GIF89a"sv, "a GIF picture"},
        {"BM"sv, "a BMP picture"},
        {"II*\0"sv, "a TIFF picture"},
        {"MM\0*"sv, "a TIFF picture"},
        {"%PDF"sv, "a PDF document"},
        {"PK\x03\x04"sv, "a ZIP archive"},
        {"\x1F\x8B"sv, "a gzip archive"},
        {"\x7F" "ELF"sv, "a program"},
    };
    for (const TSignature& s : kSignatures)
        if (head.substr(0, s.bytes.size()) == s.bytes && (s.bytes != "BM" || head.find('\0') != npos))
            return "it starts like " + std::string(s.name) + ", not a scene";
    // UTF-16 text has its byte-order mark; other text has neither NUL nor many control characters.
    if (head.substr(0, 2) == "\xFF\xFE" || head.substr(0, 2) == "\xFE\xFF")
        return {};
    size_t controls = 0;
    for (char ch : head.substr(0, 512)) {
        const auto u = static_cast<unsigned char>(ch);
        if (u == 0)
            return "it is a binary file, not a scene";
        controls += u < 0x20 && !IsBlank(ch);
    }
    return controls * 10 > std::min<size_t>(head.size(), 512) ? "it is a binary file, not a scene" : std::string();
}

} // namespace kelvane
