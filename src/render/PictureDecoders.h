#pragma once
// The picture decoders by file extension: those of the format table (Targa, JPEG and PNG), more
// registered at start-up (the user-interface layer adds its image-format readers).
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "render/Picture.h"

namespace kelvane {

// Turns a whole file's bytes into a picture; raises EPictureError (or another EKelvaneError).
using TPictureDecoder = std::function<TPicture(std::string_view bytes)>;

// The extension of a file name without its dot, in lower case ("jpg" for "A.JPG"); empty when
// there is none.
std::string LowerExtension(const std::filesystem::path& file);

class TPictureDecoders {
public:
    struct TFormat {
        std::string extension; // lower case, without the dot
        std::string description;
    };

    // Holds the decoders of the format table: "tga", "jpg", "jpeg" and "png".
    TPictureDecoders();

    // Adds a decoder for files whose extension is `extension` in any case (a leading dot is
    // ignored). An extension that has a decoder already keeps it: the built-in ones stay in
    // charge of their formats. Returns whether the decoder was added.
    bool Register(std::string_view extension, TPictureDecoder decoder, std::string description);

    bool Supports(const std::filesystem::path& file) const;
    std::vector<TFormat> Formats() const; // sorted by extension

    // Decodes bytes by the file name's extension. Raises EPictureError "Unknown picture file
    // extension (.xyz)" for an extension without a decoder.
    TPicture Decode(const std::filesystem::path& file, std::string_view bytes) const;

    // Reads and decodes a file. A decoding failure is raised as EPictureError naming the file:
    // Cannot load picture "<file>". <decoder's text>
    TPicture Load(const std::filesystem::path& file) const;

private:
    struct TEntry {
        TPictureDecoder decode;
        std::string description;
    };
    const TEntry& Find(const std::filesystem::path& file) const;
    std::map<std::string, TEntry> entries_;
};

} // namespace kelvane
