// Stand-in renderer: a small ray tracer of the scene subset exporters write (see raytracer/).
// It honours the renderer's contract: the scene file as the last argument, run in the
// scene's folder; '#' progress on standard output; "Saving Targa file as <outfile>" when the
// picture is written; "Failed" and a report starting with "Error" when the scene cannot be read;
// the picture is an uncompressed 24-bit (32-bit with save_alpha="on") Targa file at `outfile`.
//
// Options before the scene file, as the real renderer takes them:
//   -c N                      render on N threads (default 1); more threads than the picture has
//                             64 x 64 blocks is a failure without a picture
//   -r XMIN:XMAX:YMIN:YMAX    draw only the pixels whose centres lie in the region (x from -1 at
//                             the left edge to 1 at the right, y from -1 at the bottom to 1 at the
//                             top); the picture keeps the camera's size, black outside
// Every pixel seeds its own random numbers, so neither option changes a drawn pixel.
//
// Progress as the real renderer shows it: "\rRender pass: [", one '#' per ten 64 x 64 blocks of
// the camera's picture (1 + (blocks - 1) / 10 of them), "]".
//
// Test knobs: the environment variable KELVANE_STANDIN_MODE, else the value of a `standin_mode`
// child of the `render` element (so one scene of a batch can behave differently):
//   "fail"          "Failed" and an "Error ..." report on standard output, no picture
//   "fail-stderr"   "Failed" and the report on standard error only, as the real renderer does
//   "fail-once"     as "fail" when OUTFILE.failed-once does not exist (it is made), else render
//   "crash"         abort after half the progress
//   "stderr-flood"  four megabytes on standard error before any standard output
//   "silent"        nothing at all for KELVANE_STANDIN_SILENT_MS (default 30000) ms, then render
//   "noimage"       progress only, no saving line and no picture
//   "nosave"        "Saving Targa file as" printed, but no picture written
//   "slow"          500 ms after every '#' unless KELVANE_STANDIN_DELAY_MS says otherwise
// KELVANE_STANDIN_DELAY_MS pauses after every '#' (a slow render that can be stopped midway).
#include <algorithm>
#include <chrono>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

#include "raytracer/RtRender.h"
#include "raytracer/RtScene.h"
#include "scene/FileIO.h"

namespace {

std::string ReadFile(const char* path, bool& ok)
{
    std::ifstream in(path, std::ios::binary);
    ok = static_cast<bool>(in);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Value of attribute `name` inside the start tag that begins at `tagStart`, or empty.
std::string Attribute(const std::string& text, size_t tagStart, const std::string& name)
{
    const size_t tagEnd = text.find('>', tagStart);
    if (tagEnd == std::string::npos)
        return {};
    const std::string tag = text.substr(tagStart, tagEnd - tagStart);
    size_t pos = 0;
    while ((pos = tag.find(name, pos)) != std::string::npos) {
        const bool startOk = pos > 0 && (tag[pos - 1] == ' ' || tag[pos - 1] == '\t' || tag[pos - 1] == '\n' || tag[pos - 1] == '\r');
        size_t eq = pos + name.size();
        while (eq < tag.size() && (tag[eq] == ' ' || tag[eq] == '\t'))
            ++eq;
        if (startOk && eq < tag.size() && tag[eq] == '=') {
            size_t q = eq + 1;
            while (q < tag.size() && (tag[q] == ' ' || tag[q] == '\t'))
                ++q;
            if (q < tag.size() && (tag[q] == '"' || tag[q] == '\'')) {
                const size_t close = tag.find(tag[q], q + 1);
                if (close != std::string::npos)
                    return tag.substr(q + 1, close - q - 1);
            }
        }
        pos += name.size();
    }
    return {};
}

// Start of the first start tag `<name` (followed by a blank, '/' or '>') at or after `from`.
size_t FindTag(const std::string& text, const std::string& name, size_t from = 0)
{
    const std::string open = "<" + name;
    size_t pos = from;
    while ((pos = text.find(open, pos)) != std::string::npos) {
        const char next = pos + open.size() < text.size() ? text[pos + open.size()] : '\0';
        if (next == ' ' || next == '\t' || next == '\r' || next == '\n' || next == '>' || next == '/')
            return pos;
        pos += open.size();
    }
    return std::string::npos;
}

// Line and column of a position, 1-based.
void LineColumn(const std::string& text, size_t pos, int& line, int& column)
{
    line = 1;
    column = 1;
    for (size_t i = 0; i < pos && i < text.size(); ++i) {
        if (text[i] == '\n') {
            ++line;
            column = 1;
        } else {
            ++column;
        }
    }
}

// A light check of the markup: every tag closed, end tags matching their start tags.
// Returns npos when fine, else the position of the offending token.
size_t CheckMarkup(const std::string& text, std::string& token)
{
    std::vector<std::pair<std::string, size_t>> open;
    size_t pos = 0;
    while ((pos = text.find('<', pos)) != std::string::npos) {
        if (text.compare(pos, 4, "<!--") == 0) {
            const size_t end = text.find("-->", pos + 4);
            if (end == std::string::npos) {
                token = "<!--";
                return pos;
            }
            pos = end + 3;
            continue;
        }
        const size_t end = text.find('>', pos);
        if (end == std::string::npos) {
            token = text.substr(pos, 20);
            return pos;
        }
        std::string tag = text.substr(pos, end - pos + 1);
        if (tag.size() > 1 && (tag[1] == '?' || tag[1] == '!')) {
            pos = end + 1;
            continue;
        }
        const bool closing = tag.size() > 1 && tag[1] == '/';
        const bool empty = tag.size() > 2 && tag[tag.size() - 2] == '/';
        size_t nameStart = closing ? 2 : 1;
        size_t nameEnd = nameStart;
        while (nameEnd < tag.size() && !std::strchr(" \t\r\n/>", tag[nameEnd]))
            ++nameEnd;
        const std::string name = tag.substr(nameStart, nameEnd - nameStart);
        if (name.empty()) {
            token = tag;
            return pos;
        }
        if (closing) {
            if (open.empty() || open.back().first != name) {
                token = tag;
                return pos;
            }
            open.pop_back();
        } else if (!empty) {
            open.emplace_back(name, pos);
        }
        pos = end + 1;
    }
    if (!open.empty()) {
        token = "<" + open.back().first;
        return open.back().second;
    }
    return std::string::npos;
}

struct Options {
    int threads = 1;
    bool region = false;
    double bounds[4] = {-1, 1, -1, 1};
    const char* scene = nullptr;
};

bool WholeNumber(const char* text, int& value)
{
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || v < 1 || v > 4096)
        return false;
    value = static_cast<int>(v);
    return true;
}

// Four numbers separated by ':'.
bool RegionBounds(const char* text, double (&bounds)[4])
{
    const char* at = text;
    for (int i = 0; i < 4; ++i) {
        char* end = nullptr;
        bounds[i] = std::strtod(at, &end);
        if (end == at || !std::isfinite(bounds[i]) || *end != (i < 3 ? ':' : '\0'))
            return false;
        at = end + 1;
    }
    return true;
}

bool ParseOptions(int argc, char** argv, Options& options)
{
    int i = 1;
    for (; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "-c" && WholeNumber(argv[i + 1], options.threads))
            continue;
        if (option == "-r" && RegionBounds(argv[i + 1], options.bounds)) {
            options.region = true;
            continue;
        }
        return false;
    }
    if (i != argc - 1)
        return false;
    options.scene = argv[i];
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr, "usage: yafray [-c THREADS] [-r XMIN:XMAX:YMIN:YMAX] scene.xml\n");
        return 1;
    }
    const char* mode = std::getenv("KELVANE_STANDIN_MODE");
    std::string modeText = mode ? mode : "";
    const char* delayText = std::getenv("KELVANE_STANDIN_DELAY_MS");
    int delayMs = delayText ? std::atoi(delayText) : 0;

    bool ok = false;
    const std::string text = ReadFile(options.scene, ok);
    if (!ok) {
        std::fprintf(stderr, "Can't open file %s\n", options.scene);
        return 1;
    }
    const size_t renderPos = FindTag(text, "render");
    const size_t renderEnd = renderPos == std::string::npos ? std::string::npos : text.find("</render>", renderPos);
    if (modeText.empty() && renderPos != std::string::npos) {
        const size_t modePos = FindTag(text, "standin_mode", renderPos);
        if (modePos != std::string::npos && (renderEnd == std::string::npos || modePos < renderEnd))
            modeText = Attribute(text, modePos, "value");
    }
    if (modeText == "slow" && !delayText)
        delayMs = 500;
    if (modeText == "silent") {
        const char* silentText = std::getenv("KELVANE_STANDIN_SILENT_MS");
        std::this_thread::sleep_for(std::chrono::milliseconds(silentText ? std::atoi(silentText) : 30000));
    }
    std::fprintf(stderr, "Starting parser ...\n");
    if (modeText == "stderr-flood") {
        const std::string line(1023, 'w');
        for (int i = 0; i < 4096; ++i)
            std::fprintf(stderr, "%s\n", line.c_str());
    }
    std::string token;
    size_t bad = CheckMarkup(text, token);
    if (bad == std::string::npos && FindTag(text, "scene") == std::string::npos) {
        bad = 0;
        token = text.substr(0, std::min<size_t>(text.find_first_of(" \t\r\n>"), 20));
    }
    if (modeText == "fail-once" && renderPos != std::string::npos) {
        // The outfile as the scene names it; the marker says the one failure has happened.
        const size_t outPos = FindTag(text, "outfile", renderPos);
        const std::string marker = (outPos == std::string::npos ? std::string("salida.tga") : Attribute(text, outPos, "value")) + ".failed-once";
        if (std::FILE* seen = std::fopen(marker.c_str(), "r")) {
            std::fclose(seen);
            modeText.clear();
        } else if (std::FILE* made = std::fopen(marker.c_str(), "w")) {
            std::fclose(made);
            modeText = "fail";
        }
    }
    if (bad == std::string::npos && (modeText == "fail" || modeText == "fail-stderr")) {
        bad = renderPos == std::string::npos ? 0 : renderPos;
        token = "render";
    }
    if (bad != std::string::npos) {
        int line, column;
        LineColumn(text, bad, line, column);
        if (modeText == "fail-stderr") {
            std::fprintf(stderr, "Failed\nError at line %d column %d token %s\n", line, column, token.c_str());
        } else {
            std::fprintf(stderr, "Failed\n");
            std::printf("Failed\nError at line %d column %d token %s\n", line, column, token.c_str());
        }
        std::fflush(stdout);
        return 0;
    }
    std::fprintf(stderr, "Parsing OK\n");
    if (renderPos == std::string::npos) {
        std::printf("Nothing to render\n");
        return 0;
    }

    // Attribute values are read raw: an outfile holding '&' or '<' is taken as it stands, and the
    // document reader, which would refuse it, reads a copy of the scene without it.
    std::string rawOutfile;
    std::filesystem::path readFrom = options.scene;
    struct TCopy {
        std::filesystem::path file;
        ~TCopy()
        {
            std::error_code ec;
            if (!file.empty())
                std::filesystem::remove(file, ec);
        }
    } copied;
    if (const size_t outPos = FindTag(text, "outfile", renderPos); outPos != std::string::npos && outPos < renderEnd) {
        rawOutfile = Attribute(text, outPos, "value");
        const size_t at = rawOutfile.empty() ? std::string::npos : text.find(rawOutfile, outPos);
        if (rawOutfile.find_first_of("&<") != std::string::npos && at != std::string::npos) {
            std::string copy = text;
            copy.replace(at, rawOutfile.size(), "raw.tga");
            std::error_code ec;
            const std::filesystem::path temp = std::filesystem::temp_directory_path(ec);
            readFrom = (ec ? std::filesystem::path(".") : temp) / ("kelvane-standin-" + std::to_string(::getpid()) + ".xml");
            std::ofstream(readFrom, std::ios::binary) << copy;
            copied.file = readFrom;
        } else {
            rawOutfile.clear();
        }
    }
    kelvane::rt::Scene scene;
    try {
        kelvane::rt::LoadScene(readFrom, scene);
        if (!rawOutfile.empty())
            scene.settings.outfile = rawOutfile;
    } catch (const std::bad_alloc&) {
        std::printf("Failed\nError: out of memory while reading the scene\n");
        std::fflush(stdout);
        return 1;
    } catch (const std::exception& e) {
        std::printf("Failed\nError: %s\n", e.what());
        std::fflush(stdout);
        return 1;
    }
    for (const std::string& warning : scene.warnings)
        std::fprintf(stderr, "[Warning]: %s\n", warning.c_str());
    try {
        const kelvane::rt::Renderer renderer(scene);
        const int blocks = renderer.BlockCount();
        if (options.threads > blocks) {
            // The real renderer aborts here without a picture.
            std::fprintf(stderr, "[Error]: %d threads for a picture of %d blocks\n", options.threads, blocks);
            return 1;
        }
        kelvane::rt::PixelRect region;
        if (options.region)
            region = kelvane::rt::RegionPixels(scene.camera.resx, scene.camera.resy, options.bounds[0], options.bounds[1],
                                               options.bounds[2], options.bounds[3]);

        // One '#' each time ten more blocks are done while blocks remain, and one after the last.
        std::printf("\rRender pass: [");
        std::fflush(stdout);
        const int marks = 1 + (blocks - 1) / 10;
        int shown = 0;
        kelvane::rt::Image image;
        renderer.Render(image, options.threads, [&](int finished, int total) {
            if (finished % 10 != 0 && finished != total)
                return;
            if (modeText == "crash" && shown >= marks / 2)
                std::abort();
            std::putchar('#');
            std::fflush(stdout);
            ++shown;
            if (delayMs > 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
        }, options.region ? &region : nullptr);
        std::printf("]\n");
        if (modeText == "noimage")
            return 0;
        const std::string& outfile = scene.settings.outfile;
        std::printf("Saving Targa file as %s\n", outfile.c_str());
        if (modeText != "nosave") {
            try {
                kelvane::WriteFileAtomic(outfile, kelvane::rt::TargaBytes(image, scene.settings.saveAlpha));
                std::printf("OK\n");
            } catch (const std::exception& e) {
                std::fprintf(stderr, "[Error]: %s\n", e.what());
            }
        }
    } catch (const std::exception& e) {
        // Out of memory for a huge picture, say.
        std::fflush(stdout);
        std::fprintf(stderr, "[Error]: %s\n", e.what());
        return 1;
    }
    std::fflush(stdout);
    return 0;
}
