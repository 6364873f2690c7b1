#include "render/RenderHistory.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <unistd.h>

#include "render/Targa.h"
#include "render/Thumbnail.h"
#include "scene/FileIO.h"
#include "scene/NumFormat.h"

namespace kelvane {

namespace {

constexpr const char* kEntryFile = "entry.txt";
constexpr const char* kSettingsFile = "settings.txt";

std::string NowText()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

// The entry folders' numbers, ascending; other names are not the history's.
std::vector<long long> EntryIds(const fs::path& folder)
{
    std::vector<long long> ids;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        int64_t id = 0;
        if (!name.empty() && name[0] != '+' && name[0] != '-' && TryStrToInt64(name, id) && id > 0 &&
            std::to_string(id) == name)
            ids.push_back(id);
    }
    std::sort(ids.begin(), ids.end());
    return ids;
}

std::string EntryText(const THistoryEntry& e)
{
    std::string text = "scene=" + EscapeField(e.scene) + "\ndate=" + e.date + "\nseconds=" + FixedToStr(e.seconds, 3) +
                       "\nrenderer=" + EscapeField(e.renderer) + "\noptions=";
    for (size_t i = 0; i < e.options.size(); ++i)
        text += (i ? "\t" : "") + EscapeField(e.options[i]);
    text += "\nsize=" + std::to_string(e.width) + " " + std::to_string(e.height) + "\n";
    if (e.region)
        text += "region=" + RectText(*e.region) + "\n";
    for (const TSettingChange& c : e.changes)
        text += "change=" + EscapeField(c.path) + "\t" + EscapeField(c.name) + "\t" + EscapeField(c.before) + "\t" +
                EscapeField(c.after) + "\n";
    return text;
}

// Reads an entry; on failure the reason.
bool ReadEntry(const fs::path& folder, long long id, THistoryEntry& e, std::string& reason)
{
    e = THistoryEntry{};
    e.id = id;
    e.folder = folder;
    std::string text;
    try {
        text = ReadWholeFile(folder / kEntryFile);
    } catch (const std::exception&) {
        reason = "no entry.txt";
        return false;
    }
    bool scene = false, date = false, seconds = false, size = false;
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos)
            end = text.size();
        const std::string_view line(text.data() + at, end - at);
        at = end + 1;
        const size_t eq = line.find('=');
        if (eq == std::string_view::npos) {
            reason = "a line without \"=\"";
            return false;
        }
        const std::string_view key = line.substr(0, eq), value = line.substr(eq + 1);
        if (key == "scene") {
            e.scene = UnescapeField(value);
            scene = !e.scene.empty();
        } else if (key == "date") {
            e.date = std::string(value);
            date = e.date.size() == 19;
        } else if (key == "seconds") {
            seconds = TryStrToFloat(value, e.seconds) && e.seconds >= 0;
        } else if (key == "renderer") {
            e.renderer = UnescapeField(value);
        } else if (key == "options") {
            if (!value.empty())
                e.options = SplitFields(value);
        } else if (key == "size") {
            const size_t blank = value.find(' ');
            int64_t w = 0, h = 0;
            size = blank != std::string_view::npos && TryStrToInt64(value.substr(0, blank), w) &&
                   TryStrToInt64(value.substr(blank + 1), h) && w > 0 && h > 0 && w <= 65535 && h <= 65535;
            e.width = int(w), e.height = int(h);
        } else if (key == "region") {
            TPixelRect rect;
            if (!ParseRectText(value, rect)) {
                reason = "a bad region";
                return false;
            }
            e.region = rect;
        } else if (key == "change") {
            std::vector<std::string> f = SplitFields(value);
            if (f.size() != 4) {
                reason = "a bad change line";
                return false;
            }
            e.changes.push_back({std::move(f[0]), std::move(f[1]), std::move(f[2]), std::move(f[3])});
        }
    }
    if (!scene || !date || !seconds || !size) {
        reason = !scene ? "no scene" : !date ? "no date" : !seconds ? "no duration" : "no picture size";
        return false;
    }
    if (!FileExists(e.Picture())) {
        reason = "no picture";
        return false;
    }
    return true;
}

unsigned long long FolderBytes(const fs::path& folder)
{
    unsigned long long bytes = 0;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code sizeError;
        const auto size = it->file_size(sizeError);
        if (!sizeError)
            bytes += size;
    }
    return bytes;
}

// A hidden folder that is removed with its contents unless it was moved into place.
class TNewFolder {
public:
    explicit TNewFolder(const fs::path& history)
    {
        static std::atomic<unsigned> counter{0};
        path_ = history / (".new-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        std::error_code ec;
        fs::remove_all(path_, ec);
        if (!fs::create_directories(path_, ec) || ec)
            FailFile("Cannot create folder", path_, ec ? ec.value() : EEXIST);
    }
    ~TNewFolder()
    {
        if (!moved_) {
            std::error_code ec;
            fs::remove_all(path_, ec);
        }
    }
    TNewFolder(const TNewFolder&) = delete;
    TNewFolder& operator=(const TNewFolder&) = delete;
    const fs::path& Path() const { return path_; }
    // Renames the folder to the first free number from id on; returns the number taken.
    long long MoveTo(const fs::path& history, long long id)
    {
        for (int tries = 0; tries < 1000; ++tries, ++id) {
            const fs::path target = history / std::to_string(id);
            if (::rename(path_.c_str(), target.c_str()) == 0) {
                moved_ = true;
                return id;
            }
            if (errno != EEXIST && errno != ENOTEMPTY)
                FailFile("Cannot rename folder", path_, errno);
        }
        FailFile("Cannot rename folder", path_, EEXIST);
    }

private:
    fs::path path_;
    bool moved_ = false;
};

TPicture HistoryThumbnail(const TPicture& picture)
{
    const int longest = std::max(picture.width, picture.height);
    const int w = std::max(1, int((long long)picture.width * kHistoryThumbnailSize / longest));
    const int h = std::max(1, int((long long)picture.height * kHistoryThumbnailSize / longest));
    return StretchPicture(picture, w, h);
}

} // namespace

std::string THistoryEntry::Time() const
{
    return date.size() >= 19 ? date.substr(11, 8) : date;
}

TRenderHistory::TRenderHistory(fs::path folder) : folder_(std::move(folder)) {}

fs::path HistoryFolder(const fs::path& programFolder)
{
    return programFolder / "history";
}

std::vector<THistoryEntry> TRenderHistory::Entries(const fs::path& scene, std::vector<std::string>* damaged) const
{
    const std::string wanted = scene.empty() ? std::string() : scene.lexically_normal().string();
    std::vector<THistoryEntry> entries;
    const std::vector<long long> ids = EntryIds(folder_);
    for (auto it = ids.rbegin(); it != ids.rend(); ++it) {
        THistoryEntry entry;
        std::string reason;
        if (!ReadEntry(folder_ / std::to_string(*it), *it, entry, reason)) {
            if (damaged)
                damaged->push_back("History entry " + std::to_string(*it) + " is damaged (" + reason +
                                   "); it is skipped.");
            continue;
        }
        if (wanted.empty() || entry.scene == wanted)
            entries.push_back(std::move(entry));
    }
    return entries;
}

std::vector<TSettingValue> TRenderHistory::Settings(const THistoryEntry& entry) const
{
    std::vector<TSettingValue> settings;
    if (!ParseSettingsFile(ReadWholeFile(entry.folder / kSettingsFile), settings))
        throw EFileError("The settings of history entry " + std::to_string(entry.id) + " cannot be read.");
    return settings;
}

std::optional<THistoryEntry> TRenderHistory::Record(const THistoryRecord& record, const THistoryLimits& limits)
{
    if (limits.maxCount <= 0 || limits.maxMB <= 0 || !record.picture || record.picture->Empty())
        return std::nullopt;
    std::error_code ec;
    fs::create_directories(folder_, ec);

    THistoryEntry entry;
    entry.scene = record.scene.lexically_normal().string();
    entry.date = NowText();
    entry.seconds = record.seconds;
    entry.renderer = record.renderer;
    entry.options = record.options;
    entry.width = record.picture->width;
    entry.height = record.picture->height;
    entry.region = record.region;
    const std::vector<THistoryEntry> earlier = Entries(record.scene);
    if (!earlier.empty()) {
        try {
            entry.changes = SettingChanges(Settings(earlier.front()), record.settings);
        } catch (const std::exception&) {
            // Without the earlier settings there is nothing to compare with.
        }
    }

    TNewFolder made(folder_);
    const fs::path& dir = made.Path();
    WriteNewFile(dir / "picture.tga",
                 {record.pictureBytes.empty() ? std::string_view(EncodeTarga(*record.picture)) : record.pictureBytes});
    WriteNewFile(dir / "thumb.tga", {EncodeTarga(HistoryThumbnail(*record.picture))});
    WriteNewFile(dir / kSettingsFile, {SettingsFileText(record.settings)});
    WriteNewFile(dir / kEntryFile, {EntryText(entry)});
    const std::vector<long long> ids = EntryIds(folder_);
    entry.id = made.MoveTo(folder_, ids.empty() ? 1 : ids.back() + 1);
    entry.folder = folder_ / std::to_string(entry.id);

    // The oldest go first until both limits hold; the new entry stays.
    std::vector<long long> all = EntryIds(folder_);
    std::vector<unsigned long long> sizes;
    unsigned long long total = 0;
    for (long long id : all) {
        sizes.push_back(FolderBytes(folder_ / std::to_string(id)));
        total += sizes.back();
    }
    const unsigned long long maxBytes = (unsigned long long)limits.maxMB << 20;
    size_t count = all.size();
    for (size_t i = 0; i < all.size() && all[i] != entry.id; ++i) {
        if (count <= size_t(limits.maxCount) && total <= maxBytes)
            break;
        fs::remove_all(folder_ / std::to_string(all[i]), ec);
        --count;
        total -= sizes[i];
    }
    return entry;
}

bool TRenderHistory::Remove(long long id)
{
    if (id <= 0)
        return false;
    std::error_code ec;
    return fs::remove_all(folder_ / std::to_string(id), ec) > 0 && !ec;
}

std::string SecondsText(double seconds)
{
    return FixedToStr(seconds, 1) + " s";
}

std::string HistoryLine(const THistoryEntry& e)
{
    return std::to_string(e.id) + "\t" + e.date + "\t" + FixedToStr(e.seconds, 1) + "\t" + std::to_string(e.width) +
           "x" + std::to_string(e.height) + "\t" + ChangesText(e.changes);
}

} // namespace kelvane
