#pragma once
// The farm jobs submitted from one program folder, kept in its "FarmJobs.txt". Each line is one
// event, added with a single appending write so that programs submitting at once lose none:
//   submit TAB JOBID TAB FOLDER TAB SECONDS-SINCE-1970
//   forget TAB FOLDER
// A job folder is listed once, with its latest submission, until it is forgotten.
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

namespace kelvane {

inline constexpr const char* kFarmJobListFile = "FarmJobs.txt";

struct TListedJob {
    std::string jobId;
    std::filesystem::path folder;
    std::time_t submitted = 0;
};

// Appends `line` to the file with one write; raises EFarmError when it cannot.
void AppendRecord(const std::filesystem::path& file, const std::string& line);

// Adds a submission; raises EFarmError when the list cannot be written.
void RecordFarmJob(const std::filesystem::path& list, const std::string& jobId, const std::filesystem::path& folder,
                   std::time_t when);

// The listed jobs, newest submission first. A missing list is empty.
std::vector<TListedJob> ListedFarmJobs(const std::filesystem::path& list);

// Forgets the job whose folder is `jobOrFolder` or one of whose submissions has that id; false
// when the list holds no such job.
bool ForgetFarmJob(const std::filesystem::path& list, const std::string& jobOrFolder);

} // namespace kelvane
