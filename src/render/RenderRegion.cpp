#include "render/RenderRegion.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <thread>

#include "scene/NumFormat.h"

namespace kelvane {

TPixelRect GrowRect(const TPixelRect& r, int margin, int width, int height)
{
    return {std::max(0, r.x0 - margin), std::max(0, r.y0 - margin), std::min(width, r.x1 + margin),
            std::min(height, r.y1 + margin)};
}

std::string RegionArgument(const TPixelRect& r, int width, int height)
{
    auto x = [width](int px) { return FloatToStr(2.0 * px / width - 1.0); };
    auto y = [height](int py) { return FloatToStr(1.0 - 2.0 * py / height); };
    return x(r.x0) + ":" + x(r.x1) + ":" + y(r.y1) + ":" + y(r.y0);
}

bool ParseRegion(std::string_view text, int width, int height, TPixelRect& rect)
{
    double v[4];
    for (int i = 0; i < 4; ++i) {
        const size_t colon = i < 3 ? text.find(':') : text.size();
        if (colon == std::string_view::npos || !TryStrToFloat(text.substr(0, colon), v[i]) || !(v[i] >= -1) ||
            !(v[i] <= 1))
            return false;
        text.remove_prefix(i < 3 ? colon + 1 : colon);
    }
    auto px = [width](double x) { return int(std::lround((x + 1) / 2 * width)); };
    auto py = [height](double y) { return int(std::lround((1 - y) / 2 * height)); };
    rect = {px(v[0]), py(v[3]), px(v[1]), py(v[2])};
    return !rect.Empty();
}

std::string RectText(const TPixelRect& r)
{
    return std::to_string(r.x0) + " " + std::to_string(r.y0) + " " + std::to_string(r.x1) + " " + std::to_string(r.y1);
}

bool ParseRectText(std::string_view text, TPixelRect& rect)
{
    int64_t v[4];
    for (int i = 0; i < 4; ++i) {
        const size_t blank = i < 3 ? text.find(' ') : text.size();
        if (blank == std::string_view::npos || !TryStrToInt64(text.substr(0, blank), v[i]) || v[i] < 0 ||
            v[i] > 65535)
            return false;
        text.remove_prefix(i < 3 ? blank + 1 : blank);
    }
    rect = {int(v[0]), int(v[1]), int(v[2]), int(v[3])};
    return !rect.Empty();
}

void PasteRegion(TPicture& base, const TPicture& region, const TPixelRect& r)
{
    if (base.width != region.width || base.height != region.height || base.channels != region.channels)
        throw EPictureError("The region picture does not match the picture it goes into.");
    if (r.Empty() || r.x0 < 0 || r.y0 < 0 || r.x1 > base.width || r.y1 > base.height)
        throw EPictureError("The region lies outside the picture.");
    const size_t offset = size_t(r.x0) * size_t(base.channels);
    const size_t bytes = size_t(r.Width()) * size_t(base.channels);
    for (int y = r.y0; y < r.y1; ++y)
        std::memcpy(base.Row(y) + offset, region.Row(y) + offset, bytes);
}

long long RenderBlocks(long long width, long long height)
{
    if (width <= 0 || height <= 0)
        return 0;
    return ((width + 63) / 64) * ((height + 63) / 64);
}

int RenderThreads(int setting, long long width, long long height)
{
    const long long blocks = RenderBlocks(width, height);
    return int(std::max(1LL, std::min<long long>(setting, blocks)));
}

int MachineCores()
{
    return int(std::max(1u, std::thread::hardware_concurrency()));
}

int ThreadsSetting(const std::string& text)
{
    int64_t value = 0;
    return TryStrToInt64(text, value) && value >= 1 ? int(std::min<int64_t>(value, 1024)) : MachineCores();
}

std::vector<std::string> RendererOptions(int threads, const std::string& region)
{
    std::vector<std::string> options;
    if (threads > 1)
        options.insert(options.end(), {"-c", std::to_string(threads)});
    if (!region.empty())
        options.insert(options.end(), {"-r", region});
    return options;
}

} // namespace kelvane
