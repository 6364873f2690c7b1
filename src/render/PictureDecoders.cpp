#include "render/PictureDecoders.h"

#include "render/PictureFormats.h"
#include "scene/FileIO.h"

namespace kelvane {

namespace {

std::string Lower(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

} // namespace

std::string LowerExtension(const std::filesystem::path& file)
{
    const std::string ext = file.extension().string();
    return ext.size() > 1 ? Lower(std::string_view(ext).substr(1)) : std::string();
}

TPictureDecoders::TPictureDecoders()
{
    for (const TPictureFormat& format : PictureFormats())
        if (format.decode)
            for (const std::string& extension : format.extensions)
                Register(extension, format.decode, format.name);
}

bool TPictureDecoders::Register(std::string_view extension, TPictureDecoder decoder, std::string description)
{
    if (!extension.empty() && extension.front() == '.')
        extension.remove_prefix(1);
    if (extension.empty() || !decoder)
        return false;
    return entries_.emplace(Lower(extension), TEntry{std::move(decoder), std::move(description)}).second;
}

bool TPictureDecoders::Supports(const std::filesystem::path& file) const
{
    return entries_.count(LowerExtension(file)) != 0;
}

std::vector<TPictureDecoders::TFormat> TPictureDecoders::Formats() const
{
    std::vector<TFormat> formats;
    for (const auto& [extension, entry] : entries_)
        formats.push_back({extension, entry.description});
    return formats;
}

const TPictureDecoders::TEntry& TPictureDecoders::Find(const std::filesystem::path& file) const
{
    const auto it = entries_.find(LowerExtension(file));
    if (it == entries_.end())
        throw EPictureError("Unknown picture file extension (" + file.extension().string() + ")");
    return it->second;
}

TPicture TPictureDecoders::Decode(const std::filesystem::path& file, std::string_view bytes) const
{
    return Find(file).decode(bytes);
}

TPicture TPictureDecoders::Load(const std::filesystem::path& file) const
{
    const TEntry& entry = Find(file);
    const std::string bytes = ReadWholeFile(file);
    try {
        return entry.decode(bytes);
    } catch (const EPictureError& e) {
        throw EPictureError("Cannot load picture \"" + file.string() + "\". " + e.what());
    }
}

} // namespace kelvane
