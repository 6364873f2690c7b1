// Stand-in renderer. Honours the renderer's contract: one argument (the scene file), run in the
// scene's folder; '#' progress on standard output; "Saving Targa file as <outfile>" when the
// picture is written; "Failed" and a report starting with "Error" when the scene cannot be read;
// the picture is an uncompressed 24-bit (32-bit with save_alpha="on") Targa file at `outfile`.
//
// Progress as the real renderer shows it: "\rRender pass: [", one '#' per ten 64 x 64 blocks of
// the camera's picture (1 + (blocks - 1) / 10 of them), "]".
//
// Test knobs: the environment variable KELVANE_STANDIN_MODE, else the value of a `standin_mode`
// child of the `render` element (so one scene of a batch can behave differently):
//   "fail"          "Failed" and an "Error ..." report on standard output, no picture
//   "fail-stderr"   "Failed" and the report on standard error only, as the real renderer does
//   "crash"         abort after half the progress
//   "stderr-flood"  four megabytes on standard error before any standard output
//   "silent"        nothing at all for KELVANE_STANDIN_SILENT_MS (default 30000) ms, then render
//   "noimage"       progress only, no saving line and no picture
//   "nosave"        "Saving Targa file as" printed, but no picture written
//   "slow"          500 ms after every '#' unless KELVANE_STANDIN_DELAY_MS says otherwise
// KELVANE_STANDIN_DELAY_MS pauses after every '#' (a slow render that can be stopped midway).
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

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

bool WriteTarga(const std::string& path, int width, int height, bool alpha, double r, double g, double b)
{
    std::ofstream out(path, std::ios::binary);
    if (!out)
        return false;
    const int bpp = alpha ? 4 : 3;
    unsigned char header[18] = {};
    header[2] = 2; // uncompressed true colour
    header[12] = static_cast<unsigned char>(width & 0xFF);
    header[13] = static_cast<unsigned char>(width >> 8);
    header[14] = static_cast<unsigned char>(height & 0xFF);
    header[15] = static_cast<unsigned char>(height >> 8);
    header[16] = static_cast<unsigned char>(bpp * 8);
    header[17] = static_cast<unsigned char>(0x20 | (alpha ? 8 : 0)); // origin at the top left
    out.write(reinterpret_cast<const char*>(header), sizeof header);
    std::vector<unsigned char> row(static_cast<size_t>(width) * bpp);
    const double cx = width / 2.0, cy = height / 2.0, radius = std::min(width, height) * 0.4;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const double dx = (x - cx) / radius, dy = (y - cy) / radius;
            const double d2 = dx * dx + dy * dy;
            double shade = 0.15 + 0.25 * y / std::max(1, height - 1);
            unsigned char a = 0;
            if (d2 <= 1.0) {
                const double nz = std::sqrt(1.0 - d2);
                shade = std::max(0.0, 0.2 + 0.8 * (nz * 0.8 - dx * 0.3 - dy * 0.3));
                a = 255;
            }
            unsigned char* p = &row[static_cast<size_t>(x) * bpp];
            p[0] = static_cast<unsigned char>(std::min(255.0, 255 * b * shade)); // BGR(A)
            p[1] = static_cast<unsigned char>(std::min(255.0, 255 * g * shade));
            p[2] = static_cast<unsigned char>(std::min(255.0, 255 * r * shade));
            if (alpha)
                p[3] = a;
        }
        out.write(reinterpret_cast<const char*>(row.data()), static_cast<std::streamsize>(row.size()));
    }
    return static_cast<bool>(out);
}

double Number(const std::string& text, double fallback)
{
    if (text.empty())
        return fallback;
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    return end && *end == '\0' ? v : fallback;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: yafray scene.xml\n");
        return 1;
    }
    const char* mode = std::getenv("KELVANE_STANDIN_MODE");
    std::string modeText = mode ? mode : "";
    const char* delayText = std::getenv("KELVANE_STANDIN_DELAY_MS");
    int delayMs = delayText ? std::atoi(delayText) : 0;

    bool ok = false;
    const std::string text = ReadFile(argv[1], ok);
    if (!ok) {
        std::fprintf(stderr, "Can't open file %s\n", argv[1]);
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

    // Output name, camera size and a colour to paint with.
    std::string outfile = "salida.tga";
    const size_t outPos = FindTag(text, "outfile", renderPos);
    if (outPos != std::string::npos && (renderEnd == std::string::npos || outPos < renderEnd)) {
        const std::string v = Attribute(text, outPos, "value");
        if (!v.empty())
            outfile = v;
    }
    bool alpha = false;
    const size_t alphaPos = FindTag(text, "save_alpha", renderPos);
    if (alphaPos != std::string::npos && (renderEnd == std::string::npos || alphaPos < renderEnd))
        alpha = Attribute(text, alphaPos, "value") == "on";
    if (Attribute(text, renderPos, "save_alpha") == "on")
        alpha = true;
    const std::string cameraName = Attribute(text, renderPos, "camera_name");
    int width = 320, height = 240;
    for (size_t cam = FindTag(text, "camera"); cam != std::string::npos; cam = FindTag(text, "camera", cam + 1)) {
        if (cameraName.empty() || Attribute(text, cam, "name") == cameraName) {
            width = static_cast<int>(Number(Attribute(text, cam, "resx"), 320));
            height = static_cast<int>(Number(Attribute(text, cam, "resy"), 240));
            break;
        }
    }
    width = std::max(1, std::min(width, 8192));
    height = std::max(1, std::min(height, 8192));
    double r = 0.8, g = 0.8, b = 0.8;
    const size_t shader = FindTag(text, "shader");
    if (shader != std::string::npos) {
        const size_t color = FindTag(text, "color", shader);
        if (color != std::string::npos) {
            r = Number(Attribute(text, color, "r"), r);
            g = Number(Attribute(text, color, "g"), g);
            b = Number(Attribute(text, color, "b"), b);
        }
    }

    std::printf("\rRender pass: [");
    std::fflush(stdout);
    const int blocks = ((width + 63) / 64) * ((height + 63) / 64);
    const int marks = 1 + (blocks - 1) / 10;
    for (int i = 0; i < marks; ++i) {
        if (modeText == "crash" && i >= marks / 2)
            std::abort();
        std::putchar('#');
        std::fflush(stdout);
        if (delayMs > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
    }
    std::printf("]\n");
    if (modeText == "noimage")
        return 0;
    std::printf("Saving Targa file as %s\n", outfile.c_str());
    if (modeText != "nosave" && WriteTarga(outfile, width, height, alpha, r, g, b))
        std::printf("OK\n");
    std::fflush(stdout);
    return 0;
}
