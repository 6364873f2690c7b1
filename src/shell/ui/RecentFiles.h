#pragma once
// File > Latest Files: the session's recent paths, loaded from and stored in the settings, shown
// in four menu items that carry their path as data (the caption is only for display).
#include <QString>

#include <filesystem>
#include <vector>

class QAction;

namespace kelvane {

class TIniFileCompo;
namespace fs = std::filesystem;

constexpr int RecentItemCount = 4;

// Reads the stored list and pads it with RecentItemCount empty paths.
void LoadRecentFiles(TIniFileCompo& settings, std::vector<fs::path>& files);
// Keeps the first RecentItemCount paths and stores them.
void StoreRecentFiles(TIniFileCompo& settings, std::vector<fs::path>& files);
void ShowRecentFiles(QAction* const* items, const std::vector<fs::path>& files);
// The path an item stands for; empty for an unused item.
QString RecentItemPath(const QAction* item);

} // namespace kelvane
