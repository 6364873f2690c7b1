#include "shell/ui/RecentFiles.h"

#include "controls/IniFileCompo.h"

#include <QAction>

namespace kelvane {

void LoadRecentFiles(TIniFileCompo& settings, std::vector<fs::path>& files)
{
    std::vector<std::string> recent;
    settings.ReadList("System", "LatestFiles", recent);
    files.clear();
    for (const std::string& r : recent)
        files.emplace_back(r);
    for (int i = 0; i < RecentItemCount; ++i)
        files.emplace_back();
}

void StoreRecentFiles(TIniFileCompo& settings, std::vector<fs::path>& files)
{
    if (files.size() > size_t(RecentItemCount))
        files.resize(size_t(RecentItemCount));
    std::vector<std::string> recent;
    for (const fs::path& p : files)
        recent.push_back(p.string());
    settings.WriteList("System", "LatestFiles", recent);
}

void ShowRecentFiles(QAction* const* items, const std::vector<fs::path>& files)
{
    for (int i = 0; i < RecentItemCount; ++i) {
        const QString path = size_t(i) < files.size() ? QString::fromStdString(files[size_t(i)].string()) : QString();
        items[i]->setData(path);
        // "&" is doubled so that the menu does not take it as an accelerator mark.
        items[i]->setText(QString(path).replace(QLatin1Char('&'), QStringLiteral("&&")));
    }
}

QString RecentItemPath(const QAction* item)
{
    return item->data().toString();
}

} // namespace kelvane
