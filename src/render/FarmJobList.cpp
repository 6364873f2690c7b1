#include "render/FarmJobList.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>

#include <fcntl.h>
#include <unistd.h>

#include "render/Farm.h"
#include "scene/FileIO.h"

namespace kelvane {

namespace {

struct TEvent {
    bool submit = false;
    std::string jobId;
    std::string folder;
    std::time_t when = 0;
};

std::vector<std::string> Fields(const std::string& line)
{
    std::vector<std::string> fields;
    size_t from = 0;
    for (;;) {
        const size_t tab = line.find('\t', from);
        fields.push_back(line.substr(from, tab - from));
        if (tab == std::string::npos)
            return fields;
        from = tab + 1;
    }
}

std::vector<TEvent> ReadEvents(const fs::path& list)
{
    std::vector<TEvent> events;
    if (!FileExists(list))
        return events;
    const std::string text = ReadWholeFile(list);
    size_t from = 0;
    while (from < text.size()) {
        size_t end = text.find('\n', from);
        if (end == std::string::npos)
            end = text.size();
        const std::vector<std::string> f = Fields(text.substr(from, end - from));
        from = end + 1;
        if (f.size() == 4 && f[0] == "submit")
            events.push_back({true, f[1], f[2], static_cast<std::time_t>(std::atoll(f[3].c_str()))});
        else if (f.size() == 2 && f[0] == "forget")
            events.push_back({false, {}, f[1], 0});
    }
    return events;
}

} // namespace

void AppendRecord(const fs::path& list, const std::string& line)
{
    const int fd = ::open(list.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        throw EFarmError("cannot write " + list.string() + ": " + std::strerror(errno));
    const ssize_t written = ::write(fd, line.data(), line.size());
    const int error = errno;
    ::close(fd);
    if (written != static_cast<ssize_t>(line.size()))
        throw EFarmError("cannot write " + list.string() + ": " + std::strerror(written < 0 ? error : ENOSPC));
}

void RecordFarmJob(const fs::path& list, const std::string& jobId, const fs::path& folder, std::time_t when)
{
    AppendRecord(list, "submit\t" + jobId + "\t" + folder.string() + "\t" + std::to_string(static_cast<long long>(when)) + "\n");
}

std::vector<TListedJob> ListedFarmJobs(const fs::path& list)
{
    std::map<std::string, TListedJob> byFolder;
    for (const TEvent& e : ReadEvents(list)) {
        if (e.submit)
            byFolder[e.folder] = {e.jobId, e.folder, e.when};
        else
            byFolder.erase(e.folder);
    }
    std::vector<TListedJob> jobs;
    for (auto& [folder, job] : byFolder)
        jobs.push_back(std::move(job));
    std::stable_sort(jobs.begin(), jobs.end(), [](const TListedJob& a, const TListedJob& b) { return a.submitted > b.submitted; });
    return jobs;
}

bool ForgetFarmJob(const fs::path& list, const std::string& jobOrFolder)
{
    std::error_code ec;
    const fs::path absolute = fs::absolute(jobOrFolder, ec).lexically_normal();
    std::map<std::string, bool> listed;  // folder -> named by the argument
    for (const TEvent& e : ReadEvents(list)) {
        if (!e.submit) {
            listed.erase(e.folder);
            continue;
        }
        bool& named = listed[e.folder];
        named = named || e.jobId == jobOrFolder || e.folder == jobOrFolder || (!ec && fs::path(e.folder) == absolute);
    }
    bool found = false;
    for (const auto& [folder, named] : listed)
        if (named) {
            AppendRecord(list, "forget\t" + folder + "\n");
            found = true;
        }
    return found;
}

} // namespace kelvane
