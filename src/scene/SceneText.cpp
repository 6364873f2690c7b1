#include "scene/SceneText.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>

#include "scene/FileIO.h"
#include "scene/LineEnds.h"
#include "scene/skParser.h"

namespace kelvane {

namespace {

constexpr size_t kChunk = size_t(256) << 10;  // stays in the cache, few fresh pages

bool IsUtf16(std::string_view bytes)
{
    const uint8_t code = DetectEncoding(bytes.substr(0, 100));
    return (code == 2 && bytes.substr(0, 2) == "\xFF\xFE") || (code == 3 && bytes.substr(0, 2) == "\xFE\xFF");
}

TSceneText DecodeUtf16(std::string_view bytes)
{
    TSceneText result;
    result.text = NormaliseLineEnds(DecodeSceneBytes(bytes, DetectEncoding(bytes.substr(0, 100))));
    result.transcoded = true;
    return result;
}

} // namespace

void ReserveLargeText(std::string& text, size_t capacity)
{
    text.reserve(capacity);
    AdviseLargeBuffer(text.data(), text.capacity());
}

TSceneText ReadSceneText(const fs::path& file)
{
    size_t size = 0;
    const TFileHandle fd = OpenForReading(file, size);

    // One reused piece stays in the cache; the text is written once, into its final place.
    std::unique_ptr<char[]> chunk(new char[kChunk]);
    size_t got = ReadFull(fd.Get(), chunk.get(), kChunk, file);
    if (IsUtf16(std::string_view(chunk.get(), got))) {
        std::string bytes(chunk.get(), got);
        while ((got = ReadFull(fd.Get(), chunk.get(), kChunk, file)) > 0)
            bytes.append(chunk.get(), got);
        return DecodeUtf16(bytes);
    }
    TSceneText result;
    ReserveLargeText(result.text, size + size / 8 + 64);
    TLineEndWriter writer(result.text);
    while (got > 0) {
        writer.Feed(chunk.get(), got);
        got = ReadFull(fd.Get(), chunk.get(), kChunk, file);
    }
    writer.Finish();
    return result;
}

TSceneText DecodeSceneText(std::string bytes)
{
    if (IsUtf16(bytes))
        return DecodeUtf16(bytes);
    TSceneText result;
    ReserveLargeText(result.text, bytes.size() + bytes.size() / 8 + 64);
    TLineEndWriter writer(result.text);
    for (size_t at = 0; at < bytes.size(); at += kChunk)
        writer.Feed(bytes.data() + at, std::min(kChunk, bytes.size() - at));
    writer.Finish();
    return result;
}

} // namespace kelvane
