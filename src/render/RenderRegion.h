#pragma once
// Region renders and render threads: the renderer's "-r" and "-c" options and pasting a region
// render into an earlier full picture.
#include <string>
#include <string_view>
#include <vector>

#include "render/Picture.h"

namespace kelvane {

// Pixels [x0, x1) x [y0, y1) of a picture, the top row being 0.
struct TPixelRect {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    bool Empty() const { return x1 <= x0 || y1 <= y0; }
    int Width() const { return x1 - x0; }
    int Height() const { return y1 - y0; }
    bool operator==(const TPixelRect&) const = default;
};

// The rectangle grown by margin pixels on each side and cut to width x height.
TPixelRect GrowRect(const TPixelRect& rect, int margin, int width, int height);

// The renderer's region "XMIN:XMAX:YMIN:YMAX" for rect: -1 to 1 from the left edge to the right
// and from the bottom edge to the top.
std::string RegionArgument(const TPixelRect& rect, int width, int height);

// The pixels of a region given in the renderer's coordinates, each edge at the nearest pixel
// boundary. False for text of another form, coordinates outside -1..1, or an empty rectangle.
bool ParseRegion(std::string_view text, int width, int height, TPixelRect& rect);

// "x0 y0 x1 y1" and back; false for other text.
std::string RectText(const TPixelRect& rect);
bool ParseRectText(std::string_view text, TPixelRect& rect);

// Copies rect's pixels from region into base. Raises EPictureError unless both pictures have the
// same size and channels and rect lies inside them.
void PasteRegion(TPicture& base, const TPicture& region, const TPixelRect& rect);

// 64 x 64 blocks of a width x height picture (0 for an empty one).
long long RenderBlocks(long long width, long long height);
// The thread count to render with: the setting, at least 1 and at most the picture's block count
// (the real renderer fails with more threads than blocks).
int RenderThreads(int setting, long long width, long long height);

// The "Threads" setting's default: the machine's cores (at least 1).
int MachineCores();
// The "Threads" setting from its text: a whole number of at least 1, else the default.
int ThreadsSetting(const std::string& text);

// The renderer's options before the scene file: "-c N" when threads is above 1, "-r REGION"
// when region is not empty.
std::vector<std::string> RendererOptions(int threads, const std::string& region);

} // namespace kelvane
