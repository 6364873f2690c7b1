#pragma once
// The render history in the program folder's "history" folder: one folder per finished render,
// named by a number that grows with every entry, holding
//   entry.txt     scene, date, seconds, renderer, options, size, region, one line per change
//   settings.txt  the scene's settings when it was rendered (SceneSettings)
//   picture.tga   the picture; thumb.tga its small copy for the history strip
// An entry is made in a hidden folder and renamed into place when complete, so a reader never
// sees half an entry. Entries that cannot be read are skipped with a message, never fatal.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "render/Picture.h"
#include "render/RenderRegion.h"
#include "render/SceneSettings.h"

namespace kelvane {

struct THistoryLimits {
    int maxCount = 200;       // "History"/"MaxCount"
    long long maxMB = 2048;   // "History"/"MaxMB"
};

struct THistoryEntry {
    long long id = 0;
    std::filesystem::path folder;
    std::string scene;                  // absolute path of the scene file
    std::string date;                   // local time, "YYYY-MM-DD HH:MM:SS"
    double seconds = 0;
    std::string renderer;
    std::vector<std::string> options;   // the renderer's options before the scene file
    int width = 0, height = 0;
    std::optional<TPixelRect> region;   // a region render pasted into an earlier picture
    std::vector<TSettingChange> changes;  // since the previous render of the scene

    std::filesystem::path Picture() const { return folder / "picture.tga"; }
    std::filesystem::path Thumbnail() const { return folder / "thumb.tga"; }
    // "HH:MM:SS" of the date.
    std::string Time() const;
};

// What the render job hands over for a new entry.
struct THistoryRecord {
    std::filesystem::path scene;
    double seconds = 0;
    std::string renderer;
    std::vector<std::string> options;
    std::optional<TPixelRect> region;
    std::vector<TSettingValue> settings;
    const TPicture* picture = nullptr;
    std::string pictureBytes;  // the Targa file as the renderer wrote it; encoded from picture when empty
};

// The longest side of a history thumbnail.
constexpr int kHistoryThumbnailSize = 96;

class TRenderHistory {
public:
    // folder: the program folder's "history".
    explicit TRenderHistory(std::filesystem::path folder);

    // Entries of one scene (all when scene is empty), newest first. Damaged entries are left out;
    // a message for each goes to damaged when given.
    std::vector<THistoryEntry> Entries(const std::filesystem::path& scene,
                                       std::vector<std::string>* damaged = nullptr) const;
    // Records a render, with the changes since the scene's newest entry, then drops the oldest
    // entries (of any scene) beyond the limits; the new entry stays. Nothing is recorded when
    // either limit is 0. Raises EFileError or EPictureError when the entry cannot be written
    // (nothing is left of it then).
    std::optional<THistoryEntry> Record(const THistoryRecord& record, const THistoryLimits& limits);
    // Deletes an entry's files; false when there is no such entry.
    bool Remove(long long id);
    // The settings an entry's render was made with; raises EFileError when they cannot be read.
    std::vector<TSettingValue> Settings(const THistoryEntry& entry) const;

    const std::filesystem::path& Folder() const { return folder_; }

private:
    std::filesystem::path folder_;
};

// The history folder of a program folder.
std::filesystem::path HistoryFolder(const std::filesystem::path& programFolder);

// "ID<TAB>DATE<TAB>SECONDS<TAB>WIDTHxHEIGHT<TAB>CHANGES", as kelvane-scene history prints it.
std::string HistoryLine(const THistoryEntry& entry);

// "S.S s".
std::string SecondsText(double seconds);

} // namespace kelvane
